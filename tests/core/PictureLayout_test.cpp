// The layout of a picture's reading aids: the box, its faces, grid lines and tick marks, and the
// sweep that must hold: at every view, from above and below, for a tiny and a
// huge range and tiny and huge values, no two labels overlap, none leaves the
// picture or touches the colour bar, an axis that shows keeps at least two
// numbers, and orthographic axis edges lie on the box's outline.
#include "core/PictureLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat4x4.hpp>
#include <limits>
#include <string>
#include <vector>

namespace {

// The picture's matrices as the drawing thread makes them (SetProjection,
// SetViewpoint, RotateModel) for extents x, y in -R..R, in float as it
// computes them.
struct Camera {
  float range = 12.0f;
  bool perspective = true;
  bool fit = true;
  float zoom = 1.0f;
  int width = 640, height = 480;
};

PictureView MakeView(const Camera& camera, double upDown, double leftRight) {
  const double aspect = static_cast<double>(camera.width) / camera.height;
  const float k = 1.8f, r = camera.range, a = static_cast<float>(aspect);
  const float widen = camera.fit && aspect > 4.0 / 3.0 ? static_cast<float>(aspect * 0.75) : 1.0f;
  const float frame = 1.0f / camera.zoom;
  glm::mat4 projection;
  float eye = -2 * r;  // orthographic: the depth |maxY| + |minY|
  if (camera.perspective) {
    eye =
        -r * k / static_cast<float>(std::tan(50.0 / 180.0 * static_cast<double>(3.1415927f) / 2.0));
    const float x = r * k * ((-eye - k * r) / -eye) * frame * widen;
    projection = glm::frustum(-x, x, -x / a, x / a, -eye - k * r, -eye + k * r);
  } else {
    const float x = r * k * frame * widen;
    projection = glm::ortho(-x, x, -x / a, x / a, -eye - k * r, -eye + k * r);
  }
  const glm::mat4 modelView = glm::rotate(
      glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, eye)),
                  glm::radians(static_cast<float>(-upDown)), glm::vec3(1.0f, 0.0f, 0.0f)),
      glm::radians(static_cast<float>(leftRight)), glm::vec3(0.0f, 1.0f, 0.0f));
  PictureView view{.width = camera.width, .height = camera.height};
  std::copy_n(glm::value_ptr(projection), 16, view.projection.begin());
  std::copy_n(glm::value_ptr(modelView), 16, view.modelView.begin());
  return view;
}

// 7 pixels per character (a UTF-8 sequence is one), 13 high.
LabelSize Measure(const std::string& text) {
  const auto chars = std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  });
  return {7.0 * static_cast<double>(chars), 13.0};
}

// A fitted picture: the height drawn -R/2..R/2 shows -V..V.
std::array<AxisSpan, 3> FittedBox(double range, double values) {
  return {AxisSpan{-range, range, -range, range}, AxisSpan{-range / 2, range / 2, -values, values},
          AxisSpan{-range, range, -range, range}};
}

LayoutInput AllAids(const PictureView& view, const std::array<AxisSpan, 3>& box) {
  LayoutInput in;
  in.view = view;
  in.box = box;
  in.measure = Measure;
  const double range = box[0].modelHigh;
  in.colourBar = ColourBarRange{box[1].valueAtLow, box[1].valueAtHigh};
  in.minimum = ExtremePoint{
      {-range / 3, box[1].modelLow, range / 2}, box[1].valueAtLow, -range / 3, range / 2};
  in.maximum = ExtremePoint{
      {range / 2, box[1].modelHigh, -range / 3}, box[1].valueAtHigh, range / 2, -range / 3};
  return in;
}

glm::dvec2 ImagePoint(const PictureView& view, const ModelPoint& p) {
  const glm::dmat4 m = glm::dmat4(glm::make_mat4(view.projection.data())) *
                       glm::dmat4(glm::make_mat4(view.modelView.data()));
  const glm::dvec4 c = m * glm::dvec4(p[0], p[1], p[2], 1.0);
  return {(c.x / c.w * 0.5 + 0.5) * view.width, (0.5 - c.y / c.w * 0.5) * view.height};
}

bool Intersect(const PixelRect& a, const PixelRect& b) {
  return a.left < b.Right() && b.left < a.Right() && a.top < b.Bottom() && b.top < a.Bottom();
}

