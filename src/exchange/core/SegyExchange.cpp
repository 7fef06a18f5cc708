#include "exchange/core/SegyExchange.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>

#include <segyio/segy.h>

#include "exchange/core/ExchangeOutput.h"
#include "platform/RawFile.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"
#include "shared/TraceFormat.h"

namespace tsly::segy {

namespace {

constexpr std::int64_t ProgressEvery = 256;

struct SegyCloser {
  void operator()(segy_file* f) const {
    if (f) segy_close(f);
  }
};
using SegyPtr = std::unique_ptr<segy_file, SegyCloser>;

std::string text(long long v) { return plainNumberText(v); }

std::string traceText(std::int64_t index1) { return "trace " + text(index1); }

bool fitsI16(std::int64_t v) { return v >= -32768 && v <= 32767; }

// Width in bytes of a trace-header field, as segyio writes it.
int fieldWidth(int byte) {
  char h[SEGY_TRACE_HEADER_SIZE] = {};
  if (segy_set_field(h, byte, -1) != SEGY_OK) return 0;
  int w = 0;
  for (char c : h) w += c != 0 ? 1 : 0;
  return w;
}

// The format argument of segy_set_format: a sample format and a byte order.
int formatAndOrder(int format, bool littleEndian) {
  return format | static_cast<int>(littleEndian ? SEGY_LSB : SEGY_MSB);
}

int knownFormat(int code) {
  switch (code) {
    case SEGY_IBM_FLOAT_4_BYTE:
    case SEGY_SIGNED_INTEGER_4_BYTE:
    case SEGY_SIGNED_SHORT_2_BYTE:
    case SEGY_IEEE_FLOAT_4_BYTE:
    case SEGY_SIGNED_CHAR_1_BYTE: return code;
    default: return 0;
  }
}

// The samples of one trace as floats, from the bytes segyio read.
void toFloats(int format, int n, std::vector<unsigned char>& raw, std::vector<float>& out) {
  segy_to_native(format, n, raw.data());
  out.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    switch (format) {
      case SEGY_SIGNED_INTEGER_4_BYTE: {
        std::int32_t v;
        std::memcpy(&v, raw.data() + 4 * k, 4);
        out[k] = static_cast<float>(v);
        break;
      }
      case SEGY_SIGNED_SHORT_2_BYTE: {
        std::int16_t v;
        std::memcpy(&v, raw.data() + 2 * k, 2);
        out[k] = static_cast<float>(v);
        break;
      }
      case SEGY_SIGNED_CHAR_1_BYTE: {
        std::int8_t v;
        std::memcpy(&v, raw.data() + k, 1);
        out[k] = static_cast<float>(v);
        break;
      }
      default: std::memcpy(&out[k], raw.data() + 4 * k, 4); break;
    }
  }
}

std::int32_t field(const char* h, int byte) {
  std::int32_t v = 0;
  segy_get_field(h, byte, &v);
  return v;
}

// "trace 17: CDP (bytes 21-24) is 40000; header word 12 holds -32768..32767"
std::string doesNotFit(std::int64_t trace, const std::string& what, int byte, long long value, int word) {
  return traceText(trace) + ": " + what + " (" + fieldBytesText(byte) + ") is " + text(value) +
         "; header word " + text(word) + " holds -32768..32767";
}

// The offset word 19 / word 35 of a SEG-Y offset and its scalar, or false.
bool offsetWords(std::int64_t raw, std::int64_t scalar, std::int16_t& w19, std::int16_t& w35) {
  std::int64_t num = raw, den = 1;
  if (scalar > 1) num = raw * scalar;
  if (scalar < -1) {
    den = -scalar;
    const std::int64_t g = std::gcd(num < 0 ? -num : num, den);
    if (g > 1) {
      num /= g;
      den /= g;
    }
  }
  if (!fitsI16(num) || !fitsI16(den)) return false;
  w19 = static_cast<std::int16_t>(num);
  w35 = static_cast<std::int16_t>(den);
  return true;
}

HeaderArray baseHeader(int dataType, int samples, int interval) {
  HeaderArray h{};
  h[WordDataType] = static_cast<std::int16_t>(dataType);
  h[WordLabelWord] = WordCdp;
  h[WordNumSamples] = static_cast<std::int16_t>(samples);
  h[WordSampleInterval] = static_cast<std::int16_t>(interval);
  h[WordSampleFormat] = FloatFormatMarker;
  return h;
}

void report(const Progress& progress, std::int64_t done, std::int64_t total) {
  if (progress && (done % ProgressEvery == 0 || done == total)) progress(done, total);
}

}  // namespace

