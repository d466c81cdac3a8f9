// A line edit for numbers: typing passes only 0-9, '.', '+', '-' and
// backspace. Position and count are not checked ("-" after a digit, two
// points): the field's check refuses such text later. Keys that make no text
// (arrows, Delete, Home) work as usual; the copy, cut, paste and undo keys do
// nothing, while the context menu still pastes any text.
#pragma once

#include <QLineEdit>

class CNumericEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CNumericEdit(QWidget* parent = nullptr);

  static bool Passes(QChar c);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};
