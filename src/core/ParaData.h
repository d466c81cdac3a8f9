// The parameter set: everything the user can set about one plot.
#pragma once

#include <string>
#include <vector>

using BOOL = int;  // 32-bit boolean, as stored in parameter files
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Drawing styles (values of m_nDrawStyle). 0..4 are the surface styles.
constexpr int STYLE_MESH = 0;
constexpr int STYLE_PLASTIC = 1;
constexpr int STYLE_PAPER = 2;
constexpr int STYLE_GHOST = 3;
constexpr int STYLE_SILVER = 4;
constexpr int STYLE_CONTOUR = 5;

// Background choices (values of m_nBackColor).
constexpr int BACK_BLACK = 0;
constexpr int BACK_WHITE = 1;
constexpr int BACK_KEEP = 2;  // clear to the view's idle colour

// Bounds of m_nMesh that every loaded set keeps (see ClampToSafeRanges). The
// entry fields offer 1..500; at kMaxMesh the grid of (N+1)^2 points with three
// floats each is already about 48 MB, so code sizing buffers by m_nMesh may
// rely on these bounds.
constexpr int kMinMesh = 1;
constexpr int kMaxMesh = 2000;

extern const char* const DEFAULT_FORMULA;

// A named parameter of the formula ("a" in a*sin(x)): its value and its slider.
enum class PlayMode : int { Loop = 0, BackAndForth = 1, Once = 2 };
struct FormulaParameter {
  std::string name;  // as the user wrote it first; matched in any case
  double value = 1.0;
  double min = -10.0, max = 10.0, step = 0.1;
  PlayMode play = PlayMode::Loop;
  bool operator==(const FormulaParameter&) const = default;
};

class CParaData {
 public:
  bool operator==(const CParaData&) const = default;

  double m_dUpDownAngle = -20.0;
  double m_dLeftRightAngle = 30.0;
  double m_dRange = 12.0;
  double m_dZCoef = 11.0;
  BOOL m_bPerspective = TRUE;
  BOOL m_bHiddenLine = TRUE;
  BOOL m_bShading = TRUE;
  int m_nMesh = 32;
  double m_dContourStep = 0.05;
  int m_nDrawStyle = STYLE_MESH;
  std::string m_strFormula = DEFAULT_FORMULA;  // UTF-8 in memory, CP932 in files
  double m_dZeroByZero = 1.0;
  int m_nBackColor = BACK_BLACK;
  // Beyond the thirteen stored fields: a file keeps these in a block of its
  // own after the object, so a set without them writes the same bytes.
  std::vector<FormulaParameter> m_params;
  // The window's centre: the grid spans m_dCentreX +- m_dRange in x and
  // m_dCentreY +- m_dRange in y, while the model stays centred on 0.
  double m_dCentreX = 0.0, m_dCentreY = 0.0;
};

// False when a value the picture is built from is not a finite number, or
// the range is 0: only a damaged file holds one, and the picture would come
// out empty. The contour interval is the contour code's to judge.
bool HasDrawableValues(const CParaData& para);
// "ﾊﾟﾗﾒｰﾀに描画できない値があります (角度・計算範囲・Z軸係数)。"
extern const char* const PARA_NOT_DRAWABLE_MESSAGE;

// The 0/0 value is edited as the index i of "-1.0", " 0.0", "+1.0": value = i - 1.
// -1 (no item) for any other value.
int ZeroByZeroIndex(double value);
double ZeroByZeroValue(int index);
