// The toolbar with the formula box in place of its eighth button. The box's
// text is a working copy: it goes into the frame's m_para only when the box
// loses the focus (or Enter is pressed) with a text that passes the formula
// check. A text that fails stays in the box, tinted, with its faulty part
// selected, until it is mended or Escape brings back the accepted formula.
#pragma once

#include <QLineEdit>
#include <QToolBar>

#include "core/Formula.h"
#include "core/ParaData.h"

class CMainFrame;

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
};

class CFormulaToolBar : public QToolBar {
  Q_OBJECT

 public:
  explicit CFormulaToolBar(CMainFrame* frame);
  ~CFormulaToolBar() override;

  // Puts the box after the actions added so far; the frame adds the rest.
  void AddFormulaBox();
  // Shows para's formula in the box.
  int SetParams(const CParaData& para);
  // Checks the box's text (128 bytes, then the formula check). On failure
  // shows the message and returns -1, para untouched; else stores the
  // formula and returns 0.
  int GetParams(CParaData& para);
  void UpdateColours();
  CFormulaEdit* FormulaBox() const { return m_pFormulaBox; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Leaving the box or pressing Enter: commit, or put the accepted formula back.
  void Commit();

  CMainFrame* m_pFrame;
  // The fault note in pane 0 while typing.
  void ShowFault();

  CFormulaEdit* m_pFormulaBox;
  bool m_bFocused = false;
  bool m_bFaultShown = false;
};

constexpr int kMaxFormulaBytes = 128;
