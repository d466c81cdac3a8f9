// The parameter panel at the right edge: the six most used numbers of the
// model's parameter set, edited in place. Every change is checked at once,
// and only when all six fields are acceptable do their values go into the
// model. A text that can still become a number by typing on is tinted, not
// answered; a text no typing can mend is answered at once, and leaving a
// field answers what it still holds and shows the accepted values again.
#pragma once

#include <QDockWidget>
#include <QString>
#include <array>

#include "gui/EntryRules.h"

class CParamModel;
class CNumericEdit;
class CSpinButton;

class CParamBar : public QDockWidget {
  Q_OBJECT

 public:
  CParamBar(CParamModel* model, QWidget* parent);
  ~CParamBar() override;

  // The fields are disabled during a run; the contour interval also while
  // the style is not the contour lines.
  void SetRunning(bool running);

  CNumericEdit* Edit(ParamField field) const { return m_edits[Index(field)]; }
  CSpinButton* Spin(ParamField field) const { return m_spins[Index(field)]; }
  QString FieldText(ParamField field) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static int Index(ParamField field) { return static_cast<int>(field); }
  // Writes the model's six values into the fields; no change handling runs.
  void ShowModel();
  // A field's text changed: check all six in the reading order; store them,
  // tint a field being typed that can still become valid, or answer the
  // first refusal.
  void OnChange(ParamField changed);
  void OnLeave(ParamField left);
  void UpdateEnabling();
  void UpdateColours();

  CParamModel* m_pModel;
  bool m_bRunning = false;
  // Filling the fields, or writing the model: not an edit to react to.
  bool m_bFilling = false;
  bool m_bWriting = false;
  // The edit that has the focus, drawn in the focus colour; null when none.
  CNumericEdit* m_pFocus = nullptr;
  // A field whose text is not acceptable yet, tinted while it is typed.
  CNumericEdit* m_pPending = nullptr;
  // The last refusal answered, so leaving with that text does not repeat it.
  CNumericEdit* m_pAnswered = nullptr;
  QString m_strAnswered;
  std::array<CNumericEdit*, kParamFieldCount> m_edits{};
  std::array<CSpinButton*, kParamFieldCount> m_spins{};
};
