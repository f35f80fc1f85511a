// The layout tables give geometry in twips (15 to a pixel); this is the one place that converts it.
#pragma once

#include <cmath>

namespace platform {

inline constexpr int kTwipsPerPixel = 15;

/// Twips to device-independent pixels; Qt scales those on high-density screens.
constexpr int toPixels(double twips) {
    return static_cast<int>(twips / kTwipsPerPixel + (twips >= 0 ? 0.5 : -0.5));
}

constexpr double toTwips(double pixels) {
    return pixels * kTwipsPerPixel;
}

} // namespace platform
