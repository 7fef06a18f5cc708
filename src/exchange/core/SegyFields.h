// What SEG-Y import and export share: segyio's file handle, the sample
// format with its byte order, trace and number texts, progress reports, and
// the names and widths of trace-header fields (declared in SegyExchange.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <segyio/segy.h>

#include "exchange/core/SegyExchange.h"
#include "shared/Numbers.h"

namespace tsly::segy {

struct SegyCloser {
  void operator()(segy_file* f) const {
    if (f) segy_close(f);
  }
};
using SegyPtr = std::unique_ptr<segy_file, SegyCloser>;

inline std::string text(long long v) { return plainNumberText(v); }

// "trace 17" (1-based).
inline std::string traceText(std::int64_t index1) { return "trace " + text(index1); }

// The format argument of segy_set_format: a sample format and a byte order.
inline int formatAndOrder(int format, bool littleEndian) {
  return format | static_cast<int>(littleEndian ? SEGY_LSB : SEGY_MSB);
}

// Calls `progress` every few traces and at the last one.
void reportProgress(const Progress& progress, std::int64_t done, std::int64_t total);

}  // namespace tsly::segy
