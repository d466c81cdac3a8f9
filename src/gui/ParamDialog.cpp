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

#include "core/Formula.h"
#include "gui/Colours.h"
#include "gui/FormulaEdit.h"
#include "gui/Language.h"
#include "gui/NumericEdit.h"
#include "gui/Prompts.h"
#include "gui/SpinButton.h"

namespace {

// The radio buttons in the template's order; a button's place is the style.
const char* const kStyleNames[] = {
    QT_TRANSLATE_NOOP("Orvex", "3Dﾒｯｼｭ"), QT_TRANSLATE_NOOP("Orvex", "ﾌﾟﾗｽﾁｯｸ"),
    QT_TRANSLATE_NOOP("Orvex", "紙"),     QT_TRANSLATE_NOOP("Orvex", "ｺﾞｰｽﾄ"),
    QT_TRANSLATE_NOOP("Orvex", "ｼﾙﾊﾞｰ"),  QT_TRANSLATE_NOOP("Orvex", "3D等高線")};
const char* const kZeroByZeroItems[] = {"-1.0", " 0.0", "+1.0"};
const char* const kBackColourItems[] = {QT_TRANSLATE_NOOP("Orvex", "黒"),
                                        QT_TRANSLATE_NOOP("Orvex", "白"),
                                        QT_TRANSLATE_NOOP("Orvex", "そのまま")};

}  // namespace

CParamDialog::CParamDialog(const CParaData& para, QWidget* parent) : QDialog(parent), m_para(para) {
  setObjectName(QStringLiteral("paramDialog"));
  setWindowTitle(Tr(QT_TRANSLATE_NOOP("Orvex", "パラメータ設定")));
  Build();
}

void CParamDialog::Build() {
  auto* grid = new QGridLayout;
  // Two columns, each row a label, the field and its spin: the four fields
  // of the picture and the two centres on the left, beside them on the right
  // the mesh count and the contour interval.
  for (int k = 0; k < kParamFieldCount; ++k) {
    const ParamFieldInfo& info = FieldInfo(static_cast<ParamField>(k));
    auto* edit = new CNumericEdit(this);
    edit->setObjectName(QString::fromLatin1(info.dialogName));
    edit->setFixedWidth(96);
    m_fields[k] = edit;
    const auto field = static_cast<ParamField>(k);
    const bool right = field == ParamField::Mesh || field == ParamField::ContourStep;
    const int line = field >= ParamField::CentreX ? k - 2 : right ? k - 4 : k;
    const int column = right ? 4 : 0;
    grid->addWidget(new QLabel(Tr(info.dialogLabel), this), line, column);
    grid->addWidget(edit, line, column + 1);
    grid->addWidget(new CSpinButton(edit, info.spinLow, info.spinHigh, this), line, column + 2);
  }
  m_pZeroByZero = new QComboBox(this);
  m_pZeroByZero->setObjectName(QStringLiteral("zeroByZero"));
  for (const char* item : kZeroByZeroItems) m_pZeroByZero->addItem(QString::fromUtf8(item));
  // A plain list: no text can be typed in, so no background outside 0..2.
  m_pBackColour = new QComboBox(this);
  m_pBackColour->setObjectName(QStringLiteral("backColour"));
  for (const char* item : kBackColourItems) m_pBackColour->addItem(Tr(item));
  grid->setColumnMinimumWidth(3, 24);
  grid->addWidget(new QLabel(Tr(QT_TRANSLATE_NOOP("Orvex", "0/0 ：")), this), 2, 4);
  grid->addWidget(m_pZeroByZero, 2, 5);
  grid->addWidget(new QLabel(Tr(QT_TRANSLATE_NOOP("Orvex", "背景色：")), this), 3, 4);
  grid->addWidget(m_pBackColour, 3, 5);
  m_pPerspective = new QCheckBox(Tr(QT_TRANSLATE_NOOP("Orvex", "遠近感")), this);
  m_pPerspective->setObjectName(QStringLiteral("perspective"));
  m_pHiddenLine = new QCheckBox(Tr(QT_TRANSLATE_NOOP("Orvex", "隠線処理")), this);
  m_pHiddenLine->setObjectName(QStringLiteral("hiddenLine"));
  m_pShading = new QCheckBox(Tr(QT_TRANSLATE_NOOP("Orvex", "ｼｪｰﾃﾞｨﾝｸﾞ")), this);
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
    m_pFormulaFault->setText(m_pFormula->Note());
  });

  auto* styles = new QGroupBox(this);
  auto* styleGrid = new QGridLayout(styles);
  m_pStyles = new QButtonGroup(this);
  for (int style = STYLE_MESH; style <= STYLE_CONTOUR; ++style) {
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
  QPushButton* cancel =
      buttons->addButton(Tr(QT_TRANSLATE_NOOP("Orvex", "ｷｬﾝｾﾙ")), QDialogButtonBox::RejectRole);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CParamDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CParamDialog::reject);

  auto* middle = new QHBoxLayout;
  middle->addWidget(styles, 1);
  middle->addLayout(switches, 1);
  auto* formula = new QHBoxLayout;
  formula->addWidget(new QLabel(Tr(QT_TRANSLATE_NOOP("Orvex", "計算式：")), this));
  formula->addWidget(m_pFormula, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(middle);
  layout->addLayout(formula);
  layout->addWidget(m_pFormulaFault);
  layout->addWidget(buttons);

  QWidget* order[] = {ok,
                      cancel,
                      Field(ParamField::UpDown),
                      Field(ParamField::LeftRight),
                      Field(ParamField::Range),
                      Field(ParamField::ZCoef),
                      Field(ParamField::CentreX),
                      Field(ParamField::CentreY),
                      Field(ParamField::Mesh),
                      Field(ParamField::ContourStep),
                      m_pZeroByZero,
                      m_pBackColour,
                      m_pPerspective,
                      m_pHiddenLine,
                      m_pShading,
                      m_pFormula};
  for (std::size_t k = 1; k < std::size(order); ++k) setTabOrder(order[k - 1], order[k]);
  ok->setFocus();
}

