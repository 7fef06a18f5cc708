#include "exchange/core/SegyExchange.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>

#include <segyio/segy.h>

#include "shared/ExchangeOutput.h"
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
  return traceText(trace) + ": " + what + " (" + fieldBytesText(byte) + ") is " + text(value) + "; header word " +
         text(word) + " holds -32768..32767";
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

namespace {

// A SEG-Y input opened and its layout read: sample format, where the traces
// start, samples per trace, bytes per trace and how many traces there are.
struct SegyInput {
  SegyPtr fp;
  int format = 0;
  long trace0 = 0;
  int samples = 0;
  int bsize = 0;
  int count = 0;
};

// "" or why the options can not be imported.
std::string checkImportOptions(const std::string& in, const std::string& out, const ImportOptions& o) {
  const bool panels = o.dataType == DataCdpStacked || o.dataType == DataVelocityScan;
  if (o.dataType != DataCdpGather && !panels)
    return "data type " + text(o.dataType) + " cannot be imported (give 1, 2 or 4)";
  if (panels && !isTraceHeaderField(o.velocityByte))
    return "velocity field " + text(o.velocityByte) + " is not the first byte of a SEG-Y trace-header field";
  if (sameExistingFile(in, out)) return "input and output are the same file";
  return {};
}

// The sample format and byte order from the binary header `bin` (read again
// byte-swapped when needed), set on the file. "" or why the samples can not be read.
std::string readSampleFormat(const std::string& in, SegyInput& s, char* bin, ExchangeResult& r) {
  s.format = knownFormat(segy_format(bin));
  if (!s.format) {
    // The standard byte order is big-endian; a format code that only makes
    // sense byte-swapped marks a little-endian file.
    char swapped[SEGY_BINARY_HEADER_SIZE] = {};
    segy_set_format(s.fp.get(), formatAndOrder(SEGY_IBM_FLOAT_4_BYTE, true));
    if (segy_binheader(s.fp.get(), swapped) != SEGY_OK || !knownFormat(segy_format(swapped))) {
      segy_set_format(s.fp.get(), formatAndOrder(SEGY_IBM_FLOAT_4_BYTE, false));
      return in + ": sample format code " + text(segy_format(bin)) +
             " is not one this program reads (1 IBM float, 2 32-bit integer, 3 16-bit integer, 5 IEEE float, "
             "8 8-bit integer)";
    }
    std::memcpy(bin, swapped, SEGY_BINARY_HEADER_SIZE);
    s.format = segy_format(bin);
    r.littleEndian = true;
  }
  if (segy_set_format(s.fp.get(), formatAndOrder(s.format, r.littleEndian)) != SEGY_OK)
    return in + ": sample format " + formatName(s.format) + " cannot be read";
  r.segyFormat = s.format;
  return {};
}

// Samples per trace, trace count and sample interval, each one the trace-file
// headers can hold. "" or why not.
std::string readTraceLayout(const std::string& in, SegyInput& s, const char* bin, ExchangeResult& r) {
  char th[SEGY_TRACE_HEADER_SIZE] = {};
  const bool haveFirst = segy_traceheader(s.fp.get(), 0, th, s.trace0, 0) == SEGY_OK;
  s.samples = segy_samples(bin);
  if (s.samples <= 0 && haveFirst) s.samples = field(th, SEGY_TR_SAMPLE_COUNT);
  if (s.samples <= 0 || s.samples > 32767)
    return in + ": " + text(s.samples) + " samples per trace; header word 58 holds 1..32767";
  r.samples = s.samples;
  s.bsize = segy_trsize(s.format, s.samples);
  const int tr = segy_traces(s.fp.get(), &s.count, s.trace0, s.bsize);
  if (tr == SEGY_TRACE_SIZE_MISMATCH)
    return in + ": the file size is not a whole number of traces of " + text(s.samples) + " samples (" +
           formatName(s.format) + ")";
  if (tr != SEGY_OK || s.count <= 0) return in + " holds no traces";
  r.tracesIn = s.count;
  float dt = 0;
  if (segy_sample_interval(s.fp.get(), 0.0f, &dt) != SEGY_OK || !(dt > 0))
    return in + ": no sample interval in the binary header or the first trace header";
  if (dt != std::round(dt) || dt > 32767)
    return in + ": sample interval " + plainNumberText(dt) + " microseconds; header word 59 holds 1..32767";
  r.intervalUs = static_cast<int>(dt);
  return {};
}

// Opens the SEG-Y file and reads its layout. "" or why it can not be imported.
std::string openSegyInput(const std::string& in, SegyInput& s, ExchangeResult& r) {
  s.fp.reset(segy_open(in.c_str(), "rb"));
  if (!s.fp) return "cannot open " + in + ": " + std::strerror(errno);
  char bin[SEGY_BINARY_HEADER_SIZE] = {};
  if (segy_binheader(s.fp.get(), bin) != SEGY_OK)
    return in + " is not a SEG-Y file (shorter than its 3600-byte file header)";
  if (std::string why = readSampleFormat(in, s, bin, r); !why.empty()) return why;
  s.trace0 = segy_trace0(bin);
  if (s.trace0 < 0) return in + ": the binary header announces a negative number of extended textual headers";
  return readTraceLayout(in, s, bin, r);
}

// The trace-file header words of SEG-Y trace n1 (1-based, identification
// `id`) from its header `th`. "" or which value does not fit.
std::string importHeader(const char* th, std::int64_t n1, std::int32_t id, HeaderArray& h) {
  const std::int32_t cdp = field(th, SEGY_TR_ENSEMBLE);
  if (!fitsI16(cdp)) return doesNotFit(n1, "CDP", SEGY_TR_ENSEMBLE, cdp, WordCdp);
  const std::int32_t inEnsemble = field(th, SEGY_TR_NUM_IN_ENSEMBLE);
  if (!fitsI16(inEnsemble))
    return doesNotFit(n1, "trace number in the ensemble", SEGY_TR_NUM_IN_ENSEMBLE, inEnsemble, WordSecondaryKey);
  const std::int32_t offset = field(th, SEGY_TR_OFFSET);
  const std::int32_t scalar = field(th, SEGY_TR_SOURCE_GROUP_SCALAR);
  if (!offsetWords(offset, scalar, h[WordOffset], h[WordOffsetScalar]))
    return traceText(n1) + ": offset " + text(offset) + " with scalar " + text(scalar) + " (" +
           fieldBytesText(SEGY_TR_OFFSET) + ", " + fieldBytesText(SEGY_TR_SOURCE_GROUP_SCALAR) +
           ") does not fit header words 19 and 35 (-32768..32767)";
  h[WordCdp] = static_cast<std::int16_t>(cdp);
  h[WordSecondaryKey] = static_cast<std::int16_t>(inEnsemble);
  h[WordStackCount] = static_cast<std::int16_t>(field(th, SEGY_TR_STACKED_TRACES));
  h[WordTraceCode] = (id == SegyTraceDead || id == SegyTraceDummy) ? TraceCodeDead : 1;
  return {};
}

// The traces import writes, each counted in the result; for panel data each
// panel is closed by a separator trace carrying its velocity.
class ImportWriter {
 public:
  ImportWriter(int handle, const ImportOptions& o, ExchangeResult& r)
      : handle_(handle), o_(o), r_(r), zeros_(static_cast<std::size_t>(r.samples), 0.0f) {}

