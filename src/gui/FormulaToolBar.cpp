#include "gui/FormulaToolBar.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

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

}  // namespace

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
