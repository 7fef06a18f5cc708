#include "ArgParse.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace tsly::cli {

bool parseIntList(const std::string& text, char sep, std::vector<int>& out) {
  out.clear();
  std::stringstream ss(text);
  std::string part;
  while (std::getline(ss, part, sep)) {
    if (part.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(part.c_str(), &end, 10);
    if (end == part.c_str() || end != part.c_str() + part.size() || errno == ERANGE) return false;
    // Values are kept as int: refuse what would not fit rather than wrap.
    if (v < INT_MIN || v > INT_MAX) return false;
    out.push_back(static_cast<int>(v));
  }
  return true;
}

bool parseFiniteNumber(const std::string& text, double& v) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double d = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || end != text.c_str() + text.size() || !std::isfinite(d)) return false;
  v = d;
  return true;
}

bool parseEventList(const std::string& text, std::vector<SynthEvent>& out) {
  out.clear();
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ',')) {
    const auto colon = item.find(':');
    SynthEvent e;
    if (colon == std::string::npos || !parseFiniteNumber(item.substr(0, colon), e.t0Ms) ||
        !parseFiniteNumber(item.substr(colon + 1), e.velocity))
      return false;
    out.push_back(e);
  }
  return true;
}

}  // namespace tsly::cli
