// The toolbar with the formula box in place of its eighth button. The box's
// text is a working copy: it goes into the frame's m_para only when the box
// loses the focus (or Enter is pressed) with a text that passes the formula
// check; a text that fails is replaced by the last accepted formula.
#pragma once

#include <QLineEdit>
#include <QToolBar>

#include "core/ParaData.h"

class CMainFrame;

// The formula box: typing stops at 128 bytes as a parameter file stores the
// formula (CP932: a full-width character counts twice). A typed or pasted
// piece that would go past the limit is refused whole, never cut inside a
// character; a longer formula put in from a file is shown in full.
class CFormulaEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CFormulaEdit(QWidget* parent);
  // The text before the change being validated: QLineEdit has applied the
  // change already when its validator runs.
  const QString& PreviousText() const { return m_previous; }

 private:
  QString m_previous;
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
  CFormulaEdit* m_pFormulaBox;
  bool m_bFocused = false;
};

constexpr int kMaxFormulaBytes = 128;
