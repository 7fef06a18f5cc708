#include "SemblanceOptions.h"

#include <cmath>

#include "ArgParse.h"
#include "platform/ShownText.h"
#include "shared/FileUtil.h"
#include "shared/OutputCheck.h"
#include "spectrum/core/SpectrumText.h"

namespace tsly::cli {

namespace {

bool number(const std::string& text, const char* option, double& v, std::string& error) {
  if (parseFiniteNumber(text, v)) return true;
  error = std::string(option) + ": '" + shownText(text, 40) + "' is not a number";
  return false;
}

}  // namespace

std::string checkSemblanceOptions(const SemblanceOptions& o, SemblanceRequest& q) {
  q.all = o.cdp == "all";
  if (!q.all) {
    double c = 0;
    if (!parseFiniteNumber(o.cdp, c) || c != std::floor(c) || c < -32768 || c > 32767)
      return "--cdp wants a CDP number (-32768 to 32767) or all, not '" + shownText(o.cdp, 40) + "'";
    q.cdp = static_cast<std::int16_t>(c);
  }
  std::string error;
  double stretch = 0;
  if (!number(o.vmin, "--vmin", q.vmin, error) || !number(o.vmax, "--vmax", q.vmax, error) ||
      !number(o.dv, "--dv", q.dv, error) || !number(o.stretch, "--stretch", stretch, error) ||
      (!o.windowMs.empty() && !number(o.windowMs, "--window-ms", q.windowMs, error)))
    return error;
  if (!(q.vmin > 0)) return "--vmin must be above 0";
  if (!(q.vmin < q.vmax))
    return "--vmin (" + shortNumber(q.vmin) + ") must be below --vmax (" + shortNumber(q.vmax) + ")";
  if (!(q.dv > 0)) return "--dv must be above 0";
  // Trial velocities are single-precision numbers: both ends must be one.
  if (!(static_cast<float>(q.vmin) > 0.0f)) return "--vmin (" + shortNumber(q.vmin) + ") is too small a velocity";
  if (!std::isfinite(static_cast<float>(q.vmax))) return "--vmax (" + shortNumber(q.vmax) + ") is too large a velocity";
  const double count = std::floor((q.vmax - q.vmin) / q.dv + 1e-6) + 1;
  if (count > static_cast<double>(MaxVelocities))
    return "--vmin, --vmax and --dv give " + shortNumber(count) + " velocities; at most " +
           std::to_string(MaxVelocities);
  if (!o.windowMs.empty() && !(q.windowMs > 0)) return "--window-ms must be above 0";
  q.stretch = static_cast<float>(stretch);
  if (!(q.stretch >= 0.1f && q.stretch <= 0.99f)) return "--stretch must lie between .1 and .99";
  if (q.all && !o.png.empty()) return "--png draws one CDP; give --cdp N (--csv and --peaks take all)";
  if (o.png.empty() && o.csv.empty() && !o.peaks) return "nothing to write: give --png, --csv or --peaks";
  if (!o.png.empty() && !o.csv.empty() && sameFileName(o.png, o.csv)) return "--png and --csv name the same file";
  // The output check: never the gather, never a folder, FIFO or device;
  // existing files are replaced.
  for (const std::string* out : {&o.png, &o.csv})
    if (!out->empty())
      if (const OutputCheck c = checkOutputFile(*out, {{o.gather, "the gather file"}}, true); !c.ok()) return c.message;
  return {};
}

}  // namespace tsly::cli
