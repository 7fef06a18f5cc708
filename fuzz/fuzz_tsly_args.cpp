// The number and list parsers of tsly's command line. Whatever they accept must
// be usable: integer lists hold exactly the values written, numbers are finite,
// and accepted synth events pass the parameter check and make a trace.
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ArgParse.h"
#include "generation/core/Synth.h"
#include "shared/Numbers.h"

using namespace tsly;
using namespace tsly::cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (data[0] % 4) {
    case 0: {
      std::vector<int> v;
      if (parseIntList(text, ':', v)) {
        // Re-joining the values reads back the same values.
        std::string joined;
        for (std::size_t i = 0; i < v.size(); ++i) joined += (i ? ":" : "") + std::to_string(v[i]);
        std::vector<int> again;
        if (!v.empty() && (!parseIntList(joined, ':', again) || again != v)) fuzz::fail("int list not stable");
        if (v.size() == 3) {
          SynthParams p;
          p.offsetFirst = v[0];
          p.offsetStep = v[1];
          p.offsetCount = v[2];
          p.cdps = 1;
          p.samples = 16;
          if (checkSynthParams(p).empty()) {
            std::vector<float> t;
            synthTrace(p, std::fabs(double(p.offsetFirst)), t);
          }
        }
      }
      break;
    }
    case 1: {
      double d = 0;
      if (parseFiniteNumber(text, d) && !std::isfinite(d)) fuzz::fail("accepted a number that is not finite");
      break;
    }
    case 3: {
      // tsly generate's number texts: an accepted text reads as the number it
      // spells (the whole text, by the program's number reading).
      if (isNumberText(text)) {
        const double v = readNumber(text);
        const std::string body = text.substr(text.find_first_not_of(' '));
        const double ref = std::strtod(body.c_str(), nullptr);
        if (!(v == ref)) fuzz::fail("number text reads as another value");
      }
      break;
    }
    default: {
      SynthParams p;
      p.samples = 64;
      p.intervalUs = 4000;
      if (parseEventList(text, p.events)) {
        for (const auto& e : p.events)
          if (!std::isfinite(e.t0Ms) || !std::isfinite(e.velocity)) fuzz::fail("event not finite");
        if (checkSynthParams(p).empty()) {
          std::vector<float> t;
          synthTrace(p, 3000.0, t);
          for (float s : t)
            if (!std::isfinite(s)) fuzz::fail("synth trace not finite");
        }
      }
      break;
    }
  }
  return 0;
}
