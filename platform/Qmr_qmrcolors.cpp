// Colour conversions: RGB to gray and to hue, saturation and intensity.
#include "platform/Qmr_qmrcolors.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qmr {

double RGBtoGray(std::uint8_t R, std::uint8_t G, std::uint8_t B) noexcept {
    return 0.299 * R + 0.587 * G + 0.114 * B;
}

void RGBtoHSI(std::uint8_t R, std::uint8_t G, std::uint8_t B, double& Hue, double& Saturation,
              double& Intensity) noexcept {
    double r = R / 255.0, g = G / 255.0, b = B / 255.0;
    double Sum = r + g + b;
    Intensity = Sum / 3.0;
    Hue = 0.0;
    Saturation = 0.0;
    if (R == G && G == B) return;  // gray (or black): no hue, no saturation
    Saturation = 1.0 - 3.0 * std::min({r, g, b}) / Sum;
    // Angle from the red axis in the chromaticity plane (atan2 form, stable near 0 and 180).
    double X = r - 0.5 * (g + b);
    double Y = (std::numbers::sqrt3 / 2.0) * (g - b);
    double H = std::atan2(Y, X) * (180.0 / std::numbers::pi);
    if (H < 0) H += 360.0;
    if (H >= 360.0) H -= 360.0;
    Hue = H;
}

}  // namespace qmr
