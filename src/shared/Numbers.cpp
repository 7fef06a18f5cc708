#include "shared/Numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace tsly {

std::int64_t nearest(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
  if (v <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
  double fl = std::floor(v);
  double diff = v - fl;
  double r;
  if (diff > 0.5) {
    r = fl + 1.0;
  } else if (diff < 0.5) {
    r = fl;
  } else {
    // exact half: to the even neighbour
    r = (std::fmod(fl, 2.0) == 0.0) ? fl : fl + 1.0;
  }
  return static_cast<std::int64_t>(r);
}

std::int16_t nearestI16(double v) {
  std::int64_t n = nearest(v);
  if (n > 32767) return 32767;
  if (n < -32768) return -32768;
  return static_cast<std::int16_t>(n);
}

std::int32_t nearestI32(double v) {
  std::int64_t n = nearest(v);
  if (n > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (n < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(n);
}

bool fitsI16(double v) {
  if (std::isnan(v)) return false;
  std::int64_t n = nearest(v);
  return n >= -32768 && n <= 32767;
}

namespace {

// Plain decimal text of |v| rounded to `digits` significant digits.
std::string plainDigits(double v, int digits) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return "Inf";
  v = std::fabs(v);
  if (v == 0.0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
  // buf: d.ddddde[+-]XX
  std::string mant;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p != '.') mant.push_back(*p);
  int exp10 = std::atoi(p + 1);
  while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
  if (mant == "0") return "0";
  // value = 0.mant * 10^(exp10+1)
  int pointPos = exp10 + 1;  // digits before the decimal point
  std::string out;
  if (pointPos <= 0) {
    out = ".";
    out.append(static_cast<size_t>(-pointPos), '0');
    out += mant;
  } else if (static_cast<size_t>(pointPos) >= mant.size()) {
    out = mant;
    out.append(static_cast<size_t>(pointPos) - mant.size(), '0');
  } else {
    out = mant.substr(0, static_cast<size_t>(pointPos)) + "." + mant.substr(static_cast<size_t>(pointPos));
  }
  return out;
}

std::string withSign(double v, int digits, bool blank) {
  std::string body = plainDigits(v, digits);
  bool negative = std::signbit(v) && body != "0" && !std::isnan(v);
  if (negative) return "-" + body;
  return blank ? " " + body : body;
}

std::string intText(long long v, bool blank) {
  std::string s = std::to_string(v);
  if (v >= 0 && blank) return " " + s;
  return s;
}

}  // namespace

std::string numberText(float v) { return withSign(static_cast<double>(v), 7, true); }
std::string numberText(double v) { return withSign(v, 15, true); }
std::string numberText(int v) { return intText(v, true); }
std::string numberText(long v) { return intText(v, true); }
std::string numberText(long long v) { return intText(v, true); }
std::string numberText(short v) { return intText(v, true); }

std::string plainNumberText(float v) { return withSign(static_cast<double>(v), 7, false); }
std::string plainNumberText(double v) { return withSign(v, 15, false); }
std::string plainNumberText(int v) { return intText(v, false); }
std::string plainNumberText(long v) { return intText(v, false); }
std::string plainNumberText(long long v) { return intText(v, false); }
std::string plainNumberText(short v) { return intText(v, false); }

double readNumber(std::string_view text) {
  // Collect the characters of the leading number, skipping blanks anywhere.
  std::string num;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  skipBlanks();
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    num.push_back(text[i]);
    ++i;
  }
  bool anyDigit = false;
  bool point = false;
  for (;;) {
    skipBlanks();
    if (i >= text.size()) break;
    char c = text[i];
    if (isDigit(c)) {
      num.push_back(c);
      anyDigit = true;
      ++i;
    } else if (c == '.' && !point) {
      num.push_back(c);
      point = true;
      ++i;
    } else {
      break;
    }
  }
  if (!anyDigit) return 0.0;
  // Optional exponent: E (or e), optional sign, digits. Taken only when digits follow.
  skipBlanks();
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    size_t j = i + 1;
    std::string ex = "e";
    while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ex.push_back(text[j++]);
    bool expDigits = false;
    for (;;) {
      while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
      if (j < text.size() && isDigit(text[j])) {
        // keep exponents sane: more than 4 digits only matter for overflow.
        // Leading zeros carry no value and do not count towards that limit.
        const bool leadingZero = text[j] == '0' && (ex.size() == 1 || (ex.size() == 2 && (ex[1] == '+' || ex[1] == '-')));
        if (!leadingZero && ex.size() < 8) ex.push_back(text[j]);
        expDigits = true;
        ++j;
      } else {
        break;
      }
    }
    if (expDigits) num += ex;
  }
  return std::strtod(num.c_str(), nullptr);
}

std::size_t numberEnd(std::string_view s, std::size_t from) {
  const auto digit = [&](std::size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '9'; };
  std::size_t i = from;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  bool digits = false, point = false;
  for (; digit(i) || (i < s.size() && s[i] == '.' && !point); ++i) {
    if (s[i] == '.') point = true;
    else
      digits = true;
  }
  if (!digits) return from;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t e = i + 1;
    if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
    if (digit(e)) {
      while (digit(e)) ++e;
      i = e;
    }
  }
  return i;
}

bool isNumberText(std::string_view s) {
  const std::size_t start = s.find_first_not_of(' ');
  if (start == std::string_view::npos) return false;
  const std::size_t end = numberEnd(s, start);
  return end != start && s.find_first_not_of(' ', end) == std::string_view::npos;
}

}  // namespace tsly
