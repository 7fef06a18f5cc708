#include "open/core/OpenScan.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/RawFile.h"
#include "platform/SequentialReader.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"
#include "shared/TraceFormat.h"

namespace tsly {

namespace scanmsg {
std::string noPanelsText() {
  return std::string("This data is not valid velocity scan data") + CrLf + "Please try a different data set.";
}
std::string keyWordText(int keyWord) {
  return std::string("The sort-key word named in header word 3 (") + plainNumberText(keyWord) +
         ") is not a header word from 1 to 120." + CrLf + "This file can not be processed.";
}
}  // namespace scanmsg

std::string progressText(std::int32_t scanCounter) { return numberText(scanCounter) + " Traces Processed"; }

std::string fileInfoLabel2(std::int32_t numSamples, std::int32_t sampleInterval, const std::string& dataTypeText) {
  return numberText(numSamples) + " Samples " + numberText(sampleInterval) + " microsec/sample" + CrLf +
         dataTypeText + CrLf;
}

std::string cdpRangeText(std::int16_t minKey, std::int16_t maxKey) {
  return "First CDP - " + numberText(static_cast<int>(minKey)) + " Last CDP - " +
         numberText(static_cast<int>(maxKey)) + CrLf;
}

bool dataFileExists(const std::string& path) {
  bool exists = false;
  return TextFiles::process().lookup(path, exists) == 0 && exists;
}

ScanMessage fileNotFoundMessage() {
  return {scanmsg::FileNotFound, scanmsg::FileNotFoundTitle, Buttons::Ok, Icon::Information};
}

void showOpenScanMessage(Ui& ui, const OpenScanResult& r) {
  if (r.message.text.empty()) return;
  ui.message(r.message.text, r.message.title, r.message.buttons, r.message.icon);
}

namespace {

OpenScanResult refusal(OpenScanStatus status, std::string text, std::string title, Icon icon,
                       std::int16_t dataType = 0, std::int32_t trace = 0) {
  OpenScanResult r;
  r.status = status;
  r.message = {std::move(text), std::move(title), Buttons::Ok, icon};
  r.dataType = dataType;
  r.failedTrace = trace;
  return r;
}

// Closes the scan's own handle when it goes out of scope (every way out).
struct LocalHandle {
  int h = -1;
  ~LocalHandle() { rawClose(h); }
};

// Key words by data type: CDP data uses words 12 and 8; special record
// ordering (type 3) the words named by words 3 and 4 of the first trace.
struct KeyWords {
  int primary = WordCdp;
  int secondary = WordSecondaryKey;  // 0: none (the key reads as 0)
};

inline bool validWord(int w) { return w >= 1 && w <= HeaderWords; }

// The panel table, the CDP list and an empty pick table, from the directory.
bool buildPanels(AppState& st) {
  auto& dir = st.TraceDirectory;
  const std::int32_t count = st.TraceCount;
  st.PanelTable.recreate(PanelTableInitial);
  if (count < 1) {
    st.PanelCount = 0;
    return false;
  }
  auto& pt = st.PanelTable;
  std::int32_t panels = 1;
  pt[1].FirstCdp = dir[1].PrimaryKey;
  pt[1].FirstTrace = 1;
  pt[1].PanelTraces = 1;
  std::int32_t c = 1;
  for (std::int32_t i = 2; i <= count; ++i) {
    const TraceDirEntry& d = dir[static_cast<size_t>(i)];
    if (d.TraceId != TraceCodeSeparator) {
      ++c;
      continue;
    }
    PanelEntry& p = pt[static_cast<size_t>(panels)];
    p.PanelTraces = c;
    p.Velocity = d.PrimaryKey;
    p.LastCdp = dir[static_cast<size_t>(i - 1)].PrimaryKey;
    ++panels;
    c = 0;
    if (static_cast<size_t>(panels) >= pt.size()) pt.resize(static_cast<size_t>(panels) + PanelTableGrowBy);
    PanelEntry& next = pt[static_cast<size_t>(panels)];
    // A separator as the very last trace opens an entry with no trace behind it;
    // that entry is dropped below, and nothing is read past the directory.
    next.FirstCdp = i + 1 <= count ? dir[static_cast<size_t>(i + 1)].PrimaryKey : 0;
    next.FirstTrace = i + 1;
    next.PanelTraces = 0;
  }
  // The entry opened after the last separator holds no closed panel.
  st.PanelCount = panels - 1;
  if (st.PanelCount < 1) return false;

  // Distinct first CDPs in order of first appearance; all of them are kept.
  std::vector<float> cdps;
  cdps.push_back(static_cast<float>(pt[1].FirstCdp));
  for (std::int32_t j = 2; j <= st.PanelCount; ++j) {
    float v = static_cast<float>(pt[static_cast<size_t>(j)].FirstCdp);
    if (std::find(cdps.begin(), cdps.end(), v) == cdps.end()) cdps.push_back(v);
  }
  st.CdpCount = static_cast<std::int32_t>(cdps.size());
  st.CdpList.recreate(cdps.size());
  for (size_t k = 0; k < cdps.size(); ++k) st.CdpList[k + 1] = cdps[k];
  st.PickTable.recreate(cdps.size());
  for (size_t k = 1; k <= cdps.size(); ++k) st.PickTable[k].Cdp = nearestI16(st.CdpList[k]);
  st.CurrentCdp = 1;
  return true;
}

}  // namespace

namespace {

// The first trace: its header sets the state's trace buffers, data type and
// key words. A refusal comes back in `refused`.
bool readFirstTrace(AppState& st, int h, HeaderArray& header, KeyWords& keys, OpenScanResult& refused) {
  unsigned char hb[HeaderBytes];
  if (hreed(hb, h, HeaderBytes) != HeaderBytes) {
    refused = refusal(OpenScanStatus::HeaderShort, scanmsg::HeaderShort, "", Icon::None);
    return false;
  }
  decodeHeader(hb, header);
  std::copy(header.begin(), header.end(), st.TraceHeader.begin());
  st.BytesPerSample = static_cast<std::int16_t>(bytesPerSample(header));
  st.TraceDataBytes = traceDataBytes(header);
  if (st.TraceDataBytes < 2) {
    refused = refusal(OpenScanStatus::FirstCorrupt, scanmsg::Corrupt, "", Icon::Exclamation, header[WordDataType], 1);
    return false;
  }
  st.TraceSamples.resize(static_cast<size_t>(header[WordNumSamples]));
  st.NumSamples = header[WordNumSamples];
  st.SampleInterval = header[WordSampleInterval];
  st.DataType = header[WordDataType];
  st.DataTypeText = dataTypeText(st.DataType);
  if (st.DataType == DataSpecialOrder) {
    keys.primary = header[WordLabelWord];
    keys.secondary = validWord(header[WordSecondaryWord]) ? header[WordSecondaryWord] : 0;
  }
  return true;
}

// The walk over the whole file into the trace directory. Counts and key
// ranges are kept in the state every hundredth trace, when the progress hook
// runs; a newer open started inside the hook ends the walk (Superseded).
class ScanLoop {
 public:
  // Starts at the file's beginning; `first` is the first trace's header.
  ScanLoop(AppState& st, const OpenScanHooks& hooks, const KeyWords& keys, int handle, std::uint32_t serial,
           const HeaderArray& first)
      : st_(st), hooks_(hooks), keys_(keys), in_(handle, 0), serial_(serial), h_(first) {}

