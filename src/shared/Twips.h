// Twips (1/1440 inch), the unit every window and dialog is laid out in, and
// pixels at a logical DPI. The one conversion the program uses; a DPI that is
// not positive counts as 96 (15 twips per pixel).
#pragma once

#include "shared/Numbers.h"

namespace tsly {

inline constexpr int TwipsPerInch = 1440;

// Twips to the nearest pixel (halves to even; saturates at the 32-bit range).
inline int twipsToPixels(double twips, double dpi) {
  return nearestI32(twips * (dpi > 0 ? dpi : 96.0) / TwipsPerInch);
}

// Pixels to twips, exactly.
inline double pixelsToTwips(double pixels, double dpi) { return pixels * TwipsPerInch / (dpi > 0 ? dpi : 96.0); }

}  // namespace tsly
