#include "generation/core/Generation.h"

#include <cstdio>
#include <ctime>

namespace tsly {

std::int64_t cdpsPerBlock(float n) {
  std::int64_t count = 0;
  for (float k = 0.0f; k <= n - 1.0f; k += 1.0f) {
    ++count;
    if (count > 1000000) break;  // a nonsense bound; the checks keep N small
  }
  return count;
}

std::string clockTimeOfDay() {
  std::time_t now = std::time(nullptr);
  std::tm tm {};
  localtime_r(&now, &tm);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

}  // namespace tsly
