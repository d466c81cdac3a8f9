// The toolbar with the formula box in place of its eighth button.
#pragma once

#include <QLineEdit>
#include <QToolBar>

class CFormulaToolBar : public QToolBar {
  Q_OBJECT

 public:
  explicit CFormulaToolBar(QWidget* parent);

  // Puts the box after the actions added so far; the frame adds the rest.
  void AddFormulaBox();
  void SetFormula(const QString& formula);
  QLineEdit* FormulaBox() const { return m_pFormulaBox; }

 private:
  QLineEdit* m_pFormulaBox;
};
