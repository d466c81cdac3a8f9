// The reading aids of a picture, laid out without GL or Qt: the box around
// the drawn range with three numbered axes and grid lines on its far faces,
// the colour bar, and the markers of the sampled minimum and maximum. The
// drawing thread draws the model segments in GL and composites the labels
// onto the read-back frame; the SVG writer emits the same segments and texts
// at the same places. One call lays out one frame:
//
//   LayoutInput in;
//   in.view = {frame.projection, frame.modelView, frame.width, frame.height};
//   in.box = {x span, height span, y span};        // see AxisSpan
//   in.measure = [&](const std::string& s) {       // UTF-8 texts
//     const TextSize t = painter.Measure(s);         // render's CTextPainter
//     return LabelSize{double(t.width), double(t.height)};
//   };
//   in.previousFarFaces = lastLayout.farFaces;     // none on a run's first frame
//   PictureLayout layout = LayOutPicture(in);
//
// Texts are ASCII but for the factor's "×" (U+00D7, UTF-8). Labels are not
// kept clear of the box's lines, only of each other.
//
// Guarantees: no two labels overlap (the rectangles are at least
// metrics.labelGap apart), every label lies wholly inside the picture (at
// least metrics.margin from its border), no axis label touches the colour
// bar's region, and an axis' numbers are shown only with its factor label
// when it has one. A label that cannot be placed so is left out.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Ticks.h"

// Model coordinates as the drawing thread draws them: [0] = x, [1] = the
// (scaled or fitted) height, [2] = the function's y. Every array of three
// below is indexed so.
using ModelPoint = std::array<double, 3>;
struct ModelSegment {
  ModelPoint a, b;
};
enum ModelAxis : int { kAxisX = 0, kAxisHeight = 1, kAxisY = 2 };

// Pixels from the picture's top left, y growing downwards: image coordinates,
// as the frame's rows (top first) and the SVG count. GL's window y is
// height - y.
struct PixelPoint {
  double x = 0.0, y = 0.0;
};
struct PixelSegment {
  PixelPoint a, b;
};
struct PixelRect {
  double left = 0.0, top = 0.0, width = 0.0, height = 0.0;
  double Right() const { return left + width; }
  double Bottom() const { return top + height; }
};

// The box a text takes when drawn, in pixels: its width and its line's
// height (ascent plus descent).
struct LabelSize {
  double width = 0.0, height = 0.0;
};
using MeasureLabel = std::function<LabelSize(const std::string& text)>;

// How the picture was drawn: the matrices column-major, as GL keeps them and
// Frame carries them, and the picture's size in pixels.
struct PictureView {
  std::array<float, 16> projection{};
  std::array<float, 16> modelView{};
  int width = 0;
  int height = 0;
};

// One side of the box: the model interval it spans and the values shown at
// its two ends, mapped linearly between. x: model -R..R, values -R..R; y
// likewise (model z); the height: model bottom..top of the drawn range, values
// in f's own units (the Z coefficient or the fit divided out, for example
// fit.Height(fit.bottom)..fit.Height(fit.top) showing fit.bottom..fit.top).
// Either end may be the larger; the values may fall as the model rises.
struct AxisSpan {
  double modelLow = 0.0, modelHigh = 0.0;
  double valueAtLow = 0.0, valueAtHigh = 0.0;
};

enum class BoxSide : std::uint8_t { Low, High };  // the smaller or the larger model coordinate
using FarFaces = std::array<BoxSide, 3>;

// For each model axis, the face (plane) of the box farther from the eye: the
// plane whose distance from the eye is larger (perspective), or whose depth
// along the view is larger (orthographic). With a previous choice, a face
// changes side only once the other is farther by more than 1% of the box's
// diagonal, scaled by that axis' share of the box's longest side (a thin
// axis' two planes never are 1% of the diagonal apart), so that the axes do
// not flicker at edge-on views. Without one, a tie goes to Low.
FarFaces ChooseFarFaces(const PictureView& view, const std::array<AxisSpan, 3>& box,
                        const std::optional<FarFaces>& previous);

// A sampled extreme: where it is drawn (model coordinates, the height as
// drawn), f's value there and the grid point's x and y.
struct ExtremePoint {
  ModelPoint model{};
  double value = 0.0, x = 0.0, y = 0.0;
};

// The colour bar's values at its bottom and its top.
struct ColourBarRange {
  double bottom = 0.0, top = 0.0;
};

// Distances in pixels; scale them with the font for a dense screen.
struct LayoutMetrics {
  double tickLength = 5.0;   // an axis tick mark's projected length, the bar's tick marks
  double labelOffset = 4.0;  // from a tick mark's end (or a marker) to its label
  double labelGap = 2.0;     // the least distance between two labels
  double margin = 2.0;       // the least distance between a label and the picture's border
  double barWidth = 14.0;    // the colour bar
  double markerSize = 7.0;   // the side of an extreme's marker, centred on its point
};

