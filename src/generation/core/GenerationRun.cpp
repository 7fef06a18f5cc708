// The generation run: open the files, then for each panel read its traces once
// (PanelTraces) and for each velocity move out every live trace of each CDP,
// stack or write it, and close the velocity block with a separator trace.
//
// A panel held whole in memory is moved out by worker threads (PanelMoveout);
// this thread still walks every trace in order, as the plain loop does, and
// takes each moved-out trace or stacked sum from them, so messages, headers and
// the bytes written are those of the plain loop.
#include <algorithm>
#include <new>

#include "generation/core/Generation.h"
#include "generation/core/GenerationTexts.h"
#include "generation/core/PanelMoveout.h"
#include "generation/core/PanelTraces.h"
#include "generation/core/TraceWriter.h"
#include "platform/RawFile.h"
#include "platform/ReadAt.h"
#include "platform/TextFiles.h"
#include "shared/FileUtil.h"
#include "moveout/core/Nmo.h"
#include "shared/Numbers.h"
#include "shared/Texts.h"
#include "shared/TraceFormat.h"

namespace tsly {

namespace {

class Run {
 public:
  Run(AppState& s, Ui& ui, const GenerationParams& p, const GenerationHooks& hooks)
      : s_(s),
        ui_(ui),
        p_(p),
        hooks_(hooks),
        panel_(s, index_, p.lengthMs, p.traceCacheBytes),
        moveout_(p.velocities, p.stretch, p.stackFlag != 0, p.moveoutWorkers) {}

  GenerationResult go();
  // Memory ran out somewhere in go(): the run ends with a message.
  GenerationResult outOfMemory();

 private:
  // What a step of the run leads to: the next step, the end without the
  // completion message (a failure), or Finish (the completion message).
  enum class Step { Next, Fail, Finish };

  bool openFiles();
  bool checkSampleIntervals();
  void begin();
  Step runPanels();
  Step runVelocityBlock(std::size_t j, std::int64_t count);
  Step runCdp(std::size_t j, std::int64_t m, float v);
  Step processTrace(const InputTrace& t, float v);
  Step writeStackedTrace();
  Step writeSeparator(float v);
  Step written(TraceWriter::Status st);
  void keepLastSamples();
  void restoreState();
  void endRun(bool finished);

  AppState& s_;
  Ui& ui_;
  const GenerationParams& p_;
  const GenerationHooks& hooks_;
  GenerationResult result_;
  std::string outName_;
  int in_ = -1;
  TraceWriter out_;
  CdpIndex index_;
  PanelTraces panel_;
  PanelMoveout moveout_;            // after panel_: its workers read the panel
  const CdpMoveout* cdpMoveout_ = nullptr;  // the workers' result for the CDP in hand
  std::int64_t done_ = 0, total_ = 0;
  bool started_ = false;  // the run has begun (files open, busy cursor shown)

  // The run's working state (mirrors the shared trace buffers).
  HeaderArray hdr_{};
  std::int32_t interval_ = 0, numSamples_ = 0, traceDataBytes_ = 0;
  std::int16_t bytesPerSample_ = 0;
  std::vector<float> samples_;          // the shared sample buffer as the run found it
  std::vector<float> outBuf_;
  const float* lastSamples_ = nullptr;  // samples of the live trace read last (in the panel)
  std::int32_t lastCount_ = 0;
  bool used16_ = false;
  std::int32_t stackCount_ = 0;
  bool moving_ = false;  // the panel in hand is moved out by moveout_

