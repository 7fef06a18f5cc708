// SEG-Y files written and read back by segyio itself, for the exchange tests:
// what import reads was made by segyio's own writer, and what export wrote is
// judged by segyio's own reader.
//
//   SegySpec s;                              // IEEE floats, big-endian, 50 samples at 4000 us
//   s.traces.push_back({.cdp = 101, .offset = 250, .samples = {...}});
//   writeSegy(path, s);
//   SegyContents c = readSegy(path);         // headers, samples as floats, text header
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
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

struct SegySpec {
  int format = SEGY_IEEE_FLOAT_4_BYTE;
  bool littleEndian = false;
  int samples = 50;
  int interval = 4000;
  int binaryFormat = 0;  // when not 0: the format code the binary header announces instead
  std::vector<SegyTraceSpec> traces;
};

inline void writeSegy(const std::string& path, const SegySpec& s) {
  segy_file* fp = segy_open(path.c_str(), "w+b");
  if (!fp) throw std::runtime_error("segy_open " + path);
  std::string text(3200, ' ');
  std::memcpy(text.data(), "C 1 TEST FILE WRITTEN BY SEGYIO", 31);
  char bin[SEGY_BINARY_HEADER_SIZE] = {};
  segy_set_bfield(bin, SEGY_BIN_SAMPLES, s.samples);
  segy_set_bfield(bin, SEGY_BIN_INTERVAL, s.interval);
  segy_set_bfield(bin, SEGY_BIN_FORMAT, s.binaryFormat ? s.binaryFormat : s.format);
  const int order = s.littleEndian ? SEGY_LSB : SEGY_MSB;
  if (segy_set_format(fp, s.format | order) != SEGY_OK || segy_write_textheader(fp, 0, text.c_str()) != SEGY_OK ||
      segy_write_binheader(fp, bin) != SEGY_OK)
    throw std::runtime_error("segy header " + path);
  const int bsize = segy_trsize(s.format, s.samples);
  std::vector<unsigned char> buf(static_cast<size_t>(bsize));
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
    std::vector<float> v = t.samples;
    v.resize(static_cast<size_t>(s.samples), 0.0f);
    for (int k = 0; k < s.samples; ++k) {
      const float x = v[static_cast<size_t>(k)];
      switch (s.format) {
        case SEGY_SIGNED_INTEGER_4_BYTE: {
          const std::int32_t n = static_cast<std::int32_t>(x);
          std::memcpy(buf.data() + 4 * k, &n, 4);
          break;
        }
        case SEGY_SIGNED_SHORT_2_BYTE: {
          const std::int16_t n = static_cast<std::int16_t>(x);
          std::memcpy(buf.data() + 2 * k, &n, 2);
          break;
        }
        case SEGY_SIGNED_CHAR_1_BYTE: {
          const std::int8_t n = static_cast<std::int8_t>(x);
          std::memcpy(buf.data() + k, &n, 1);
          break;
        }
        default: std::memcpy(buf.data() + 4 * k, &x, 4); break;
      }
    }
    segy_from_native(s.format, s.samples, buf.data());
    if (segy_write_traceheader(fp, static_cast<int>(i), h, 3600, bsize) != SEGY_OK ||
        segy_writetrace(fp, static_cast<int>(i), buf.data(), 3600, bsize) != SEGY_OK)
      throw std::runtime_error("segy trace " + path);
  }
  segy_close(fp);
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
