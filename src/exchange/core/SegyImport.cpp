// SEG-Y import: a SEG-Y file, read by segyio (SegyReader), written as a trace file.
#include <cmath>
#include <map>

#include "exchange/core/SegyReader.h"
#include "shared/ExchangeOutput.h"
#include "shared/FileUtil.h"
#include "shared/TraceFormat.h"

namespace tsly::segy {

namespace {

bool fitsI16(double v) { return v >= -32768 && v <= 32767; }

// "trace 17: CDP (bytes 21-24) is 40000; header word 12 holds -32768..32767"
std::string doesNotFit(std::int64_t trace, const std::string& what, int byte, const std::string& value, int word) {
  return traceText(trace) + ": " + what + " (" + fieldBytesText(byte) + ") is " + value + "; header word " +
         text(word) + " holds -32768..32767";
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

// "" or why the options can not be imported.
std::string checkImportOptions(const std::string& in, const std::string& out, const ImportOptions& o) {
  const bool panels = o.dataType == DataCdpStacked || o.dataType == DataVelocityScan;
  if (o.dataType != DataCdpGather && !panels)
    return "data type " + text(o.dataType) + " cannot be imported (give 1, 2 or 4)";
  if (panels && !isTraceHeaderField(o.velocityByte))
    return "velocity field " + text(o.velocityByte) + " is not the first byte of a SEG-Y trace-header field";
  if (!isTraceHeaderField(o.cdpByte))
    return "CDP field " + text(o.cdpByte) + " is not the first byte of a SEG-Y trace-header field";
  if (sameExistingFile(in, out)) return "input and output are the same file";
  if (o.renumber && sameExistingFile(in, cdpMapPath(out))) return "input and CDP mapping are the same file";
  return {};
}

// CDP numbers of the output: as they stand, or (renumber) 1..N in the order
// they first appear, with the mapping kept for the CSV file.
class CdpNumbers {
 public:
  explicit CdpNumbers(const ImportOptions& o) : o_(o) {}

  // The CDP of SEG-Y trace n1 (1-based) with the value `cdp`. "" or why not.
  std::string number(std::int64_t n1, std::int32_t cdp, std::int16_t& out) {
    if (!o_.renumber) {
      if (!fitsI16(cdp))
        return doesNotFit(n1, "CDP", o_.cdpByte, text(cdp), WordCdp) +
               " (--renumber numbers the CDPs 1..N and writes the mapping)";
      out = static_cast<std::int16_t>(cdp);
      return {};
    }
    auto [it, added] = numbers_.try_emplace(cdp, static_cast<int>(numbers_.size()) + 1);
    if (added) order_.push_back(cdp);
    if (it->second > 32767)
      return traceText(n1) + ": more than 32767 different CDPs (" + fieldBytesText(o_.cdpByte) +
             "); header word 12 holds 1..32767";
    out = static_cast<std::int16_t>(it->second);
    return {};
  }
  std::int64_t count() const { return static_cast<std::int64_t>(order_.size()); }
  // "new_cdp,original_cdp" and a row per CDP, in the order of the new numbers.
  std::string csv() const {
    std::string t = "new_cdp,original_cdp\n";
    for (std::size_t k = 0; k < order_.size(); ++k)
      t += text(static_cast<long long>(k + 1)) + "," + text(order_[k]) + "\n";
    return t;
  }

 private:
  const ImportOptions& o_;
  std::map<std::int32_t, int> numbers_;
  std::vector<std::int32_t> order_;
};

// The trace-file header words of SEG-Y trace n1 (1-based, identification
// `id`) from its header `th`. "" or which value does not fit.
std::string importHeader(const char* th, std::int64_t n1, std::int32_t id, const ImportOptions& o, CdpNumbers& cdps,
                         std::int64_t& roundedDelays, HeaderArray& h) {
  if (std::string why = cdps.number(n1, field(th, o.cdpByte), h[WordCdp]); !why.empty()) return why;
  const std::int32_t inEnsemble = field(th, SEGY_TR_NUM_IN_ENSEMBLE);
  if (!fitsI16(inEnsemble))
    return doesNotFit(n1, "trace number in the ensemble", SEGY_TR_NUM_IN_ENSEMBLE, text(inEnsemble),
                      WordSecondaryKey);
  // The offset is never scaled: the scalar of 71-72 belongs to the coordinates.
  const std::int32_t offset = field(th, SEGY_TR_OFFSET);
  if (!fitsI16(offset)) return doesNotFit(n1, "offset", SEGY_TR_OFFSET, text(offset), WordOffset);
  const double delay = scaled(field(th, SEGY_TR_DELAY_REC_TIME), field(th, SEGY_TR_SCALAR_TRACE_HEADER));
  if (!fitsI16(std::nearbyint(delay)))
    return doesNotFit(n1, "recording delay", SEGY_TR_DELAY_REC_TIME, plainNumberText(delay) + " ms",
                      WordRecordingDelay);
  if (delay != std::floor(delay)) ++roundedDelays;
  h[WordRecordingDelay] = nearestI16(delay);
  h[WordOffset] = static_cast<std::int16_t>(offset);
  h[WordOffsetScalar] = 1;
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
std::string copyTraces(SegyReader& in, const ImportOptions& o, const std::string& out, ImportWriter& w,
                       CdpNumbers& cdps, ExchangeResult& r, const Progress& progress) {
  const bool panels = o.dataType == DataCdpStacked || o.dataType == DataVelocityScan;
  const std::string writeFailed = "writing " + out + " failed (disk full?)";
  const std::int64_t count = in.layout().traces;
  std::vector<float> samples;
  char th[SEGY_TRACE_HEADER_SIZE] = {};
  std::int64_t lastDataTrace = 0, roundedDelays = 0;
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t n1 = i + 1;
    if (!in.header(i, th) || !in.samples(i, samples)) return "cannot read " + traceText(n1);
    const std::int32_t id = field(th, SEGY_TR_TRACE_ID);
    if (panels && id == SegyTraceDummy) {  // a dummy trace closes the panel and is not copied
      if (!w.closePanel()) return writeFailed;
      reportProgress(progress, n1, count);
      continue;
    }
    HeaderArray h = w.header();
    if (std::string why = importHeader(th, n1, id, o, cdps, roundedDelays, h); !why.empty()) return why;
    if (panels) {
      const std::int32_t v = field(th, o.velocityByte);
      if (v < 1 || v > 32767)
        return traceText(n1) + ": panel velocity (" + fieldBytesText(o.velocityByte) + ") is " + text(v) +
               "; a velocity is 1..32767 (name the field that holds it with --velocity-field)";
      if (!w.enterPanel(static_cast<std::int16_t>(v))) return writeFailed;
    }
    if (!w.put(h, samples.data())) return writeFailed;
    lastDataTrace = n1;
    reportProgress(progress, n1, count);
  }
  if (!w.closePanel()) return writeFailed;
  if (lastDataTrace == 0) return "every trace is a dummy trace; nothing to import";
  if (roundedDelays > 0)
    r.notes.push_back(text(roundedDelays) +
                      " traces had a recording delay of no whole millisecond; rounded to the nearest");
  return {};
}

}  // namespace

std::string cdpMapPath(const std::string& out) { return out + ".cdps.csv"; }

ExchangeResult importSegy(const std::string& in, const std::string& out, const ImportOptions& o,
                          const Progress& progress) {
  ExchangeResult r;
  SegyReader reader;
  r.error = checkImportOptions(in, out, o);
  if (r.error.empty()) r.error = reader.open(in);
  if (!r.error.empty()) return r;
  const SegyLayout& l = reader.layout();
  r.tracesIn = l.traces;
  r.samples = l.samples;
  r.intervalUs = l.intervalUs;
  r.segyFormat = l.format;
  r.littleEndian = l.littleEndian;
  r.notes = l.notes;
  AtomicFile temp;
  if (!temp.open(out)) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  ImportWriter writer(temp.handle(), o, r);
  CdpNumbers cdps(o);
  if (std::string why = copyTraces(reader, o, out, writer, cdps, r, progress); !why.empty()) {
    r.error = in + ": " + why;
    return r;
  }
  AtomicFile map;
  if (o.renumber) {
    r.renumberedCdps = cdps.count();
    if (!map.open(cdpMapPath(out)) || !map.write(cdps.csv()) || !map.commit()) {
      r.error = exchangeOutputError(map);
      return r;
    }
  }
  if (!temp.commit()) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  r.ok = true;
  return r;
}

}  // namespace tsly::segy
