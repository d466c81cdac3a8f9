// The reading aids of a run's pictures: the box around the drawn range with
// three numbered axes, the colour bar, and the marked extremes. Each frame is
// laid out afresh from the matrices it is drawn with (the layout is core's
// PictureLayout); the box's far faces go into GL behind the model and its
// edges in front, and the texts, the bar and the markers are painted onto
// the read-back frame, so that the window, saved images and orvex-cli show
// the same pixels. No depth is written: the readout and the SVG's
// visibility see the model alone.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "core/ColourMap.h"
#include "core/Fit.h"
#include "core/PictureLayout.h"
#include "render/FrameSink.h"

class CTextPainter;

// What a run's aids are made of, known once its grid is sampled.
struct AidsSetup {
  bool axes = false;
  bool extremes = false;
  // The colour bar, when the picture is coloured by height.
  std::optional<ColourMap> colourMap;
  std::optional<ColourBarRange> barRange;
  std::array<AxisSpan, 3> box{};
  std::optional<ExtremePoint> minimum, maximum;
  // The clear colour's choice and the style, for colours that read on it.
  int backColor = 0;
  int drawStyle = 0;
};

// The spans of a sampled grid's box and its extremes, as the layout wants
// them. grid is in the surface layout (surface true: x, height, y per point)
// or the contour layout (f per point); heights are drawn as f times zScale,
// or through the fit. f is evaluated again at the extremes' grid points, so
// their values are the formula's, not the narrowed heights'.
struct SampledBox {
  std::array<AxisSpan, 3> box{};
  std::optional<ExtremePoint> minimum, maximum;
  // The range of f the picture's colours run over.
  std::optional<ColourBarRange> valueRange;
};
SampledBox BoxOfGrid(const std::vector<float>& grid, bool surface, const GridSpec& gridSpec,
                     const GridExtents& extents, const SurfaceFit* fit, CFormula* formula);

class CPictureAids {
 public:
  CPictureAids();
  ~CPictureAids();
  CPictureAids(const CPictureAids&) = delete;
  CPictureAids& operator=(const CPictureAids&) = delete;

  void Setup(const AidsSetup& setup);
  const AidsSetup& Setting() const { return m_setup; }
  // The toggles a run on may change: its next frame shows them.
  void SetShown(bool axes, bool extremes);
  bool Active() const;

  // Lays out the frame drawn with these matrices; then the three steps below.
  void LayOut(const std::array<float, 16>& projection, const std::array<float, 16>& modelView,
              int width, int height);
  // Under the model's matrix: the far faces as light panes with their grid
  // lines, before the model, which covers them.
  void DrawBehind() const;
  // Under the model's matrix: the box's edges and the axes' tick marks after
  // the model, hidden where it hides them.
  void DrawInFront() const;
  // The labels, the colour bar and the extremes' markers.
  void Decorate(Frame& frame) const;

  const PictureLayout& Layout() const { return m_layout; }
  // The colours of the labels, the far faces, their grid lines and the box's
  // edges on this background.
  std::array<std::uint8_t, 3> TextColour() const;
  std::array<std::uint8_t, 3> PaneColour() const;
  std::array<std::uint8_t, 3> GridColour() const;
  std::array<std::uint8_t, 3> EdgeColour() const;
  std::array<std::uint8_t, 3> MarkerColour(LabelKind kind) const;
  // The labels' font size, and from a label's top to its baseline, in pixels.
  static int TextPixels();
  int TextAscent() const;

 private:
  AidsSetup m_setup;
  std::unique_ptr<CTextPainter> m_pPainter;
  PictureLayout m_layout;
  std::optional<FarFaces> m_farFaces;
};