int CParamDialog::DoModal() {
  // What the dialog shows when it opens: the set, and the controls its style
  // leaves to edit.
  DoDataExchange(false);
  m_bShadingFlag = m_para.m_bShading != 0;
  m_pHiddenLine->setEnabled(!m_bShadingFlag);
  const int back = m_para.m_nBackColor;
  m_pBackColour->setCurrentIndex(back >= BACK_BLACK && back <= BACK_KEEP ? back : -1);
  ApplyStyle(m_para.m_nDrawStyle);
  return RunModal(*this);
}

bool CParamDialog::ReadNumber(ParamField field, CParaData& read) {
  double value = 0.0;
  if (!ReadNumberField(Field(field), FieldInfo(field).rule, &value)) return false;
  StoreField(read, field, value);
  return true;
}

bool CParamDialog::DoDataExchange(bool read) {
  if (!read) {
    for (int k = 0; k < kParamFieldCount; ++k) {
      m_fields[k]->setText(FieldText(m_para, static_cast<ParamField>(k)));
    }
    m_pFormula->SetParameterNames(FormulaParameterNames(m_para));
    m_pFormula->setText(QString::fromStdString(m_para.m_strFormula));
    if (QAbstractButton* button = m_pStyles->button(m_para.m_nDrawStyle)) button->setChecked(true);
    m_pZeroByZero->setCurrentIndex(ZeroByZeroIndex(m_para.m_dZeroByZero));
    m_pPerspective->setChecked(m_para.m_bPerspective != 0);
    m_pHiddenLine->setChecked(m_para.m_bHiddenLine != 0);
    m_pShading->setChecked(m_para.m_bShading != 0);
    return true;
  }
  CParaData edited = m_para;
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
  // The formula's length is read after the mesh count, its check last.
  if (!ReadNumber(ParamField::Range, edited) || !ReadNumber(ParamField::ZCoef, edited) ||
      !ReadNumber(ParamField::CentreX, edited) || !ReadNumber(ParamField::CentreY, edited) ||
      !ReadNumber(ParamField::Mesh, edited)) {
    return false;
  }
  if (const std::string refusal = FormulaLengthRefusal(formula); !refusal.empty()) {
    return formulaFails(refusal);
  }
  if (!ReadNumber(ParamField::ContourStep, edited) || !ReadNumber(ParamField::LeftRight, edited) ||
      !ReadNumber(ParamField::UpDown, edited)) {
    return false;
  }
  if (const std::string refusal = FormulaEntryRefusal(formula, FormulaParameterNames(m_para));
      !refusal.empty()) {
    return formulaFails(refusal);
  }
  edited.m_strFormula = formula;
  if (m_pStyles->checkedId() >= 0) edited.m_nDrawStyle = m_pStyles->checkedId();
  if (m_pZeroByZero->currentIndex() >= 0) {
    edited.m_dZeroByZero = ZeroByZeroValue(m_pZeroByZero->currentIndex());
  }
  edited.m_bPerspective = m_pPerspective->isChecked() ? TRUE : FALSE;
  edited.m_bHiddenLine = m_pHiddenLine->isChecked() ? TRUE : FALSE;
  edited.m_bShading = m_pShading->isChecked() ? TRUE : FALSE;
  m_para = edited;
  return true;
}

void CParamDialog::ApplyStyle(int style) {
  if (style < STYLE_MESH || style > STYLE_CONTOUR) return;
  const bool mesh = style == STYLE_MESH;
  m_pShading->setEnabled(mesh);
  m_pHiddenLine->setEnabled(mesh && !m_bShadingFlag);
  Field(ParamField::ContourStep)->setEnabled(style == STYLE_CONTOUR);
  // The angles, the Z coefficient and perspective apply to every style.
  for (QWidget* always :
       {static_cast<QWidget*>(Field(ParamField::UpDown)),
        static_cast<QWidget*>(Field(ParamField::LeftRight)),
        static_cast<QWidget*>(Field(ParamField::ZCoef)), static_cast<QWidget*>(m_pPerspective)}) {
    always->setEnabled(true);
  }
}

void CParamDialog::accept() {
  if (DoDataExchange(true)) QDialog::accept();
}

void CParamDialog::done(int result) {
  // OK or not, the background choice is the caller's. With no item chosen
  // (the set held a value off the list) the value stays.
  if (m_pBackColour->currentIndex() >= 0) m_para.m_nBackColor = m_pBackColour->currentIndex();
  QDialog::done(result);
}
