// The toolbar with the formula box in place of its eighth button. The box's
// text is a working copy: it goes into the model only when the box loses the
// focus (or Enter is pressed) with a text that passes the formula check. A
// text that fails is answered with the check's message once, and the box
// shows the formula in use again; Ctrl+Z brings the refused text back.
#pragma once

#include <QLineEdit>
#include <QToolBar>
#include <string>

#include "core/Formula.h"

class CParamModel;

// The formula box: typing stops at 128 bytes as a parameter file stores the
// formula (CP932: a full-width character counts twice). A typed or pasted
// piece that would go past the limit is refused whole, never cut inside a
// character; a longer formula put in from a file is shown in full. Every
// change of the text is checked at once, so that the owner can show a fault
// while it is typed.
class CFormulaEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CFormulaEdit(QWidget* parent);
  // The text before the change being validated: QLineEdit has applied the
  // change already when its validator runs.
  const QString& PreviousText() const { return m_previous; }
  // Replaces the whole text as one edit that Ctrl+Z takes back; the byte
  // limit does not apply to it.
  void ReplaceUndoably(const QString& text);
  bool Replacing() const { return m_bReplacing; }
  // The formula check of the text as it stands.
  bool Faulty() const { return m_fault.check != FormulaCheck::Ok; }
  // The check's message and the character where the fault is; empty while
  // the text passes.
  QString FaultNote() const;
  // Selects the faulty token, or puts the cursor where an operand is missing.
  void SelectFault();

 signals:
  // After every change of the text, with Faulty() up to date.
  void checked();

 private:
  QString m_previous;
  FormulaFault m_fault{FormulaCheck::Empty, 1, 0};
  bool m_bReplacing = false;
};

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
