// SEG-Y files written and read back by segyio itself, for the exchange tests:
// what import reads was made by segyio's own writer, and what export wrote is
// judged by segyio's own reader. What segyio 1.8 cannot write (the sample
// formats it does not convert, revision-2 binary-header fields, ASCII extended
// headers, bytes after the last trace) is put in as bytes.
//
//   SegyRecipe s;                              // IEEE floats, big-endian, 50 samples at 4000 us
//   s.traces.push_back({.cdp = 101, .offset = 250, .samples = {...}});
//   writeSegy(path, s);
//   SegyContents c = readSegy(path);         // headers, samples as floats, text header
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <segyio/segy.h>

namespace tsly::test {

struct SegyTraceSpec {
  int cdp = 0;                                 // bytes 21-24
  int offset = 0;                              // bytes 37-40
  int scalar = 0;                              // bytes 71-72
  int id = 1;                                  // bytes 29-30
  int inEnsemble = 0;                          // bytes 25-28
  int stacked = 0;                             // bytes 33-34
  std::vector<std::pair<int, int>> fields;     // any other (byte, value)
  std::vector<float> samples;                  // padded with zeros to the file's count
};

struct SegyRecipe {
  int format = SEGY_IEEE_FLOAT_4_BYTE;
  bool littleEndian = false;
  int samples = 50;
  int interval = 4000;
  int binaryFormat = 0;  // when not 0: the format code the binary header announces instead
  std::optional<int> binSamples, binInterval;  // the binary header's, when not samples / interval
  int revision = 0x0100;                       // bytes 3501-3502
  int extCount = -2;                           // bytes 3505-3506; -2: extText.size()
  std::vector<std::string> extText;            // extended textual headers (EBCDIC, or ASCII with extAscii)
  bool extAscii = false;
  std::uint32_t headerExtensions = 0;          // bytes 3507-3510 and the extra headers of every trace
  bool orderConstant = false;                  // bytes 3297-3300 hold 16909060
  std::string trailing;                        // bytes after the last trace
  std::vector<SegyTraceSpec> traces;
};

// Bytes per sample of every numeric sample format code.
inline int segyFormatBytes(int format) {
  switch (format) {
    case 1: case 2: case 4: case 5: case 10: return 4;
    case 3: case 11: return 2;
    case 6: case 9: case 12: return 8;
    case 7: case 15: return 3;
    default: return 1;
  }
}

// One sample in a format, big-endian (as segy_from_native leaves segyio's own).
inline void encodeSegySample(int format, double x, unsigned char* p) {
  std::uint64_t bits = 0;
  const int n = segyFormatBytes(format);
  switch (format) {
    case 1: case 5: {
      const float f = static_cast<float>(x);
      std::uint32_t u;
      std::memcpy(&u, &f, 4);
      bits = u;
      break;
    }
    case 6: std::memcpy(&bits, &x, 8); break;
    default: bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(x)); break;
  }
  for (int k = 0; k < n; ++k) p[k] = static_cast<unsigned char>(bits >> (8 * (n - 1 - k)));
}

// The bytes of `s.traces[i]`'s samples as they stand in the file.
inline std::vector<unsigned char> segySampleBytes(const SegyRecipe& s, const SegyTraceSpec& t) {
  const int n = segyFormatBytes(s.format);
  std::vector<unsigned char> buf(static_cast<size_t>(s.samples * n));
  std::vector<float> v = t.samples;
  v.resize(static_cast<size_t>(s.samples), 0.0f);
  for (int k = 0; k < s.samples; ++k) {
    unsigned char* p = buf.data() + static_cast<size_t>(k * n);
    encodeSegySample(s.format, v[static_cast<size_t>(k)], p);
    if (s.format == 1) {  // IBM floats from IEEE ones, by segyio
      float f = v[static_cast<size_t>(k)];
      std::memcpy(p, &f, 4);
      segy_from_native(1, 1, p);
    }
    if (s.littleEndian)
      for (int a = 0, b = n - 1; a < b; ++a, --b) std::swap(p[a], p[b]);
  }
  return buf;
}

