#include "gui/Colours.h"

#include <QApplication>
#include <QWidget>

void PaintFieldBackground(QWidget* field, bool focused, int style, bool faulty) {
  QPalette palette = QApplication::palette(field);
  const bool knownStyle = style >= STYLE_MESH && style <= STYLE_CONTOUR;
  if (faulty || focused || knownStyle) {
    const QColor colour = faulty ? kFaultColour : focused ? kFocusColour : IdleColour(style);
    palette.setColor(QPalette::Active, QPalette::Base, colour);
    palette.setColor(QPalette::Inactive, QPalette::Base, colour);
  }
  field->setPalette(palette);
}
