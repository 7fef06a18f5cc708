// The section plot of `tsly section`: any bytes as a trace file (an in-memory
// file opened by path), read and laid out with a gain and the fill switch from
// the first byte. A file that is refused says why; one that is drawn stays
// within the picture's limits, and every wiggle and lobe point is a finite
// point inside the picture (a swing past the frame, which the painter clips,
// by at most the clip of two trace spacings).
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "FuzzSupport.h"
#include "deck/core/SectionPlot.h"

using namespace tsly;

namespace {

void inside(const section::Layout& l, const section::Point& p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) fuzz::fail("a point that is not finite");
  // A swing may reach past the frame (the painter clips the traces to it):
  // never by more than the clip.
  if (p.x < -l.clip || p.x > l.width + l.clip || p.y < 0 || p.y > l.height) {
    std::fprintf(stderr, "point %g %g, picture %d x %d, spacing %g\n", p.x, p.y, l.width, l.height, l.spacing);
    fuzz::fail("a point outside the picture");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static fuzz::MemFile file;
  file.set(data + 1, size - 1);
  section::Data d;
  const std::string why = section::readSectionFile(file.path(), d);
  if (!why.empty()) return 0;
  if (d.traces.empty() || d.intervalUs <= 0) fuzz::fail("an accepted file that can not be drawn");
  section::Options o;
  o.gainDb = static_cast<double>(static_cast<int>(data[0] % 121) * 2 - 120);
  o.fill = (data[0] & 0x80) != 0;
  const section::Layout l = section::layoutSection(d, o);
  if (l.width <= 0 || l.height <= 0 || l.width > section::MaxSectionSide || l.height > section::MaxSectionSide ||
      static_cast<long long>(l.width) * l.height > section::MaxSectionPixels)
    fuzz::fail("a picture beyond its limits");
  if (l.traceX.size() != d.traces.size()) fuzz::fail("a trace without its place");
  for (std::size_t k = 0; k < d.traces.size(); ++k) {
    for (const section::Point& p : section::wiggle(l, d, k)) inside(l, p);
    for (const auto& lobe : section::positiveLobes(l, d, k)) {
      if (lobe.size() < 2) fuzz::fail("a lobe of fewer than two points");
      for (const section::Point& p : lobe) inside(l, p);
    }
  }
  for (const section::Label& t : l.timeLabels)
    if (!(t.at >= 0 && t.at <= l.height)) {
      std::fprintf(stderr, "label %s at %g, picture %d x %d, %d samples at %d us\n", t.text.c_str(), t.at, l.width,
                   l.height, d.samples, d.intervalUs);
      fuzz::fail("a time label outside the picture");
    }
  for (const section::Label& c : l.cdpLabels)
    if (!(c.at >= 0 && c.at <= l.width)) fuzz::fail("a CDP label outside the picture");
  return 0;
}
