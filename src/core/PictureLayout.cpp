#include "core/PictureLayout.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat4x4.hpp>
#include <glm/matrix.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <map>
#include <utility>

namespace {

using glm::dvec2;
using glm::dvec3;
using glm::dvec4;

// sin 22.5 degrees: a push within 22.5 degrees of the horizontal keeps the
// text vertically middle, and likewise for the vertical.
constexpr double kJustifySine = 0.3826834323650898;

// The axes a numbered edge runs beside (ARCHITECTURE "Text in pictures"):
// x beside (y near, height far), y beside (x near, height far), the height
// beside (x near, y far).
struct EdgeRule {
  int nearAxis, farAxis;
};
constexpr EdgeRule kEdgeRules[3] = {{kAxisY, kAxisHeight}, {kAxisX, kAxisY}, {kAxisX, kAxisHeight}};

BoxSide Opposite(BoxSide side) { return side == BoxSide::Low ? BoxSide::High : BoxSide::Low; }

// An AxisSpan with lo <= hi.
struct Span {
  double lo = 0.0, hi = 0.0, valueLo = 0.0, valueHi = 0.0;

  double At(BoxSide side) const { return side == BoxSide::Low ? lo : hi; }
  double Model(double value) const {
    if (valueHi == valueLo) return lo + (hi - lo) / 2.0;
    return lo + (value - valueLo) / (valueHi - valueLo) * (hi - lo);
  }
};

Span Normalised(const AxisSpan& s) {
  if (s.modelLow <= s.modelHigh) return {s.modelLow, s.modelHigh, s.valueAtLow, s.valueAtHigh};
  return {s.modelHigh, s.modelLow, s.valueAtHigh, s.valueAtLow};
}

bool Finite(const AxisSpan& s) {
  return std::isfinite(s.modelLow) && std::isfinite(s.modelHigh) && std::isfinite(s.valueAtLow) &&
         std::isfinite(s.valueAtHigh);
}

using Spans = std::array<Span, 3>;

ModelPoint Point(const Spans& spans, const std::array<BoxSide, 3>& sides) {
  return {spans[0].At(sides[0]), spans[1].At(sides[1]), spans[2].At(sides[2])};
}

dvec3 Vec(const ModelPoint& p) { return {p[0], p[1], p[2]}; }
ModelPoint Model(const dvec3& v) { return {v.x, v.y, v.z}; }

bool FiniteMatrix(const std::array<float, 16>& m) {
  return std::all_of(m.begin(), m.end(), [](float v) { return std::isfinite(v); });
}

// The eye in model coordinates: a point for a perspective projection, the
// unit direction towards the viewer for an orthographic one (GL's frustum
// has no constant term in its last row, glOrtho has 1 there). Nothing when
// the model-view matrix cannot be undone.
struct Eye {
  bool perspective = false;
  dvec3 at{0.0};
};

std::optional<Eye> FindEye(const PictureView& view) {
  if (!FiniteMatrix(view.projection) || !FiniteMatrix(view.modelView)) return std::nullopt;
  const glm::dmat4 modelView(glm::make_mat4(view.modelView.data()));
  const double det = glm::determinant(modelView);
  if (!std::isfinite(det) || det == 0.0) return std::nullopt;
  const glm::dmat4 inverse = glm::inverse(modelView);
  Eye eye;
  eye.perspective = view.projection[15] == 0.0f;
  if (eye.perspective) {
    const dvec4 e = inverse * dvec4(0.0, 0.0, 0.0, 1.0);
    eye.at = dvec3(e) / e.w;
  } else {
    const dvec3 d(inverse * dvec4(0.0, 0.0, 1.0, 0.0));
    if (glm::length(d) == 0.0) return std::nullopt;
    eye.at = glm::normalize(d);
  }
  if (!std::isfinite(eye.at.x) || !std::isfinite(eye.at.y) || !std::isfinite(eye.at.z)) {
    return std::nullopt;
  }
  return eye;
}

// Model points to image pixels (y down) with the picture's matrices.
class Projector {
 public:
  explicit Projector(const PictureView& view)
      : m_combined(glm::dmat4(glm::make_mat4(view.projection.data())) *
                   glm::dmat4(glm::make_mat4(view.modelView.data()))),
        m_width(view.width),
        m_height(view.height) {}

  dvec4 Clip(const dvec3& p) const { return m_combined * dvec4(p, 1.0); }

  // Nothing for a point behind the near plane, where GL draws nothing.
  std::optional<dvec2> Image(const dvec3& p) const {
    const dvec4 c = Clip(p);
    if (!(c.z + c.w >= 0.0) || !(c.w > 0.0)) return std::nullopt;
    const dvec2 image((c.x / c.w * 0.5 + 0.5) * m_width, (0.5 - c.y / c.w * 0.5) * m_height);
    if (!std::isfinite(image.x) || !std::isfinite(image.y)) return std::nullopt;
    return image;
  }

  bool InPicture(const dvec2& p) const {
    return p.x >= 0.0 && p.x <= m_width && p.y >= 0.0 && p.y <= m_height;
  }

