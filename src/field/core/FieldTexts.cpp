#include "field/core/FieldTexts.h"

#include <cmath>

#include "field/core/VelocityField.h"
#include "shared/Numbers.h"

namespace tsly::fieldtext {

std::string title(bool interval, int firstCdp, int lastCdp) {
  std::string t = interval ? "Interval velocity (Dix), CDP " : "RMS velocity, CDP ";
  t += plainNumberText(firstCdp);
  if (lastCdp != firstCdp) t += "-" + plainNumberText(lastCdp);
  return t;
}

std::string pointText(int cdp, double timeMs, bool interval, float value, unsigned flags) {
  std::string t = "CDP " + plainNumberText(cdp) + ", " + plainNumberText(static_cast<int>(nearest(timeMs))) + " ms: ";
  if (std::isfinite(value))
    t += std::string(interval ? "interval " : "RMS ") + plainNumberText(static_cast<int>(nearest(value))) + " m/s";
  else
    t += interval ? "no interval velocity" : "no velocity";
  if (flags & field::Undefined)
    t += "; interval velocity undefined";
  else if (flags & field::Falling)
    t += "; interval velocity falling";
  return t;
}

}  // namespace tsly::fieldtext
