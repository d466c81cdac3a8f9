#include "gui/NumericEdit.h"

#include <QKeyEvent>

CNumericEdit::CNumericEdit(QWidget* parent) : QLineEdit(parent) {
  // An input method would bring full-width digits the filter never sees.
  setAttribute(Qt::WA_InputMethodEnabled, false);
}

bool CNumericEdit::Passes(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
         c == QLatin1Char('+') || c == QLatin1Char('-');
}

void CNumericEdit::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  const bool makesText = !text.isEmpty() && event->key() != Qt::Key_Backspace &&
                         event->key() != Qt::Key_Delete && event->key() != Qt::Key_Tab &&
                         event->key() != Qt::Key_Backtab && event->key() != Qt::Key_Return &&
                         event->key() != Qt::Key_Enter && event->key() != Qt::Key_Escape;
  // Ctrl+C and the like arrive as control characters: dropped with the rest.
  if (makesText && (text.size() != 1 || !Passes(text[0]))) {
    event->ignore();
    return;
  }
  QLineEdit::keyPressEvent(event);
}
