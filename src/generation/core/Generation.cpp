#include "generation/core/Generation.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/RawFile.h"
#include "platform/TextFiles.h"
#include "shared/FileUtil.h"
#include "shared/Nmo.h"
#include "shared/Numbers.h"
#include "shared/TraceFormat.h"

namespace tsly {

namespace {

std::string upperAscii(std::string s) {
  for (char& ch : s)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return s;
}

// The same file under any letter case or spelling of its path ("./A.DAT" for
// "a.dat", a link): refused, since creating the output would empty the input.
std::string normalPath(const std::string& p) {
  std::error_code ec;
  std::filesystem::path a = std::filesystem::absolute(p, ec);
  if (ec) return p;
  return a.lexically_normal().string();
}

bool sameFile(const std::string& a, const std::string& b) {
  if (upperAscii(a) == upperAscii(b)) return true;
  if (upperAscii(normalPath(a)) == upperAscii(normalPath(b))) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// The output buffer as `count` samples of the width word 60 declares; samples
// beyond the buffer are written as zero.
struct Writer {
  int handle = -1;
  std::vector<unsigned char> bytes;
  std::int64_t traces = 0;

  enum class Status { Ok, HeaderShort, SamplesShort };
  Status write(const HeaderArray& h, const std::vector<float>& out) {
    unsigned char hb[HeaderBytes];
    encodeHeader(h, hb);
    if (hright(hb, handle, HeaderBytes) != HeaderBytes) return Status::HeaderShort;
    const std::int32_t n = h[WordNumSamples];
    const int bps = bytesPerSample(h);
    if (n > 0) {
      const std::int32_t nbytes = n * bps;
      if (bytes.size() < static_cast<size_t>(nbytes)) bytes.resize(static_cast<size_t>(nbytes));
      const std::int32_t have = std::min<std::int32_t>(n, static_cast<std::int32_t>(out.size()));
      encodeSamples(out.data(), bps, have, bytes.data());
      std::memset(bytes.data() + static_cast<size_t>(have) * bps, 0, static_cast<size_t>(n - have) * bps);
      if (hright(bytes.data(), handle, nbytes) != nbytes) return Status::SamplesShort;
    }
    ++traces;
    return Status::Ok;
  }
};

// One input trace as the run reads it, kept for all velocities of a panel.
struct CachedTrace {
  enum class Kind { Live, Dead, HeaderShort, NoSamples, TooShort, SamplesShort, NoOffsets };
  Kind kind = Kind::Live;
  std::int32_t dirIndex = 0;
  HeaderArray header{};
  std::int32_t numSamples = 0;  // output samples this header gives (L x 1000 / word 59)
  size_t first = 0;             // samples in the panel pool
};

// L x (1000 / interval) to the nearest 32-bit integer, as the run computes it.
std::int32_t outputSamples(double lengthMs, std::int32_t interval) {
  return nearestI32(lengthMs * (1000.0 / static_cast<double>(interval)));
}

}  // namespace

std::int64_t cdpsPerBlock(float n) {
  std::int64_t count = 0;
  for (float k = 0.0f; k <= n - 1.0f; k += 1.0f) {
    ++count;
    if (count > 1000000) break;  // a nonsense bound; the checks keep N small
  }
  return count;
}

std::string clockTimeOfDay() {
  std::time_t now = std::time(nullptr);
  std::tm tm {};
  localtime_r(&now, &tm);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::string generationOutputName(const std::string& entered, bool upper) {
  size_t b = entered.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  size_t e = entered.find_last_not_of(' ');
  std::string name = entered.substr(b, e - b + 1);
  if (!upper) return name;
  size_t slash = name.find_last_of('/');
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  return name.substr(0, start) + upperAscii(name.substr(start));
}

bool validateGeneration(const GenerationParams& p, const AppState& s, Ui& ui) {
  bool bad = false;
  const auto& cdps = p.startCdps;
  const auto& vels = p.velocities;
  // 1. Start CDPs within the file's CDP range.
  for (size_t k = 0; k < cdps.size(); ++k) {
    float v = cdps[k];
    if (!(static_cast<float>(s.MinKey) <= v && v <= static_cast<float>(s.MaxKey))) {
      ui.message("CDP value " + numberText(v) + " out of range." + CrLf + "Entry number " +
                     numberText(static_cast<int>(k + 1)),
                 "TSLY-BAD CDP VALUE", Buttons::Ok, Icon::Information);
      bad = true;
    }
  }
  // 2. Positive velocities.
  for (size_t k = 0; k < vels.size(); ++k) {
    if (!(vels[k] > 0.0f)) {
      ui.message("Velocity value " + numberText(vels[k]) + " non-positive." + CrLf + "Entry number " +
                     numberText(static_cast<int>(k + 1)),
                 "TSLY-BAD VELOCITY VALUE", Buttons::Ok, Icon::Information);
      bad = true;
    }
  }
  // 3. Output length within the trace length.
  double full = (static_cast<double>(s.SampleInterval) / 1000.0) * static_cast<double>(s.NumSamples);
  if (!(p.lengthMs > 0.0 && p.lengthMs <= full)) {
    ui.message("Length of output data not valid", "TSLY-Bad data length", Buttons::Ok, Icon::Information);
    bad = true;
  }
  // 4, 5. Duplicates.
  for (size_t a = 0; a < cdps.size(); ++a)
    for (size_t b = a + 1; b < cdps.size(); ++b)
      if (cdps[a] == cdps[b]) {
        ui.message("Duplicate starting CDP values at locations " + numberText(static_cast<int>(a + 1)) + " and" +
                       numberText(static_cast<int>(b + 1)),
                   "TSLY DUPLICATE CDPs NOT ALLOWED", Buttons::Ok, Icon::Information);
        bad = true;
      }
  for (size_t a = 0; a < vels.size(); ++a)
    for (size_t b = a + 1; b < vels.size(); ++b)
      if (vels[a] == vels[b]) {
        ui.message("Duplicate Velocity values at locations " + numberText(static_cast<int>(a + 1)) + " and" +
                       numberText(static_cast<int>(b + 1)),
                   "TSLY DUPLICATE VELOCITIES NOT ALLOWED", Buttons::Ok, Icon::Information);
        bad = true;
      }
  // Values the 16-bit header words cannot hold are refused before anything is
  // written: the separator's word 12 carries the velocity, word 12 of the data
  // the CDP number.
  for (size_t k = 0; k < vels.size(); ++k) {
    if (vels[k] > 0.0f && !fitsI16(vels[k])) {
      ui.message("Velocity value " + numberText(vels[k]) + " too large (above 32767)." + CrLf + "Entry number " +
                     numberText(static_cast<int>(k + 1)),
                 "TSLY-BAD VELOCITY VALUE", Buttons::Ok, Icon::Information);
      bad = true;
    }
  }
  std::int64_t count = cdpsPerBlock(p.cdpsPerPanel);
  if (count > 0) {
    for (size_t k = 0; k < cdps.size(); ++k) {
      float last = cdps[k] + static_cast<float>(count - 1);
      if (!fitsI16(last)) {
        ui.message("CDP value " + numberText(last) + " out of range (above 32767)." + CrLf + "Entry number " +
                       numberText(static_cast<int>(k + 1)),
                   "TSLY-BAD CDP VALUE", Buttons::Ok, Icon::Information);
        bad = true;
      }
    }
  }
  return !bad;
}

namespace {

class Run {
 public:
  Run(AppState& s, Ui& ui, const GenerationParams& p, const GenerationHooks& hooks)
      : s_(s), ui_(ui), p_(p), hooks_(hooks) {}

  GenerationResult go();

 private:
  bool openFiles();
  bool checkSampleIntervals();
  void buildIndex();
  void loadPanel(float start, std::int64_t count);
  void loadTrace(std::int32_t t);
  enum class Step { Next, Fail, Finish };
  Step processTrace(const CachedTrace& ct, float v);
  Step writeOut(Writer::Status st);
  void restoreState();
  void keepLastSamples();
  void endRun(bool finished);

  AppState& s_;
  Ui& ui_;
  const GenerationParams& p_;
  const GenerationHooks& hooks_;
  GenerationResult result_;
  std::string outName_;
  int in_ = -1;
  Writer out_;

  // CDP index: traces of CDP c are indexOrder_[indexStart_[c + 32768] .. indexStart_[c + 32769]).
  std::vector<std::int32_t> indexStart_;
  std::vector<std::int32_t> indexOrder_;

  // The panel in memory.
  std::vector<CachedTrace> cache_;
  std::vector<float> pool_;
  std::vector<std::int32_t> cdpFirst_, cdpCount_;  // per k: range in cache_
  std::vector<std::int16_t> cdpOfK_;
  std::vector<unsigned char> readBytes_;
  bool loadStopped_ = false;

  // The run's working state (mirrors the shared trace buffers).
  HeaderArray hdr_{};
  std::int32_t interval_ = 0, numSamples_ = 0, traceDataBytes_ = 0;
  std::int16_t bytesPerSample_ = 0;
  std::vector<float> samples_;
  std::vector<float> outBuf_;
  const float* lastSamples_ = nullptr;  // samples of the trace read last, in the panel pool
  std::int32_t lastCount_ = 0;
  bool used16_ = false;
  std::int32_t stackCount_ = 0;
};

bool Run::openFiles() {
  // Opening step 2.
  if (p_.outputName.find_first_not_of(' ') == std::string::npos) {
    ui_.message("Please choose an output file name.", "Tessaly-Missing file name", Buttons::Ok, Icon::None);
    return false;
  }
  // 3: the same file under any letter case (or any spelling of its path) is refused.
  outName_ = generationOutputName(p_.outputName, p_.upperCaseFileName);
  result_.outputPath = outName_;
  if (sameFile(outName_, s_.DataFileName)) {
    ui_.message("Input and output files can not be the same.", "Tessaly Duplicate file name", Buttons::Ok,
                Icon::None);
    return false;
  }
  // 4: the overwrite question (asked only when the file exists).
  if (p_.askBeforeOverwrite) {
    std::int16_t mode = 1;
    if (ConfirmTargetFile(ui_, s_, outName_, mode) == 0) return false;
  }
  // Sample intervals that cannot give an output length are refused before the
  // output file is touched.
  if (!checkSampleIntervals()) return false;
  // 5: create (or empty) the output as a text file and close it, then open it
  // for raw writing. A failed create was reported by the file utilities.
  std::int32_t number = OpenByMode(ui_, s_, outName_, 1);
  if (number > 0) TextFiles::process().close(number);
  out_.handle = OpenByMode(ui_, s_, outName_, 5);
  if (out_.handle <= 0 || s_.DataFileName.empty()) {
    rawClose(out_.handle);
    return false;
  }
  // 6: the input, read only.
  in_ = OpenTraceForReading(s_.DataFileName);
  s_.TraceFileHandle = in_;
  if (in_ <= 0) {
    ui_.message("Error opening file", "", Buttons::Ok, Icon::None);
    rawClose(out_.handle);
    in_ = -1;
    s_.TraceFileHandle = -1;
    return false;
  }
  return true;
}

void Run::buildIndex() {
  const std::int32_t n = std::min<std::int32_t>(s_.TraceCount, static_cast<std::int32_t>(s_.TraceDirectory.size()));
  indexStart_.assign(65537, 0);
  for (std::int32_t t = 1; t <= n; ++t) ++indexStart_[static_cast<size_t>(s_.TraceDirectory[t].PrimaryKey + 32768) + 1];
  for (size_t c = 1; c < indexStart_.size(); ++c) indexStart_[c] += indexStart_[c - 1];
  indexOrder_.assign(static_cast<size_t>(n), 0);
  std::vector<std::int32_t> fill(indexStart_.begin(), indexStart_.end() - 1);
  for (std::int32_t t = 1; t <= n; ++t)
    indexOrder_[static_cast<size_t>(fill[static_cast<size_t>(s_.TraceDirectory[t].PrimaryKey + 32768)]++)] = t;
}

bool Run::checkSampleIntervals() {
  int h = OpenTraceForReading(s_.DataFileName);
  if (h <= 0) return true;  // the opening step reports it
  buildIndex();
  std::vector<bool> seen(65536, false);
  const std::int64_t count = cdpsPerBlock(p_.cdpsPerPanel);
  for (float start : p_.startCdps) {
    float k = 0.0f;
    for (std::int64_t m = 0; m < count; ++m, k += 1.0f) {
      std::int16_t c = nearestI16(start + k);
      if (seen[static_cast<size_t>(c + 32768)]) continue;
      seen[static_cast<size_t>(c + 32768)] = true;
      for (std::int32_t q = indexStart_[static_cast<size_t>(c + 32768)];
           q < indexStart_[static_cast<size_t>(c + 32768) + 1]; ++q) {
        std::int32_t t = indexOrder_[static_cast<size_t>(q)];
        unsigned char hb[HeaderBytes];
        if (rawSeek(h, s_.TraceDirectory[t].FilePos, 0) < 0 || hreed(hb, h, HeaderBytes) != HeaderBytes) continue;
        HeaderArray words;
        decodeHeader(hb, words);
        if (words[WordSampleInterval] <= 0) {
          ui_.message("Sample interval" + numberText(static_cast<int>(words[WordSampleInterval])) +
                          " microseconds in trace" + numberText(static_cast<int>(t)) + " (CDP" +
                          numberText(static_cast<int>(c)) + ")." + CrLf + "Can not process this data",
                      "TSLY-Bad sample interval", Buttons::Ok, Icon::Information);
          rawClose(h);
          return false;
        }
      }
    }
  }
  rawClose(h);
  return true;
}

void Run::loadTrace(std::int32_t t) {
  CachedTrace ct;
  ct.dirIndex = t;
  unsigned char hb[HeaderBytes];
  rawSeek(in_, s_.TraceDirectory[t].FilePos, 0);
  if (hreed(hb, in_, HeaderBytes) != HeaderBytes) {
    ct.kind = CachedTrace::Kind::HeaderShort;
    cache_.push_back(ct);
    loadStopped_ = true;
    return;
  }
  decodeHeader(hb, ct.header);
  const std::int32_t interval = ct.header[WordSampleInterval];
  ct.numSamples = interval == 0 ? 0 : outputSamples(p_.lengthMs, interval);
  if (ct.header[WordTraceCode] == TraceCodeDead) {
    ct.kind = CachedTrace::Kind::Dead;
    cache_.push_back(ct);
    return;
  }
  const int bps = bytesPerSample(ct.header);
  const std::int64_t nbytes = static_cast<std::int64_t>(ct.numSamples) * bps;
  if (interval == 0 || nbytes < 2) {
    ct.kind = CachedTrace::Kind::NoSamples;
  } else if (ct.numSamples > ct.header[WordNumSamples]) {
    ct.kind = CachedTrace::Kind::TooShort;
  } else {
    if (readBytes_.size() < static_cast<size_t>(nbytes)) readBytes_.resize(static_cast<size_t>(nbytes));
    if (hreed(readBytes_.data(), in_, static_cast<std::int32_t>(nbytes)) != nbytes) {
      ct.kind = CachedTrace::Kind::SamplesShort;
    } else {
      ct.first = pool_.size();
      pool_.resize(pool_.size() + static_cast<size_t>(ct.numSamples));
      decodeSamples(readBytes_.data(), bps, ct.numSamples, pool_.data() + ct.first);
      if (ct.header[WordOffsetScalar] == 0) ct.kind = CachedTrace::Kind::NoOffsets;
    }
  }
  if (ct.kind != CachedTrace::Kind::Live) loadStopped_ = true;
  cache_.push_back(ct);
}

// Reads every trace of the panel's CDPs once, in the order the run visits them.
// Reading stops at the first trace that ends the run (nothing after it is visited).
void Run::loadPanel(float start, std::int64_t count) {
  keepLastSamples();
  cache_.clear();
  pool_.clear();
  loadStopped_ = false;
  cdpFirst_.assign(static_cast<size_t>(count), 0);
  cdpCount_.assign(static_cast<size_t>(count), 0);
  cdpOfK_.assign(static_cast<size_t>(count), 0);
  float k = 0.0f;
  for (std::int64_t m = 0; m < count; ++m, k += 1.0f) {
    std::int16_t c = nearestI16(start + k);
    cdpOfK_[static_cast<size_t>(m)] = c;
    // A CDP met again (halves rounding to even) reuses its traces.
    bool again = false;
    for (std::int64_t e = 0; e < m; ++e)
      if (cdpOfK_[static_cast<size_t>(e)] == c) {
        cdpFirst_[static_cast<size_t>(m)] = cdpFirst_[static_cast<size_t>(e)];
        cdpCount_[static_cast<size_t>(m)] = cdpCount_[static_cast<size_t>(e)];
        again = true;
        break;
      }
    if (again) continue;
    cdpFirst_[static_cast<size_t>(m)] = static_cast<std::int32_t>(cache_.size());
    for (std::int32_t q = indexStart_[static_cast<size_t>(c + 32768)];
         q < indexStart_[static_cast<size_t>(c + 32768) + 1] && !loadStopped_; ++q)
      loadTrace(indexOrder_[static_cast<size_t>(q)]);
    cdpCount_[static_cast<size_t>(m)] = static_cast<std::int32_t>(cache_.size()) - cdpFirst_[static_cast<size_t>(m)];
  }
}

Run::Step Run::writeOut(Writer::Status st) {
  if (st == Writer::Status::Ok) return Step::Next;
  ui_.message(st == Writer::Status::HeaderShort ? "Trace header write failed" : "Trace data write failed", "",
              Buttons::Ok, Icon::None);
  return Step::Fail;
}

Run::Step Run::processTrace(const CachedTrace& ct, float v) {
  using K = CachedTrace::Kind;
  if (ct.kind == K::HeaderShort) {
    ui_.message("Trace header read failed", "", Buttons::Ok, Icon::None);
    return Step::Fail;
  }
  hdr_ = ct.header;
  interval_ = hdr_[WordSampleInterval];
  numSamples_ = ct.numSamples;
  if (ct.kind == K::Dead) return Step::Next;
  bytesPerSample_ = static_cast<std::int16_t>(bytesPerSample(hdr_));
  traceDataBytes_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(
      static_cast<std::int64_t>(numSamples_) * bytesPerSample_, INT32_MIN, INT32_MAX));
  if (ct.kind == K::NoSamples) {
    ui_.message("Output length gives no samples at the sample interval of trace" +
                    numberText(static_cast<int>(ct.dirIndex)) + "." + CrLf + "Can not continue",
                "", Buttons::Ok, Icon::None);
    return Step::Fail;
  }
  if (ct.kind == K::TooShort) {
    ui_.message("Trace" + numberText(static_cast<int>(ct.dirIndex)) + " is shorter than the output length (" +
                    plainNumberText(static_cast<int>(hdr_[WordNumSamples])) + " samples, " +
                    plainNumberText(static_cast<int>(numSamples_)) + " needed)." + CrLf + "Can not continue",
                "", Buttons::Ok, Icon::None);
    return Step::Fail;
  }
  outBuf_.resize(static_cast<size_t>(numSamples_));
  if (bytesPerSample_ == 2) used16_ = true;
  if (ct.kind == K::SamplesShort) {
    ui_.message("Trace data read failed", "", Buttons::Ok, Icon::None);
    return Step::Fail;
  }
  lastSamples_ = pool_.data() + ct.first;  // TraceSamples now holds this trace
  lastCount_ = numSamples_;
  if (ct.kind == K::NoOffsets) {
    ui_.message("Data does not have valid offset distance/multiplier values. Can not process this data",
                "Tessaly - Data Not TSLY compat", Buttons::Ok, Icon::None);
    result_.offsetsMissing = true;
    return Step::Finish;
  }
  const float offset = static_cast<float>(hdr_[WordOffset]) / static_cast<float>(hdr_[WordOffsetScalar]);
  nmoit(lastSamples_, outBuf_.data(), numSamples_, v, offset, p_.stretch, interval_, p_.stackFlag);
  ++stackCount_;
  if (!p_.stackFlag) {
    hdr_[WordNumSamples] = static_cast<std::int16_t>(numSamples_);
    // Moved-out samples are reals: 2-byte input is written as 4-byte floats
    // (word 60 marked), so no precision is lost.
    hdr_[WordSampleFormat] = FloatFormatMarker;
    return writeOut(out_.write(hdr_, outBuf_));
  }
  return Step::Next;
}

// The shared sample buffer holds the trace read last; keep it before the pool
// that holds it is reused.
void Run::keepLastSamples() {
  if (lastSamples_ == nullptr) return;
  samples_.assign(lastSamples_, lastSamples_ + lastCount_);
  lastSamples_ = nullptr;
}

void Run::restoreState() {
  keepLastSamples();
  s_.TraceHeader = hdr_;
  s_.SampleInterval = interval_;
  s_.NumSamples = numSamples_;
  s_.BytesPerSample = bytesPerSample_;
  s_.TraceDataBytes = traceDataBytes_;
  if (numSamples_ >= 0 && numSamples_ <= 32767) {
    s_.TraceSamples.resize(static_cast<size_t>(numSamples_));
    std::copy_n(samples_.begin(), std::min(samples_.size(), static_cast<size_t>(numSamples_)), s_.TraceSamples.data1());
    if (used16_) s_.RawSamples16.resize(static_cast<size_t>(numSamples_));
  }
}

void Run::endRun(bool finished) {
  ui_.setBusyCursor(false);
  if (hooks_.runningChanged) hooks_.runningChanged(false);
  rawClose(out_.handle);
  rawClose(in_);
  s_.TraceFileHandle = -1;
  restoreState();
  result_.tracesWritten = out_.traces;
  if (finished) {
    std::string when = hooks_.timeOfDay ? hooks_.timeOfDay() : clockTimeOfDay();
    ui_.message("Processing complete at " + when, "TSLY-Move out completed", Buttons::Ok, Icon::Information);
    result_.outcome = GenerationOutcome::Finished;
  } else {
    result_.outcome = GenerationOutcome::Failed;
  }
}

GenerationResult Run::go() {
  if (!validateGeneration(p_, s_, ui_)) {
    result_.outcome = GenerationOutcome::Invalid;
    return result_;
  }
  if (!openFiles()) {
    result_.outcome = GenerationOutcome::NotStarted;
    return result_;
  }
  buildIndex();

  if (hooks_.runningChanged) hooks_.runningChanged(true);
  ui_.beep();
  ui_.setBusyCursor(true);

  hdr_ = s_.TraceHeader;
  interval_ = s_.SampleInterval;
  numSamples_ = s_.NumSamples;
  bytesPerSample_ = s_.BytesPerSample;
  traceDataBytes_ = s_.TraceDataBytes;
  samples_.assign(s_.TraceSamples.data1(), s_.TraceSamples.data1() + s_.TraceSamples.size());
  outBuf_.assign(static_cast<size_t>(std::max(numSamples_, 0)), 0.0f);

  const std::int64_t count = cdpsPerBlock(p_.cdpsPerPanel);
  const std::int64_t total =
      static_cast<std::int64_t>(p_.startCdps.size()) * static_cast<std::int64_t>(p_.velocities.size()) * count;
  std::int64_t done = 0;

  for (float start : p_.startCdps) {
    loadPanel(start, count);
    for (float v : p_.velocities) {
      for (std::int64_t m = 0; m < count; ++m) {
        const std::int16_t c = cdpOfK_[static_cast<size_t>(m)];
        std::fill(outBuf_.begin(), outBuf_.end(), 0.0f);
        stackCount_ = 0;
        const std::int32_t first = cdpFirst_[static_cast<size_t>(m)];
        const std::int32_t last = first + cdpCount_[static_cast<size_t>(m)];
        for (std::int32_t q = first; q < last; ++q) {
          Step st = processTrace(cache_[static_cast<size_t>(q)], v);
          if (st == Step::Fail) {
            endRun(false);
            return result_;
          }
          if (st == Step::Finish) {
            endRun(true);
            return result_;
          }
        }
        if (p_.stackFlag && stackCount_ > 0) {
          const float divisor = static_cast<float>(stackCount_);
          for (float& x : outBuf_) x /= divisor;
          hdr_[WordSampleFormat] = FloatFormatMarker;
          hdr_[WordDataType] = DataCdpStacked;
          hdr_[WordStackCount] = static_cast<std::int16_t>(std::min<std::int32_t>(stackCount_, 32767));
          hdr_[WordNumSamples] = static_cast<std::int16_t>(numSamples_);
          if (writeOut(out_.write(hdr_, outBuf_)) == Step::Fail) {
            endRun(false);
            return result_;
          }
        }
        ++done;
        const std::string text = "CDP-" + numberText(static_cast<int>(c)) + CrLf + "Velocity =" + numberText(v);
        if (hooks_.progress) hooks_.progress(text, done, total);
        ui_.processEvents();
      }
      // The separator closing this velocity block.
      std::fill(outBuf_.begin(), outBuf_.end(), 0.0f);
      hdr_[WordTraceCode] = TraceCodeSeparator;
      hdr_[WordCdp] = nearestI16(v);
      hdr_[WordNumSamples] = static_cast<std::int16_t>(numSamples_);
      if (writeOut(out_.write(hdr_, outBuf_)) == Step::Fail) {
        endRun(false);
        return result_;
      }
      if (hooks_.stopRequested && hooks_.stopRequested()) {
        result_.stopped = true;
        endRun(true);
        return result_;
      }
    }
  }
  endRun(true);
  return result_;
}

}  // namespace

GenerationResult generatePanels(AppState& s, Ui& ui, const GenerationParams& p, const GenerationHooks& hooks) {
  Run run(s, ui, p, hooks);
  return run.go();
}

}  // namespace tsly
