// The parameter panel at the right edge: the six most used numbers of the
// frame's parameter set, edited in place. Every change is checked at once, and
// only when all six fields are acceptable do their values go into the frame's
// m_para; leaving a field shows the last accepted values again.
#pragma once

#include <QDockWidget>
#include <array>

#include "core/NumericEntry.h"
#include "core/ParaData.h"

class CMainFrame;
class CNumericEdit;
class CSpinButton;

class CParamBar : public QDockWidget {
  Q_OBJECT

 public:
  // The fields in panel order.
  enum Field { UpDown, LeftRight, Range, ZCoef, Mesh, ContourStep, kFieldCount };

  explicit CParamBar(CMainFrame* frame);
  ~CParamBar() override;

  // Writes the six fields of para into the edits; no change handling runs.
  int SetParams(const CParaData& para);
  // Reads and checks the six edits in the exchange order (range, Z
  // coefficient, mesh count, left-right, up-down, contour interval); at the
  // first failure shows its message, gives that edit the focus and returns
  // -1, para untouched. Else stores all six and returns 0.
  int GetParams(CParaData& para);
  // Enables the fields by the run state and the running style.
  void UpdateEnabling(bool running, int runningStyle);
  // Repaints the fields in the colours of the frame's style and the focus.
  void UpdateColours();

  CNumericEdit* Edit(Field field) const { return m_edits[field]; }
  QString FieldText(Field field) const;
  CSpinButton* Spin(Field field) const { return m_spins[field]; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnChange();

  CMainFrame* m_pFrame;
  // The edit that has the focus, drawn in the focus colour; null when none.
  CNumericEdit* m_pFocus = nullptr;
  bool m_bFilling = false;
  std::array<CNumericEdit*, kFieldCount> m_edits{};
  std::array<CSpinButton*, kFieldCount> m_spins{};
};