long Count(const PictureLayout& layout, std::initializer_list<LabelKind> kinds, int axis = -1) {
  return std::count_if(layout.labels.begin(), layout.labels.end(), [&](const PlacedLabel& l) {
    return std::find(kinds.begin(), kinds.end(), l.kind) != kinds.end() &&
           (axis < 0 || l.axis == axis);
  });
}

// Everything the layout promises about its labels, at one view.
void ExpectSound(const LayoutInput& in, const PictureLayout& layout) {
  const double margin = in.metrics.margin;
  const std::vector<PlacedLabel>& labels = layout.labels;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const PlacedLabel& a = labels[i];
    const PixelRect& r = a.rect;
    SCOPED_TRACE(testing::Message() << "'" << a.text << "' at " << r.left << "," << r.top);
    EXPECT_TRUE(r.left >= margin && r.top >= margin && r.Right() <= in.view.width - margin &&
                r.Bottom() <= in.view.height - margin);
    EXPECT_TRUE(r.left == std::round(r.left) && r.top == std::round(r.top));
    const LabelSize size = Measure(a.text);
    EXPECT_TRUE(r.width == size.width && r.height == size.height);
    for (std::size_t j = i + 1; j < labels.size(); ++j) {
      EXPECT_FALSE(Intersect(r, labels[j].rect)) << "overlaps '" << labels[j].text << "'";
    }
    const bool ofBar = a.kind == LabelKind::BarTick || a.kind == LabelKind::BarFactor;
    if (layout.colourBar && !ofBar) {
      EXPECT_FALSE(Intersect(r, layout.colourBar->region)) << "on the colour bar";
    }
    // The anchor is the rectangle's point its justification names.
    const double ax = a.hAlign == HAlign::Left    ? r.left
                      : a.hAlign == HAlign::Right ? r.Right()
                                                  : r.left + r.width / 2;
    const double ay = a.vAlign == VAlign::Top      ? r.top
                      : a.vAlign == VAlign::Bottom ? r.Bottom()
                                                   : r.top + r.height / 2;
    EXPECT_TRUE(a.anchor.x == ax && a.anchor.y == ay);
  }
  // Numbers with a common factor are never shown without it.
  for (int a = 0; a < 3; ++a) {
    if (Count(layout, {LabelKind::Tick}, a) > 0 && layout.axes[a].ticks.exponent != 0) {
      EXPECT_EQ(Count(layout, {LabelKind::Factor}, a), 1) << "axis " << a;
    }
  }
  if (layout.colourBar && layout.colourBar->ticks.exponent != 0 &&
      Count(layout, {LabelKind::BarTick}) > 0) {
    EXPECT_EQ(Count(layout, {LabelKind::BarFactor}), 1);
  }
}