// A value of `n` bytes at file byte `byte` (1-based) of the raw binary header.
inline void putBinary(char* bin, int byte, std::uint64_t v, int n, bool littleEndian) {
  for (int k = 0; k < n; ++k)
    bin[byte - 3201 + (littleEndian ? k : n - 1 - k)] = static_cast<char>(v >> (8 * k));
}

inline void writeSegy(const std::string& path, const SegyRecipe& s) {
  segy_file* fp = segy_open(path.c_str(), "w+b");
  if (!fp) throw std::runtime_error("segy_open " + path);
  std::string text(3200, ' ');
  std::memcpy(text.data(), "C 1 TEST FILE WRITTEN BY SEGYIO", 31);
  char bin[SEGY_BINARY_HEADER_SIZE] = {};
  segy_set_bfield(bin, SEGY_BIN_SAMPLES, s.binSamples.value_or(s.samples));
  segy_set_bfield(bin, SEGY_BIN_INTERVAL, s.binInterval.value_or(s.interval));
  segy_set_bfield(bin, SEGY_BIN_FORMAT, s.binaryFormat ? s.binaryFormat : s.format);
  segy_set_bfield(bin, SEGY_BIN_SEGY_REVISION, s.revision);
  const int extCount = s.extCount == -2 ? static_cast<int>(s.extText.size()) : s.extCount;
  segy_set_bfield(bin, SEGY_BIN_EXT_HEADERS, extCount);
  // Fields segyio 1.8 does not know: written in the file's byte order as they are.
  if (s.orderConstant) putBinary(bin, 3297, 0x01020304u, 4, s.littleEndian);
  putBinary(bin, 3507, s.headerExtensions, 4, s.littleEndian);
  const int order = s.littleEndian ? SEGY_LSB : SEGY_MSB;
  // segyio writes the formats it converts; the others as bytes made here.
  const bool own = s.format == 1 || s.format == 2 || s.format == 3 || s.format == 5 || s.format == 8;
  if (segy_set_format(fp, (own ? s.format : 8) | order) != SEGY_OK ||
      segy_write_textheader(fp, 0, text.c_str()) != SEGY_OK || segy_write_binheader(fp, bin) != SEGY_OK)
    throw std::runtime_error("segy header " + path);
  for (size_t k = 0; k < s.extText.size(); ++k) {
    std::string rec = s.extText[k];
    rec.resize(3200, ' ');
    if (segy_write_textheader(fp, static_cast<int>(k) + 1, rec.c_str()) != SEGY_OK)
      throw std::runtime_error("segy extended header " + path);
  }
  const long trace0 = 3600 + 3200 * static_cast<long>(s.extText.size());
  const int extra = 240 * static_cast<int>(s.headerExtensions);
  const int bsize = s.samples * segyFormatBytes(s.format);
  for (size_t i = 0; i < s.traces.size(); ++i) {
    const SegyTraceSpec& t = s.traces[i];
    char h[SEGY_TRACE_HEADER_SIZE] = {};
    segy_set_field(h, SEGY_TR_SEQ_LINE, static_cast<int>(i) + 1);
    segy_set_field(h, SEGY_TR_ENSEMBLE, t.cdp);
    segy_set_field(h, SEGY_TR_NUM_IN_ENSEMBLE, t.inEnsemble);
    segy_set_field(h, SEGY_TR_TRACE_ID, t.id);
    segy_set_field(h, SEGY_TR_STACKED_TRACES, t.stacked);
    segy_set_field(h, SEGY_TR_OFFSET, t.offset);
    segy_set_field(h, SEGY_TR_SOURCE_GROUP_SCALAR, t.scalar);
    segy_set_field(h, SEGY_TR_SAMPLE_COUNT, s.samples);
    segy_set_field(h, SEGY_TR_SAMPLE_INTER, s.interval);
    for (const auto& [byte, value] : t.fields) segy_set_field(h, byte, value);
    // The extensions (filled with 0xEE, which no byte swap changes), then the samples.
    std::vector<unsigned char> buf(static_cast<size_t>(extra), 0xEE);
    std::vector<unsigned char> samples = segySampleBytes(s, t);
    if (own && s.littleEndian)  // segyio swaps them back into the file's order
      for (size_t k = 0; k < samples.size(); k += static_cast<size_t>(segyFormatBytes(s.format)))
        for (int a = 0, b = segyFormatBytes(s.format) - 1; a < b; ++a, --b) std::swap(samples[k + a], samples[k + b]);
    buf.insert(buf.end(), samples.begin(), samples.end());
    if (segy_write_traceheader(fp, static_cast<int>(i), h, trace0, extra + bsize) != SEGY_OK ||
        segy_writetrace(fp, static_cast<int>(i), buf.data(), trace0, extra + bsize) != SEGY_OK)
      throw std::runtime_error("segy trace " + path);
  }
  segy_close(fp);
  if (s.extAscii || !s.trailing.empty()) {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    for (size_t k = 0; s.extAscii && k < s.extText.size(); ++k) {
      std::string rec = s.extText[k];
      rec.resize(3200, ' ');
      f.seekp(static_cast<std::streamoff>(3600 + 3200 * k));
      f.write(rec.data(), 3200);
    }
    f.seekp(0, std::ios::end);
    f.write(s.trailing.data(), static_cast<std::streamsize>(s.trailing.size()));
    if (!f) throw std::runtime_error("segy bytes " + path);
  }
}

