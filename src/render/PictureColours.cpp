#include "render/PictureColours.h"

#include "core/ParaData.h"

void BackgroundColour(int backColor, int drawStyle, float rgb[3]) {
  switch (backColor) {
    case BACK_WHITE:
      rgb[0] = rgb[1] = rgb[2] = 1.0f;
      break;
    case BACK_KEEP:
      rgb[0] = 128.0f / 255.0f;
      rgb[1] = (drawStyle == STYLE_CONTOUR ? 176.0f : 184.0f) / 255.0f;
      rgb[2] = (drawStyle == STYLE_CONTOUR ? 184.0f : 176.0f) / 255.0f;
      break;
    default:
      // BACK_BLACK, and also a choice outside 0..2 (a dialog without a
      // selection stores -1): black rather than an undefined colour.
      rgb[0] = rgb[1] = rgb[2] = 0.0f;
      break;
  }
}