  // The part [t0, t1] of segment a-b in front of the near plane.
  std::optional<std::pair<double, double>> FrontPart(const dvec3& a, const dvec3& b) const {
    const dvec4 ca = Clip(a);
    const dvec4 cb = Clip(b);
    const double da = ca.z + ca.w;
    const double db = cb.z + cb.w;
    if (!std::isfinite(da) || !std::isfinite(db) || (da < 0.0 && db < 0.0)) return std::nullopt;
    double t0 = 0.0;
    double t1 = 1.0;
    if (da < 0.0) t0 = da / (da - db);
    if (db < 0.0) t1 = da / (da - db);
    return std::make_pair(t0, t1);
  }

 private:
  glm::dmat4 m_combined;
  int m_width, m_height;
};

bool Overlap(const PixelRect& a, const PixelRect& b, double gap) {
  return a.left < b.Right() + gap && b.left < a.Right() + gap && a.top < b.Bottom() + gap &&
         b.top < a.Bottom() + gap;
}

PixelRect Union(const PixelRect& a, const PixelRect& b) {
  const double left = std::min(a.left, b.left);
  const double top = std::min(a.top, b.top);
  return {left, top, std::max(a.Right(), b.Right()) - left, std::max(a.Bottom(), b.Bottom()) - top};
}

// How far a text's box reaches along a unit direction.
double Extent(const LabelSize& size, const dvec2& direction) {
  return std::fabs(direction.x) * size.width + std::fabs(direction.y) * size.height;
}

// A label not yet placed: `outward` is the way it was pushed (for its
// justification).
struct Candidate {
  PlacedLabel label;
  dvec2 outward{0.0, 1.0};
  bool alive = true;
  dvec3 at{0.0};  // an axis number's tick, in model coordinates
};

// An axis edge as it shows on screen.
struct EdgeView {
  bool visible = false;
  dvec3 a{0.0}, b{0.0};     // the model ends, low to high
  dvec2 along{1.0, 0.0};    // unit, image space, from the low end to the high end
  dvec2 outward{0.0, 1.0};  // unit, perpendicular to it, away from the box's centre
  double length = 0.0;      // of the projected front part
};

class Layouter {
 public:
  Layouter(const LayoutInput& input, PictureLayout& out)
      : m_in(input), m_m(input.metrics), m_out(out), m_project(input.view) {}

  void Run();

 private:
  LabelSize Measure(const std::string& text);
  bool InsidePicture(const PixelRect& r) const;
  bool MoveInside(PixelRect& r) const;
  bool MoveOffBar(PixelRect& r) const;
  bool OnBar(const PixelRect& r) const;
  bool Shown(const dvec2& point) const;
  bool Free(const PixelRect& r, bool avoidBar) const;
  bool Place(Candidate candidate, bool avoidBar);
  void Thin(std::vector<Candidate*>& labels) const;
  PixelRect Beyond(const dvec2& point, const dvec2& outward, double offset,
                   const LabelSize& size) const;
  Candidate AxisCandidate(LabelKind kind, int axis, const std::string& text, const dvec2& point,
                          const dvec2& outward, double offset);

  void LayOutColourBar();
  void BuildBox();
  void BuildEdges();
  void BuildFaces();
  void BuildTickMarks();
  void OrientEdges();
  EdgeView ViewEdge(int axis) const;
  NiceTicks ChooseTicks(int axis, const EdgeView& edge);
  void LayOutAxisLabels();
  bool PlaceFactor(int axis, const std::vector<Candidate>& ticks,
                   const std::array<std::vector<Candidate>, 3>& all);
  void PlaceAxisName(int axis);
  void LayOutExtremes();