  HeaderArray header() const { return baseHeader(o_.dataType, r_.samples, r_.intervalUs); }

  bool put(const HeaderArray& h, const float* samples) {
    if (!writeTrace(handle_, h, samples, r_.samples, scratch_)) return false;
    ++r_.tracesOut;
    return true;
  }
  // A trace of the panel of velocity v follows: the open panel is closed
  // first when its velocity differs.
  bool enterPanel(std::int16_t v) {
    if (open_ && v != velocity_ && !closePanel()) return false;
    velocity_ = v;
    open_ = true;
    return true;
  }
  // Closes the open panel, if any, with its separator trace.
  bool closePanel() {
    if (!open_) return true;
    HeaderArray sep = header();
    sep[WordCdp] = velocity_;
    sep[WordTraceCode] = TraceCodeSeparator;
    open_ = false;
    ++r_.separators;
    ++r_.panels;
    return put(sep, zeros_.data());
  }

 private:
  int handle_;
  const ImportOptions& o_;
  ExchangeResult& r_;
  const std::vector<float> zeros_;
  std::vector<unsigned char> scratch_;
  bool open_ = false;
  std::int16_t velocity_ = 0;
};

// Reads every SEG-Y trace and writes it through `w`. "" or why the import
// stopped (without the input's name).
std::string copyTraces(SegyInput& s, const ImportOptions& o, const std::string& out, ImportWriter& w,
                       const Progress& progress) {
  const bool panels = o.dataType == DataCdpStacked || o.dataType == DataVelocityScan;
  const std::string writeFailed = "writing " + out + " failed (disk full?)";
  std::vector<unsigned char> raw(static_cast<std::size_t>(s.bsize));
  std::vector<float> samples;
  char th[SEGY_TRACE_HEADER_SIZE] = {};
  std::int64_t lastDataTrace = 0;
  for (int i = 0; i < s.count; ++i) {
    const std::int64_t n1 = i + 1;
    if (segy_traceheader(s.fp.get(), i, th, s.trace0, s.bsize) != SEGY_OK ||
        segy_readtrace(s.fp.get(), i, raw.data(), s.trace0, s.bsize) != SEGY_OK)
      return "cannot read " + traceText(n1);
    const std::int32_t id = field(th, SEGY_TR_TRACE_ID);
    if (panels && id == SegyTraceDummy) {  // a dummy trace closes the panel and is not copied
      if (!w.closePanel()) return writeFailed;
      report(progress, n1, s.count);
      continue;
    }
    HeaderArray h = w.header();
    if (std::string why = importHeader(th, n1, id, h); !why.empty()) return why;
    if (panels) {
      const std::int32_t v = field(th, o.velocityByte);
      if (v < 1 || v > 32767)
        return traceText(n1) + ": panel velocity (" + fieldBytesText(o.velocityByte) + ") is " + text(v) +
               "; a velocity is 1..32767 (name the field that holds it with --velocity-field)";
      if (!w.enterPanel(static_cast<std::int16_t>(v))) return writeFailed;
    }
    toFloats(s.format, s.samples, raw, samples);
    if (!w.put(h, samples.data())) return writeFailed;
    lastDataTrace = n1;
    report(progress, n1, s.count);
  }
  if (!w.closePanel()) return writeFailed;
  if (lastDataTrace == 0) return "every trace is a dummy trace; nothing to import";
  return {};
}

}  // namespace

