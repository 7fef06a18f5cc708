#include "deck/core/CdpRange.h"

#include <cstddef>

namespace tsly {

namespace {

// A whole number with an optional sign at text[i..]; advances i.
bool readWhole(std::string_view text, size_t& i, long& v) {
  size_t j = i;
  bool neg = false;
  if (j < text.size() && (text[j] == '+' || text[j] == '-')) neg = text[j++] == '-';
  const size_t digits = j;
  long x = 0;
  while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
    x = x * 10 + (text[j++] - '0');
    if (x > 100000) return false;
  }
  if (j == digits) return false;
  v = neg ? -x : x;
  i = j;
  return true;
}

}  // namespace

bool parseCdpRange(std::string_view text, int& first, int& last) {
  size_t b = text.find_first_not_of(' '), e = text.find_last_not_of(' ');
  if (b == std::string_view::npos) return false;
  text = text.substr(b, e - b + 1);
  size_t i = 0;
  long a = 0, z = 0;
  if (!readWhole(text, i, a)) return false;
  if (i == text.size()) {
    z = a;
  } else {
    if (text[i] != '-') return false;
    ++i;
    if (!readWhole(text, i, z) || i != text.size()) return false;
  }
  if (a < -32768 || a > 32767 || z < -32768 || z > 32767 || a > z) return false;
  first = static_cast<int>(a);
  last = static_cast<int>(z);
  return true;
}

}  // namespace tsly