TEST(PictureLayoutTest, BoxFacesEdgesGridAndTickMarks) {
  Camera camera;
  const auto box = FittedBox(12, 2);
  LayoutInput in = AllAids(MakeView(camera, -20, 30), box);
  const PictureLayout layout = LayOutPicture(in);
  ASSERT_TRUE(layout.hasBox);
  // From above, x < 0 and y > 0: the high x face, the floor and the low y
  // face are far.
  EXPECT_EQ(layout.farFaces, (FarFaces{BoxSide::High, BoxSide::Low, BoxSide::Low}));
  for (std::size_t a = 0; a < 3; ++a) {
    const FaceLayout& face = layout.faces[a];
    EXPECT_EQ(face.axis, static_cast<int>(a));
    EXPECT_EQ(face.side, layout.farFaces[a]);
    const double plane = face.side == BoxSide::Low ? box[a].modelLow : box[a].modelHigh;
    for (const ModelPoint& corner : face.corners) EXPECT_EQ(corner[a], plane);
    // The grid lines of the face's two other axes, one per tick, on its plane.
    EXPECT_EQ(face.gridLines.size(), layout.axes[(a + 1) % 3].ticks.values.size() +
                                         layout.axes[(a + 2) % 3].ticks.values.size());
    for (const ModelSegment& line : face.gridLines) {
      EXPECT_TRUE(line.a[a] == plane && line.b[a] == plane);
    }
  }
  // The axis edges: x at (y near = +R, height far = floor), y at (x near =
  // -R, height far), the height at (x near, y far = -R).
  const std::array<ModelSegment, 3> edges = {ModelSegment{{-12, -6, 12}, {12, -6, 12}},
                                             ModelSegment{{-12, -6, -12}, {-12, 6, -12}},
                                             ModelSegment{{-12, -6, -12}, {-12, -6, 12}}};
  for (std::size_t a = 0; a < 3; ++a) {
    const AxisLayout& axis = layout.axes[a];
    EXPECT_TRUE(axis.edge.a == edges[a].a && axis.edge.b == edges[a].b) << "axis " << a;
    ASSERT_EQ(axis.tickMarks.size(), axis.ticks.values.size());
    for (std::size_t k = 0; k < axis.tickMarks.size(); ++k) {
      const ModelSegment& mark = axis.tickMarks[k];
      // Starts on the edge at the tick's model position (values -2..2 on
      // the height's -6..6), leaves the box.
      const double model = a == kAxisHeight ? axis.ticks.values[k] * 3 : axis.ticks.values[k];
      EXPECT_DOUBLE_EQ(mark.a[a], model);
      EXPECT_EQ(mark.b[a], mark.a[a]);
      bool outside = false;
      for (std::size_t d = 0; d < 3; ++d) {
        outside = outside || mark.b[d] < box[d].modelLow || mark.b[d] > box[d].modelHigh;
      }
      EXPECT_TRUE(outside) << a << " " << k;
    }
  }
  // Every number is one of its axis' ticks; the names are there.
  for (const PlacedLabel& label : layout.labels) {
    if (label.kind != LabelKind::Tick) continue;
    const NiceTicks& ticks = layout.axes[static_cast<std::size_t>(label.axis)].ticks;
    EXPECT_NE(std::find(ticks.values.begin(), ticks.values.end(), label.value), ticks.values.end());
    EXPECT_EQ(label.text, ticks.Label(label.value));
  }
  EXPECT_EQ(Count(layout, {LabelKind::Minimum, LabelKind::Maximum}), 2);  // with the axes too
  for (const char* name : {"x", "y", "f(x,y)"}) {
    EXPECT_TRUE(std::any_of(layout.labels.begin(), layout.labels.end(), [&](const PlacedLabel& l) {
      return l.kind == LabelKind::AxisName && l.text == name;
    })) << name;
  }
  ExpectSound(in, layout);
}

// An orthographic view's axis edge that shows as a line is on the box's
// projected outline: all eight corners on one side of it.
void ExpectAxisEdgesOnTheOutline(const PictureView& view, const PictureLayout& layout) {
  for (std::size_t a = 0; a < 3; ++a) {
    const glm::dvec2 p = ImagePoint(view, layout.axes[a].edge.a);
    const glm::dvec2 d = ImagePoint(view, layout.axes[a].edge.b) - p;
    if (glm::length(d) < 20) continue;
    const glm::dvec2 n = glm::dvec2(-d.y, d.x) / glm::length(d);
    double low = 0, high = 0;
    for (const ModelSegment& edge : layout.boxEdges) {
      for (const ModelPoint& corner : {edge.a, edge.b}) {
        const double side = glm::dot(ImagePoint(view, corner) - p, n);
        low = std::min(low, side);
        high = std::max(high, side);
      }
    }
    EXPECT_LT(std::min(-low, high), 0.5) << "axis " << a << " off the outline";
  }
}