bool isTraceHeaderField(int byte) {
  std::int32_t v = 0;
  const char h[SEGY_TRACE_HEADER_SIZE] = {};
  return byte >= 1 && byte <= SEGY_TRACE_HEADER_SIZE && segy_get_field(h, byte, &v) == SEGY_OK;
}

std::string fieldBytesText(int byte) {
  const int w = fieldWidth(byte);
  if (w <= 0) return "byte " + text(byte);
  return "bytes " + text(byte) + "-" + text(byte + w - 1);
}

bool isFieldExportWrites(int byte) {
  switch (byte) {
    case SEGY_TR_SEQ_LINE:
    case SEGY_TR_SEQ_FILE:
    case SEGY_TR_ENSEMBLE:
    case SEGY_TR_NUM_IN_ENSEMBLE:
    case SEGY_TR_TRACE_ID:
    case SEGY_TR_STACKED_TRACES:
    case SEGY_TR_OFFSET:
    case SEGY_TR_SOURCE_GROUP_SCALAR:
    case SEGY_TR_SAMPLE_COUNT:
    case SEGY_TR_SAMPLE_INTER: return true;
    default: return false;
  }
}

std::string formatName(int code) {
  switch (code) {
    case SEGY_IBM_FLOAT_4_BYTE: return "IBM float";
    case SEGY_SIGNED_INTEGER_4_BYTE: return "32-bit integer";
    case SEGY_SIGNED_SHORT_2_BYTE: return "16-bit integer";
    case SEGY_IEEE_FLOAT_4_BYTE: return "IEEE float";
    case SEGY_SIGNED_CHAR_1_BYTE: return "8-bit integer";
    default: return "format " + text(code);
  }
}

// ---------------------------------------------------------------------------
// Import

