// Colour conversions: RGB to gray and to hue, saturation and intensity.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// Gray value 0.299 R + 0.587 G + 0.114 B (0..255) of a colour given by its channel bytes.
QMR_API double RGBtoGray(std::uint8_t R, std::uint8_t G, std::uint8_t B) noexcept;

// Hue (degrees, 0 <= Hue < 360), saturation (0..1) and intensity (0..1) of a colour:
// Intensity = (r + g + b) / 3 and Saturation = 1 - min(r, g, b) / Intensity with the
// channels scaled to 0..1; Hue is the angle of the colour around the gray axis, 0 for
// red, 120 for green, 240 for blue. A gray colour has Hue 0 and Saturation 0; black
// has all three 0.
QMR_API void RGBtoHSI(std::uint8_t R, std::uint8_t G, std::uint8_t B, double& Hue, double& Saturation,
                      double& Intensity) noexcept;

}  // namespace qmr
