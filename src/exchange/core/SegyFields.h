// What SEG-Y import, export and segy-info share: segyio's file handle, the
// sample formats with their byte order, trace and number texts, progress
// reports, scalars, and the names and widths of trace-header fields (declared
// in SegyExchange.h).
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

// Revision-2 sample format codes segyio 1.8 has no name for.
inline constexpr int FormatIeeeDouble = 6;
inline constexpr int FormatInt24 = 7;
inline constexpr int FormatInt64 = 9;
inline constexpr int FormatUInt32 = 10;
inline constexpr int FormatUInt16 = 11;
inline constexpr int FormatUInt64 = 12;
inline constexpr int FormatUInt24 = 15;
inline constexpr int FormatUInt8 = 16;

// Bytes per sample of a format code that holds numbers; 0 for format 4 and
// for codes that are no sample format.
int sampleBytes(int format);
// True for the formats segyio converts itself (1, 2, 3, 5, 8).
bool segyioConverts(int format);

// A SEG-Y header value with its scalar: a positive scalar multiplies, a
// negative one divides, 0 counts as 1.
double scaled(std::int32_t value, std::int32_t scalar);

// A trace-header field (any width) as segyio reads it; 0 when `byte` starts no field.
std::int32_t field(const char* header, int byte);

// Calls `progress` every few traces and at the last one.
void reportProgress(const Progress& progress, std::int64_t done, std::int64_t total);

}  // namespace tsly::segy