ExchangeResult importSegy(const std::string& in, const std::string& out, const ImportOptions& o,
                          const Progress& progress) {
  ExchangeResult r;
  const bool panels = o.dataType == DataCdpStacked || o.dataType == DataVelocityScan;
  if (o.dataType != DataCdpGather && !panels) {
    r.error = "data type " + text(o.dataType) + " cannot be imported (give 1, 2 or 4)";
    return r;
  }
  if (panels && !isTraceHeaderField(o.velocityByte)) {
    r.error = "velocity field " + text(o.velocityByte) + " is not the first byte of a SEG-Y trace-header field";
    return r;
  }
  if (sameExistingFile(in, out)) {
    r.error = "input and output are the same file";
    return r;
  }

  SegyPtr fp(segy_open(in.c_str(), "rb"));
  if (!fp) {
    r.error = "cannot open " + in + ": " + std::strerror(errno);
    return r;
  }
  char bin[SEGY_BINARY_HEADER_SIZE] = {};
  if (segy_binheader(fp.get(), bin) != SEGY_OK) {
    r.error = in + " is not a SEG-Y file (shorter than its 3600-byte file header)";
    return r;
  }
  int format = knownFormat(segy_format(bin));
  if (!format) {
    // The standard byte order is big-endian; a format code that only makes
    // sense byte-swapped marks a little-endian file.
    char swapped[SEGY_BINARY_HEADER_SIZE] = {};
    segy_set_format(fp.get(), formatAndOrder(SEGY_IBM_FLOAT_4_BYTE, true));
    if (segy_binheader(fp.get(), swapped) == SEGY_OK && knownFormat(segy_format(swapped))) {
      std::memcpy(bin, swapped, sizeof bin);
      format = segy_format(bin);
      r.littleEndian = true;
    } else {
      segy_set_format(fp.get(), formatAndOrder(SEGY_IBM_FLOAT_4_BYTE, false));
      r.error = in + ": sample format code " + text(segy_format(bin)) +
                " is not one this program reads (1 IBM float, 2 32-bit integer, 3 16-bit integer, 5 IEEE float, "
                "8 8-bit integer)";
      return r;
    }
  }
  if (segy_set_format(fp.get(), formatAndOrder(format, r.littleEndian)) != SEGY_OK) {
    r.error = in + ": sample format " + formatName(format) + " cannot be read";
    return r;
  }
  r.segyFormat = format;
  const long trace0 = segy_trace0(bin);
  if (trace0 < 0) {
    r.error = in + ": the binary header announces a negative number of extended textual headers";
    return r;
  }

  char th[SEGY_TRACE_HEADER_SIZE] = {};
  const bool haveFirst = segy_traceheader(fp.get(), 0, th, trace0, 0) == SEGY_OK;
  int samples = segy_samples(bin);
  if (samples <= 0 && haveFirst) samples = field(th, SEGY_TR_SAMPLE_COUNT);
  if (samples <= 0 || samples > 32767) {
    r.error = in + ": " + text(samples) + " samples per trace; header word 58 holds 1..32767";
    return r;
  }
  r.samples = samples;
  const int bsize = segy_trsize(format, samples);
  int count = 0;
  const int tr = segy_traces(fp.get(), &count, trace0, bsize);
  if (tr == SEGY_TRACE_SIZE_MISMATCH) {
    r.error = in + ": the file size is not a whole number of traces of " + text(samples) + " samples (" +
              formatName(format) + ")";
    return r;
  }
  if (tr != SEGY_OK || count <= 0) {
    r.error = in + " holds no traces";
    return r;
  }
  r.tracesIn = count;
  float dt = 0;
  if (segy_sample_interval(fp.get(), 0.0f, &dt) != SEGY_OK || !(dt > 0)) {
    r.error = in + ": no sample interval in the binary header or the first trace header";
    return r;
  }
  if (dt != std::round(dt) || dt > 32767) {
    r.error = in + ": sample interval " + plainNumberText(dt) + " microseconds; header word 59 holds 1..32767";
    return r;
  }
  r.intervalUs = static_cast<int>(dt);


  AtomicFile temp;
  if (!temp.open(out)) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  const int handle = temp.handle();

  std::vector<unsigned char> raw(static_cast<std::size_t>(bsize));
  std::vector<float> samplesF;
  const std::vector<float> zeros(static_cast<std::size_t>(samples), 0.0f);
  std::vector<unsigned char> scratch;
  bool panelOpen = false;
  std::int16_t panelVelocity = 0;
  std::int64_t lastDataTrace = 0;
  auto fail = [&](const std::string& why) {
    r.error = in + ": " + why;
    r.ok = false;
    return r;
  };
  auto put = [&](const HeaderArray& h, const float* s) {
    if (!writeTrace(handle, h, s, samples, scratch)) return false;
    ++r.tracesOut;
    return true;
  };
  auto closePanel = [&]() {
    HeaderArray sep = baseHeader(o.dataType, samples, r.intervalUs);
    sep[WordCdp] = panelVelocity;
    sep[WordTraceCode] = TraceCodeSeparator;
    panelOpen = false;
    ++r.separators;
    ++r.panels;
    return put(sep, zeros.data());
  };
  const std::string writeFailed = "writing " + out + " failed (disk full?)";

  for (int i = 0; i < count; ++i) {
    const std::int64_t n1 = i + 1;
    if (segy_traceheader(fp.get(), i, th, trace0, bsize) != SEGY_OK ||
        segy_readtrace(fp.get(), i, raw.data(), trace0, bsize) != SEGY_OK)
      return fail("cannot read " + traceText(n1));
    const std::int32_t id = field(th, SEGY_TR_TRACE_ID);
    if (panels && id == SegyTraceDummy) {
      if (panelOpen && !closePanel()) return fail(writeFailed);
      report(progress, n1, count);
      continue;
    }
    HeaderArray h = baseHeader(o.dataType, samples, r.intervalUs);
    const std::int32_t cdp = field(th, SEGY_TR_ENSEMBLE);
    if (!fitsI16(cdp)) return fail(doesNotFit(n1, "CDP", SEGY_TR_ENSEMBLE, cdp, WordCdp));
    const std::int32_t inEnsemble = field(th, SEGY_TR_NUM_IN_ENSEMBLE);
    if (!fitsI16(inEnsemble))
      return fail(doesNotFit(n1, "trace number in the ensemble", SEGY_TR_NUM_IN_ENSEMBLE, inEnsemble,
                             WordSecondaryKey));
    const std::int32_t offset = field(th, SEGY_TR_OFFSET);
    const std::int32_t scalar = field(th, SEGY_TR_SOURCE_GROUP_SCALAR);
    if (!offsetWords(offset, scalar, h[WordOffset], h[WordOffsetScalar]))
      return fail(traceText(n1) + ": offset " + text(offset) + " with scalar " + text(scalar) + " (" +
                  fieldBytesText(SEGY_TR_OFFSET) + ", " + fieldBytesText(SEGY_TR_SOURCE_GROUP_SCALAR) +
                  ") does not fit header words 19 and 35 (-32768..32767)");
    h[WordCdp] = static_cast<std::int16_t>(cdp);
    h[WordSecondaryKey] = static_cast<std::int16_t>(inEnsemble);
    h[WordStackCount] = static_cast<std::int16_t>(field(th, SEGY_TR_STACKED_TRACES));
    h[WordTraceCode] = (id == SegyTraceDead || id == SegyTraceDummy) ? TraceCodeDead : 1;
    if (panels) {
      const std::int32_t v = field(th, o.velocityByte);
      if (v < 1 || v > 32767)
        return fail(traceText(n1) + ": panel velocity (" + fieldBytesText(o.velocityByte) + ") is " + text(v) +
                    "; a velocity is 1..32767 (name the field that holds it with --velocity-field)");
      if (panelOpen && v != panelVelocity && !closePanel()) return fail(writeFailed);
      panelVelocity = static_cast<std::int16_t>(v);
      panelOpen = true;
    }
    toFloats(format, samples, raw, samplesF);
    if (!put(h, samplesF.data())) return fail(writeFailed);
    lastDataTrace = n1;
    report(progress, n1, count);
  }
  if (panelOpen && !closePanel()) return fail(writeFailed);
  if (lastDataTrace == 0) {
    r.error = in + ": every trace is a dummy trace; nothing to import";
    return r;
  }
  if (!temp.commit()) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  r.ok = true;
  return r;
}

