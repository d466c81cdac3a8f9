// The up and down arrows at the right end of a numeric field. A step reads the
// field, moves to the next whole number within the range (staying at an end)
// and writes it back as an integer, so the field's change handling stores it
// like a keystroke. The Up and Down keys in the field step it too.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class CSpinButton : public QWidget {
  Q_OBJECT

 public:
  CSpinButton(QLineEdit* buddy, int low, int high, QWidget* parent);

  void StepUp() { Step(+1); }
  void StepDown() { Step(-1); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Step(int direction);

  QLineEdit* m_pBuddy;
  int m_nLow;
  int m_nHigh;
};
