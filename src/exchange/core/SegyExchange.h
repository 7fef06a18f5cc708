// SEG-Y exchange: trace files to and from SEG-Y, through segyio, and what a
// SEG-Y file holds (segy-info). Import is in SegyImport.cpp, export in
// SegyExport.cpp, segy-info in SegyInfo.cpp; reading a SEG-Y file in
// SegyReader.* (which says the few pieces read without segyio, and why); what
// all use in SegyFields.*.
//
// Header mapping (SEG-Y bytes are 1-based, as in the SEG-Y standard):
//
//   trace file word                 SEG-Y trace header
//   12 CDP                     <->  bytes 21-24  CDP ensemble number (import:
//                                   any field, ImportOptions::cdpByte)
//    8 secondary key           <->  bytes 25-28  trace number within the ensemble
//   15 trace code (2 dead)     <->  bytes 29-30  trace identification (2 dead)
//   17 stack count             <->  bytes 33-34  horizontally stacked traces
//   19 / 35 offset, divisor    <->  bytes 37-40  offset, never scaled (the
//                                   scalar of 71-72 is for coordinates)
//   55 recording delay, ms     <->  bytes 109-110 delay recording time, with the
//                                   time scalar of bytes 215-216
//   58 samples, 59 interval    <->  binary header 3221-3222, 3217-3218 and
//                                   trace bytes 115-116, 117-118
//   samples                    <->  IEEE floats (format 5) on export; every
//                                   revision-2 format that holds numbers (1, 2,
//                                   3, 5-12, 15, 16), either byte order, on
//                                   import, all converted to IEEE floats
//
// Scalars (as the standard has them; a positive scalar multiplies, a negative
// one divides, 0 counts as 1): coordinates (73-88, 181-188) take the scalar of
// 71-72, elevations and depths (41-68) that of 69-70, times (95-114) that of
// 215-216. The offset takes none.
//
// Import (SEG-Y -> trace file):
//  - Every trace gets word 1 = the data type asked for (1, 2 or 4), word 3 = 12
//    (traces are labelled by CDP), word 60 = 21930 (4-byte float samples).
//  - Offsets: word 19 = bytes 37-40, word 35 = 1. One beyond -32768..32767 is
//    refused naming the trace.
//  - The recording delay with its scalar, in whole milliseconds, is word 55;
//    a delay that is no whole millisecond is rounded (and counted in a note),
//    one beyond the word refused naming the trace.
//  - CDP: the field at cdpByte (default 21). A CDP beyond -32768..32767 is
//    refused naming the trace, unless renumber: then the CDPs are numbered
//    1..N in the order they first appear, and the mapping (new CDP, original
//    value) is written as CSV beside the output (cdpMapPath).
//  - Data type 1: SEG-Y dead (2) and dummy (3) traces become dead traces
//    (word 15 = 2), every other trace a live one (word 15 = 1).
//  - Data types 2 and 4 (panels): each trace carries its panel's velocity in a
//    SEG-Y header field (velocityByte, default 233: bytes 233-236, unassigned in
//    SEG-Y rev 1). A panel is closed by a separator trace (word 15 = 9, word 12 =
//    the velocity, zero samples) wherever that velocity changes, at a dummy
//    trace (identification 3, as export writes separators), and at the end.
//    Dummy traces themselves are not copied. A velocity outside 1..32767 is
//    refused.
//  - Layout (byte order, sample count and interval, extended textual headers,
//    trace-header extensions, bytes after the last trace): SegyReader.h.
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
//  - Offsets: word 19 / word 35 as it is, with scalar 1 in bytes 71-72; an
//    offset that is no whole number is rounded to the nearest (SEG-Y offsets
//    are integers) and counted in a note. Word 35 = 0 (no valid offset) is
//    written as offset 0; in gathers (data types 1 and 3) such traces are
//    counted in the result's notes.
//  - Word 55 goes to bytes 109-110 with time scalar 1 in bytes 215-216.
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

// SEG-Y byte where import takes the CDP unless another is named.
inline constexpr int DefaultCdpByte = 21;

struct ImportOptions {
  int dataType = 1;                       // 1, 2 or 4
  int velocityByte = DefaultVelocityByte; // data types 2 and 4
  int cdpByte = DefaultCdpByte;
  bool renumber = false;                  // CDPs numbered 1..N, mapping beside the output
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
  std::int64_t renumberedCdps = 0;   // import with renumber: N of 1..N
  std::vector<std::string> notes;    // things the user should know (nothing refused)
};

ExchangeResult importSegy(const std::string& in, const std::string& out, const ImportOptions& options,
                          const Progress& progress = {});
ExchangeResult exportSegy(const std::string& in, const std::string& out, const ExportOptions& options,
                          const Progress& progress = {});

// The CSV file beside `out` where import with renumber writes its mapping.
std::string cdpMapPath(const std::string& out);

// What `tsly segy-info` shows: the file's layout and, for the trace fields an
// analyst checks, the smallest and largest value and how many distinct values
// (counted up to DistinctLimit) there are, with their scalars applied.
inline constexpr std::int64_t DistinctLimit = 100000;

struct FieldSummary {
  std::string name;       // "CDP", "offset", ...
  std::string bytes;      // "21-24"
  std::string scalar;     // "" or the bytes of the scalar applied, "71-72"
  double min = 0, max = 0;
  std::int64_t distinct = 0;  // DistinctLimit + 1: more than DistinctLimit
};

// Where the traces of a SEG-Y file lie and what its headers say (SegyReader.h
// gives the rules).
struct SegyLayout {
  int revisionMajor = 0, revisionMinor = 0;
  int format = 0;              // sample format code
  bool littleEndian = false;
  int bytesPerSample = 0;
  int binSamples = 0, traceSamples = 0;    // the two counts as found (unsigned)
  int binInterval = 0, traceInterval = 0;  // the two intervals as found
  int samples = 0;             // samples per trace
  int intervalUs = 0;          // sample interval in microseconds
  int textHeaders = 0;         // extended textual header records
  bool variableTextHeaders = false;  // their count was -1
  int headerExtensions = 0;    // additional 240-byte trace headers per trace
  int fixedLength = 0, sortingCode = 0, measurementSystem = 0, tracesPerEnsemble = 0;  // as the binary header says
  std::int64_t fileSize = 0;
  std::int64_t trace0 = 0;     // byte of the first trace header
  std::int64_t traceBytes = 0; // headers and samples of one trace
  std::int64_t traces = 0;     // whole traces
  std::int64_t trailingBytes = 0;
  std::vector<std::string> notes;  // the headers' disagreements, the bytes left out
};

struct SegyInfo {
  bool ok = false;
  std::string error;
  SegyLayout layout;
  std::vector<FieldSummary> fields;
};

SegyInfo segyInfo(const std::string& path, const Progress& progress = {});

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