// ---------------------------------------------------------------------------
// Export

namespace {

// What export needs of one trace of the input, from the header walk.
struct TraceNote {
  std::int64_t pos = 0;
  std::int16_t code = 0;
  std::int16_t velocity = 0;  // of the panel the trace belongs to; 0: none
  std::int16_t samples = 0;
  std::int16_t interval = 0;
};

std::string textHeader(const std::string& in, int dataType, const ExportOptions& o, bool hasPanels) {
  std::vector<std::string> lines = {
      "SEG-Y WRITTEN BY TESSALY (TSLY EXPORT-SEGY)",
      "SOURCE: " + in,
      "DATA TYPE:" + dataTypeText(dataType) + " (CODE " + plainNumberText(dataType) + ")",
      "CDP IN BYTES 21-24, TRACE NUMBER IN CDP IN 25-28, TRACE ID IN 29-30 (2 DEAD)",
      "OFFSET IN BYTES 37-40 WITH SCALAR IN 71-72",
      "SAMPLES: 4-BYTE IEEE FLOATS (FORMAT 5), BIG-ENDIAN",
  };
  if (hasPanels) {
    std::string bytes = fieldBytesText(o.velocityByte);
    for (char& c : bytes) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    lines.push_back("PANEL VELOCITY IN " + bytes);
    lines.push_back(o.withSeparators ? "PANEL SEPARATORS WRITTEN AS DUMMY TRACES (TRACE ID 3)"
                                     : "PANEL SEPARATOR TRACES LEFT OUT");
  }
  std::string t(3200, ' ');
  for (std::size_t i = 0; i < 40; ++i) {
    std::string line;
    if (i == 39) {
      line = "C40 END TEXTUAL HEADER";
    } else {
      line = (i + 1 < 10 ? "C " : "C") + std::to_string(i + 1) + " ";
      if (i < lines.size()) line += lines[i];
    }
    for (char& c : line)
      if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
    line.resize(80, ' ');
    t.replace(i * 80, 80, line);
  }
  return t;
}

}  // namespace