struct SegyContents {
  std::string text;  // the textual header, as ASCII
  int format = 0;
  int samples = 0;
  int interval = 0;
  int revision = 0;
  std::vector<std::array<char, SEGY_TRACE_HEADER_SIZE>> headers;
  std::vector<std::vector<float>> traces;

  std::int32_t field(size_t trace, int byte) const {
    std::int32_t v = 0;
    segy_get_field(headers.at(trace).data(), byte, &v);
    return v;
  }
};

// Reads a big-endian IEEE or IBM float file through segyio.
inline SegyContents readSegy(const std::string& path) {
  segy_file* fp = segy_open(path.c_str(), "rb");
  if (!fp) throw std::runtime_error("segy_open " + path);
  SegyContents c;
  char text[3201] = {};
  char bin[SEGY_BINARY_HEADER_SIZE] = {};
  if (segy_read_textheader(fp, text) != SEGY_OK || segy_binheader(fp, bin) != SEGY_OK) {
    segy_close(fp);
    throw std::runtime_error("segy headers " + path);
  }
  c.text = text;
  c.format = segy_format(bin);
  c.samples = segy_samples(bin);
  std::int32_t v = 0;
  segy_get_bfield(bin, SEGY_BIN_INTERVAL, &v);
  c.interval = v;
  segy_get_bfield(bin, SEGY_BIN_SEGY_REVISION, &v);
  c.revision = v;
  segy_set_format(fp, c.format);
  const long trace0 = segy_trace0(bin);
  const int bsize = segy_trsize(c.format, c.samples);
  int count = 0;
  if (segy_traces(fp, &count, trace0, bsize) != SEGY_OK) {
    segy_close(fp);
    throw std::runtime_error("segy traces " + path);
  }
  for (int i = 0; i < count; ++i) {
    std::array<char, SEGY_TRACE_HEADER_SIZE> h{};
    std::vector<float> s(static_cast<size_t>(c.samples));
    segy_traceheader(fp, i, h.data(), trace0, bsize);
    segy_readtrace(fp, i, s.data(), trace0, bsize);
    segy_to_native(c.format, c.samples, s.data());
    c.headers.push_back(h);
    c.traces.push_back(s);
  }
  segy_close(fp);
  return c;
}

}  // namespace tsly::test
