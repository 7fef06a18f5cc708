// The trace file format: no file header; each trace is a 240-byte header of 120
// little-endian 16-bit words followed by its own sample block of N x B bytes
// (N = word 58, B = 4 when word 60 is 21930, else 2). Traces may differ in length
// and width. All byte order conversion happens here, so the program is
// little-endian on disk whatever the host.
//
// Header words are numbered 1..120 as in the processing system's manuals.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tsly {

// The header words the program uses, by meaning.
enum HeaderWord : int {
  WordDataType = 1,       // data-type code (first trace of a file)
  WordLabelWord = 3,      // index of the word that labels traces; type 3: primary key word
  WordSecondaryWord = 4,  // type 3: index of the secondary key word
  WordSecondaryKey = 8,   // secondary sort key, types 1, 2, 4
  WordCdp = 12,           // CDP number; in a separator trace the panel velocity
  WordTraceCode = 15,     // 9 separator, 2 dead, else live (isLiveTrace)
  WordStackCount = 17,    // traces summed into this one
  WordOffset = 19,        // offset, divided by word 35 (traceOffset)
  WordOffsetScalar = 35,  // offset scalar; 0: no valid offsets
  WordRecordingDelay = 55,// recording delay, ms: the time of the first sample
  WordNumSamples = 58,    // samples in this trace
  WordSampleInterval = 59,// microseconds per sample
  WordSampleFormat = 60,  // 21930 (0x55AA): 4-byte float samples, else 2-byte integers
};

inline constexpr int HeaderWords = 120;
inline constexpr int HeaderBytes = 240;
inline constexpr std::int16_t FloatFormatMarker = 21930;
inline constexpr std::int16_t TraceCodeLive = 1;
inline constexpr std::int16_t TraceCodeSeparator = 9;
inline constexpr std::int16_t TraceCodeDead = 2;

enum DataTypeCode : int {
  DataRawField = 0,
  DataCdpGather = 1,
  DataCdpStacked = 2,
  DataSpecialOrder = 3,
  DataVelocityScan = 4,
};

// Words 1..120; element 0 unused.
using HeaderArray = std::array<std::int16_t, HeaderWords + 1>;

// The data type in words, as the file-information window shows it (leading blank).
std::string dataTypeText(int dataType);

// Bytes per sample a header declares (4 or 2).
inline int bytesPerSample(const HeaderArray& h) { return h[WordSampleFormat] == FloatFormatMarker ? 4 : 2; }
// N x B of a header, as a 32-bit count (may be <= 0 for a corrupt header).
inline std::int32_t traceDataBytes(const HeaderArray& h) {
  return static_cast<std::int32_t>(h[WordNumSamples]) * bytesPerSample(h);
}

// The whole record of a trace on disk: its header and its N x B sample bytes.
inline std::int64_t traceRecordBytes(const HeaderArray& h) { return HeaderBytes + std::int64_t{traceDataBytes(h)}; }

// A trace is live unless word 15 marks it dead (2) or a separator (9). Only live
// traces are moved out, stacked, or taken into a spectrum: a separator closes a
// panel, its word 12 holds the panel's velocity rather than a CDP, and its
// samples are zeros.
inline bool isLiveTrace(const HeaderArray& h) {
  return h[WordTraceCode] != TraceCodeDead && h[WordTraceCode] != TraceCodeSeparator;
}

// Word 35 = 0: the trace has no valid offset.
inline bool hasValidOffset(const HeaderArray& h) { return h[WordOffsetScalar] != 0; }
// The offset of a trace: word 19 / word 35 (as 32-bit floats; word 35 not 0).
inline float traceOffset(const HeaderArray& h) {
  return static_cast<float>(h[WordOffset]) / static_cast<float>(h[WordOffsetScalar]);
}

// Little-endian conversions between the 240 header bytes and the words.
void decodeHeader(const unsigned char* bytes240, HeaderArray& words);
void encodeHeader(const HeaderArray& words, unsigned char* bytes240);

// Sample block conversions (count samples). Float blocks are IEEE-754 LE.
void decodeSamples(const unsigned char* bytes, int bytesPerSample, std::int32_t count, float* out);
void encodeSamples(const float* in, int bytesPerSample, std::int32_t count, unsigned char* bytes);

// Result of reading one trace.
enum class TraceReadStatus { Ok, SeekFailed, HeaderShort, BadLength, SamplesShort };

// Reads the trace whose header starts at filePos on an open handle: header into
// `header`, samples (converted to float) into `samples` (resized to N).
// `scratch` is a reusable byte buffer (no allocation per call once grown).
TraceReadStatus readTraceAt(int handle, std::int64_t filePos, HeaderArray& header,
                            std::vector<float>& samples, std::vector<unsigned char>& scratch);

// Reads header and samples at the current position (sequential walk).
TraceReadStatus readNextTrace(int handle, HeaderArray& header, std::vector<float>& samples,
                              std::vector<unsigned char>& scratch);

// Writes one trace at the current position: the header, then exactly N x B bytes
// of samples taken from `samples` (missing samples written as zero). Returns true
// only when every byte was written. Short header and short sample writes both fail.
bool writeTrace(int handle, const HeaderArray& header, const float* samples, std::int32_t available,
                std::vector<unsigned char>& scratch);

}  // namespace tsly
