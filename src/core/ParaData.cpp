#include "core/ParaData.h"

#include <cmath>

const char* const DEFAULT_FORMULA = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";

const char* const PARA_NOT_DRAWABLE_MESSAGE =
    "ﾊﾟﾗﾒｰﾀに描画できない値があります (角度・計算範囲・Z軸係数)。";

bool HasDrawableValues(const CParaData& para) {
  return std::isfinite(para.m_dUpDownAngle) && std::isfinite(para.m_dLeftRightAngle) &&
         std::isfinite(para.m_dRange) && para.m_dRange != 0.0 && std::isfinite(para.m_dZCoef);
}

int ZeroByZeroIndex(double value) {
  // Only the three values the list offers have an item: a value between them
  // (only a damaged file holds one) shown as the nearest item would be stored
  // as that item on OK without the user having chosen it.
  if (value == -1.0) return 0;
  if (value == 0.0) return 1;
  if (value == 1.0) return 2;
  return -1;
}

double ZeroByZeroValue(int index) { return static_cast<double>(index) - 1.0; }
