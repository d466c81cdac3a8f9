// "パラメータ設定": the whole parameter set in one modal dialog. The caller
// fills the value members, runs the dialog and reads them back after OK. OK
// reads every field in a fixed order and stops at the first that is not
// acceptable, with its message and the focus on it. The background choice is
// written into the frame's m_para when the dialog closes, OK or not.
#pragma once

#include <QDialog>
#include <array>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class CMainFrame;
class CFormulaEdit;
class CNumericEdit;

class CParamDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CParamDialog(CMainFrame* frame);

  double m_dUpDownAngle = 0.0;
  double m_dLeftRightAngle = 0.0;
  double m_dRange = 0.0;
  double m_dZCoef = 0.0;
  int m_nMesh = 0;
  double m_dContourStep = 0.0;
  std::string m_strFormula;
  int m_nDrawStyle = -1;
  int m_nZeroByZero = -1;  // item of "-1.0", " 0.0", "+1.0"; -1: none
  int m_bPerspective = 0;
  int m_bHiddenLine = 0;
  int m_bShading = 0;

  // Fills the controls from the members (fill) or reads and checks them into
  // the members; false at the first failure, after its message.
  bool DoDataExchange(bool read);
  // Enables the controls for a style's row of the table; unknown styles
  // change nothing.
  void ApplyStyle(int style);

  // Fills the controls and runs the dialog; QDialog::Accepted after a
  // successful OK.
  int DoModal();

  void accept() override;
  void done(int result) override;

 private:
  void Build();
  bool ReadNumber(QLineEdit* edit, int field, double* value);

  CMainFrame* m_pFrame;
  CNumericEdit* m_pUpDown;
  CNumericEdit* m_pLeftRight;
  CNumericEdit* m_pRange;
  CNumericEdit* m_pZCoef;
  CNumericEdit* m_pMesh;
  CNumericEdit* m_pContourStep;
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
