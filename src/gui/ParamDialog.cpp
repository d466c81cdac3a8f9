#include "gui/ParamDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/Cp932.h"
#include "core/Formula.h"
#include "core/NumericEntry.h"
#include "gui/Colours.h"
#include "gui/FormulaToolBar.h"
#include "gui/Language.h"
#include "gui/MainFrame.h"
#include "gui/NumericEdit.h"
#include "gui/Prompts.h"
#include "gui/SpinButton.h"

namespace {

// The radio buttons in the template's order; a button's place is the style.
const char* const kStyleNames[] = {"3Dﾒｯｼｭ", "ﾌﾟﾗｽﾁｯｸ", "紙", "ｺﾞｰｽﾄ", "ｼﾙﾊﾞｰ", "3D等高線"};
const char* const kZeroByZeroItems[] = {"-1.0", " 0.0", "+1.0"};
const char* const kBackColourItems[] = {"黒", "白", "そのまま"};

enum NumberField { kAngle, kScale, kMesh };
const NumericField& FieldRule(int field) {
  return field == kAngle ? kAngleField : field == kScale ? kScaleField : kMeshField;
}

QString Text(double value) { return QString::fromStdString(FormatEntryDouble(value)); }

}  // namespace

CParamDialog::CParamDialog(CMainFrame* frame) : QDialog(frame), m_pFrame(frame) {
  setObjectName(QStringLiteral("paramDialog"));
  setWindowTitle(Tr("パラメータ設定"));
  Build();
}

