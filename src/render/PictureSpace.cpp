#include "render/PictureSpace.h"

#include <algorithm>
#include <cmath>
#include <glm/gtc/type_ptr.hpp>
#include <glm/matrix.hpp>

#include "core/Grid.h"

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

glm::dvec3 PictureSpace::ToModel(const WindowPoint& w) const {
  const glm::dvec4 ndc(w.x / m_frame.width * 2.0 - 1.0, w.y / m_frame.height * 2.0 - 1.0,
                       w.z * 2.0 - 1.0, 1.0);
  const glm::dvec4 model = glm::inverse(m_combined) * ndc;
  return glm::dvec3(model) / model.w;
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

std::optional<PictureReadout> ReadPicture(const Frame& frame, const CParaData& runPara,
                                          const CFormula& formula, double px, double py) {
  const int width = frame.width;
  const int height = frame.height;
  if (width < 1 || height < 1 ||
      frame.depth.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return std::nullopt;
  }
  // Farther out no pixel is within reach; this also keeps the floors below
  // within int.
  constexpr double kReach = kReadoutPickRadius + 1;
  if (!(px > -kReach && px < width + kReach && py > -kReach && py < height + kReach)) {
    return std::nullopt;
  }
  const int mouseX = static_cast<int>(std::floor(px));
  const int mouseY = static_cast<int>(std::floor(py));
  const auto depthAt = [&](int x, int y) {
    return frame.depth[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
  };
  // The drawn pixel nearest to the mouse; of two as near, the first in reading order.
  int pickX = -1;
  int pickY = -1;
  int pickDistance = 0;
  for (int y = std::max(0, mouseY - kReadoutPickRadius);
       y <= std::min(height - 1, mouseY + kReadoutPickRadius); ++y) {
    for (int x = std::max(0, mouseX - kReadoutPickRadius);
         x <= std::min(width - 1, mouseX + kReadoutPickRadius); ++x) {
      const int distance = (x - mouseX) * (x - mouseX) + (y - mouseY) * (y - mouseY);
      if (distance > kReadoutPickRadius * kReadoutPickRadius ||
          (pickX >= 0 && distance >= pickDistance) || depthAt(x, y) >= 1.0f) {
        continue;
      }
      pickX = x;
      pickY = y;
      pickDistance = distance;
    }
  }
  if (pickX < 0) return std::nullopt;
  // GL samples a pixel at its centre and counts rows from the bottom. The
  // model holds x in its first component, the height in its second and y in
  // its third, in both the surface and the contour layout.
  const glm::dvec3 model = PictureSpace(frame).ToModel(
      {pickX + 0.5, height - pickY - 0.5, static_cast<double>(depthAt(pickX, pickY))});
  const GridSpec gridSpec = MakeGridSpec(runPara);
  const int column = NearestGridIndex(gridSpec, model.x);
  const int row = NearestGridIndex(gridSpec, model.z);
  if (column < 0 || row < 0) return std::nullopt;
  PictureReadout readout;
  // The point as the formula saw it: on the plane, at the window's centre.
  readout.x = PlaneX(gridSpec, GridCoordinate(gridSpec, column));
  readout.y = PlaneY(gridSpec, GridCoordinate(gridSpec, row));
  FormulaProgram::Scratch scratch;
  readout.value = formula.ValueAt(readout.x, readout.y, gridSpec.zeroDiv, scratch);
  if (runPara.m_nDrawStyle == STYLE_CONTOUR) {
    // The line's height back in f's units; the depth buffer's steps leave a
    // few digits of it.
    if (frame.fit) {
      readout.level = frame.fit->Middle() + model.y / frame.fit->factor;
    } else if (gridSpec.zScale != 0.0f) {
      readout.level = model.y / gridSpec.zScale;
    }
  }
  return readout;
}
