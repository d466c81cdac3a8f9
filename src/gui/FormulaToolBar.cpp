#include "gui/FormulaToolBar.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QValidator>
#include <algorithm>

#include "core/Cp932.h"
#include "gui/Colours.h"
#include "gui/CommandIds.h"
#include "gui/Commands.h"
#include "gui/EntryRules.h"
#include "gui/Language.h"
#include "gui/ParamModel.h"
#include "gui/Prompts.h"
#include "gui/Texts.h"

namespace {

constexpr int kFormulaBoxWidth = 304;

std::size_t Bytes(const QString& text) { return Cp932Length(text.toStdString()); }

// The index in the text of a 1-based character count: a character outside
// the basic plane takes two places.
int IndexOfCharacter(const QString& text, std::size_t character) {
  int index = 0;
  for (std::size_t k = 1; k < character && index < text.size(); ++k) {
    index += text[index].isHighSurrogate() ? 2 : 1;
  }
  return std::min(index, static_cast<int>(text.size()));
}

// Refuses a change that makes the text longer than the limit, counted in the
// bytes a parameter file stores. Shortening a text that is already too long
// (put in from a file) stays possible.
class ByteLimit : public QValidator {
 public:
  explicit ByteLimit(CFormulaEdit* edit) : QValidator(edit), m_pEdit(edit) {}
  State validate(QString& input, int&) const override {
    if (m_pEdit->Replacing()) return Acceptable;
    const std::size_t bytes = Bytes(input);
    if (bytes <= kMaxFormulaBytes || bytes <= Bytes(m_pEdit->PreviousText())) return Acceptable;
    return Invalid;
  }

 private:
  CFormulaEdit* m_pEdit;
};

}  // namespace

CFormulaEdit::CFormulaEdit(QWidget* parent) : QLineEdit(parent) {
  setValidator(new ByteLimit(this));
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
    m_previous = text;
    m_fault = CheckFormulaWithPosition(text.toStdString());
    emit checked();
  });
}

void CFormulaEdit::ReplaceUndoably(const QString& text) {
  m_bReplacing = true;
  selectAll();
  insert(text);
  m_bReplacing = false;
}

QString CFormulaEdit::FaultNote() const {
  if (!Faulty()) return {};
  QString note = Tr(FormulaCheckMessage(m_fault.check));
  // An empty box has no place to point at.
  if (m_fault.check != FormulaCheck::Empty) {
    note += Tr(texts::kFaultPosition).arg(m_fault.position);
  }
  return note;
}

void CFormulaEdit::SelectFault() {
  if (!Faulty()) return;
  const QString content = text();
  const int first = IndexOfCharacter(content, m_fault.position);
  const int end = IndexOfCharacter(content, m_fault.position + m_fault.length);
  setSelection(first, end - first);
}

CFormulaToolBar::CFormulaToolBar(CParamModel* model, QWidget* parent)
    : QToolBar(parent), m_pModel(model), m_pFormulaBox(new CFormulaEdit(this)) {
  setObjectName(QStringLiteral("toolBar"));
  setIconSize(QSize(16, 16));
  setMovable(false);
  setFloatable(false);
  m_pFormulaBox->setObjectName(QStringLiteral("formulaBox"));
  m_pFormulaBox->setFixedWidth(kFormulaBoxWidth);
  const CommandInfo& command = FindCommand(IDC_FORMULA);
  m_pFormulaBox->setToolTip(Tr(command.tip));
  m_pFormulaBox->setStatusTip(Tr(command.prompt));
  m_pFormulaBox->installEventFilter(this);
  connect(m_pFormulaBox, &QLineEdit::returnPressed, this, [this] { Commit(); });
  connect(m_pFormulaBox, &CFormulaEdit::checked, this, [this] {
    UpdateColours();
    ShowFault();
  });
  ShowModelFormula();
  connect(model, &CParamModel::paramsChanged, this, [this] {
    if (m_pModel->Params().m_strFormula != m_strShown) ShowModelFormula();
  });
  connect(model, &CParamModel::loaded, this, &CFormulaToolBar::ShowModelFormula);
  connect(model, &CParamModel::styleChanged, this, &CFormulaToolBar::UpdateColours);
}

// The box outlives this part of the object by a little: it must not call
// back into it meanwhile.
CFormulaToolBar::~CFormulaToolBar() { m_pFormulaBox->removeEventFilter(this); }

void CFormulaToolBar::AddFormulaBox() { addWidget(m_pFormulaBox); }

void CFormulaToolBar::ShowModelFormula() {
  m_strShown = m_pModel->Params().m_strFormula;
  m_pFormulaBox->setText(QString::fromStdString(m_strShown));
  m_pFormulaBox->setCursorPosition(0);
}

void CFormulaToolBar::Commit() {
  const std::string text = m_pFormulaBox->text().toStdString();
  // The formula in use, as the box was given it (a file's may be longer than
  // typing allows): nothing to take over, nothing to refuse.
  if (text == m_pModel->Params().m_strFormula) return;
  const std::string refusal = FormulaEntryRefusal(text);
  if (refusal.empty()) {
    m_strShown = text;
    m_pModel->SetFormula(text);
    return;
  }
  ShowMessage(window(), QString::fromStdString(refusal));
  m_pFormulaBox->ReplaceUndoably(QString::fromStdString(m_pModel->Params().m_strFormula));
  // Back into the box once the focus change under way is over, so the user
  // can take the typing back with Ctrl+Z and mend it.
  QTimer::singleShot(0, m_pFormulaBox,
                     [box = m_pFormulaBox] { box->setFocus(Qt::OtherFocusReason); });
}

void CFormulaToolBar::ShowFault() {
  // The note is for the one typing: a formula put in by a load or by the
  // dialog only tints the box.
  if (m_pFormulaBox->Faulty() && m_pFormulaBox->hasFocus()) {
    emit noteChanged(m_pFormulaBox->FaultNote());
    m_bFaultShown = true;
  } else if (m_bFaultShown) {
    emit noteChanged(QString());
    m_bFaultShown = false;
  }
}

bool CFormulaToolBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_pFormulaBox) {
    if (event->type() == QEvent::FocusIn) {
      m_bFocused = true;
      UpdateColours();
      ShowFault();
    } else if (LeavesField(event)) {
      m_bFocused = false;
      Commit();
      UpdateColours();
      ShowFault();
    } else if (event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      m_pFormulaBox->ReplaceUndoably(QString::fromStdString(m_pModel->Params().m_strFormula));
      return true;
    }
  }
  return QToolBar::eventFilter(watched, event);
}

void CFormulaToolBar::UpdateColours() {
  PaintFieldBackground(m_pFormulaBox, m_bFocused, m_pModel->Params().m_nDrawStyle,
                       m_pFormulaBox->Faulty());
}