void CParamDialog::Build() {
  const auto numeric = [this](const char* name) {
    auto* edit = new CNumericEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(96);
    return edit;
  };
  m_pUpDown = numeric("upDown");
  m_pLeftRight = numeric("leftRight");
  m_pRange = numeric("range");
  m_pZCoef = numeric("zCoef");
  m_pMesh = numeric("mesh");
  m_pContourStep = numeric("contourStep");
  m_pZeroByZero = new QComboBox(this);
  m_pZeroByZero->setObjectName(QStringLiteral("zeroByZero"));
  for (const char* item : kZeroByZeroItems) m_pZeroByZero->addItem(QString::fromUtf8(item));
  // A plain list: no text can be typed in, so no background outside 0..2.
  m_pBackColour = new QComboBox(this);
  m_pBackColour->setObjectName(QStringLiteral("backColour"));
  for (const char* item : kBackColourItems) m_pBackColour->addItem(Tr(item));
  m_pPerspective = new QCheckBox(Tr("遠近感"), this);
  m_pPerspective->setObjectName(QStringLiteral("perspective"));
  m_pHiddenLine = new QCheckBox(Tr("隠線処理"), this);
  m_pHiddenLine->setObjectName(QStringLiteral("hiddenLine"));
  m_pShading = new QCheckBox(Tr("ｼｪｰﾃﾞｨﾝｸﾞ"), this);
  m_pShading->setObjectName(QStringLiteral("shading"));
  m_pFormula = new CFormulaEdit(this);
  m_pFormula->setObjectName(QStringLiteral("formula"));
  m_pFormula->setMinimumWidth(360);
  // The formula's fault while it is typed: a tint and, under the field, the
  // check's message with the place.
  m_pFormulaFault = new QLabel(this);
  m_pFormulaFault->setObjectName(QStringLiteral("formulaFault"));
  connect(m_pFormula, &CFormulaEdit::checked, this, [this] {
    PaintFieldBackground(m_pFormula, false, -1, m_pFormula->Faulty());
    m_pFormulaFault->setText(m_pFormula->FaultNote());
  });

  auto* grid = new QGridLayout;
  const auto row = [&](int line, int column, const char* label, QWidget* field, CSpinButton* spin) {
    grid->addWidget(new QLabel(Tr(label), this), line, column);
    grid->addWidget(field, line, column + 1);
    if (spin != nullptr) grid->addWidget(spin, line, column + 2);
  };
  row(0, 0, "ﾓﾃﾞﾙ上下角度：", m_pUpDown, new CSpinButton(m_pUpDown, -180, 180, this));
  row(1, 0, "ﾓﾃﾞﾙ左右角度：", m_pLeftRight, new CSpinButton(m_pLeftRight, -180, 180, this));
  row(2, 0, "計算範囲±：", m_pRange, new CSpinButton(m_pRange, 1, 100, this));
  row(3, 0, "Z軸係数：", m_pZCoef, new CSpinButton(m_pZCoef, 1, 100, this));
  grid->setColumnMinimumWidth(3, 24);
  row(0, 4, "メッシュ数：", m_pMesh, new CSpinButton(m_pMesh, 1, 500, this));
  row(1, 4, "等高線間隔：", m_pContourStep, new CSpinButton(m_pContourStep, 1, 100, this));
  row(2, 4, "0/0 ：", m_pZeroByZero, nullptr);
  row(3, 4, "背景色：", m_pBackColour, nullptr);

  auto* styles = new QGroupBox(this);
  auto* styleGrid = new QGridLayout(styles);
  m_pStyles = new QButtonGroup(this);
  for (int style = 0; style < 6; ++style) {
    auto* button = new QRadioButton(Tr(kStyleNames[style]), styles);
    button->setObjectName(QStringLiteral("style%1").arg(style));
    // Not a tab stop: the group is chosen with the mouse.
    button->setFocusPolicy(Qt::ClickFocus);
    m_pStyles->addButton(button, style);
    styleGrid->addWidget(button, style % 3, style / 3);
  }
  connect(m_pStyles, &QButtonGroup::idClicked, this, [this](int style) { ApplyStyle(style); });
  connect(m_pShading, &QCheckBox::toggled, this, [this](bool on) {
    m_bShadingFlag = on;
    m_pHiddenLine->setEnabled(!on);
  });
  auto* switches = new QVBoxLayout;
  switches->addWidget(m_pPerspective);
  switches->addWidget(m_pHiddenLine);
  switches->addWidget(m_pShading);
  switches->addStretch(1);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  QPushButton* cancel = buttons->addButton(Tr("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CParamDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CParamDialog::reject);

  auto* middle = new QHBoxLayout;
  middle->addWidget(styles, 1);
  middle->addLayout(switches, 1);
  auto* formula = new QHBoxLayout;
  formula->addWidget(new QLabel(Tr("計算式："), this));
  formula->addWidget(m_pFormula, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(middle);
  layout->addLayout(formula);
  layout->addWidget(m_pFormulaFault);
  layout->addWidget(buttons);

  QWidget* order[] = {
      ok,         cancel,         m_pUpDown,     m_pLeftRight,  m_pRange,       m_pZCoef,
      m_pMesh,    m_pContourStep, m_pZeroByZero, m_pBackColour, m_pPerspective, m_pHiddenLine,
      m_pShading, m_pFormula};
  for (std::size_t k = 1; k < std::size(order); ++k) setTabOrder(order[k - 1], order[k]);
  ok->setFocus();
}

int CParamDialog::DoModal() {
  // What the dialog shows when it opens: the members, the background of the
  // frame's set, and the controls the style leaves to edit.
  DoDataExchange(false);
  m_bShadingFlag = m_bShading != 0;
  m_pHiddenLine->setEnabled(!m_bShadingFlag);
  const int back = m_pFrame->m_para.m_nBackColor;
  m_pBackColour->setCurrentIndex(back >= 0 && back <= 2 ? back : -1);
  ApplyStyle(m_nDrawStyle);
  return RunModal(*this);
}

bool CParamDialog::ReadNumber(QLineEdit* edit, int field, double* value) {
  std::string message;
  const EntryFault fault =
      CheckEntry(edit->text().toStdString(), FieldRule(field), value, &message);
  if (fault == EntryFault::None) return true;
  ShowMessage(this, QString::fromStdString(message),
              fault == EntryFault::NotANumber ? MessageIcon::None : MessageIcon::Warning);
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
  return false;
}

bool CParamDialog::DoDataExchange(bool read) {
  if (!read) {
    m_pRange->setText(Text(m_dRange));
    m_pZCoef->setText(Text(m_dZCoef));
    m_pMesh->setText(QString::number(m_nMesh));
    m_pFormula->setText(QString::fromStdString(m_strFormula));
    m_pContourStep->setText(Text(m_dContourStep));
    if (QAbstractButton* button = m_pStyles->button(m_nDrawStyle)) button->setChecked(true);
    m_pLeftRight->setText(Text(m_dLeftRightAngle));
    m_pUpDown->setText(Text(m_dUpDownAngle));
    m_pZeroByZero->setCurrentIndex(m_nZeroByZero >= 0 && m_nZeroByZero <= 2 ? m_nZeroByZero : -1);
    m_pPerspective->setChecked(m_bPerspective != 0);
    m_pHiddenLine->setChecked(m_bHiddenLine != 0);
    m_pShading->setChecked(m_bShading != 0);
    return true;
  }
  double range = 0.0;
  double zCoef = 0.0;
  double mesh = 0.0;
  double contourStep = 0.0;
  double leftRight = 0.0;
  double upDown = 0.0;
  if (!ReadNumber(m_pRange, kScale, &range) || !ReadNumber(m_pZCoef, kScale, &zCoef) ||
      !ReadNumber(m_pMesh, kMesh, &mesh)) {
    return false;
  }
  const std::string formula = m_pFormula->text().toStdString();
  const auto formulaFails = [this](const std::string& message) {
    ShowMessage(this, QString::fromStdString(message));
    m_pFormula->setFocus(Qt::OtherFocusReason);
    if (m_pFormula->Faulty()) {
      m_pFormula->SelectFault();
    } else {
      m_pFormula->selectAll();
    }
    return false;
  };
  if (Cp932Length(formula) > kMaxFormulaBytes)
    return formulaFails(MaxCharsMessage(kMaxFormulaBytes));
  if (!ReadNumber(m_pContourStep, kScale, &contourStep) ||
      !ReadNumber(m_pLeftRight, kAngle, &leftRight) || !ReadNumber(m_pUpDown, kAngle, &upDown)) {
    return false;
  }
  if (const FormulaCheck check = CheckFormula(formula); check != FormulaCheck::Ok) {
    return formulaFails(FormulaCheckMessage(check));
  }
  m_dRange = range;
  m_dZCoef = zCoef;
  m_nMesh = static_cast<int>(mesh);
  m_strFormula = formula;
  m_dContourStep = contourStep;
  m_nDrawStyle = m_pStyles->checkedId();
  m_dLeftRightAngle = leftRight;
  m_dUpDownAngle = upDown;
  m_nZeroByZero = m_pZeroByZero->currentIndex();
  m_bPerspective = m_pPerspective->isChecked() ? 1 : 0;
  m_bHiddenLine = m_pHiddenLine->isChecked() ? 1 : 0;
  m_bShading = m_pShading->isChecked() ? 1 : 0;
  return true;
}

void CParamDialog::ApplyStyle(int style) {
  if (style < 0 || style > 5) return;
  const bool mesh = style == 0;
  m_pShading->setEnabled(mesh);
  m_pHiddenLine->setEnabled(mesh && !m_bShadingFlag);
  m_pContourStep->setEnabled(style == 5);
  // The angles, the Z coefficient and perspective apply to every style.
  for (QWidget* always : {static_cast<QWidget*>(m_pUpDown), static_cast<QWidget*>(m_pLeftRight),
                          static_cast<QWidget*>(m_pZCoef), static_cast<QWidget*>(m_pPerspective)}) {
    always->setEnabled(true);
  }
}

void CParamDialog::accept() {
  if (DoDataExchange(true)) QDialog::accept();
}

void CParamDialog::done(int result) {
  // OK or not, the background choice is the frame's from now on. With no
  // item chosen (the set held a value off the list) the value stays.
  if (m_pBackColour->currentIndex() >= 0) {
    m_pFrame->m_para.m_nBackColor = m_pBackColour->currentIndex();
  }
  QDialog::done(result);
}
