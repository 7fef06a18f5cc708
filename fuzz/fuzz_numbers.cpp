// Number reading on any text, and the number text / number reading round trip.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "shared/Numbers.h"

using namespace tsly;

namespace {

void checkText(const std::string& s, bool blank) {
  if (s.empty()) fuzz::fail("empty number text");
  if (blank && s[0] != ' ' && s[0] != '-') fuzz::fail("number text without blank or sign");
  if (s.find_first_of("eE") != std::string::npos) fuzz::fail("exponent in number text");
  const std::size_t dot = s.find('.');
  if (dot != std::string::npos && s.back() == '0') fuzz::fail("trailing zero after the point");
  if (dot != std::string::npos && dot > 0 && s[dot - 1] == '0' && (dot == 1 || s[dot - 2] == ' ' || s[dot - 2] == '-'))
    fuzz::fail("leading zero before the point");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double v = readNumber(text);
  if (std::isnan(v)) fuzz::fail("readNumber gave NaN");
  // Blanks are skipped wherever they stand: a leading blank changes nothing.
  const double v2 = readNumber(std::string(" ") + std::string(text));
  if (!(v == v2)) fuzz::fail("leading blank changed the value");
  (void)nearest(v);
  (void)nearestI16(v);
  (void)nearestI32(v);

  if (size >= 4) {
    float f;
    std::memcpy(&f, data, 4);
    if (std::isfinite(f)) {
      const std::string s = numberText(f);
      checkText(s, true);
      if (plainNumberText(f) != (s[0] == ' ' ? s.substr(1) : s)) fuzz::fail("plain text differs");
      const double back = readNumber(s);
      const double err = std::fabs(back - static_cast<double>(f));
      if (err > 5.0000001e-6 * std::fabs(static_cast<double>(f))) fuzz::fail("float text too far from the value");
      if (numberText(static_cast<float>(back)) != s) fuzz::fail("float text not stable over read and write");
    }
  }
  if (size >= 8) {
    double d;
    std::memcpy(&d, data, 8);
    if (std::isfinite(d) && std::fabs(d) < 1e300) {
      const std::string s = numberText(d);
      checkText(s, true);
      const double back = readNumber(s);
      if (std::fabs(back - d) > 5.0000001e-14 * std::fabs(d)) fuzz::fail("double text too far from the value");
      if (numberText(back) != s) fuzz::fail("double text not stable over read and write");
    }
    std::int32_t i;
    std::memcpy(&i, data, 4);
    if (readNumber(numberText(i)) != static_cast<double>(i)) fuzz::fail("integer text does not read back");
    if (std::isfinite(d) && std::fabs(d) < 4e15) {
      const std::int64_t n = nearest(d);
      const double diff = static_cast<double>(n) - d;
      if (std::fabs(diff) > 0.5) fuzz::fail("nearest more than a half away");
      if (std::fabs(diff) == 0.5 && n % 2 != 0) fuzz::fail("half not to the even neighbour");
    }
  }
  return 0;
}