  OpenScanStatus run();
  std::int32_t counter() const { return counter_; }
  float maxAmplitude() const { return runMax_; }
  // The header of the last trace read stays in the state, as after a plain
  // walk, with the counts and key ranges.
  void keepLastHeader() {
    std::copy(h_.begin(), h_.end(), st_.TraceHeader.begin());
    st_.BytesPerSample = static_cast<std::int16_t>(bytesPerSample(h_));
    st_.TraceDataBytes = traceDataBytes(h_);
    publish();
  }
  // Publishes the counts and key ranges so far into the state.
  void publish() {
    st_.ScanCounter = counter_;
    st_.MinKey = minKey_;
    st_.MaxKey = maxKey_;
    st_.RunningMaxAmplitude = runMax_;
  }

 private:
  OpenScanStatus readSamples(std::int32_t nbytes, int bps, std::int32_t n);
  void enter(std::int64_t filePos, int bps, std::int32_t n);

  AppState& st_;
  const OpenScanHooks& hooks_;
  const KeyWords& keys_;
  SequentialReader in_;
  std::uint32_t serial_;
  HeaderArray h_;
  std::int16_t minKey_ = 32767, maxKey_ = 0;
  float runMax_ = 0.0f;
  std::int32_t counter_ = 0;
  std::vector<unsigned char> block_;
};

// A sample block: decoded for the first 100 traces (their largest amplitude
// sets the display scale), skipped after that.
OpenScanStatus ScanLoop::readSamples(std::int32_t nbytes, int bps, std::int32_t n) {
  if (counter_ >= 100) return in_.skip(nbytes) == nbytes ? OpenScanStatus::Ok : OpenScanStatus::SamplesShort;
  block_.resize(static_cast<size_t>(nbytes));
  if (in_.read(block_.data(), nbytes) != nbytes) return OpenScanStatus::SamplesShort;
  st_.TraceSamples.resize(static_cast<size_t>(n));
  decodeSamples(block_.data(), bps, n, st_.TraceSamples.data1());
  const float* s = st_.TraceSamples.data1();
  for (std::int32_t i = 0; i < n; ++i) {
    const float a = std::fabs(s[i]);
    if (a > runMax_) runMax_ = a;
  }
  return OpenScanStatus::Ok;
}

void ScanLoop::enter(std::int64_t filePos, int bps, std::int32_t n) {
  ++counter_;
  TraceDirEntry& e = st_.TraceDirectory[static_cast<size_t>(counter_)];
  e.FilePos = filePos;
  e.TraceId = h_[WordTraceCode];
  e.PrimaryKey = h_[static_cast<size_t>(keys_.primary)];
  e.SecondaryKey = keys_.secondary ? h_[static_cast<size_t>(keys_.secondary)] : 0;
  e.NumSamples = n;
  e.BytesPerSample = static_cast<std::int16_t>(bps);
  if (e.TraceId != TraceCodeSeparator) {
    if (maxKey_ < e.PrimaryKey) maxKey_ = e.PrimaryKey;
    if (e.PrimaryKey < minKey_) minKey_ = e.PrimaryKey;
  }
}

OpenScanStatus ScanLoop::run() {
  unsigned char hb[HeaderBytes];
  for (;;) {
    auto& dir = st_.TraceDirectory;
    if (!dir.valid(counter_ + 1)) dir.resize(static_cast<size_t>(counter_) + TraceDirHeadroom);
    const std::int64_t filePos = in_.position();
    if (in_.read(hb, HeaderBytes) != HeaderBytes) return OpenScanStatus::Ok;  // the end of the data
    decodeHeader(hb, h_);
    const int bps = bytesPerSample(h_);
    const std::int32_t nbytes = traceDataBytes(h_);
    const std::int32_t n = h_[WordNumSamples];
    if (nbytes < 2) return OpenScanStatus::TraceCorrupt;
    const OpenScanStatus read = readSamples(nbytes, bps, n);
    if (read != OpenScanStatus::Ok) return read;
    enter(filePos, bps, n);
    if (counter_ % TraceDirGrowEvery == 0) {
      dir.resize(static_cast<size_t>(counter_) + TraceDirHeadroom);
      publish();
      if (hooks_.progress) {
        hooks_.progress(counter_);
        if (st_.ScanSerial != serial_) return OpenScanStatus::Superseded;
      }
    }
  }
}

// After a walk to the end of the data: the amplitude scale, the trace count,
// and the panel tables for panel data.
OpenScanResult finishScan(AppState& st, const ScanLoop& loop, std::int16_t dataType) {
  st.MaxAmplitude = loop.maxAmplitude();
  st.TraceCount = loop.counter();
  st.ScanCounter = 1;
  OpenScanResult r;
  r.status = OpenScanStatus::Ok;
  r.dataType = dataType;
  if ((dataType == DataCdpStacked || dataType == DataVelocityScan) && !buildPanels(st))
    return refusal(OpenScanStatus::NoPanels, scanmsg::noPanelsText(), scanmsg::NoPanelsTitle, Icon::Information,
                   dataType);
  return r;
}

}  // namespace

OpenScanResult openScan(AppState& st, const OpenScanHooks& hooks) {
  const std::uint32_t serial = ++st.ScanSerial;
  // Whatever handle the state holds is closed; the scan reads on its own.
  rawClose(st.TraceFileHandle);
  st.PanelDrawn = 0;

  LocalHandle file;
  file.h = OpenTraceForReading(st.DataFileName);
  if (file.h <= 0) return refusal(OpenScanStatus::OpenFailed, scanmsg::OpenFailed, "", Icon::None);
  HeaderArray h{};
  KeyWords keys;
  OpenScanResult refused;
  if (!readFirstTrace(st, file.h, h, keys, refused)) return refused;
  const std::int16_t dataType = st.DataType;
  if (hooks.firstTrace) {
    hooks.firstTrace({st.DataFileName, fileInfoLabel2(st.NumSamples, st.SampleInterval, st.DataTypeText), dataType});
    if (st.ScanSerial != serial) return {OpenScanStatus::Superseded, {}, dataType, 0};
  }
  if (dataType < DataCdpGather || dataType > DataVelocityScan)
    return refusal(OpenScanStatus::BadDataType, scanmsg::BadDataType, scanmsg::BadDataTypeTitle, Icon::Information,
                   dataType);
  // A primary key word outside the header would leave every key unset: refuse.
  if (!validWord(keys.primary))
    return refusal(OpenScanStatus::KeyWordInvalid, scanmsg::keyWordText(keys.primary), scanmsg::KeyWordTitle,
                   Icon::Information, dataType);

  if (hooks.busy) hooks.busy(true);
  auto endScan = [&] {
    if (hooks.busy) hooks.busy(false);
    if (hooks.scanEnded) hooks.scanEnded();
  };
  if (rawSeek(file.h, 0, 0) != 0) {
    endScan();
    return refusal(OpenScanStatus::HeaderShort, scanmsg::HeaderShort, "", Icon::None, dataType);
  }
  st.MaxKey = 0;
  st.MinKey = 32767;
  st.ScanCounter = 0;
  st.RunningMaxAmplitude = 0.0f;
  st.TraceDirectory.recreate(TraceDirInitial);
  ScanLoop loop(st, hooks, keys, file.h, serial, h);
  const OpenScanStatus walked = loop.run();
  if (walked == OpenScanStatus::Superseded) return {OpenScanStatus::Superseded, {}, dataType, 0};
  loop.keepLastHeader();
  endScan();
  if (walked == OpenScanStatus::TraceCorrupt || walked == OpenScanStatus::SamplesShort)
    return refusal(walked, walked == OpenScanStatus::TraceCorrupt ? scanmsg::Corrupt : scanmsg::SamplesShort, "",
                   Icon::None, dataType, loop.counter() + 1);
  rawClose(file.h);
  return finishScan(st, loop, dataType);
}

}  // namespace tsly
