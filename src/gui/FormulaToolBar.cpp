#include "gui/FormulaToolBar.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QValidator>
#include <algorithm>

#include "core/Cp932.h"
#include "core/Formula.h"
#include "core/NumericEntry.h"
#include "gui/Colours.h"
#include "gui/CommandIds.h"
#include "gui/Commands.h"
#include "gui/Language.h"
#include "gui/MainFrame.h"
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

CFormulaToolBar::CFormulaToolBar(CMainFrame* frame)
    : QToolBar(frame), m_pFrame(frame), m_pFormulaBox(new CFormulaEdit(this)) {
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
  SetParams(CParaData());
  connect(m_pFormulaBox, &CFormulaEdit::checked, this, [this] {
    if (!m_pFrame->m_bReady) return;
    UpdateColours();
    ShowFault();
  });
}

// The box outlives this part of the object by a little: it must not call
// back into it meanwhile.
CFormulaToolBar::~CFormulaToolBar() { m_pFormulaBox->removeEventFilter(this); }

void CFormulaToolBar::AddFormulaBox() { addWidget(m_pFormulaBox); }

int CFormulaToolBar::SetParams(const CParaData& para) {
  m_pFormulaBox->setText(QString::fromStdString(para.m_strFormula));
  m_pFormulaBox->setCursorPosition(0);
  return 0;
}

int CFormulaToolBar::GetParams(CParaData& para) {
  const std::string text = m_pFormulaBox->text().toStdString();
  std::string message;
  if (Cp932Length(text) > kMaxFormulaBytes) {
    message = MaxCharsMessage(kMaxFormulaBytes);
  } else if (const FormulaCheck check = CheckFormula(text); check != FormulaCheck::Ok) {
    message = FormulaCheckMessage(check);
  }
  if (!message.empty()) {
    ShowMessage(m_pFrame, QString::fromStdString(message));
    return -1;
  }
  para.m_strFormula = text;
  return 0;
}

void CFormulaToolBar::Commit() {
  if (GetParams(m_pFrame->m_para) == 0) return;
  // The typing stays, so that nothing typed is lost: the box gets the focus
  // again once the focus change under way is over, with the fault selected.
  // m_para keeps the last accepted formula, which a Start meanwhile runs.
  QTimer::singleShot(0, m_pFormulaBox, [box = m_pFormulaBox] {
    box->setFocus(Qt::OtherFocusReason);
    if (box->Faulty()) {
      box->SelectFault();
    } else {
      box->selectAll();  // too long: only a file brings such a text
    }
  });
}

void CFormulaToolBar::ShowFault() {
  // The note is for the one typing: a formula put in by a load or by the
  // dialog only tints the box.
  if (m_pFormulaBox->Faulty() && m_pFormulaBox->hasFocus()) {
    m_pFrame->ShowNote(m_pFormulaBox->FaultNote());
    m_bFaultShown = true;
  } else if (m_bFaultShown) {
    m_pFrame->ClearNote();
    m_bFaultShown = false;
  }
}

bool CFormulaToolBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_pFormulaBox && m_pFrame->m_bReady) {
    if (event->type() == QEvent::FocusIn) {
      m_bFocused = true;
      UpdateColours();
      ShowFault();
    } else if (event->type() == QEvent::FocusOut) {
      // A message box, a context menu or another window taking over is not
      // leaving the box.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        m_bFocused = false;
        Commit();
        UpdateColours();
      }
    } else if (event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      SetParams(m_pFrame->m_para);
      return true;
    }
  }
  return QToolBar::eventFilter(watched, event);
}

void CFormulaToolBar::UpdateColours() {
  PaintFieldBackground(m_pFormulaBox, m_bFocused, m_pFrame->m_para.m_nDrawStyle,
                       m_pFormulaBox->Faulty());
}
