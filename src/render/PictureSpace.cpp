#include "render/PictureSpace.h"

#include <algorithm>
#include <cmath>
#include <glm/gtc/type_ptr.hpp>

Rgb ToBytes(const float rgb[3]) {
  Rgb bytes{};
  for (int k = 0; k < 3; ++k) {
    const float c = std::clamp(rgb[k], 0.0f, 1.0f);
    bytes[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(std::lround(c * 255.0f));
  }
  return bytes;
}

// The matrices are column-major, as glm keeps them; widened to double, the
// product is exact to double's rounding whatever the float inputs.
PictureSpace::PictureSpace(const Frame& frame)
    : m_frame(frame),
      m_combined(glm::dmat4(glm::make_mat4(frame.projection.data())) *
                 glm::dmat4(glm::make_mat4(frame.modelView.data()))) {}

// Summed column by column in this order: the drawings' coordinates depend on
// the last bits, and glm's own matrix-vector product sums in pairs.
ClipPoint PictureSpace::Clip(const float v[3]) const {
  return m_combined[0] * static_cast<double>(v[0]) + m_combined[1] * static_cast<double>(v[1]) +
         m_combined[2] * static_cast<double>(v[2]) + m_combined[3];
}

WindowPoint PictureSpace::ToWindow(const ClipPoint& c) const {
  return {(c.x / c.w * 0.5 + 0.5) * m_frame.width, (c.y / c.w * 0.5 + 0.5) * m_frame.height,
          c.z / c.w * 0.5 + 0.5};
}

std::size_t PictureSpace::PixelIndex(double x, double y) const {
  const int px = std::clamp(static_cast<int>(std::floor(x)), 0, m_frame.width - 1);
  const int py = std::clamp(static_cast<int>(std::floor(y)), 0, m_frame.height - 1);
  // The frame's rows run from the top.
  return static_cast<std::size_t>(m_frame.height - 1 - py) *
             static_cast<std::size_t>(m_frame.width) +
         static_cast<std::size_t>(px);
}

Rgb PictureSpace::Colour(std::size_t pixel) const {
  const std::uint8_t* p = m_frame.rgba.data() + pixel * 4;
  return {p[0], p[1], p[2]};
}

std::optional<SegmentPart> ClipSegment(std::initializer_list<std::pair<double, double>> distances) {
  SegmentPart part{0.0, 1.0};
  for (const auto& [da, db] : distances) {
    if (!std::isfinite(da) || !std::isfinite(db) || (da < 0.0 && db < 0.0)) return std::nullopt;
    if (da < 0.0) part.t0 = std::max(part.t0, da / (da - db));
    if (db < 0.0) part.t1 = std::min(part.t1, da / (da - db));
  }
  if (part.t0 > part.t1) return std::nullopt;
  return part;
}
