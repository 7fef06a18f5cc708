// SEG-Y import: a SEG-Y file, read by segyio, written as a trace file.
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numeric>

#include "exchange/core/SegyFields.h"
#include "shared/ExchangeOutput.h"
#include "shared/FileUtil.h"
#include "shared/TraceFormat.h"

namespace tsly::segy {

namespace {

bool fitsI16(std::int64_t v) { return v >= -32768 && v <= 32767; }

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
      reportProgress(progress, n1, s.count);
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
    reportProgress(progress, n1, s.count);
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

}  // namespace tsly::segy
