// A presented picture's space: the matrices it was drawn with, combined, so
// that a model point goes to the window as GL took it there and a drawn
// pixel back to the model point it shows, and the look-ups into the
// picture's pixels and depths; the readout, which reads a grid point off a
// picture where the mouse is. No GL here: it works on the Frame alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <initializer_list>
#include <optional>
#include <utility>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "render/FrameSink.h"

using Rgb = std::array<std::uint8_t, 3>;

// As GL stores a colour component in an 8-bit buffer: clamped, then rounded.
Rgb ToBytes(const float rgb[3]);

// A point of the window: x and y in pixels from the bottom left, as GL counts
// them, and the depth the buffer holds for it (0 near .. 1 far).
struct WindowPoint {
  double x, y, z;
};

using ClipPoint = glm::dvec4;

class PictureSpace {
 public:
  // Keeps a reference: the frame must outlive the space.
  explicit PictureSpace(const Frame& frame);

  int Width() const { return m_frame.width; }
  int Height() const { return m_frame.height; }

  ClipPoint Clip(const float v[3]) const;
  // The viewport transform of a point inside the view volume.
  WindowPoint ToWindow(const ClipPoint& c) const;
  // The model point a window point shows: ToWindow and Clip undone.
  glm::dvec3 ToModel(const WindowPoint& w) const;

  // The pixel holding a window point, clamped to the picture (a point on its
  // right or top edge belongs to the last column or row).
  std::size_t PixelIndex(double x, double y) const;
  float Depth(std::size_t pixel) const { return m_frame.depth[pixel]; }
  Rgb Colour(std::size_t pixel) const;

 private:
  const Frame& m_frame;
  glm::dmat4 m_combined;  // projection * model-view
};

// The part of a segment inside a set of half-spaces, as the parameters
// t0 <= t1 along it (0 at its first end, 1 at its second). Each pair holds
// the signed distances of the two ends from one boundary, positive inside and
// linear along the segment: clip coordinates' w +/- x for the view volume, a
// height minus a plane's for a slab. Nothing when the segment lies wholly
// outside one of them or a distance is not a number.
struct SegmentPart {
  double t0, t1;
};
std::optional<SegmentPart> ClipSegment(std::initializer_list<std::pair<double, double>> distances);

// How far from the mouse, in device pixels, a readout looks for a drawn
// pixel: mesh wires and contour lines are a pixel wide.
inline constexpr int kReadoutPickRadius = 4;

// What the mouse reads off a presented picture.
struct PictureReadout {
  // The grid point's x and y (the window's centre added) and f there.
  double x = 0.0, y = 0.0, value = 0.0;
  // Contour style: the height of the line under the mouse, in f's units.
  std::optional<double> level;
};

// The grid point under (px, py), in device pixels from the picture's top left:
// the drawn pixel (depth < 1) nearest to it within kReadoutPickRadius pixels,
// unprojected with the frame's matrices, snapped to the nearest grid point of
// runPara's grid, and f evaluated there with the run's 0/0 value (narrowed to
// float as the grid had it). nullopt where no surface or line is drawn near.
std::optional<PictureReadout> ReadPicture(const Frame& frame, const CParaData& runPara,
                                          const CFormula& formula, double px, double py);
