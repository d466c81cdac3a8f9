// The colours that tell the drawing style at a glance: the empty view, the
// panel's fields and the formula box share them.
#pragma once

#include <QColor>

#include "core/ParaData.h"

class QWidget;

inline const QColor kSurfaceColour(128, 184, 176);  // styles 0 to 4
inline const QColor kContourColour(128, 176, 184);  // style 5
inline const QColor kFocusColour(220, 200, 192);    // the field being typed in
inline const QColor kLabelTextColour(64, 64, 16);   // the panel's labels
inline const QColor kFaultColour(244, 170, 170);    // a formula the check refuses

// The view's empty colour; an unknown style takes the surface colour.
inline QColor IdleColour(int style) {
  return style == STYLE_CONTOUR ? kContourColour : kSurfaceColour;
}

// An entry field's background: the fault colour while it holds a refused
// formula, the focus colour while it has the focus, else the style's colour;
// an unknown style (-1 for a field outside the panels) and a disabled field
// keep the platform's colours.
void PaintFieldBackground(QWidget* field, bool focused, int style, bool faulty = false);