// 72 left-right angles x 7 up-down angles (from straight above to straight
// below), perspective and orthographic, for R = 0.01 and R = 100 with values
// of +-1e-6 and +-1e7, all aids on; also a tall picture scaled by a Z
// coefficient (its eye inside the height's slab), a zoomed and a wide one.
TEST(PictureLayoutTest, SweepNoOverlapNothingCut) {
  struct Case {
    const char* name;
    Camera camera;
    std::array<AxisSpan, 3> box;
  };
  std::vector<Case> cases;
  for (const bool perspective : {true, false}) {
    for (const float range : {0.01f, 100.0f}) {
      for (const double values : {1e-6, 1e7}) {
        Camera camera;
        camera.range = range;
        camera.perspective = perspective;
        cases.push_back({"fitted", camera, FittedBox(range, values)});
      }
    }
  }
  Camera tall, zoomed, wide;
  tall.fit = false;
  cases.push_back(
      {"tall, Z coefficient",
       tall,
       {AxisSpan{-12, 12, -12, 12}, AxisSpan{-2, 60, -2e-6, 6e-5}, AxisSpan{-12, 12, -12, 12}}});
  zoomed.zoom = 2.5f;
  cases.push_back({"zoomed", zoomed, FittedBox(100, 1e7)});
  wide.width = 900;
  wide.height = 300;
  cases.push_back({"wide", wide, FittedBox(12, 3)});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const int upDown : {-90, -60, -30, 0, 30, 60, 90}) {
      std::optional<FarFaces> previous;
      for (int leftRight = -180; leftRight < 180; leftRight += 5) {
        SCOPED_TRACE("up-down " + std::to_string(upDown) + ", left-right " +
                     std::to_string(leftRight) + (c.camera.perspective ? "" : ", orthographic"));
        LayoutInput in = AllAids(MakeView(c.camera, upDown, leftRight), c.box);
        in.previousFarFaces = previous;
        const PictureLayout layout = LayOutPicture(in);
        previous = layout.farFaces;
        ExpectSound(in, layout);
        ASSERT_TRUE(layout.colourBar.has_value());
        if (!c.camera.perspective) ExpectAxisEdgesOnTheOutline(in.view, layout);
        // An axis that shows at least 40 pixels long, wholly in the picture
        // and left of the colour bar, keeps two numbers.
        for (int a = 0; a < 3; ++a) {
          const glm::dvec2 p = ImagePoint(in.view, layout.axes[a].edge.a);
          const glm::dvec2 q = ImagePoint(in.view, layout.axes[a].edge.b);
          const auto clear = [&](const glm::dvec2& z) {
            return z.x >= 0 && z.y >= 0 && z.y <= in.view.height &&
                   z.x < layout.colourBar->region.left;
          };
          if (glm::length(q - p) >= 40 && clear(p) && clear(q)) {
            EXPECT_GE(Count(layout, {LabelKind::Tick}, a), 2) << "axis " << a;
          }
        }
      }
    }
  }
}

TEST(PictureLayoutTest, ColourBarAndExtremes) {
  Camera camera;
  LayoutInput in = AllAids(MakeView(camera, -20, 30), FittedBox(12, 1e7));
  in.axes = false;
  const PictureLayout layout = LayOutPicture(in);
  EXPECT_FALSE(layout.hasBox);
  ASSERT_TRUE(layout.colourBar.has_value());
  const ColourBarLayout& bar = *layout.colourBar;
  // 60% of 480 high, centred; at the right, its labels inside the picture.
  EXPECT_EQ(bar.bar.top, 96);
  EXPECT_EQ(bar.bar.height, 288);
  EXPECT_EQ(bar.bar.width, in.metrics.barWidth);
  EXPECT_GT(bar.bar.left, 560);
  EXPECT_EQ(std::pair(bar.bottomValue, bar.topValue), std::pair(-1e7, 1e7));
  EXPECT_EQ(bar.ticks.exponent, 7);
  ASSERT_EQ(bar.tickMarks.size(), bar.ticks.values.size());
  EXPECT_DOUBLE_EQ(bar.tickMarks.front().a.y, bar.bar.Bottom());
  EXPECT_DOUBLE_EQ(bar.tickMarks.back().a.y, bar.bar.top);
  EXPECT_EQ(Count(layout, {LabelKind::Tick, LabelKind::AxisName}), 0);
  EXPECT_GE(Count(layout, {LabelKind::BarTick}), 2);
  for (const char* text : {"\xC3\x97"
                           "10^7",
                           "-1.0", "min f=-1e7 at (-4, 6)", "max f=1e7 at (6, -4)"}) {
    EXPECT_TRUE(std::any_of(layout.labels.begin(), layout.labels.end(), [&](const PlacedLabel& l) {
      return l.text == text;
    })) << text;
  }
  ASSERT_EQ(layout.markers.size(), 2u);
  EXPECT_EQ(layout.markers[0].kind, LabelKind::Minimum);
  EXPECT_EQ(layout.markers[1].kind, LabelKind::Maximum);
  ExpectSound(in, layout);

  // Each aid alone.
  LayoutInput bare = in;
  bare.colourBar.reset();
  bare.minimum.reset();
  bare.maximum.reset();
  EXPECT_TRUE(LayOutPicture(bare).labels.empty());
  bare.axes = true;
  const PictureLayout axesOnly = LayOutPicture(bare);
  EXPECT_FALSE(axesOnly.colourBar.has_value());
  EXPECT_TRUE(axesOnly.markers.empty());
  EXPECT_GE(axesOnly.labels.size(), 9u);
  // The height's numbers and their factor stand beyond its tick marks, on the
  // side the marks point to, measured square to the axis on the screen.
  const AxisLayout& height = axesOnly.axes[kAxisHeight];
  const glm::dvec2 p = ImagePoint(in.view, height.edge.a);
  const glm::dvec2 d = glm::normalize(ImagePoint(in.view, height.edge.b) - p);
  glm::dvec2 out(-d.y, d.x);
  const ModelSegment& mark = height.tickMarks.front();
  if (glm::dot(ImagePoint(in.view, mark.b) - ImagePoint(in.view, mark.a), out) < 0) out = -out;
  EXPECT_EQ(Count(axesOnly, {LabelKind::Factor}, kAxisHeight), 1);
  for (const PlacedLabel& l : axesOnly.labels) {
    if (l.axis != kAxisHeight || (l.kind != LabelKind::Tick && l.kind != LabelKind::Factor))
      continue;
    double nearest = 1e300;
    for (const double x : {l.rect.left, l.rect.Right()})
      for (const double y : {l.rect.top, l.rect.Bottom()})
        nearest = std::min(nearest, glm::dot(glm::dvec2(x, y) - p, out));
    EXPECT_GT(nearest, in.metrics.tickLength) << l.text;
  }
  // The factor stands next to the numbers it belongs to: about a label offset
  // from the nearest of them (whole pixels and the push off the axis add a few).
  const auto gap = [](const PixelRect& a, const PixelRect& b) {
    return std::hypot(std::max({0.0, a.left - b.Right(), b.left - a.Right()}),
                      std::max({0.0, a.top - b.Bottom(), b.top - a.Bottom()}));
  };
  double nearest = 1e300;
  for (const PlacedLabel& factor : axesOnly.labels) {
    if (factor.axis != kAxisHeight || factor.kind != LabelKind::Factor) continue;
    for (const PlacedLabel& l : axesOnly.labels)
      if (l.axis == kAxisHeight && l.kind == LabelKind::Tick)
        nearest = std::min(nearest, gap(factor.rect, l.rect));
  }
  EXPECT_LE(nearest, 2.0 * in.metrics.labelOffset);
}

