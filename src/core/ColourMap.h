// Colour maps for surfaces coloured by height: three published perceptual
// maps and the blue-green-red of the contour lines.
#pragma once

#include <array>
#include <optional>
#include <string_view>

enum class ColourMap { Viridis, Cividis, Turbo, Contour };

// Every map, in the order a menu lists them.
inline constexpr std::array<ColourMap, 4> kColourMaps = {ColourMap::Viridis, ColourMap::Cividis,
                                                         ColourMap::Turbo, ColourMap::Contour};

// The name the command line and the settings use: "viridis", "cividis",
// "turbo", "contour".
std::string_view ColourMapName(ColourMap map);
// The map a name stands for, in any case ("Turbo", "VIRIDIS"); nothing for
// any other text, "jet" or " turbo" alike.
std::optional<ColourMap> ColourMapFromName(std::string_view name);

// The colour (red, green, blue, each 0..1) at t along the map: 0 the bottom
// of the range, 1 the top. t beyond 0..1 is clamped; NaN (a flat range's
// 0/0) takes the middle colour, t = 0.5, as one height alone gives the
// contour lines their middle green. Viridis, cividis and turbo are their
// published 256 colours at t = i/255, linear in between; contour is
// ContourColourFor(t, 0, 1): blue, green at 0.5, red.
std::array<float, 3> MapColour(ColourMap map, double t);
