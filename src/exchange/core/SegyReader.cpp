#include "exchange/core/SegyReader.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/FileChecks.h"
#include "platform/RawFile.h"
#include "platform/ReadAt.h"

namespace tsly::segy {

namespace {

constexpr std::int64_t FileHeaderBytes = SEGY_TEXT_HEADER_SIZE + SEGY_BINARY_HEADER_SIZE;  // 3600

// Byte i (0-based) of the raw binary header is file byte 3201 + i.
constexpr std::size_t rawAt(int byte) { return static_cast<std::size_t>(byte - SEGY_TEXT_HEADER_SIZE - 1); }

// An unsigned integer of `n` bytes in the file's byte order.
std::uint64_t unsignedAt(const unsigned char* p, int n, bool littleEndian) {
  std::uint64_t v = 0;
  for (int k = 0; k < n; ++k) v = (v << 8) | p[littleEndian ? n - 1 - k : k];
  return v;
}

// The sample format codes SEG-Y defines (4 included, so that it is refused by name).
bool isFormatCode(std::uint64_t code) { return code == 4 || sampleBytes(static_cast<int>(code)) > 0; }

// The stanza that closes a variable number of extended textual headers, as
// ASCII or EBCDIC, in the standard's spelling and in capitals.
bool holdsEndText(const unsigned char* record, std::size_t n) {
  static const unsigned char ebcdic[2][16] = {
      {0x4D, 0x4D, 0xE2, 0xC5, 0xC7, 0x7A, 0x40, 0xC5, 0x95, 0x84, 0xE3, 0x85, 0xA7, 0xA3, 0x5D, 0x5D},
      {0x4D, 0x4D, 0xE2, 0xC5, 0xC7, 0x7A, 0x40, 0xC5, 0xD5, 0xC4, 0xE3, 0xC5, 0xE7, 0xE3, 0x5D, 0x5D}};
  const std::string_view rec(reinterpret_cast<const char*>(record), n);
  for (std::string_view s : {"((SEG: EndText))", "((SEG: ENDTEXT))"})
    if (rec.find(s) != std::string_view::npos) return true;
  for (const auto& e : ebcdic)
    if (rec.find(std::string_view(reinterpret_cast<const char*>(e), sizeof e)) != std::string_view::npos) return true;
  return false;
}

// Samples of the formats segyio does not convert, from the bytes as they
// stand in the file.
float decodeSample(const unsigned char* p, int format, bool littleEndian) {
  switch (format) {
    case FormatIeeeDouble: {
      const std::uint64_t bits = unsignedAt(p, 8, littleEndian);
      double d;
      std::memcpy(&d, &bits, 8);
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
        return d > 0 ? std::numeric_limits<float>::max() : -std::numeric_limits<float>::max();
      return static_cast<float>(d);
    }
    case FormatInt24: {
      const auto u = static_cast<std::int32_t>(unsignedAt(p, 3, littleEndian));
      return static_cast<float>(u >= 0x800000 ? u - 0x1000000 : u);
    }
    case FormatInt64: return static_cast<float>(static_cast<std::int64_t>(unsignedAt(p, 8, littleEndian)));
    case FormatUInt32: return static_cast<float>(unsignedAt(p, 4, littleEndian));
    case FormatUInt16: return static_cast<float>(unsignedAt(p, 2, littleEndian));
    case FormatUInt64: return static_cast<float>(unsignedAt(p, 8, littleEndian));
    case FormatUInt24: return static_cast<float>(unsignedAt(p, 3, littleEndian));
    case FormatUInt8: return static_cast<float>(p[0]);
    default: return 0.0f;
  }
}

// Samples of the formats segyio converts: segy_to_native gives IEEE floats
// and integers in the host's order.
void segyioSamples(int format, int n, unsigned char* raw, float* out) {
  segy_to_native(format, n, raw);
  for (int i = 0; i < n; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    switch (format) {
      case SEGY_SIGNED_INTEGER_4_BYTE: {
        std::int32_t v;
        std::memcpy(&v, raw + 4 * k, 4);
        out[k] = static_cast<float>(v);
        break;
      }
      case SEGY_SIGNED_SHORT_2_BYTE: {
        std::int16_t v;
        std::memcpy(&v, raw + 2 * k, 2);
        out[k] = static_cast<float>(v);
        break;
      }
      case SEGY_SIGNED_CHAR_1_BYTE: {
        std::int8_t v;
        std::memcpy(&v, raw + k, 1);
        out[k] = static_cast<float>(v);
        break;
      }
      default: std::memcpy(&out[k], raw + 4 * k, 4); break;
    }
  }
}

// "binary header (bytes 3217-3218) -2, first trace header (bytes 117-118) 4000"
std::string bothValues(int binByte, int binValue, int traceByte, int traceValue) {
  return "binary header (bytes " + text(binByte) + "-" + text(binByte + 1) + ") " + text(binValue) +
         ", first trace header (bytes " + text(traceByte) + "-" + text(traceByte + 1) + ") " + text(traceValue);
}

}  // namespace

SegyReader::~SegyReader() { rawClose(handle_); }

std::string SegyReader::readOrderAndFormat(const std::string& path, const unsigned char* raw) {
  // The revision-2 byte-order constant; segyio 1.8 does not know the field.
  const std::uint64_t order = unsignedAt(raw + rawAt(3297), 4, false);
  std::uint64_t code = unsignedAt(raw + rawAt(SEGY_BIN_FORMAT), 2, false);
  if (order == 0x01020304u) {
    l_.littleEndian = false;
  } else if (order == 0x04030201u) {
    l_.littleEndian = true;
  } else if (!isFormatCode(code) && isFormatCode(unsignedAt(raw + rawAt(SEGY_BIN_FORMAT), 2, true))) {
    // The standard byte order is big-endian; a format code that only makes
    // sense byte-swapped marks a little-endian file.
    l_.littleEndian = true;
  }
  code = unsignedAt(raw + rawAt(SEGY_BIN_FORMAT), 2, l_.littleEndian);
  if (code == SEGY_FIXED_POINT_WITH_GAIN_4_BYTE)
    return path + ": sample format 4 (4-byte fixed point with gain, obsolete) is not read; convert the file to "
                  "another sample format";
  if (!isFormatCode(code))
    return path + ": sample format code " + text(static_cast<long long>(code)) +
           " is not a SEG-Y sample format (this program reads codes 1-3, 5-12, 15 and 16)";
  l_.format = static_cast<int>(code);
  l_.bytesPerSample = sampleBytes(l_.format);
  // One-byte and two-byte revision numbers, unknown to segyio 1.8 (a revision-1
  // file written little-endian holds 0x0100 as 00 01).
  l_.revisionMajor = raw[rawAt(3501)];
  l_.revisionMinor = raw[rawAt(3502)];
  if (l_.littleEndian && l_.revisionMajor == 0 && l_.revisionMinor != 0) {
    l_.revisionMajor = l_.revisionMinor;
    l_.revisionMinor = 0;
  }
  return {};
}

std::string SegyReader::findFirstTrace(const std::string& path, const unsigned char* raw) {
  std::int32_t count = 0;
  segy_get_bfield(binary_.data(), SEGY_BIN_EXT_HEADERS, &count);
  // Revision 2: a byte offset of the first trace overrides the count.
  const std::uint64_t offset =
      l_.revisionMajor >= 2 ? unsignedAt(raw + rawAt(3521), 8, l_.littleEndian) : 0;
  if (offset != 0) {
    if (offset < static_cast<std::uint64_t>(FileHeaderBytes) || offset > static_cast<std::uint64_t>(l_.fileSize))
      return path + ": the binary header puts the first trace at byte " + text(static_cast<long long>(offset)) +
             " (bytes 3521-3528), outside the file";
    l_.trace0 = static_cast<std::int64_t>(offset);
    l_.textHeaders = static_cast<int>((l_.trace0 - FileHeaderBytes) / SEGY_TEXT_HEADER_SIZE);
  } else if (count == -1) {
    // A variable number of records, the last one holding the stanza. segyio
    // reads extended headers only by a count it is given, and as EBCDIC; the
    // stanza may be ASCII.
    l_.variableTextHeaders = true;
    std::vector<unsigned char> record(SEGY_TEXT_HEADER_SIZE);
    for (int k = 0;; ++k) {
      const std::int64_t at = FileHeaderBytes + std::int64_t{SEGY_TEXT_HEADER_SIZE} * k;
      if (k >= MaxVariableTextHeaders ||
          readAt(handle_, record.data(), SEGY_TEXT_HEADER_SIZE, at) != SEGY_TEXT_HEADER_SIZE)
        return path + ": the binary header announces a variable number of extended textual headers (-1 in bytes "
                      "3505-3506), but no ((SEG: EndText)) stanza closes them";
      if (holdsEndText(record.data(), record.size())) {
        l_.textHeaders = k + 1;
        break;
      }
    }
    l_.trace0 = FileHeaderBytes + std::int64_t{SEGY_TEXT_HEADER_SIZE} * l_.textHeaders;
  } else if (count < 0) {
    return path + ": the binary header announces " + text(count) +
           " extended textual headers (bytes 3505-3506); -1 and 0 and up are known";
  } else {
    l_.textHeaders = count;
    l_.trace0 = segy_trace0(binary_.data());
  }
  if (l_.revisionMajor >= 2) {
    // Additional 240-byte trace headers, a 32-bit count segyio 1.8 does not
    // know. A writer that put a 16-bit count in 3507-3508 leaves the low half
    // empty: such a value is taken as that count.
    std::uint64_t n = unsignedAt(raw + rawAt(3507), 4, l_.littleEndian);
    if (n > 0xFFFF && (n & 0xFFFF) == 0) n >>= 16;
    if (n > static_cast<std::uint64_t>(MaxHeaderExtensions))
      return path + ": the binary header announces " + text(static_cast<long long>(n)) +
             " additional trace headers per trace (bytes 3507-3510); at most " + text(MaxHeaderExtensions) +
             " are read";
    l_.headerExtensions = static_cast<int>(n);
  }
  return {};
}

std::string SegyReader::chooseSamplesAndInterval(const std::string& path) {
  char th[SEGY_TRACE_HEADER_SIZE] = {};
  if (l_.trace0 + SEGY_TRACE_HEADER_SIZE > l_.fileSize ||
      segy_traceheader(fp_.get(), 0, th, static_cast<long>(l_.trace0), 0) != SEGY_OK)
    std::memset(th, 0, sizeof th);
  std::int32_t v = 0;
  // Both counts are unsigned 16-bit values; segyio gives them signed.
  segy_get_bfield(binary_.data(), SEGY_BIN_SAMPLES, &v);
  l_.binSamples = v & 0xFFFF;
  l_.traceSamples = field(th, SEGY_TR_SAMPLE_COUNT) & 0xFFFF;
  segy_get_bfield(binary_.data(), SEGY_BIN_INTERVAL, &v);
  l_.binInterval = v;
  l_.traceInterval = field(th, SEGY_TR_SAMPLE_INTER);

  l_.samples = l_.binSamples > 0 ? l_.binSamples : l_.traceSamples;
  if (l_.samples <= 0)
    return path + ": no sample count in " +
           bothValues(SEGY_BIN_SAMPLES, l_.binSamples, SEGY_TR_SAMPLE_COUNT, l_.traceSamples);
  if (l_.samples > 32767)
    return path + ": " + text(l_.samples) + " samples per trace; a trace file holds at most 32767 (header word 58)";
  if (l_.traceSamples != l_.binSamples)
    l_.notes.push_back("samples per trace: " +
                       bothValues(SEGY_BIN_SAMPLES, l_.binSamples, SEGY_TR_SAMPLE_COUNT, l_.traceSamples) + "; " +
                       text(l_.samples) + " used");

  auto usable = [](int dt) { return dt > 0 && dt <= 32767; };
  l_.intervalUs = usable(l_.binInterval) ? l_.binInterval : usable(l_.traceInterval) ? l_.traceInterval : 0;
  if (l_.intervalUs == 0)
    return path + ": no usable sample interval in " +
           bothValues(SEGY_BIN_INTERVAL, l_.binInterval, SEGY_TR_SAMPLE_INTER, l_.traceInterval);
  if (l_.traceInterval != l_.binInterval)
    l_.notes.push_back("sample interval: " +
                       bothValues(SEGY_BIN_INTERVAL, l_.binInterval, SEGY_TR_SAMPLE_INTER, l_.traceInterval) +
                       "; " + text(l_.intervalUs) + " microseconds used");
  return {};
}

std::string SegyReader::countTraces(const std::string& path) {
  l_.traceBytes = std::int64_t{SEGY_TRACE_HEADER_SIZE} * (1 + l_.headerExtensions) +
                  std::int64_t{l_.samples} * l_.bytesPerSample;
  const std::int64_t data = l_.fileSize > l_.trace0 ? l_.fileSize - l_.trace0 : 0;
  l_.traces = data / l_.traceBytes;
  l_.trailingBytes = data % l_.traceBytes;
  if (l_.traces > MaxSegyTraces)
    return path + ": " + text(l_.traces) + " traces of " + text(l_.traceBytes) + " bytes; at most " +
           text(MaxSegyTraces) + " can be read";
  if (l_.traces == 0) return path + " holds no traces";
  if (l_.trailingBytes > 0)
    l_.notes.push_back(text(l_.trailingBytes) + " bytes after the last whole trace were left out");
  return {};
}

std::string SegyReader::open(const std::string& path) {
  l_ = SegyLayout{};
  fp_.reset();
  rawClose(handle_);
  // A folder, FIFO or device is refused by name before anything is read.
  std::string why;
  handle_ = openInputFile(path, why);
  if (handle_ < 0) return why;
  l_.fileSize = fileSize(handle_);
  unsigned char raw[SEGY_BINARY_HEADER_SIZE] = {};
  if (l_.fileSize < FileHeaderBytes ||
      readAt(handle_, raw, SEGY_BINARY_HEADER_SIZE, SEGY_TEXT_HEADER_SIZE) != SEGY_BINARY_HEADER_SIZE)
    return path + " is not a SEG-Y file (shorter than its 3600-byte file header)";
  if (std::string why = readOrderAndFormat(path, raw); !why.empty()) return why;

  fp_.reset(segy_open(path.c_str(), "rb"));
  if (!fp_) return "cannot open " + path + ": " + std::strerror(errno);
  // segyio reads the formats it converts; the others it is asked to read as
  // single bytes, which it leaves as they stand.
  const int asFormat = segyioConverts(l_.format) ? l_.format : SEGY_SIGNED_CHAR_1_BYTE;
  if (segy_set_format(fp_.get(), formatAndOrder(asFormat, l_.littleEndian)) != SEGY_OK ||
      segy_binheader(fp_.get(), binary_.data()) != SEGY_OK)
    return path + " is not a SEG-Y file (shorter than its 3600-byte file header)";
  for (auto [byte, value] : {std::pair{SEGY_BIN_TRACE_FLAG, &l_.fixedLength}, {SEGY_BIN_SORTING_CODE, &l_.sortingCode},
                             {SEGY_BIN_MEASUREMENT_SYSTEM, &l_.measurementSystem}, {SEGY_BIN_TRACES, &l_.tracesPerEnsemble}})
    segy_get_bfield(binary_.data(), byte, value);
  if (std::string why = findFirstTrace(path, raw); !why.empty()) return why;
  if (std::string why = chooseSamplesAndInterval(path); !why.empty()) return why;
  return countTraces(path);
}

bool SegyReader::header(std::int64_t i, char* header240) {
  if (!fp_ || i < 0 || i >= l_.traces) return false;
  return segy_traceheader(fp_.get(), static_cast<int>(i), header240, static_cast<long>(l_.trace0),
                          static_cast<int>(l_.traceBytes - SEGY_TRACE_HEADER_SIZE)) == SEGY_OK;
}

bool SegyReader::samples(std::int64_t i, std::vector<float>& out) {
  if (!fp_ || i < 0 || i >= l_.traces) return false;
  // segyio reads all that follows the first header: the extensions, then the samples.
  const int afterHeader = static_cast<int>(l_.traceBytes - SEGY_TRACE_HEADER_SIZE);
  raw_.resize(static_cast<std::size_t>(afterHeader));
  if (segy_readtrace(fp_.get(), static_cast<int>(i), raw_.data(), static_cast<long>(l_.trace0), afterHeader) !=
      SEGY_OK)
    return false;
  unsigned char* data = raw_.data() + std::size_t{SEGY_TRACE_HEADER_SIZE} * l_.headerExtensions;
  out.resize(static_cast<std::size_t>(l_.samples));
  if (segyioConverts(l_.format)) {
    segyioSamples(l_.format, l_.samples, data, out.data());
  } else {
    for (int k = 0; k < l_.samples; ++k)
      out[static_cast<std::size_t>(k)] =
          decodeSample(data + static_cast<std::size_t>(k) * l_.bytesPerSample, l_.format, l_.littleEndian);
  }
  return true;
}

}  // namespace tsly::segy