ExchangeResult importSegy(const std::string& in, const std::string& out, const ImportOptions& o,
                          const Progress& progress) {
  ExchangeResult r;
  SegyInput s;
  r.error = checkImportOptions(in, out, o);
  if (r.error.empty()) r.error = openSegyInput(in, s, r);
  if (!r.error.empty()) return r;
  AtomicFile temp;
  if (!temp.open(out)) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  ImportWriter writer(temp.handle(), o, r);
  if (std::string why = copyTraces(s, o, out, writer, progress); !why.empty()) {
    r.error = in + ": " + why;
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

// "" or why the options can not be exported.
std::string checkExportOptions(const std::string& in, const std::string& out, const ExportOptions& o) {
  if (!isTraceHeaderField(o.velocityByte) || isFieldExportWrites(o.velocityByte))
    return "velocity field " + text(o.velocityByte) +
           (isTraceHeaderField(o.velocityByte) ? " is a field export writes itself; name another"
                                               : " is not the first byte of a SEG-Y trace-header field");
  if (sameExistingFile(in, out)) return "input and output are the same file";
  return {};
}

// Walks the headers of the trace file: where each trace lies, its code, and
// the velocity of the panel it belongs to (known when the separator closing
// the panel is met). `dataType` is the first trace's. "" or why not.
std::string walkTraces(int handle, const std::string& in, std::vector<TraceNote>& notes, int& dataType,
                       ExchangeResult& r) {
  const std::int64_t size = rawSeek(handle, 0, 2);
  std::size_t panelStart = 0;
  std::int64_t pos = 0;
  unsigned char hb[HeaderBytes];
  HeaderArray h{};
  while (pos + HeaderBytes <= size) {
    const std::int64_t n1 = static_cast<std::int64_t>(notes.size()) + 1;
    if (rawSeek(handle, pos, 0) != pos || hreed(hb, handle, HeaderBytes) != HeaderBytes)
      return in + ": cannot read " + traceText(n1);
    decodeHeader(hb, h);
    if (notes.empty()) dataType = h[WordDataType];
    const std::int32_t bytes = traceDataBytes(h);
    if (bytes < 2)
      return in + ": " + traceText(n1) + " declares " + text(h[WordNumSamples]) +
             " samples (header word 58); the data appears corrupt";
    if (pos + HeaderBytes + bytes > size)
      return in + ": the samples of " + traceText(n1) + " are cut short (the file ends inside them)";
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
  if (notes.empty()) return in + " holds no complete trace";
  if (pos < size) r.notes.push_back(text(size - pos) + " bytes after the last complete trace were left out");
  return {};
}

// SEG-Y traces all have one length: checks every trace that will be written
// and sets the result's samples and interval. "" or why not.
std::string checkOneLength(const std::string& in, const std::vector<TraceNote>& notes, const ExportOptions& o,
                           ExchangeResult& r) {
  const TraceNote* first = nullptr;
  for (std::size_t k = 0; k < notes.size(); ++k) {
    const TraceNote& t = notes[k];
    if (t.code == TraceCodeSeparator && !o.withSeparators) continue;
    const std::string trace = traceText(static_cast<std::int64_t>(k) + 1);
    if (!first) {
      first = &t;
      if (t.interval <= 0)
        return in + ": " + trace + " has sample interval " + text(t.interval) +
               " microseconds (header word 59); SEG-Y needs a positive interval";
      continue;
    }
    if (t.samples != first->samples || t.interval != first->interval)
      return in + ": " + trace + " has " + text(t.samples) + " samples at " + text(t.interval) +
             " microseconds, the first trace " + text(first->samples) + " at " + text(first->interval) +
             "; SEG-Y traces all have one length and interval";
  }
  if (!first) return in + " holds only separator traces; nothing to export (add --with-separators to write them)";
  r.samples = first->samples;
  r.intervalUs = first->interval;
  r.tracesIn = static_cast<std::int64_t>(notes.size());
  if (r.tracesIn > 2147483647) return in + ": more traces than a SEG-Y file can number";
  return {};
}

// Writes the textual and binary file headers. Where the first trace starts,
// or -1 when segyio could not write them.
long writeFileHeaders(segy_file* fp, const std::string& in, int dataType, const ExportOptions& o,
                      const ExchangeResult& r) {
  const std::string th = textHeader(in, dataType, o, r.panels > 0);
  char bin[SEGY_BINARY_HEADER_SIZE] = {};
  segy_set_bfield(bin, SEGY_BIN_INTERVAL, r.intervalUs);
  segy_set_bfield(bin, SEGY_BIN_SAMPLES, r.samples);
  segy_set_bfield(bin, SEGY_BIN_FORMAT, SEGY_IEEE_FLOAT_4_BYTE);
  segy_set_bfield(bin, SEGY_BIN_SORTING_CODE,
                  dataType == DataCdpGather                                      ? 2
                  : (dataType == DataCdpStacked || dataType == DataVelocityScan) ? 4
                                                                                 : 0);
  segy_set_bfield(bin, SEGY_BIN_MEASUREMENT_SYSTEM, 1);
  segy_set_bfield(bin, SEGY_BIN_SEGY_REVISION, 0x0100);
  segy_set_bfield(bin, SEGY_BIN_TRACE_FLAG, 1);
  if (segy_write_textheader(fp, 0, th.c_str()) != SEGY_OK || segy_write_binheader(fp, bin) != SEGY_OK ||
      segy_set_format(fp, formatAndOrder(SEGY_IEEE_FLOAT_4_BYTE, false)) != SEGY_OK)
    return -1;
  return segy_trace0(bin);
}

// The SEG-Y header of a trace written as the outIndex-th (0-based): a
// separator as a dummy trace keeping the CDP before it (so that tools that bin
// by CDP keep it beside its panel), any other trace with its CDP, number in the
// CDP, identification, stack count and offset. True when the trace has no
// valid offset (word 35 = 0): it is written with offset 0.
bool exportHeader(const HeaderArray& h, bool separator, int outIndex, std::int32_t lastCdp, const ExchangeResult& r,
                  char* sh) {
  std::memset(sh, 0, SEGY_TRACE_HEADER_SIZE);
  segy_set_field(sh, SEGY_TR_SEQ_LINE, outIndex + 1);
  segy_set_field(sh, SEGY_TR_SEQ_FILE, outIndex + 1);
  segy_set_field(sh, SEGY_TR_SAMPLE_COUNT, r.samples);
  segy_set_field(sh, SEGY_TR_SAMPLE_INTER, r.intervalUs);
  if (separator) {
    segy_set_field(sh, SEGY_TR_ENSEMBLE, lastCdp);
    segy_set_field(sh, SEGY_TR_TRACE_ID, SegyTraceDummy);
    segy_set_field(sh, SEGY_TR_SOURCE_GROUP_SCALAR, 1);
    return false;
  }
  segy_set_field(sh, SEGY_TR_ENSEMBLE, h[WordCdp]);
  segy_set_field(sh, SEGY_TR_NUM_IN_ENSEMBLE, h[WordSecondaryKey]);
  segy_set_field(sh, SEGY_TR_TRACE_ID, h[WordTraceCode] == TraceCodeDead ? SegyTraceDead : SegyTraceLive);
  segy_set_field(sh, SEGY_TR_STACKED_TRACES, h[WordStackCount]);
  const std::int32_t w19 = h[WordOffset], w35 = h[WordOffsetScalar];
  if (w35 == 0) {
    segy_set_field(sh, SEGY_TR_SOURCE_GROUP_SCALAR, 1);
    return true;
  }
  const std::int32_t sign = w35 < 0 ? -1 : 1;
  const std::int32_t divisor = sign * w35;
  segy_set_field(sh, SEGY_TR_OFFSET, sign * w19);
  segy_set_field(sh, SEGY_TR_SOURCE_GROUP_SCALAR, divisor == 1 ? 1 : -divisor);
  return false;
}

// Reads each trace of the walk and writes it as SEG-Y from trace0 on
// (separators only with withSeparators, with zero samples), counting the
// gather traces without a valid offset. "" or why not.
std::string writeTraces(segy_file* fp, long trace0, int handle, const std::string& in, const std::string& out,
                        const std::vector<TraceNote>& notes, int dataType, const ExportOptions& o, ExchangeResult& r,
                        const Progress& progress, std::int64_t& noOffset) {
  const int bsize = segy_trsize(SEGY_IEEE_FLOAT_4_BYTE, r.samples);
  const std::int64_t total = r.tracesIn;
  std::vector<float> samples;
  std::vector<unsigned char> scratch;
  HeaderArray h{};
  char sh[SEGY_TRACE_HEADER_SIZE];
  std::int32_t lastCdp = 0;
  int outIndex = 0;
  for (std::int64_t k = 0; k < total; ++k) {
    const TraceNote& t = notes[static_cast<std::size_t>(k)];
    const bool separator = t.code == TraceCodeSeparator;
    if (separator && !o.withSeparators) {
      report(progress, k + 1, total);
      continue;
    }
    if (readTraceAt(handle, t.pos, h, samples, scratch) != TraceReadStatus::Ok)
      return in + ": cannot read " + traceText(k + 1);
    // Gathers need their offsets; in stacked panels an offset means nothing.
    if (exportHeader(h, separator, outIndex, lastCdp, r, sh) &&
        (dataType == DataCdpGather || dataType == DataSpecialOrder))
      ++noOffset;
    if (separator) {
      std::fill(samples.begin(), samples.end(), 0.0f);
      ++r.separators;
    } else {
      lastCdp = h[WordCdp];
    }
    segy_set_field(sh, o.velocityByte, t.velocity);
    samples.resize(static_cast<std::size_t>(r.samples), 0.0f);
    segy_from_native(SEGY_IEEE_FLOAT_4_BYTE, r.samples, samples.data());
    if (segy_write_traceheader(fp, outIndex, sh, trace0, bsize) != SEGY_OK ||
        segy_writetrace(fp, outIndex, samples.data(), trace0, bsize) != SEGY_OK)
      return "writing " + out + " failed (disk full?)";
    ++outIndex;
    ++r.tracesOut;
    report(progress, k + 1, total);
  }
  return {};
}

}  // namespace

ExchangeResult exportSegy(const std::string& in, const std::string& out, const ExportOptions& o,
                          const Progress& progress) {
  ExchangeResult r;
  r.segyFormat = SEGY_IEEE_FLOAT_4_BYTE;
  if (r.error = checkExportOptions(in, out, o); !r.error.empty()) return r;
  int handle = rawOpen(in, RawAccess::ReadOnly);
  if (handle < 0) {
    r.error = "cannot open " + in + ": " + std::strerror(errno);
    return r;
  }
  struct HandleCloser {
    int& h;
    ~HandleCloser() { rawClose(h); }
  } closer{handle};
  std::vector<TraceNote> notes;
  int dataType = 0;
  r.error = walkTraces(handle, in, notes, dataType, r);
  if (r.error.empty()) r.error = checkOneLength(in, notes, o, r);
  if (!r.error.empty()) return r;

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
  const long trace0 = writeFileHeaders(fp.get(), in, dataType, o, r);
  if (trace0 < 0) {
    r.error = writeFailed;
    return r;
  }
  std::int64_t noOffset = 0;
  r.error = writeTraces(fp.get(), trace0, handle, in, out, notes, dataType, o, r, progress, noOffset);
  if (!r.error.empty()) return r;
  if (segy_close(fp.release()) != SEGY_OK) {
    r.error = writeFailed;
    return r;
  }
  if (!temp.commit()) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  if (noOffset > 0)
    r.notes.push_back(text(noOffset) +
                      " traces had no valid offset (header word 35 = 0) and were written with offset 0");
  r.ok = true;
  return r;
}

}  // namespace tsly::segy