ExchangeResult exportSegy(const std::string& in, const std::string& out, const ExportOptions& o,
                          const Progress& progress) {
  ExchangeResult r;
  r.segyFormat = SEGY_IEEE_FLOAT_4_BYTE;
  if (!isTraceHeaderField(o.velocityByte) || isFieldExportWrites(o.velocityByte)) {
    r.error = "velocity field " + text(o.velocityByte) +
              (isTraceHeaderField(o.velocityByte) ? " is a field export writes itself; name another"
                                                  : " is not the first byte of a SEG-Y trace-header field");
    return r;
  }
  if (sameExistingFile(in, out)) {
    r.error = "input and output are the same file";
    return r;
  }
  int handle = rawOpen(in, RawAccess::ReadOnly);
  if (handle < 0) {
    r.error = "cannot open " + in + ": " + std::strerror(errno);
    return r;
  }
  struct HandleCloser {
    int& h;
    ~HandleCloser() { rawClose(h); }
  } closer{handle};

  // Walk the headers: where each trace lies, its code, and the velocity of the
  // panel it belongs to (known when the separator closing the panel is met).
  const std::int64_t size = rawSeek(handle, 0, 2);
  std::vector<TraceNote> notes;
  std::size_t panelStart = 0;
  std::int64_t pos = 0;
  int dataType = 0;
  unsigned char hb[HeaderBytes];
  HeaderArray h{};
  while (pos + HeaderBytes <= size) {
    if (rawSeek(handle, pos, 0) != pos || hreed(hb, handle, HeaderBytes) != HeaderBytes) {
      r.error = in + ": cannot read " + traceText(static_cast<std::int64_t>(notes.size()) + 1);
      return r;
    }
    decodeHeader(hb, h);
    const std::int64_t n1 = static_cast<std::int64_t>(notes.size()) + 1;
    if (notes.empty()) dataType = h[WordDataType];
    const std::int32_t bytes = traceDataBytes(h);
    if (bytes < 2) {
      r.error = in + ": " + traceText(n1) + " declares " + text(h[WordNumSamples]) +
                " samples (header word 58); the data appears corrupt";
      return r;
    }
    if (pos + HeaderBytes + bytes > size) {
      r.error = in + ": the samples of " + traceText(n1) + " are cut short (the file ends inside them)";
      return r;
    }
    TraceNote t;
    t.pos = pos;
    t.code = h[WordTraceCode];
    t.samples = h[WordNumSamples];
    t.interval = h[WordSampleInterval];
    if (t.code == TraceCodeSeparator) {
      t.velocity = h[WordCdp];
      for (std::size_t k = panelStart; k < notes.size(); ++k) notes[k].velocity = t.velocity;
      panelStart = notes.size() + 1;
      ++r.panels;
    }
    notes.push_back(t);
    pos += HeaderBytes + bytes;
  }
  if (notes.empty()) {
    r.error = in + " holds no complete trace";
    return r;
  }
  if (pos < size)
    r.notes.push_back(text(size - pos) + " bytes after the last complete trace were left out");

  // SEG-Y traces all have one length: check every trace that will be written.
  const TraceNote* first = nullptr;
  for (std::size_t k = 0; k < notes.size(); ++k) {
    const TraceNote& t = notes[k];
    if (t.code == TraceCodeSeparator && !o.withSeparators) continue;
    if (!first) {
      first = &t;
      if (t.interval <= 0) {
        r.error = in + ": " + traceText(static_cast<std::int64_t>(k) + 1) + " has sample interval " +
                  text(t.interval) + " microseconds (header word 59); SEG-Y needs a positive interval";
        return r;
      }
      continue;
    }
    if (t.samples != first->samples || t.interval != first->interval) {
      r.error = in + ": " + traceText(static_cast<std::int64_t>(k) + 1) + " has " + text(t.samples) +
                " samples at " + text(t.interval) + " microseconds, the first trace " + text(first->samples) +
                " at " + text(first->interval) + "; SEG-Y traces all have one length and interval";
      return r;
    }
  }
  if (!first) {
    r.error = in + " holds only separator traces; nothing to export (add --with-separators to write them)";
    return r;
  }
  r.samples = first->samples;
  r.intervalUs = first->interval;
  const std::int64_t total = static_cast<std::int64_t>(notes.size());
  r.tracesIn = total;
  if (total > 2147483647) {
    r.error = in + ": more traces than a SEG-Y file can number";
    return r;
  }

  AtomicFile temp;
  if (!temp.open(out)) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  SegyPtr fp(segy_open(temp.tempPath().c_str(), "w+b"));
  if (!fp) {
    r.error = "cannot write " + temp.tempPath() + ": " + std::strerror(errno);
    return r;
  }
  const std::string writeFailed = "writing " + out + " failed (disk full?)";
  const std::string th = textHeader(in, dataType, o, r.panels > 0);
  char bin[SEGY_BINARY_HEADER_SIZE] = {};
  segy_set_bfield(bin, SEGY_BIN_INTERVAL, r.intervalUs);
  segy_set_bfield(bin, SEGY_BIN_SAMPLES, r.samples);
  segy_set_bfield(bin, SEGY_BIN_FORMAT, SEGY_IEEE_FLOAT_4_BYTE);
  segy_set_bfield(bin, SEGY_BIN_SORTING_CODE,
                  dataType == DataCdpGather ? 2 : (dataType == DataCdpStacked || dataType == DataVelocityScan) ? 4 : 0);
  segy_set_bfield(bin, SEGY_BIN_MEASUREMENT_SYSTEM, 1);
  segy_set_bfield(bin, SEGY_BIN_SEGY_REVISION, 0x0100);
  segy_set_bfield(bin, SEGY_BIN_TRACE_FLAG, 1);
  if (segy_write_textheader(fp.get(), 0, th.c_str()) != SEGY_OK || segy_write_binheader(fp.get(), bin) != SEGY_OK ||
      segy_set_format(fp.get(), formatAndOrder(SEGY_IEEE_FLOAT_4_BYTE, false)) != SEGY_OK) {
    r.error = writeFailed;
    return r;
  }
  const long trace0 = segy_trace0(bin);
  const int bsize = segy_trsize(SEGY_IEEE_FLOAT_4_BYTE, r.samples);

  std::vector<float> samples;
  std::vector<unsigned char> scratch;
  std::int32_t lastCdp = 0;
  std::int64_t noOffset = 0;
  int outIndex = 0;
  for (std::int64_t k = 0; k < total; ++k) {
    const TraceNote& t = notes[static_cast<std::size_t>(k)];
    const bool separator = t.code == TraceCodeSeparator;
    if (separator && !o.withSeparators) {
      report(progress, k + 1, total);
      continue;
    }
    if (readTraceAt(handle, t.pos, h, samples, scratch) != TraceReadStatus::Ok) {
      r.error = in + ": cannot read " + traceText(k + 1);
      return r;
    }
    char sh[SEGY_TRACE_HEADER_SIZE] = {};
    segy_set_field(sh, SEGY_TR_SEQ_LINE, outIndex + 1);
    segy_set_field(sh, SEGY_TR_SEQ_FILE, outIndex + 1);
    segy_set_field(sh, SEGY_TR_SAMPLE_COUNT, r.samples);
    segy_set_field(sh, SEGY_TR_SAMPLE_INTER, r.intervalUs);
    if (separator) {
      // A separator keeps the CDP of the traces before it, so that tools that
      // bin by CDP keep it beside its panel; its samples are zero.
      segy_set_field(sh, SEGY_TR_ENSEMBLE, lastCdp);
      segy_set_field(sh, SEGY_TR_TRACE_ID, SegyTraceDummy);
      segy_set_field(sh, SEGY_TR_SOURCE_GROUP_SCALAR, 1);
      std::fill(samples.begin(), samples.end(), 0.0f);
      ++r.separators;
    } else {
      lastCdp = h[WordCdp];
      segy_set_field(sh, SEGY_TR_ENSEMBLE, h[WordCdp]);
      segy_set_field(sh, SEGY_TR_NUM_IN_ENSEMBLE, h[WordSecondaryKey]);
      segy_set_field(sh, SEGY_TR_TRACE_ID, h[WordTraceCode] == TraceCodeDead ? SegyTraceDead : SegyTraceLive);
      segy_set_field(sh, SEGY_TR_STACKED_TRACES, h[WordStackCount]);
      const std::int32_t w19 = h[WordOffset], w35 = h[WordOffsetScalar];
      if (w35 == 0) {
        // Gathers need their offsets; in stacked panels an offset means nothing.
        if (dataType == DataCdpGather || dataType == DataSpecialOrder) ++noOffset;
        segy_set_field(sh, SEGY_TR_SOURCE_GROUP_SCALAR, 1);
      } else {
        const std::int32_t sign = w35 < 0 ? -1 : 1;
        const std::int32_t divisor = sign * w35;
        segy_set_field(sh, SEGY_TR_OFFSET, sign * w19);
        segy_set_field(sh, SEGY_TR_SOURCE_GROUP_SCALAR, divisor == 1 ? 1 : -divisor);
      }
    }
    segy_set_field(sh, o.velocityByte, t.velocity);
    samples.resize(static_cast<std::size_t>(r.samples), 0.0f);
    segy_from_native(SEGY_IEEE_FLOAT_4_BYTE, r.samples, samples.data());
    if (segy_write_traceheader(fp.get(), outIndex, sh, trace0, bsize) != SEGY_OK ||
        segy_writetrace(fp.get(), outIndex, samples.data(), trace0, bsize) != SEGY_OK) {
      r.error = writeFailed;
      return r;
    }
    ++outIndex;
    ++r.tracesOut;
    report(progress, k + 1, total);
  }
  const int closed = segy_close(fp.release());
  if (closed != SEGY_OK) {
    r.error = writeFailed;
    return r;
  }
  if (!temp.commit()) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  if (noOffset > 0)
    r.notes.push_back(text(noOffset) + " traces had no valid offset (header word 35 = 0) and were written with offset 0");
  r.ok = true;
  return r;
}

}  // namespace tsly::segy