TEST(PictureLayoutTest, PicturesThatCannotBeLaidOut) {
  Camera camera;
  const LayoutInput good = AllAids(MakeView(camera, -20, 30), FittedBox(12, 1));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // No pixels, a matrix not finite or not invertible, no measure: no labels.
  for (const auto& spoil : std::vector<std::function<void(LayoutInput&)>>{
           [](LayoutInput& in) { in.view.width = 0; },
           [&](LayoutInput& in) { in.view.modelView[5] = static_cast<float>(nan); },
           [](LayoutInput& in) { in.view.modelView.fill(0.0f); },
           [](LayoutInput& in) { in.measure = nullptr; }}) {
    LayoutInput in = good;
    spoil(in);
    EXPECT_TRUE(LayOutPicture(in).labels.empty());
  }
  // A box with a non-finite side has no box; the other aids stay.
  LayoutInput in = good;
  in.box[1].valueAtHigh = std::numeric_limits<double>::infinity();
  const PictureLayout noBox = LayOutPicture(in);
  EXPECT_FALSE(noBox.hasBox);
  EXPECT_TRUE(noBox.colourBar.has_value());
  // A text measure gone wrong leaves its labels out, never overlapping.
  in = good;
  in.measure = [&](const std::string& text) {
    return text == "0" ? LabelSize{nan, 13} : Measure(text);
  };
  for (const PlacedLabel& l : LayOutPicture(in).labels) EXPECT_NE(l.text, "0");
  // A picture too small for anything but keeps its promises.
  in = good;
  in.view.width = 40;
  in.view.height = 30;
  ExpectSound(in, LayOutPicture(in));
  // A flat box (a constant function under a Z coefficient) shows its value.
  in = good;
  in.box[1] = AxisSpan{0.5, 0.5, 0.5, 0.5};
  const PictureLayout flat = LayOutPicture(in);
  ExpectSound(in, flat);
  EXPECT_EQ(flat.axes[kAxisHeight].ticks.values, std::vector<double>{0.5});
}

}  // namespace
