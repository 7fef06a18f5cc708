// SEG-Y exchange: trace files to and from SEG-Y, through segyio (every SEG-Y
// byte is read and written by segyio; nothing here decodes SEG-Y by hand).
// Import is in SegyImport.cpp, export in SegyExport.cpp, what both use in
// SegyFields.*.
//
// Header mapping (SEG-Y bytes are 1-based, as in the SEG-Y standard):
//
//   trace file word                 SEG-Y trace header
//   12 CDP                     <->  bytes 21-24  CDP ensemble number
//    8 secondary key           <->  bytes 25-28  trace number within the ensemble
//   15 trace code (2 dead)     <->  bytes 29-30  trace identification (2 dead)
//   17 stack count             <->  bytes 33-34  horizontally stacked traces
//   19 / 35 offset, divisor    <->  bytes 37-40  offset, with the scalar of
//                                   bytes 71-72 (> 0 multiplies, < 0 divides)
//   58 samples, 59 interval    <->  binary header 3221-3222, 3217-3218 and
//                                   trace bytes 115-116, 117-118
//   samples                    <->  IEEE floats (format 5) on export; IBM floats,
//                                   IEEE floats and 32/16/8-bit integers on
//                                   import, all converted to IEEE floats
//
// Import (SEG-Y -> trace file):
//  - Every trace gets word 1 = the data type asked for (1, 2 or 4), word 3 = 12
//    (traces are labelled by CDP), word 60 = 21930 (4-byte float samples).
//  - Offsets: the SEG-Y scalar is applied. A whole offset is stored with
//    word 35 = 1; a fraction (negative scalar) as the reduced numerator and
//    divisor, so that word 19 / word 35 is the offset exactly. Scalar 0 counts
//    as 1, as SEG-Y readers take it.
//  - Data type 1: SEG-Y dead (2) and dummy (3) traces become dead traces
//    (word 15 = 2), every other trace a live one (word 15 = 1).
//  - Data types 2 and 4 (panels): each trace carries its panel's velocity in a
//    SEG-Y header field (velocityByte, default 233: bytes 233-236, unassigned in
//    SEG-Y rev 1). A panel is closed by a separator trace (word 15 = 9, word 12 =
//    the velocity, zero samples) wherever that velocity changes, at a dummy
//    trace (identification 3, as export writes separators), and at the end.
//    Dummy traces themselves are not copied. A velocity outside 1..32767 is
//    refused.
//  - The byte order is found from the binary header's format code (big-endian,
//    the standard, or little-endian).
//
// Export (trace file -> SEG-Y):
//  - The trace file is walked by TraceWalker (shared/TraceWalker.h): a damaged
//    file is refused in its words; bytes after the last whole trace are left
//    out and noted.
//  - A 3200-byte textual header saying what was written, a binary header (rev 1,
//    fixed-length traces, format 5), then every trace. All traces written must
//    have one sample count and one interval (SEG-Y has fixed-length traces).
//  - Traces of a panel carry the panel's velocity (from the separator that
//    closes it) in the field at velocityByte; traces after the last separator
//    carry 0 there. Separator traces are left out unless withSeparators: then
//    they are written as dummy traces (identification 3) with zero samples.
//  - Offsets: word 19 with the scalar -word 35 (word 35 = 1: scalar 1); a
//    negative word 35 flips the sign of both. Word 35 = 0 (no valid offset) is
//    written as offset 0; in gathers (data types 1 and 3) such traces are
//    counted in the result's notes.
//
// Both directions: a value that does not fit its field (a 16-bit header word on
// import, a sample count or interval on export) refuses the whole run with a
// message naming the trace (1-based) and the field. The output is written to a
// temporary file in its own folder and renamed into place only when every trace
// was written, so a refused or failed run leaves no output and never touches an
// existing one. Existing outputs are replaced; asking first is the caller's job.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tsly::segy {

// SEG-Y byte where the panel velocity is kept unless another is named.
inline constexpr int DefaultVelocityByte = 233;

// SEG-Y trace identification codes used here.
inline constexpr int SegyTraceLive = 1;
inline constexpr int SegyTraceDead = 2;
inline constexpr int SegyTraceDummy = 3;

struct ImportOptions {
  int dataType = 1;                       // 1, 2 or 4
  int velocityByte = DefaultVelocityByte; // data types 2 and 4
};

struct ExportOptions {
  bool withSeparators = false;
  int velocityByte = DefaultVelocityByte;
};

// Called every few traces and once at the end, with traces done and in all.
using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

struct ExchangeResult {
  bool ok = false;
  std::string error;                 // why the run was refused or failed (one line)
  std::int64_t tracesIn = 0;         // traces read from the input
  std::int64_t tracesOut = 0;        // traces written, separators included
  std::int64_t separators = 0;       // import: separators made; export: separators written
  std::int64_t panels = 0;           // panels (import 2/4; export: separators in the input)
  int samples = 0;                   // samples per trace
  int intervalUs = 0;                // sample interval in microseconds
  int segyFormat = 0;                // import: the input's format code; export: 5
  bool littleEndian = false;         // import: the input was little-endian
  std::vector<std::string> notes;    // things the user should know (nothing refused)
};

ExchangeResult importSegy(const std::string& in, const std::string& out, const ImportOptions& options,
                          const Progress& progress = {});
ExchangeResult exportSegy(const std::string& in, const std::string& out, const ExportOptions& options,
                          const Progress& progress = {});

// True when `byte` is the first byte of a SEG-Y trace-header field (1, 5, ...,
// 233, 237), as segyio names them.
bool isTraceHeaderField(int byte);
// "bytes 233-236": the bytes a trace-header field covers.
std::string fieldBytesText(int byte);
// The fields export writes itself; the velocity may not be put in one of them.
bool isFieldExportWrites(int byte);

// The name of a SEG-Y sample format code ("IBM float", "IEEE float", ...).
std::string formatName(int code);

}  // namespace tsly::segy