struct LayoutInput {
  PictureView view;
  std::array<AxisSpan, 3> box{};
  std::array<std::string, 3> axisNames{"x", "f(x,y)", "y"};
  // The three aids, each optional.
  bool axes = true;
  std::optional<ColourBarRange> colourBar;
  std::optional<ExtremePoint> minimum, maximum;
  // The previous frame's PictureLayout::farFaces of the same run; none on the
  // first frame.
  std::optional<FarFaces> previousFarFaces;
  MeasureLabel measure;
  LayoutMetrics metrics;
};

enum class HAlign : std::uint8_t { Left, Centre, Right };
enum class VAlign : std::uint8_t { Top, Middle, Bottom };
enum class LabelKind : std::uint8_t {
  Tick,       // an axis' number
  AxisName,   // "x", "y", "f(x,y)"
  Factor,     // an axis' "×10^5", at an end of its numbers
  BarTick,    // the colour bar's number
  BarFactor,  // the colour bar's "×10^5", above it
  Minimum,    // "min f=-0.99 at (3.142, 3.142)"
  Maximum,
};

struct PlacedLabel {
  std::string text;
  LabelKind kind = LabelKind::Tick;
  ModelAxis axis = kAxisX;  // Tick, AxisName and Factor only
  double value = 0.0;       // Tick and BarTick: the tick's value
  // The text's measured box; left and top are whole pixels.
  PixelRect rect;
  // The point of rect that the justification names (Left/Top: its top left
  // corner, Centre/Middle: its centre...): drawing the text justified so at
  // the anchor fills rect. The justification follows the direction the label
  // was pushed in, away from the box, the bar or the marker.
  PixelPoint anchor;
  HAlign hAlign = HAlign::Left;
  VAlign vAlign = VAlign::Top;
};

// A far face: the plane at `side` of model axis `axis`, its corners in order
// round it, and the grid lines across it at the ticks of its two other axes.
struct FaceLayout {
  ModelAxis axis = kAxisX;
  BoxSide side = BoxSide::Low;
  std::array<ModelPoint, 4> corners{};
  std::vector<ModelSegment> gridLines;
};

// The box edge an axis is numbered along: for x the edge where y is near and
// the height far, for y (x near, height far), for the height (x near, y far);
// each lies between a front and a back face, on the box's outline. (In
// perspective, with the eye between the two x or the two y planes, as when
// looking nearly along an axis, both those faces are back faces and the edge
// may show just inside the outline.)
struct AxisLayout {
  ModelSegment edge;  // from the model-low end to the model-high end
  NiceTicks ticks;    // all ticks, labelled or not
  // One per tick: from the edge point outward from the box, metrics.tickLength
  // pixels long on screen (perpendicular to the edge, beyond the near or the
  // far face, whichever shows longer).
  std::vector<ModelSegment> tickMarks;
};

struct ColourBarLayout {
  PixelRect bar;  // 60% of the picture's height, centred vertically, at its right
  double bottomValue = 0.0, topValue = 0.0;  // the values at bar.Bottom() and bar.top
  NiceTicks ticks;
  std::vector<PixelSegment> tickMarks;  // one per tick, at the bar's right side
  // What the bar, its marks and its labels take; axis labels stay out of it,
  // and an axis number or name whose point lies under it is left out.
  PixelRect region;
};

struct MarkerLayout {
  LabelKind kind = LabelKind::Minimum;  // Minimum or Maximum
  PixelPoint at;  // the projected point; the marker is metrics.markerSize wide around it
};

struct PictureLayout {
  // Pass back as LayoutInput::previousFarFaces for the next frame.
  FarFaces farFaces{BoxSide::Low, BoxSide::Low, BoxSide::Low};
  // The rest of the box is set only when hasBox (the axes were asked for and
  // the box's spans are finite).
  bool hasBox = false;
  std::array<ModelSegment, 12> boxEdges{};
  std::array<FaceLayout, 3> faces{};  // indexed by model axis
  std::array<AxisLayout, 3> axes{};   // indexed by model axis
  std::optional<ColourBarLayout> colourBar;
  // The extremes whose point is inside the picture, in front of the eye.
  std::vector<MarkerLayout> markers;
  std::vector<PlacedLabel> labels;
};

// The layout of one frame. Nothing but farFaces for a view that is not a
// picture (no pixels, matrices not finite or not invertible) or without a
// measure. Calls input.measure once per distinct text.
PictureLayout LayOutPicture(const LayoutInput& input);
