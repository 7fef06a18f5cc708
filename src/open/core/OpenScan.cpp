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

// Steps 28 to 34: panel table, CDP list, empty pick table.
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

OpenScanResult openScan(AppState& st, const OpenScanHooks& hooks) {
  const std::uint32_t serial = ++st.ScanSerial;
  auto superseded = [&] { return st.ScanSerial != serial; };

  // Step 11: whatever handle the state holds is closed; the scan uses its own.
  rawClose(st.TraceFileHandle);
  st.PanelDrawn = 0;

  LocalHandle file;
  file.h = OpenTraceForReading(st.DataFileName);
  if (file.h <= 0) return refusal(OpenScanStatus::OpenFailed, scanmsg::OpenFailed, "", Icon::None);

  unsigned char hb[HeaderBytes];
  if (hreed(hb, file.h, HeaderBytes) != HeaderBytes)
    return refusal(OpenScanStatus::HeaderShort, scanmsg::HeaderShort, "", Icon::None);
  HeaderArray h{};
  decodeHeader(hb, h);
  std::copy(h.begin(), h.end(), st.TraceHeader.begin());
  st.BytesPerSample = static_cast<std::int16_t>(bytesPerSample(h));
  st.TraceDataBytes = traceDataBytes(h);
  if (st.TraceDataBytes < 2)
    return refusal(OpenScanStatus::FirstCorrupt, scanmsg::Corrupt, "", Icon::Exclamation, h[WordDataType], 1);

  st.TraceSamples.resize(static_cast<size_t>(h[WordNumSamples]));
  st.NumSamples = h[WordNumSamples];
  st.SampleInterval = h[WordSampleInterval];
  st.DataType = h[WordDataType];
  st.DataTypeText = dataTypeText(st.DataType);
  const std::int16_t dataType = st.DataType;

  KeyWords keys;
  if (dataType == DataSpecialOrder) {
    keys.primary = h[WordLabelWord];
    keys.secondary = validWord(h[WordSecondaryWord]) ? h[WordSecondaryWord] : 0;
  }

  if (hooks.firstTrace) {
    FirstTraceInfo info{st.DataFileName, fileInfoLabel2(st.NumSamples, st.SampleInterval, st.DataTypeText),
                        dataType};
    hooks.firstTrace(info);
    if (superseded()) return {OpenScanStatus::Superseded, {}, dataType, 0};
  }

  if (dataType < DataCdpGather || dataType > DataVelocityScan)
    return refusal(OpenScanStatus::BadDataType, scanmsg::BadDataType, scanmsg::BadDataTypeTitle, Icon::Information,
                   dataType);
  // A primary key word outside the header would leave every key unset: refuse.
  if (!validWord(keys.primary))
    return refusal(OpenScanStatus::KeyWordInvalid, scanmsg::keyWordText(keys.primary), scanmsg::KeyWordTitle,
                   Icon::Information, dataType);

  // Step 22 on: the scan.
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

  std::int16_t minKey = 32767, maxKey = 0;
  float runMax = 0.0f;
  std::int32_t counter = 0;
  std::vector<unsigned char> block;
  SequentialReader in(file.h, 0);
  OpenScanStatus failure = OpenScanStatus::Ok;

  for (;;) {
    auto& dir = st.TraceDirectory;
    if (!dir.valid(counter + 1)) dir.resize(static_cast<size_t>(counter) + TraceDirHeadroom);
    const std::int64_t filePos = in.position();
    if (in.read(hb, HeaderBytes) != HeaderBytes) break;  // end of the data
    decodeHeader(hb, h);
    const int bps = bytesPerSample(h);
    const std::int32_t nbytes = traceDataBytes(h);
    const std::int32_t n = h[WordNumSamples];
    if (nbytes < 2) {
      failure = OpenScanStatus::TraceCorrupt;
      break;
    }
    if (counter < 100) {
      // One of the first 100 traces: its samples set the amplitude scale.
      block.resize(static_cast<size_t>(nbytes));
      if (in.read(block.data(), nbytes) != nbytes) {
        failure = OpenScanStatus::SamplesShort;
        break;
      }
      st.TraceSamples.resize(static_cast<size_t>(n));
      decodeSamples(block.data(), bps, n, st.TraceSamples.data1());
      const float* s = st.TraceSamples.data1();
      for (std::int32_t i = 0; i < n; ++i) {
        float a = std::fabs(s[i]);
        if (a > runMax) runMax = a;
      }
    } else if (in.skip(nbytes) != nbytes) {
      failure = OpenScanStatus::SamplesShort;
      break;
    }
    ++counter;
    TraceDirEntry& e = dir[static_cast<size_t>(counter)];
    e.FilePos = filePos;
    e.TraceId = h[WordTraceCode];
    e.PrimaryKey = h[static_cast<size_t>(keys.primary)];
    e.SecondaryKey = keys.secondary ? h[static_cast<size_t>(keys.secondary)] : 0;
    e.NumSamples = n;
    e.BytesPerSample = static_cast<std::int16_t>(bps);
    if (e.TraceId != TraceCodeSeparator) {
      if (maxKey < e.PrimaryKey) maxKey = e.PrimaryKey;
      if (e.PrimaryKey < minKey) minKey = e.PrimaryKey;
    }
    if (counter % TraceDirGrowEvery == 0) {
      dir.resize(static_cast<size_t>(counter) + TraceDirHeadroom);
      st.ScanCounter = counter;
      st.MinKey = minKey;
      st.MaxKey = maxKey;
      st.RunningMaxAmplitude = runMax;
      if (hooks.progress) {
        hooks.progress(counter);
        if (superseded()) return {OpenScanStatus::Superseded, {}, dataType, 0};
      }
    }
  }

  // The header of the last trace read stays in the state, as after a plain walk.
  std::copy(h.begin(), h.end(), st.TraceHeader.begin());
  st.BytesPerSample = static_cast<std::int16_t>(bytesPerSample(h));
  st.TraceDataBytes = traceDataBytes(h);
  st.ScanCounter = counter;
  st.MinKey = minKey;
  st.MaxKey = maxKey;
  st.RunningMaxAmplitude = runMax;
  endScan();
  if (failure == OpenScanStatus::TraceCorrupt)
    return refusal(failure, scanmsg::Corrupt, "", Icon::None, dataType, counter + 1);
  if (failure == OpenScanStatus::SamplesShort)
    return refusal(failure, scanmsg::SamplesShort, "", Icon::None, dataType, counter + 1);

  st.MaxAmplitude = runMax;
  rawClose(file.h);
  st.TraceCount = counter;
  st.ScanCounter = 1;

  OpenScanResult r;
  r.status = OpenScanStatus::Ok;
  r.dataType = dataType;
  if (dataType == DataCdpStacked || dataType == DataVelocityScan) {
    if (!buildPanels(st))
      return refusal(OpenScanStatus::NoPanels, scanmsg::noPanelsText(), scanmsg::NoPanelsTitle, Icon::Information,
                     dataType);
  }
  return r;
}

}  // namespace tsly
