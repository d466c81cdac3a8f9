#include "gui/FormulaToolBar.h"

#include "gui/CommandIds.h"
#include "gui/Commands.h"

namespace {

constexpr int kFormulaBoxWidth = 304;

}  // namespace

CFormulaToolBar::CFormulaToolBar(QWidget* parent)
    : QToolBar(parent), m_pFormulaBox(new QLineEdit(this)) {
  setObjectName(QStringLiteral("toolBar"));
  setIconSize(QSize(16, 16));
  setMovable(false);
  setFloatable(false);
  m_pFormulaBox->setObjectName(QStringLiteral("formulaBox"));
  m_pFormulaBox->setFixedWidth(kFormulaBoxWidth);
  // Shown here, edited once the box has its own rules for committing a formula.
  m_pFormulaBox->setReadOnly(true);
  const CommandInfo& command = FindCommand(IDC_FORMULA);
  m_pFormulaBox->setToolTip(QString::fromUtf8(command.tip));
  m_pFormulaBox->setStatusTip(QString::fromUtf8(command.prompt));
}

void CFormulaToolBar::AddFormulaBox() { addWidget(m_pFormulaBox); }

void CFormulaToolBar::SetFormula(const QString& formula) {
  m_pFormulaBox->setText(formula);
  m_pFormulaBox->setCursorPosition(0);
}
