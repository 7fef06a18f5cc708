// The option checks of `tsly semblance`: any texts as --cdp, --vmin, --vmax,
// --dv, --window-ms and --stretch (fields split at NUL bytes; the first byte
// chooses which outputs are asked for). Accepted options give 1 to 1000 trial
// velocities, each a finite velocity above 0 in single precision, a stretch in
// range and a finite window; a spectrum computed with them (on a small gather
// of six traces) holds values within 0..1. A refusal is one line with no
// control character.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "SemblanceOptions.h"
#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"
#include "tests/support/TraceFileBuilder.h"

using namespace tsly;

namespace {

// CDP 7: six live traces, offsets 100..600, 50 samples at 4 ms.
const CdpTraces& gatherCdp() {
  static const CdpTraces traces = [] {
    test::TraceFileBuilder b(1, 50);
    for (int k = 1; k <= 6; ++k) b.dataTrace(7, 50.0f * k).header(WordOffset, 100 * k).header(WordOffsetScalar, 1);
    GatherCdps g;
    CdpTraces t;
    if (!g.open(fuzz::lastingFile(b.bytes())).empty() || !g.read(7, t).empty()) fuzz::fail("the gather of the fuzz target does not open");
    return t;
  }();
  return traces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::vector<std::string> f(1);
  for (std::size_t k = 1; k < size; ++k) {
    if (data[k] == 0 && f.size() < 6)
      f.emplace_back();
    else
      f.back().push_back(static_cast<char>(data[k]));
  }
  f.resize(6);
  cli::SemblanceOptions o;
  o.gather = "/nonexistent/fuzz-gather.dat";
  o.cdp = f[0];
  if (!f[1].empty()) o.vmin = f[1];
  if (!f[2].empty()) o.vmax = f[2];
  if (!f[3].empty()) o.dv = f[3];
  o.windowMs = f[4];
  if (!f[5].empty()) o.stretch = f[5];
  if (data[0] & 1) o.png = "/nonexistent/fuzz.png";
  if (data[0] & 2) o.csv = "/nonexistent/fuzz.csv";
  o.peaks = (data[0] & 4) != 0;
  cli::SemblanceRequest q;
  const std::string why = cli::checkSemblanceOptions(o, q);
  if (!why.empty()) {
    for (char c : why)
      if (static_cast<unsigned char>(c) < 32 || c == 127) fuzz::fail("a control character in a refusal");
    return 0;
  }
  const std::vector<float> v = velocityGrid(q.vmin, q.vmax, q.dv);
  if (v.empty() || v.size() > cli::MaxVelocities) fuzz::fail("accepted options give no or too many velocities");
  for (float x : v)
    if (!std::isfinite(x) || !(x > 0.0f)) fuzz::fail("a trial velocity that is none");
  if (!(q.stretch >= 0.1f && q.stretch <= 0.99f)) fuzz::fail("a stretch out of range accepted");
  if (!o.windowMs.empty() && !(std::isfinite(q.windowMs) && q.windowMs > 0)) fuzz::fail("a window that is none");

  // The spectrum with these settings, as tsly computes it.
  SemblanceSettings s;
  s.velocities = v;
  s.stretch = q.stretch;
  s.workers = 1;
  const CdpTraces& cdp = gatherCdp();
  if (!o.windowMs.empty()) {
    const double n = std::max(1.0, std::round(q.windowMs * 1000.0 / cdp.intervalUs));
    if (n > 1001) return 0;  // refused by tsly before anything is computed
    s.windowSamples = static_cast<std::int32_t>(n);
  }
  SemblanceEngine engine(s);
  Spectrum out;
  if (!engine.compute(cdp, out)) fuzz::fail("a spectrum not computed");
  for (float x : out.values)
    if (!(x >= 0.0f && x <= 1.0f)) fuzz::fail("a semblance outside 0..1");
  return 0;
}