  void stopMoveout() {
    moveout_.stop();
    moving_ = false;
    cdpMoveout_ = nullptr;
  }
};

bool Run::openFiles() {
  if (p_.outputName.find_first_not_of(' ') == std::string::npos) {
    ui_.message(gentext::MissingNameText, gentext::MissingNameTitle, Buttons::Ok, Icon::None);
    return false;
  }
  // The same file under any letter case (or any spelling of its path) is refused.
  outName_ = generationOutputName(p_.outputName, p_.upperCaseFileName);
  result_.outputPath = outName_;
  if (sameFileName(outName_, s_.DataFileName)) {
    ui_.message(SameFileText, SameFileTitle, Buttons::Ok, Icon::None);
    return false;
  }
  // The overwrite question (asked only when the file exists).
  if (p_.askBeforeOverwrite) {
    std::int16_t mode = 1;
    if (ConfirmTargetFile(ui_, s_, outName_, mode) == 0) return false;
  }
  // Sample intervals that cannot give an output length are refused before the
  // output file is touched.
  index_.build(s_);
  if (!checkSampleIntervals()) return false;
  // Create (or empty) the output as a text file and close it, then open it for
  // raw writing. A failed create was reported by the file utilities.
  std::int32_t number = OpenByMode(ui_, s_, outName_, 1);
  if (number > 0) TextFiles::process().close(number);
  out_.handle = OpenByMode(ui_, s_, outName_, 5);
  if (out_.handle <= 0 || s_.DataFileName.empty()) {
    rawClose(out_.handle);
    return false;
  }
  // The input, read only.
  in_ = OpenTraceForReading(s_.DataFileName);
  s_.TraceFileHandle = in_;
  if (in_ <= 0) {
    ui_.message(ErrorOpeningFileText, "", Buttons::Ok, Icon::None);
    rawClose(out_.handle);
    in_ = -1;
    s_.TraceFileHandle = -1;
    return false;
  }
  panel_.setInput(in_);
  return true;
}

bool Run::checkSampleIntervals() {
  int h = OpenTraceForReading(s_.DataFileName);
  if (h <= 0) return true;  // the opening of the input reports it
  std::vector<bool> seen(65536, false);
  const std::int64_t count = cdpsPerBlock(p_.cdpsPerPanel);
  for (float start : p_.startCdps) {
    float k = 0.0f;
    for (std::int64_t m = 0; m < count; ++m, k += 1.0f) {
      const std::int16_t c = nearestI16(start + k);
      if (seen[static_cast<size_t>(c + 32768)]) continue;
      seen[static_cast<size_t>(c + 32768)] = true;
      for (std::int32_t t : index_.traces(c)) {
        unsigned char hb[HeaderBytes];
        if (readAt(h, hb, HeaderBytes, s_.TraceDirectory[t].FilePos) != HeaderBytes) continue;
        HeaderArray words;
        decodeHeader(hb, words);
        if (words[WordSampleInterval] <= 0) {
          ui_.message(gentext::badSampleIntervalText(words[WordSampleInterval], t, c), gentext::BadIntervalTitle,
                      Buttons::Ok, Icon::Information);
          rawClose(h);
          return false;
        }
      }
    }
  }
  rawClose(h);
  return true;
}

Run::Step Run::written(TraceWriter::Status st) {
  if (st == TraceWriter::Status::Ok) return Step::Next;
  ui_.message(st == TraceWriter::Status::HeaderShort ? gentext::HeaderWriteFailedText : gentext::DataWriteFailedText,
              "", Buttons::Ok, Icon::None);
  return Step::Fail;
}

Run::Step Run::processTrace(const InputTrace& t, float v) {
  using K = InputTrace::Kind;
  if (t.kind == K::HeaderShort) {
    ui_.message(gentext::HeaderReadFailedText, "", Buttons::Ok, Icon::None);
    return Step::Fail;
  }
  hdr_ = t.header;
  interval_ = hdr_[WordSampleInterval];
  numSamples_ = t.numSamples;
  if (t.kind == K::Dead) return Step::Next;
  bytesPerSample_ = static_cast<std::int16_t>(bytesPerSample(hdr_));
  traceDataBytes_ = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(static_cast<std::int64_t>(numSamples_) * bytesPerSample_, INT32_MIN, INT32_MAX));
  if (t.kind == K::NoSamples) {
    ui_.message(gentext::noSamplesText(t.dirIndex), "", Buttons::Ok, Icon::None);
    return Step::Fail;
  }
  if (t.kind == K::TooShort) {
    ui_.message(gentext::traceTooShortText(t.dirIndex, hdr_[WordNumSamples], numSamples_), "", Buttons::Ok,
                Icon::None);
    return Step::Fail;
  }
  outBuf_.resize(static_cast<size_t>(numSamples_));
  if (bytesPerSample_ == 2) used16_ = true;
  if (t.kind == K::SamplesShort) {
    ui_.message(gentext::DataReadFailedText, "", Buttons::Ok, Icon::None);
    return Step::Fail;
  }
  lastSamples_ = t.samples;  // the shared sample buffer now holds this trace
  lastCount_ = numSamples_;
  if (t.kind == K::NoOffsets) {
    ui_.message(gentext::NoOffsetsText, gentext::NoOffsetsTitle, Buttons::Ok, Icon::None);
    result_.offsetsMissing = true;
    return Step::Finish;
  }
  const float offset = traceOffset(hdr_);
  if (cdpMoveout_ == nullptr) {
    nmoit(t.samples, outBuf_.data(), numSamples_, v, offset, p_.stretch, interval_, p_.stackFlag);
  } else if (!p_.stackFlag) {
    // The workers moved this trace out; stacked sums are taken after the CDP.
    const float* moved = cdpMoveout_->samples.data() + cdpMoveout_->starts.at(static_cast<size_t>(stackCount_));
    std::copy_n(moved, numSamples_, outBuf_.begin());
  }
  ++stackCount_;
  if (p_.stackFlag) return Step::Next;
  hdr_[WordNumSamples] = static_cast<std::int16_t>(numSamples_);
  // Moved-out samples are reals: 2-byte input is written as 4-byte floats
  // (word 60 marked), so no precision is lost.
  hdr_[WordSampleFormat] = FloatFormatMarker;
  return written(out_.write(hdr_, outBuf_));
}

// The mean of the CDP's moved-out live traces, under the header read last. It
// is live data whatever that header's trace code says: the trace read last
// may be a dead one that went into nothing.
Run::Step Run::writeStackedTrace() {
  if (!p_.stackFlag || stackCount_ == 0) return Step::Next;
  const float divisor = static_cast<float>(stackCount_);
  for (float& x : outBuf_) x /= divisor;
  hdr_[WordTraceCode] = TraceCodeLive;
  hdr_[WordSampleFormat] = FloatFormatMarker;
  hdr_[WordDataType] = DataCdpStacked;
  hdr_[WordStackCount] = static_cast<std::int16_t>(std::min<std::int32_t>(stackCount_, 32767));
  hdr_[WordNumSamples] = static_cast<std::int16_t>(numSamples_);
  return written(out_.write(hdr_, outBuf_));
}

// The separator closing a velocity block: word 15 = 9, word 12 = the velocity, zero samples.
Run::Step Run::writeSeparator(float v) {
  std::fill(outBuf_.begin(), outBuf_.end(), 0.0f);
  hdr_[WordTraceCode] = TraceCodeSeparator;
  hdr_[WordCdp] = nearestI16(v);
  hdr_[WordNumSamples] = static_cast<std::int16_t>(numSamples_);
  return written(out_.write(hdr_, outBuf_));
}

Run::Step Run::runCdp(std::size_t j, std::int64_t m, float v) {
  std::fill(outBuf_.begin(), outBuf_.end(), 0.0f);
  stackCount_ = 0;
  Step step = Step::Next;
  if (moving_) cdpMoveout_ = &moveout_.wait(j, m);
  panel_.forEachTrace(m, [&](const InputTrace& t) {
    step = processTrace(t, v);
    return step == Step::Next;
  });
  if (step == Step::Next && cdpMoveout_ != nullptr && p_.stackFlag && stackCount_ > 0)
    outBuf_.assign(cdpMoveout_->samples.begin(), cdpMoveout_->samples.end());
  if (moving_) {
    cdpMoveout_ = nullptr;
    moveout_.release(j, m);
  }
  if (step != Step::Next) return step;
  return writeStackedTrace();
}

Run::Step Run::runVelocityBlock(std::size_t j, std::int64_t count) {
  const float v = p_.velocities[j];
  for (std::int64_t m = 0; m < count; ++m) {
    const Step step = runCdp(j, m, v);
    if (step != Step::Next) return step;
    ++done_;
    if (hooks_.progress) hooks_.progress(gentext::progressText(panel_.cdp(m), v), done_, total_);
    ui_.processEvents();
  }
  return writeSeparator(v);
}

Run::Step Run::runPanels() {
  const std::int64_t count = cdpsPerBlock(p_.cdpsPerPanel);
  total_ = static_cast<std::int64_t>(p_.startCdps.size()) * static_cast<std::int64_t>(p_.velocities.size()) * count;
  for (float start : p_.startCdps) {
    keepLastSamples();
    stopMoveout();  // the workers read the panel about to be replaced
    panel_.load(start, count);
    moving_ = panel_.allKept();
    if (moving_) moveout_.start(panel_, count);
    for (std::size_t j = 0; j < p_.velocities.size(); ++j) {
      const Step step = runVelocityBlock(j, count);
      if (step != Step::Next) return step;
      // The stop flag is read once the block is closed by its separator.
      if (hooks_.stopRequested && hooks_.stopRequested()) {
        result_.stopped = true;
        return Step::Finish;
      }
    }
  }
  return Step::Finish;
}

// The run starts from the shared trace buffers as they are.
void Run::begin() {
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
}

// The shared sample buffer holds the live trace read last; keep it before the
// panel that holds it is replaced.
void Run::keepLastSamples() {
  if (lastSamples_ != nullptr) samples_.assign(lastSamples_, lastSamples_ + lastCount_);
  lastSamples_ = nullptr;
}

// The shared trace buffers as the run leaves them: the header read last with
// the run's changes, its sample interval, the output sample count.
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
  stopMoveout();
  ui_.setBusyCursor(false);
  if (hooks_.runningChanged) hooks_.runningChanged(false);
  rawClose(out_.handle);
  rawClose(in_);
  s_.TraceFileHandle = -1;
  restoreState();
  result_.tracesWritten = out_.traces();
  result_.peakCacheBytes = panel_.peakBytes();
  if (finished) {
    const std::string when = hooks_.timeOfDay ? hooks_.timeOfDay() : clockTimeOfDay();
    ui_.message(gentext::completedText(when), gentext::CompletedTitle, Buttons::Ok, Icon::Information);
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
  begin();
  started_ = true;
  endRun(runPanels() == Step::Finish);
  return result_;
}

GenerationResult Run::outOfMemory() {
  // What memory the panel held goes first, so that the message and the end of
  // the run have room. The shared sample buffer keeps what it held before.
  lastSamples_ = nullptr;
  stopMoveout();
  panel_.release();
  result_.outOfMemory = true;
  ui_.message(gentext::outOfMemoryText(), "", Buttons::Ok, Icon::None);
  if (started_) {
    endRun(false);
  } else {
    result_.outcome = out_.handle > 0 ? GenerationOutcome::Failed : GenerationOutcome::NotStarted;
    rawClose(out_.handle);
    if (in_ > 0) {
      rawClose(in_);
      s_.TraceFileHandle = -1;
    }
  }
  return result_;
}

}  // namespace

GenerationResult generatePanels(AppState& s, Ui& ui, const GenerationParams& p, const GenerationHooks& hooks) {
  Run run(s, ui, p, hooks);
  try {
    return run.go();
  } catch (const std::bad_alloc&) {
    return run.outOfMemory();
  }
}

}  // namespace tsly
