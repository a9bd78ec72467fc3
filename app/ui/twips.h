// Twips, the unit the windows' designed sizes are given in: 1440 per logical
// inch, that is 15 per pixel at 96 dpi.
#pragma once

#include <QtGlobal>

namespace twips {

inline constexpr int PerInch = 1440;

// Pixels for a length in twips on a screen with the given logical dpi.
constexpr int toPixels(int twips, qreal logicalDpi) {
    return qRound(twips * logicalDpi / PerInch);
}

// Twips for a length in pixels on a screen with the given logical dpi.
constexpr int fromPixels(int pixels, qreal logicalDpi) {
    return logicalDpi > 0 ? qRound(pixels * PerInch / logicalDpi) : 0;
}

} // namespace twips
