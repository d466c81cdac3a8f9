#pragma once

#include <QLineEdit>
#include <string>
#include <vector>

#include "core/Formula.h"

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
  // The names the check takes as parameters (the set's list); the text is
  // checked again with them.
  void SetParameterNames(std::vector<std::string> names);
  const std::vector<std::string>& ParameterNames() const { return m_names; }
  // The formula check of the text as it stands.
  bool Faulty() const { return m_fault.check != FormulaCheck::Ok; }
  // The check's message and the character where the fault is; empty while
  // the text passes.
  QString FaultNote() const;
  // What the one typing is told: the fault's note, or for a formula that
  // passes, where it reads otherwise than it may look ('-x^2' is (-x)^2);
  // empty when there is nothing to say.
  QString Note() const;
  // Selects the faulty token, or puts the cursor where an operand is missing.
  void SelectFault();

 signals:
  // After every change of the text, with Faulty() up to date.
  void checked();

 private:
  // Checks the text as it stands, and says so.
  void Check();

  QString m_previous;
  FormulaFault m_fault{FormulaCheck::Empty, 1, 0};
  std::vector<FormulaNote> m_notes;
  bool m_bReplacing = false;
  std::vector<std::string> m_names;
};
