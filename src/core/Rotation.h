// The rotation commands turn a model angle by a fixed step and wrap it into
// -180..180.
#pragma once

// Only the side the step moves towards is wrapped, so an exact -180 or 180 is
// kept, and an angle already outside the range (only a damaged file holds
// one) moves by the step without jumping.
inline double TurnAngle(double angle, double step) {
  const double turned = angle + step;
  if (step < 0.0 && turned < -180.0) return turned + 360.0;
  if (step > 0.0 && turned > 180.0) return turned - 360.0;
  return turned;
}

constexpr double kRotationStep = 5.0;