  const LayoutInput& m_in;
  const LayoutMetrics& m_m;
  PictureLayout& m_out;
  Projector m_project;
  Spans m_spans{};
  std::array<BoxSide, 3> m_near{}, m_far{};
  std::array<EdgeView, 3> m_edges{};
  std::optional<PixelRect> m_barRegion;
  std::vector<PixelRect> m_markerRects;
  std::map<std::string, LabelSize> m_sizes;
};

LabelSize Layouter::Measure(const std::string& text) {
  const auto found = m_sizes.find(text);
  if (found != m_sizes.end()) return found->second;
  LabelSize size = m_in.measure(text);
  // A size that cannot be laid out is made one no picture holds, so that
  // the label is left out.
  if (!(size.width >= 0.0) || !(size.height >= 0.0) || !std::isfinite(size.width) ||
      !std::isfinite(size.height)) {
    size = {1e9, 1e9};
  }
  m_sizes.emplace(text, size);
  return size;
}

bool Layouter::InsidePicture(const PixelRect& r) const {
  return r.left >= m_m.margin && r.top >= m_m.margin && r.Right() <= m_in.view.width - m_m.margin &&
         r.Bottom() <= m_in.view.height - m_m.margin;
}

// Shifts a rectangle into the picture, keeping whole pixels; false when it
// is larger than the picture.
bool Layouter::MoveInside(PixelRect& r) const {
  const double maxLeft = std::floor(m_in.view.width - m_m.margin - r.width);
  const double maxTop = std::floor(m_in.view.height - m_m.margin - r.height);
  const double minEdge = std::ceil(m_m.margin);
  if (maxLeft < minEdge || maxTop < minEdge) return false;
  r.left = std::clamp(r.left, minEdge, maxLeft);
  r.top = std::clamp(r.top, minEdge, maxTop);
  return true;
}

bool Layouter::OnBar(const PixelRect& r) const {
  return m_barRegion && Overlap(r, *m_barRegion, m_m.labelGap);
}

// A point a label may stand for: inside the picture, not under the colour
// bar (where the box runs beneath it, its numbers would float).
bool Layouter::Shown(const dvec2& point) const {
  return m_project.InPicture(point) &&
         !(m_barRegion && Overlap({point.x, point.y, 0.0, 0.0}, *m_barRegion, 0.0));
}

// Shifts a rectangle off the colour bar's region by the shortest of a move
// left, up or down that keeps it in the picture; false when none does.
bool Layouter::MoveOffBar(PixelRect& r) const {
  if (!OnBar(r)) return true;
  const PixelRect& bar = *m_barRegion;
  const double gap = m_m.labelGap;
  PixelRect best;
  double bestShift = -1.0;
  const PixelRect moves[3] = {
      {std::floor(bar.left - gap - r.width) - 1.0, r.top, r.width, r.height},
      {r.left, std::floor(bar.top - gap - r.height) - 1.0, r.width, r.height},
      {r.left, std::ceil(bar.Bottom() + gap) + 1.0, r.width, r.height},
  };
  for (const PixelRect& moved : moves) {
    const double shift = std::fabs(moved.left - r.left) + std::fabs(moved.top - r.top);
    if (InsidePicture(moved) && !OnBar(moved) && (bestShift < 0.0 || shift < bestShift)) {
      best = moved;
      bestShift = shift;
    }
  }
  if (bestShift < 0.0) return false;
  r = best;
  return true;
}

bool Layouter::Free(const PixelRect& r, bool avoidBar) const {
  if (!InsidePicture(r) || (avoidBar && OnBar(r))) return false;
  return std::none_of(m_out.labels.begin(), m_out.labels.end(), [&](const PlacedLabel& placed) {
    return Overlap(r, placed.rect, m_m.labelGap);
  });
}

bool Layouter::Place(Candidate candidate, bool avoidBar) {
  if (!candidate.alive || !Free(candidate.label.rect, avoidBar)) return false;
  PlacedLabel& label = candidate.label;
  const dvec2 n = candidate.outward;
  const PixelRect& r = label.rect;
  label.hAlign = n.x > kJustifySine    ? HAlign::Left
                 : n.x < -kJustifySine ? HAlign::Right
                                       : HAlign::Centre;
  label.vAlign = n.y > kJustifySine    ? VAlign::Top
                 : n.y < -kJustifySine ? VAlign::Bottom
                                       : VAlign::Middle;
  label.anchor.x = label.hAlign == HAlign::Left    ? r.left
                   : label.hAlign == HAlign::Right ? r.Right()
                                                   : r.left + r.width / 2.0;
  label.anchor.y = label.vAlign == VAlign::Top      ? r.top
                   : label.vAlign == VAlign::Bottom ? r.Bottom()
                                                    : r.top + r.height / 2.0;
  m_out.labels.push_back(std::move(label));
  return true;
}

// Drops every second label, keeping both ends, until no two of them overlap;
// two that still do keep the first. The labels are in the order of their
// values.
void Layouter::Thin(std::vector<Candidate*>& labels) const {
  const auto anyOverlap = [&](const std::vector<Candidate*>& set) {
    for (std::size_t i = 0; i < set.size(); ++i) {
      for (std::size_t j = i + 1; j < set.size(); ++j) {
        if (Overlap(set[i]->label.rect, set[j]->label.rect, m_m.labelGap)) return true;
      }
    }
    return false;
  };
  std::erase_if(labels, [](const Candidate* c) { return !c->alive; });
  while (labels.size() > 1 && anyOverlap(labels)) {
    std::vector<Candidate*> kept;
    if (labels.size() == 2) {
      kept = {labels[0]};
    } else {
      for (std::size_t i = 0; i < labels.size(); i += 2) kept.push_back(labels[i]);
      // With an even count the stride misses the last; the one before it is
      // then its neighbour, and goes if the two overlap.
      if (labels.size() % 2 == 0) {
        if (Overlap(kept.back()->label.rect, labels.back()->label.rect, m_m.labelGap)) {
          kept.pop_back();
        }
        kept.push_back(labels.back());
      }
    }
    for (Candidate* c : labels) {
      c->alive = std::find(kept.begin(), kept.end(), c) != kept.end();
    }
    labels = std::move(kept);
  }
}

// The text box centred on the ray from `point` along `outward`, its nearest
// side `offset` pixels from the point's line across the ray.
PixelRect Layouter::Beyond(const dvec2& point, const dvec2& outward, double offset,
                           const LabelSize& size) const {
  const dvec2 centre = point + outward * (offset + Extent(size, outward) / 2.0);
  return {std::round(centre.x - size.width / 2.0), std::round(centre.y - size.height / 2.0),
          size.width, size.height};
}

Candidate Layouter::AxisCandidate(LabelKind kind, int axis, const std::string& text,
                                  const dvec2& point, const dvec2& outward, double offset) {
  Candidate c;
  c.label.text = text;
  c.label.kind = kind;
  c.label.axis = static_cast<ModelAxis>(axis);
  c.outward = outward;
  c.label.rect = Beyond(point, outward, offset, Measure(text));
  c.alive = MoveInside(c.label.rect) && MoveOffBar(c.label.rect);
  return c;
}

void Layouter::LayOutColourBar() {
  const ColourBarRange range = *m_in.colourBar;
  if (!std::isfinite(range.bottom) || !std::isfinite(range.top)) return;
  const double width = m_in.view.width;
  const double height = m_in.view.height;
  const double barTop = std::round(0.2 * height);
  const double barBottom = std::round(0.8 * height);
  const double barHeight = barBottom - barTop;
  if (barHeight < 1.0) return;
  const double lo = std::min(range.bottom, range.top);
  const double hi = std::max(range.bottom, range.top);
  // As many ticks as a digit's height and the gap allow, 10 at most.
  const double lineHeight = Measure("0").height + m_m.labelGap;
  NiceTicks ticks;
  std::optional<NiceTicks> fewestTwo;
  for (int maxCount = 10; maxCount >= 2; --maxCount) {
    ticks = MakeNiceTicks(lo, hi, maxCount);
    if (ticks.values.size() < 2) break;
    fewestTwo = ticks;
    if (barHeight * ticks.step / (hi - lo) >= lineHeight) break;
  }
  if (ticks.values.size() < 2 && fewestTwo && hi > lo) ticks = *fewestTwo;
  double labelWidth = 0.0;
  for (const double v : ticks.values)
    labelWidth = std::max(labelWidth, Measure(ticks.Label(v)).width);
  const double barLeft =
      std::floor(width - m_m.margin - labelWidth - m_m.labelOffset - m_m.tickLength - m_m.barWidth);
  if (barLeft < m_m.margin) return;
  ColourBarLayout bar;
  bar.bar = {barLeft, barTop, m_m.barWidth, barHeight};
  bar.bottomValue = range.bottom;
  bar.topValue = range.top;
  bar.ticks = ticks;
  const double barRight = bar.bar.Right();
  PixelRect region = bar.bar;
  std::vector<Candidate> labels;
  for (const double v : ticks.values) {
    const double y = range.top == range.bottom
                         ? barTop + barHeight / 2.0
                         : barBottom - (v - range.bottom) / (range.top - range.bottom) * barHeight;
    bar.tickMarks.push_back({{barRight, y}, {barRight + m_m.tickLength, y}});
    region = Union(region, {barRight, y, m_m.tickLength, 0.0});
    Candidate c;
    c.label.text = ticks.Label(v);
    c.label.kind = LabelKind::BarTick;
    c.label.value = v;
    c.outward = {1.0, 0.0};
    const LabelSize size = Measure(c.label.text);
    c.label.rect = {barRight + m_m.tickLength + m_m.labelOffset, std::round(y - size.height / 2.0),
                    size.width, size.height};
    c.alive = MoveInside(c.label.rect);
    labels.push_back(std::move(c));
  }
  std::vector<Candidate*> order;
  for (Candidate& c : labels) order.push_back(&c);
  // Bottom to top or top to bottom: the values' order is the bar's.
  Thin(order);
  // The factor above the bar, clear of the topmost number, at the right.
  if (ticks.exponent != 0 && !order.empty()) {
    Candidate factor;
    factor.label.text = ticks.FactorText();
    factor.label.kind = LabelKind::BarFactor;
    factor.outward = {0.0, -1.0};
    const LabelSize size = Measure(factor.label.text);
    double bottom = barTop - m_m.labelOffset;
    for (const Candidate* c : order)
      bottom = std::min(bottom, c->label.rect.top - m_m.labelGap - 1.0);
    factor.label.rect = {std::floor(width - m_m.margin - size.width),
                         std::floor(bottom - size.height), size.width, size.height};
    if (!Place(std::move(factor), false)) {
      for (Candidate& c : labels) c.alive = false;
    }
  }
  for (Candidate& c : labels) Place(std::move(c), false);
  for (const PlacedLabel& label : m_out.labels) region = Union(region, label.rect);
  bar.region = region;
  m_barRegion = region;
  m_out.colourBar = std::move(bar);
}

// The box, its far faces and the axis edges with their ticks, grid lines
// and tick marks, and how each axis edge shows on screen.
void Layouter::BuildBox() {
  m_out.hasBox = true;
  for (std::size_t a = 0; a < 3; ++a) {
    m_far[a] = m_out.farFaces[a];
    m_near[a] = Opposite(m_far[a]);
  }
  BuildEdges();
  for (int a = 0; a < 3; ++a) {
    const auto ua = static_cast<std::size_t>(a);
    m_edges[ua] = ViewEdge(a);
    m_out.axes[ua].ticks = ChooseTicks(a, m_edges[ua]);
  }
  BuildFaces();
  BuildTickMarks();
  OrientEdges();
}

// The twelve edges, and the three an axis is numbered along.
void Layouter::BuildEdges() {
  std::size_t edge = 0;
  for (int a = 0; a < 3; ++a) {
    const int b = (a + 1) % 3;
    const int c = (a + 2) % 3;
    for (const BoxSide sb : {BoxSide::Low, BoxSide::High}) {
      for (const BoxSide sc : {BoxSide::Low, BoxSide::High}) {
        std::array<BoxSide, 3> sides{};
        sides[static_cast<std::size_t>(b)] = sb;
        sides[static_cast<std::size_t>(c)] = sc;
        sides[static_cast<std::size_t>(a)] = BoxSide::Low;
        const ModelPoint from = Point(m_spans, sides);
        sides[static_cast<std::size_t>(a)] = BoxSide::High;
        m_out.boxEdges[edge++] = {from, Point(m_spans, sides)};
      }
    }
  }
  for (int a = 0; a < 3; ++a) {
    const auto ua = static_cast<std::size_t>(a);
    std::array<BoxSide, 3> sides{};
    sides[static_cast<std::size_t>(kEdgeRules[a].nearAxis)] =
        m_near[static_cast<std::size_t>(kEdgeRules[a].nearAxis)];
    sides[static_cast<std::size_t>(kEdgeRules[a].farAxis)] =
        m_far[static_cast<std::size_t>(kEdgeRules[a].farAxis)];
    sides[ua] = BoxSide::Low;
    const ModelPoint from = Point(m_spans, sides);
    sides[ua] = BoxSide::High;
    m_out.axes[ua].edge = {from, Point(m_spans, sides)};
  }
}

// The far faces' corners and grid lines.
void Layouter::BuildFaces() {
  for (int a = 0; a < 3; ++a) {
    const auto ua = static_cast<std::size_t>(a);
    FaceLayout& face = m_out.faces[ua];
    face.axis = static_cast<ModelAxis>(a);
    face.side = m_far[ua];
    const auto ub = static_cast<std::size_t>((a + 1) % 3);
    const auto uc = static_cast<std::size_t>((a + 2) % 3);
    constexpr BoxSide L = BoxSide::Low, H = BoxSide::High;
    const std::pair<BoxSide, BoxSide> order[4] = {{L, L}, {H, L}, {H, H}, {L, H}};
    for (std::size_t k = 0; k < 4; ++k) {
      std::array<BoxSide, 3> sides{};
      sides[ua] = m_far[ua];
      sides[ub] = order[k].first;
      sides[uc] = order[k].second;
      face.corners[k] = Point(m_spans, sides);
    }
    // Across the face at each tick of its two other axes.
    for (const std::size_t along : {ub, uc}) {
      const std::size_t across = along == ub ? uc : ub;
      for (const double v : m_out.axes[along].ticks.values) {
        ModelPoint p{};
        p[ua] = m_spans[ua].At(m_far[ua]);
        p[along] = m_spans[along].Model(v);
        p[across] = m_spans[across].lo;
        ModelPoint q = p;
        q[across] = m_spans[across].hi;
        face.gridLines.push_back({p, q});
      }
    }
  }
}

// Tick marks: outward beyond the near face or the far face the edge lies on,
// whichever direction shows longer at the edge's middle, so that they never
// point at the eye.
void Layouter::BuildTickMarks() {
  for (int a = 0; a < 3; ++a) {
    const auto ua = static_cast<std::size_t>(a);
    AxisLayout& axis = m_out.axes[ua];
    const dvec3 from = Vec(axis.edge.a);
    const dvec3 to = Vec(axis.edge.b);
    const dvec3 middle = (from + to) / 2.0;
    const auto nearAxis = static_cast<std::size_t>(kEdgeRules[a].nearAxis);
    const auto farAxis = static_cast<std::size_t>(kEdgeRules[a].farAxis);
    dvec3 beyondNear(0.0), beyondFar(0.0);
    beyondNear[static_cast<int>(nearAxis)] = m_near[nearAxis] == BoxSide::High ? 1.0 : -1.0;
    beyondFar[static_cast<int>(farAxis)] = m_far[farAxis] == BoxSide::High ? 1.0 : -1.0;
    const std::optional<dvec2> m0 = m_project.Image(middle);
    if (!m0) continue;
    // Pixels per model unit, from a step of a thousandth of the box's size.
    const double probe =
        1e-3 * std::max({m_spans[0].hi - m_spans[0].lo, m_spans[1].hi - m_spans[1].lo,
                         m_spans[2].hi - m_spans[2].lo});
    if (!(probe > 0.0)) continue;
    double best = 0.0;
    dvec3 direction(0.0);
    for (const dvec3& d : {beyondNear, beyondFar}) {
      const std::optional<dvec2> m1 = m_project.Image(middle + d * probe);
      if (!m1) continue;
      const double perUnit = glm::length(*m1 - *m0) / probe;
      if (perUnit > best) {
        best = perUnit;
        direction = d;
      }
    }
    if (!(best > 0.0) || !std::isfinite(best)) continue;
    const double length = m_m.tickLength / best;
    for (const double v : axis.ticks.values) {
      ModelPoint p = axis.edge.a;
      p[ua] = m_spans[ua].Model(v);
      axis.tickMarks.push_back({p, Model(Vec(p) + direction * length)});
    }
  }
}

// Each axis' labels are pushed perpendicular to its edge as it shows, away
// from the box's projected centre; an edge seen end-on pushes them away
// from the centre.
void Layouter::OrientEdges() {
  const dvec3 centre((m_spans[0].lo + m_spans[0].hi) / 2.0, (m_spans[1].lo + m_spans[1].hi) / 2.0,
                     (m_spans[2].lo + m_spans[2].hi) / 2.0);
  const std::optional<dvec2> c = m_project.Image(centre);
  const dvec2 projected = c ? *c : dvec2(m_in.view.width / 2.0, m_in.view.height / 2.0);
  for (std::size_t a = 0; a < 3; ++a) {
    EdgeView& e = m_edges[a];
    if (!e.visible) continue;
    const std::optional<dvec2> pa = m_project.Image(e.a);
    const std::optional<dvec2> pb = m_project.Image(e.b);
    const dvec2 middle = (*pa + *pb) / 2.0;
    const dvec2 away = middle - projected;
    if (e.length > 0.5) {
      e.outward = dvec2(-e.along.y, e.along.x);
      if (glm::dot(e.outward, away) < 0.0) e.outward = -e.outward;
    } else {
      e.outward = glm::length(away) > 1e-9 ? glm::normalize(away) : dvec2(0.0, 1.0);
      e.along = dvec2(-e.outward.y, e.outward.x);
    }
  }
}

// The edge's front part and its direction on screen.
EdgeView Layouter::ViewEdge(int axis) const {
  EdgeView view;
  const ModelSegment& edge = m_out.axes[static_cast<std::size_t>(axis)].edge;
  const dvec3 a = Vec(edge.a);
  const dvec3 b = Vec(edge.b);
  const auto part = m_project.FrontPart(a, b);
  if (!part) return view;
  view.a = a + (b - a) * part->first;
  view.b = a + (b - a) * part->second;
  const std::optional<dvec2> pa = m_project.Image(view.a);
  const std::optional<dvec2> pb = m_project.Image(view.b);
  if (!pa || !pb) return view;
  view.visible = true;
  view.length = glm::length(*pb - *pa);
  if (view.length > 0.5) view.along = (*pb - *pa) / view.length;
  return view;
}

// The most ticks (10 down to 2) whose labels, side by side along the edge
// as it shows, keep the gap; when none do, the fewest that are still two.
NiceTicks Layouter::ChooseTicks(int axis, const EdgeView& edge) {
  const Span& span = m_spans[static_cast<std::size_t>(axis)];
  std::optional<NiceTicks> fewestTwo;
  NiceTicks ticks;
  for (int maxCount = 10; maxCount >= 2; --maxCount) {
    ticks = MakeNiceTicks(span.valueLo, span.valueHi, maxCount);
    if (ticks.values.size() < 2) break;
    fewestTwo = ticks;
    if (!edge.visible) continue;
    bool fits = true;
    std::optional<dvec2> previous;
    double previousExtent = 0.0;
    for (const double v : ticks.values) {
      dvec3 p = Vec(m_out.axes[static_cast<std::size_t>(axis)].edge.a);
      p[axis] = span.Model(v);
      const std::optional<dvec2> image = m_project.Image(p);
      if (!image) continue;
      const double extent = Extent(Measure(ticks.Label(v)), edge.along);
      if (previous && std::fabs(glm::dot(*image - *previous, edge.along)) <
                          (extent + previousExtent) / 2.0 + m_m.labelGap) {
        fits = false;
        break;
      }
      previous = image;
      previousExtent = extent;
    }
    if (fits) return ticks;
  }
  if (fewestTwo) return *fewestTwo;
  return ticks;
}

// Each axis' numbers: placed beyond the edge, thinned on the axis, then one
// of two at a corner dropped; the factor first (the numbers mean nothing
// without it), the numbers, the names beyond them.
void Layouter::LayOutAxisLabels() {
  // An axis seen end-on, shorter on screen than a digit is high, is left
  // unnumbered: its numbers would all stand at one point.
  const double shortest = Measure("0").height;
  for (EdgeView& edge : m_edges) edge.visible = edge.visible && edge.length >= shortest;
  std::array<std::vector<Candidate>, 3> ticks;
  for (int a = 0; a < 3; ++a) {
    const auto ua = static_cast<std::size_t>(a);
    const EdgeView& edge = m_edges[ua];
    if (!edge.visible) continue;
    const AxisLayout& axis = m_out.axes[ua];
    for (const double v : axis.ticks.values) {
      dvec3 p = Vec(axis.edge.a);
      p[a] = m_spans[ua].Model(v);
      const std::optional<dvec2> image = m_project.Image(p);
      if (!image || !Shown(*image)) continue;
      Candidate c = AxisCandidate(LabelKind::Tick, a, axis.ticks.Label(v), *image, edge.outward,
                                  m_m.tickLength + m_m.labelOffset);
      c.label.value = v;
      c.at = p;
      ticks[ua].push_back(std::move(c));
    }
    std::vector<Candidate*> order;
    for (Candidate& c : ticks[ua]) order.push_back(&c);
    Thin(order);
  }
  // Where two axes meet at a corner (x and y at the near corner of the far
  // height face, y and the height at its far one), or their numbers overlap
  // on screen, one of the two labels goes: that of the axis that has more,
  // of two with as many the height's, then y's.
  const auto alive = [&](std::size_t a) {
    return std::count_if(ticks[a].begin(), ticks[a].end(),
                         [](const Candidate& c) { return c.alive; });
  };
  static constexpr int kDropRank[3] = {0, 2, 1};
  const double samePoint = 1e-9 * (m_spans[0].hi - m_spans[0].lo + m_spans[1].hi - m_spans[1].lo +
                                   m_spans[2].hi - m_spans[2].lo);
  const auto clash = [&](const Candidate& p, const Candidate& q) {
    return p.alive && q.alive &&
           (Overlap(p.label.rect, q.label.rect, m_m.labelGap) ||
            glm::length(p.at - q.at) <= samePoint);
  };
  for (bool dropped = true; dropped;) {
    dropped = false;
    for (std::size_t a = 0; a < 3 && !dropped; ++a) {
      for (std::size_t b = a + 1; b < 3 && !dropped; ++b) {
        for (Candidate& p : ticks[a]) {
          for (Candidate& q : ticks[b]) {
            if (!clash(p, q)) continue;
            const auto na = alive(a);
            const auto nb = alive(b);
            const bool dropP = na > nb || (na == nb && kDropRank[a] > kDropRank[b]);
            (dropP ? p : q).alive = false;
            dropped = true;
          }
        }
      }
    }
  }
  for (std::size_t a = 0; a < 3; ++a) {
    const bool needsFactor = m_out.axes[a].ticks.exponent != 0;
    if (needsFactor && !PlaceFactor(static_cast<int>(a), ticks[a], ticks)) {
      for (Candidate& c : ticks[a]) c.alive = false;
    }
  }
  for (std::size_t a = 0; a < 3; ++a) {
    for (Candidate& c : ticks[a]) Place(std::move(c), true);
  }
  // A factor whose numbers all went is left out too.
  std::erase_if(m_out.labels, [&](const PlacedLabel& label) {
    return label.kind == LabelKind::Factor &&
           std::none_of(m_out.labels.begin(), m_out.labels.end(), [&](const PlacedLabel& other) {
             return other.kind == LabelKind::Tick && other.axis == label.axis;
           });
  });
  for (std::size_t a = 0; a < 3; ++a) {
    if (m_edges[a].visible) PlaceAxisName(static_cast<int>(a));
  }
}

// "×10^5" as the next label after the highest number, or else before the
// lowest: clear of its own numbers, and of the other axes' where it can be.
bool Layouter::PlaceFactor(int axis, const std::vector<Candidate>& ticks,
                           const std::array<std::vector<Candidate>, 3>& all) {
  const auto ua = static_cast<std::size_t>(axis);
  const AxisLayout& layout = m_out.axes[ua];
  const EdgeView& edge = m_edges[ua];
  const Span& span = m_spans[ua];
  if (layout.ticks.values.empty() ||
      std::none_of(ticks.begin(), ticks.end(), [](const Candidate& c) { return c.alive; })) {
    return true;
  }
  const std::string text = layout.ticks.FactorText();
  const LabelSize size = Measure(text);
  // Along the edge towards higher values.
  const dvec2 rising = span.valueHi >= span.valueLo ? edge.along : -edge.along;
  std::vector<Candidate> candidates;
  for (const bool high : {true, false}) {
    const double v = high ? layout.ticks.values.back() : layout.ticks.values.front();
    dvec3 p = Vec(layout.edge.a);
    p[axis] = span.Model(v);
    const std::optional<dvec2> image = m_project.Image(p);
    if (!image) continue;
    const dvec2 beyond = high ? rising : -rising;
    const double tickExtent = Extent(Measure(layout.ticks.Label(v)), edge.along);
    const dvec2 point =
        *image + beyond * (tickExtent / 2.0 + m_m.labelOffset + Extent(size, edge.along) / 2.0);
    Candidate c = AxisCandidate(LabelKind::Factor, axis, text, point, edge.outward,
                                m_m.tickLength + m_m.labelOffset);
    c.outward = glm::normalize(edge.outward + beyond);
    candidates.push_back(std::move(c));
  }
  const auto clear = [&](const Candidate& c, bool ofOthers) {
    for (std::size_t a = 0; a < 3; ++a) {
      if (a != ua && !ofOthers) continue;
      for (const Candidate& t : all[a]) {
        if (t.alive && Overlap(c.label.rect, t.label.rect, m_m.labelGap)) return false;
      }
    }
    return true;
  };
  for (const bool strict : {true, false}) {
    for (const Candidate& c : candidates) {
      if (c.alive && clear(c, strict) && Place(c, true)) return true;
    }
  }
  return false;
}

// Beyond the numbers at the middle of the edge's front part, or at a third
// from either end when the middle is taken.
void Layouter::PlaceAxisName(int axis) {
  const auto ua = static_cast<std::size_t>(axis);
  const EdgeView& edge = m_edges[ua];
  const std::string& text = m_in.axisNames[ua];
  if (text.empty()) return;
  double numbers = 0.0;
  for (const PlacedLabel& label : m_out.labels) {
    if (label.kind == LabelKind::Tick && label.axis == axis) {
      numbers = std::max(numbers, Extent(Measure(label.text), edge.outward));
    }
  }
  const double offset =
      m_m.tickLength + m_m.labelOffset + (numbers > 0.0 ? numbers + m_m.labelOffset : 0.0);
  for (const double t : {0.5, 1.0 / 3.0, 2.0 / 3.0}) {
    const std::optional<dvec2> image = m_project.Image(edge.a + (edge.b - edge.a) * t);
    if (!image || !Shown(*image)) continue;
    if (Place(AxisCandidate(LabelKind::AxisName, axis, text, *image, edge.outward, offset), true)) {
      return;
    }
  }
}

// Each extreme's marker at its projected point, and its label at the first
// of the places around it (nearer ring first, right before left, above
// before below) that is free and inside the picture.
void Layouter::LayOutExtremes() {
  struct Extreme {
    LabelKind kind;
    const std::optional<ExtremePoint>* point;
  };
  const Extreme extremes[2] = {{LabelKind::Minimum, &m_in.minimum},
                               {LabelKind::Maximum, &m_in.maximum}};
  const double half = m_m.markerSize / 2.0;
  std::vector<std::pair<Extreme, dvec2>> shown;
  for (const Extreme& e : extremes) {
    if (!*e.point) continue;
    const std::optional<dvec2> image = m_project.Image(Vec((*e.point)->model));
    if (!image || !m_project.InPicture(*image)) continue;
    m_out.markers.push_back({e.kind, {image->x, image->y}});
    m_markerRects.push_back({image->x - half, image->y - half, m_m.markerSize, m_m.markerSize});
    shown.emplace_back(e, *image);
  }
  static constexpr int kPlaces[8][2] = {{1, -1}, {1, 1},  {-1, -1}, {-1, 1},
                                        {1, 0},  {-1, 0}, {0, -1},  {0, 1}};
  for (const auto& [extreme, at] : shown) {
    const ExtremePoint& p = **extreme.point;
    const std::string text = std::string(extreme.kind == LabelKind::Minimum ? "min" : "max") +
                             " f=" + FormatSignificant(p.value, 4) + " at (" +
                             FormatSignificant(p.x, 4) + ", " + FormatSignificant(p.y, 4) + ")";
    const LabelSize size = Measure(text);
    bool placed = false;
    for (const double ring : {half + m_m.labelOffset, half + m_m.labelOffset + size.height}) {
      for (const auto& place : kPlaces) {
        const double left = place[0] > 0   ? at.x + ring
                            : place[0] < 0 ? at.x - ring - size.width
                                           : at.x - size.width / 2.0;
        const double top = place[1] > 0   ? at.y + ring
                           : place[1] < 0 ? at.y - ring - size.height
                                          : at.y - size.height / 2.0;
        Candidate c;
        c.label.text = text;
        c.label.kind = extreme.kind;
        c.label.rect = {std::round(left), std::round(top), size.width, size.height};
        c.outward = glm::normalize(dvec2(place[0], place[1]));
        if (std::any_of(m_markerRects.begin(), m_markerRects.end(), [&](const PixelRect& m) {
              return Overlap(c.label.rect, m, m_m.labelGap);
            })) {
          continue;
        }
        if (Place(std::move(c), true)) {
          placed = true;
          break;
        }
      }
      if (placed) break;
    }
  }
}

void Layouter::Run() {
  if (m_in.colourBar) LayOutColourBar();
  if (m_in.axes && std::all_of(m_in.box.begin(), m_in.box.end(), Finite)) {
    for (std::size_t a = 0; a < 3; ++a) m_spans[a] = Normalised(m_in.box[a]);
    BuildBox();
    LayOutAxisLabels();
  }
  LayOutExtremes();
}

}  // namespace

