// How the window's controls move the view: the rotation buttons and a drag
// turn the model, the wheel zooms.
#pragma once

#include <algorithm>
#include <cmath>

// The rotation commands turn a model angle by a fixed step and wrap it into
// -180..180. Only the side the step moves towards is wrapped, so an exact
// -180 or 180 is kept, and an angle already outside the range (only a damaged
// file holds one) moves by the step without jumping.
inline double TurnAngle(double angle, double step) {
  const double turned = angle + step;
  if (step < 0.0 && turned < -180.0) return turned + 360.0;
  if (step > 0.0 && turned > 180.0) return turned - 360.0;
  return turned;
}

constexpr double kRotationStep = 5.0;

// A drag turns the model by this much per pixel: across a 720-pixel view is
// a whole turn. Horizontal motion turns left-right, vertical motion up-down
// (dragging down tilts the near edge down, as the down button does).
constexpr double kDragDegreesPerPixel = 0.5;

// The turn of one mouse move, wrapped as the rotation buttons wrap; a move of
// more than half a turn is taken as half a turn.
inline double DragAngle(double angle, int pixels) {
  const double step = std::clamp(pixels * kDragDegreesPerPixel, -180.0, 180.0);
  return TurnAngle(angle, step);
}

// The wheel zooms by a factor per notch, between a quarter and eight times.
constexpr double kMinZoom = 0.25;
constexpr double kMaxZoom = 8.0;
constexpr double kZoomPerNotch = 1.25;

// notches > 0 zooms in; the result stays within kMinZoom..kMaxZoom.
inline double ZoomBy(double zoom, double notches) {
  return std::clamp(zoom * std::pow(kZoomPerNotch, notches), kMinZoom, kMaxZoom);
}
