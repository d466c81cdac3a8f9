// "パラメータ設定": the whole parameter set in one modal dialog, by value: a
// set goes in, the edited set comes out. OK reads every field in a fixed
// order and stops at the first that is not acceptable, with its message and
// the focus on it. The background choice counts whether the dialog closes
// with OK or not.
#pragma once

#include <QDialog>
#include <array>

#include "core/ParaData.h"
#include "gui/EntryRules.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class CFormulaEdit;
class CNumericEdit;

class CParamDialog : public QDialog {
  Q_OBJECT

 public:
  CParamDialog(const CParaData& para, QWidget* parent);

  // Fills the controls and runs the dialog; QDialog::Accepted after a
  // successful OK.
  int DoModal();
  // After OK: the set as edited. After Cancel: the set given, but for the
  // background choice. A style or a 0/0 value off the lists stays unless an
  // item was chosen.
  const CParaData& Edited() const { return m_para; }

  // Fills the controls from the set (fill) or reads and checks them into it;
  // false at the first failure, after its message.
  bool DoDataExchange(bool read);
  // Enables the controls for a style's row of the table; unknown styles
  // change nothing.
  void ApplyStyle(int style);

  void accept() override;
  void done(int result) override;

 private:
  void Build();
  CNumericEdit* Field(ParamField field) const { return m_fields[static_cast<int>(field)]; }
  bool ReadNumber(ParamField field, CParaData& read);

  CParaData m_para;
  std::array<CNumericEdit*, kParamFieldCount> m_fields{};
  QComboBox* m_pZeroByZero;
  QComboBox* m_pBackColour;
  QButtonGroup* m_pStyles;
  QCheckBox* m_pPerspective;
  QCheckBox* m_pHiddenLine;
  QCheckBox* m_pShading;
  CFormulaEdit* m_pFormula;
  QLabel* m_pFormulaFault;
  // Follows the shading box; hidden-line is offered only while it is off.
  bool m_bShadingFlag = false;
};