FarFaces ChooseFarFaces(const PictureView& view, const std::array<AxisSpan, 3>& box,
                        const std::optional<FarFaces>& previous) {
  FarFaces faces = previous.value_or(FarFaces{BoxSide::Low, BoxSide::Low, BoxSide::Low});
  const std::optional<Eye> eye = FindEye(view);
  if (!eye || !std::all_of(box.begin(), box.end(), Finite)) return faces;
  Spans spans{};
  double longest = 0.0;
  double diagonal = 0.0;
  for (std::size_t a = 0; a < 3; ++a) {
    spans[a] = Normalised(box[a]);
    const double side = spans[a].hi - spans[a].lo;
    longest = std::max(longest, side);
    diagonal += side * side;
  }
  diagonal = std::sqrt(diagonal);
  for (std::size_t a = 0; a < 3; ++a) {
    const Span& s = spans[a];
    const double e = eye->at[static_cast<int>(a)];
    // How much nearer the eye the High plane is than the Low one: > 0 makes
    // Low the far face.
    const double nearer =
        eye->perspective ? std::fabs(e - s.lo) - std::fabs(e - s.hi) : (s.hi - s.lo) * e;
    if (!previous) {
      faces[a] = nearer >= 0.0 ? BoxSide::Low : BoxSide::High;
      continue;
    }
    const double margin = longest > 0.0 ? 0.01 * diagonal * (s.hi - s.lo) / longest : 0.0;
    if (faces[a] == BoxSide::Low && nearer < -margin) faces[a] = BoxSide::High;
    if (faces[a] == BoxSide::High && nearer > margin) faces[a] = BoxSide::Low;
  }
  return faces;
}

PictureLayout LayOutPicture(const LayoutInput& input) {
  PictureLayout out;
  out.farFaces = ChooseFarFaces(input.view, input.box, input.previousFarFaces);
  if (input.view.width < 1 || input.view.height < 1 || !input.measure || !FindEye(input.view)) {
    return out;
  }
  Layouter(input, out).Run();
  return out;
}
