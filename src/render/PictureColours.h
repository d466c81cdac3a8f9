// The colours of the mesh and contour pictures, shared by the GL styles and
// the SVG drawing of the same picture, so that the two never differ.
#pragma once

// The mesh's lines, in every mesh look.
inline constexpr float kMeshLineColour[3] = {0.5f, 0.5f, 1.0f};

// The clear colour of a picture of drawStyle on the background choice.
void BackgroundColour(int backColor, int drawStyle, float rgb[3]);
