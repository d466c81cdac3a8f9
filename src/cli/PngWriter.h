// Presented frames as PNG files (libpng).
#pragma once

#include <string>

#include "render/FrameSink.h"

// Writes the frame as an 8-bit RGB PNG (alpha is always opaque and left out).
// On false *error holds the message and the file may be incomplete.
bool WritePng(const std::string& path, const Frame& frame, std::string* error);
