// The toolbar with the formula box in place of its eighth button. The box's
// text is a working copy: it goes into the model only when the box loses the
// focus (or Enter is pressed) with a text that passes the formula check. A
// text that fails is answered with the check's message once, and the box
// shows the formula in use again; Ctrl+Z brings the refused text back.
#pragma once

#include <QToolBar>
#include <string>

#include "gui/FormulaEdit.h"

class CParamModel;

class CFormulaToolBar : public QToolBar {
  Q_OBJECT

 public:
  CFormulaToolBar(CParamModel* model, QWidget* parent);
  ~CFormulaToolBar() override;

  // Puts the box after the actions added so far; the frame adds the rest.
  void AddFormulaBox();
  CFormulaEdit* FormulaBox() const { return m_pFormulaBox; }

 signals:
  // The fault of the formula being typed, for pane 0; empty when it goes.
  void noteChanged(const QString& note);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the model's formula, as after a load or the dialog's OK.
  void ShowModelFormula();
  // Leaving the box or pressing Enter: the model takes the text, or the
  // refusal is answered and the formula in use comes back.
  void Commit();
  void UpdateColours();
  void ShowFault();

  CParamModel* m_pModel;
  CFormulaEdit* m_pFormulaBox;
  // The formula the box last took from the model or gave to it: a change of
  // the model's other fields leaves what is being typed alone.
  std::string m_strShown;
  bool m_bFocused = false;
  bool m_bFaultShown = false;
};
