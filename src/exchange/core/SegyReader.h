// Reading a SEG-Y file for import and segy-info: where its traces lie, found
// from the file headers and the file size, then each trace's header and its
// samples as floats. segyio reads every header and every trace; this file
// reads itself only what segyio 1.8 cannot, each piece said where it is done:
//  - the sample count (binary header 3221-3222, trace bytes 115-116) is
//    unsigned; segyio reads it as signed 16 bits, so 32768 would be negative;
//  - the revision-2 fields segyio does not know: the byte-order constant
//    (3297-3300), the revision (3501-3502), the trace-header extensions per
//    trace (3507-3510) and the first trace's byte offset (3521-3528);
//  - an extended-textual-header count of -1 (a variable number of 3200-byte
//    records, the last one holding a ((SEG: EndText)) stanza): segyio takes the
//    count as it stands and would read the file headers as traces;
//  - the sample formats segyio does not convert (6, 7, 9, 10, 11, 12, 15, 16):
//    segyio reads their bytes as they are, decoded here;
//  - the trace count and the bytes after the last whole trace, from the file
//    size: segyio stops on an assertion when a file holds more traces than an
//    int can number, and only says "mismatch" for a partial last trace.
//
// Rules:
//  - Byte order: the revision-2 constant 16909060 at 3297-3300 when it reads
//    in either order, else the format code: big-endian (the standard) when it
//    is a known code read so, little-endian when it is one byte-swapped.
//  - Sample interval (microseconds) and sample count: the binary header's when
//    it holds a usable positive value, else the first trace header's; a notes
//    line says so when the two differ. Neither usable: refused naming both. A
//    count over 32767 (what a trace file holds): refused naming it.
//  - Trace-header extensions are stepped over: each trace is 240 x (1 + N)
//    header bytes, then its samples. N is the 32-bit count of 3507-3510 (a
//    writer that put a 16-bit count in 3507-3508 is read so too).
//  - Traces: as many whole ones as the file holds after the file headers;
//    bytes after the last are left out with a note. More than 2147483647
//    traces: refused before segyio is asked about them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "exchange/core/SegyFields.h"

namespace tsly::segy {

// The most records searched for the ((SEG: EndText)) stanza.
inline constexpr int MaxVariableTextHeaders = 32767;
// The most trace-header extensions per trace taken.
inline constexpr std::int64_t MaxHeaderExtensions = 65535;
// The most traces a file may hold (segyio numbers traces with an int).
inline constexpr std::int64_t MaxSegyTraces = 2147483647;

class SegyReader {
 public:
  SegyReader() = default;
  ~SegyReader();
  SegyReader(const SegyReader&) = delete;
  SegyReader& operator=(const SegyReader&) = delete;

  // Opens `path` and finds its layout. "" or why it cannot be read (naming it).
  std::string open(const std::string& path);
  const SegyLayout& layout() const { return l_; }

  // The standard 240-byte header of trace i (0-based), fields read by segy_get_field.
  bool header(std::int64_t i, char* header240);
  // The samples of trace i (0-based) as floats, layout().samples of them.
  bool samples(std::int64_t i, std::vector<float>& out);

 private:
  std::string readOrderAndFormat(const std::string& path, const unsigned char* raw);
  std::string findFirstTrace(const std::string& path, const unsigned char* raw);
  std::string chooseSamplesAndInterval(const std::string& path);
  std::string countTraces(const std::string& path);

  SegyLayout l_;
  std::array<char, SEGY_BINARY_HEADER_SIZE> binary_{};  // as segyio gives it (segy_get_bfield)
  SegyPtr fp_;
  int handle_ = -1;
  std::vector<unsigned char> raw_;
};

}  // namespace tsly::segy
