// Writes small velocity-scan files for display tests and fills the state the way
// opening such a file leaves it (directory, panels, CDP list, empty picks).
// Data trace k (0-based) of a panel carries CDP firstCdp + k in word 12 and
// label word 3 = 12; each panel ends with a separator (code 9, velocity in word 12).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "shared/State.h"
#include "shared/TraceFormat.h"
#include "TraceFileBuilder.h"

namespace tsly::test {

struct PanelSpec {
  std::int16_t firstCdp = 1001;
  std::int16_t velocity = 1500;
  int traces = 10;
};

struct PanelFileOptions {
  int samples = 100;
  int interval = 4000;  // microseconds
  bool floats = true;
  // Sample value of (panel, trace, sample); default a small sine.
  std::function<float(int, int, int)> value;
  // Last word to change a header before it is written (panel, trace; trace == traces: separator).
  std::function<void(int, int, HeaderArray&)> tweak;
};

inline std::string writePanelFile(const std::string& path, const std::vector<PanelSpec>& panels,
                                  const PanelFileOptions& o, AppState* s = nullptr) {
  TraceFileBuilder file;
  std::int64_t pos = 0;
  std::vector<TraceDirEntry> dir;
  float maxAmp = 0;
  for (int p = 0; p < static_cast<int>(panels.size()); ++p) {
    const PanelSpec& ps = panels[static_cast<std::size_t>(p)];
    for (int k = 0; k <= ps.traces; ++k) {
      HeaderArray hd{};
      hd[WordDataType] = DataVelocityScan;
      hd[WordLabelWord] = WordCdp;
      hd[WordSecondaryKey] = static_cast<std::int16_t>(k + 1);
      hd[WordCdp] = k == ps.traces ? ps.velocity : static_cast<std::int16_t>(ps.firstCdp + k);
      hd[WordTraceCode] = k == ps.traces ? TraceCodeSeparator : 1;
      hd[WordNumSamples] = static_cast<std::int16_t>(o.samples);
      hd[WordSampleInterval] = static_cast<std::int16_t>(o.interval);
      hd[WordSampleFormat] = o.floats ? FloatFormatMarker : 0;
      if (o.tweak) o.tweak(p, k, hd);
      const int n = std::max<int>(hd[WordNumSamples], 0);
      std::vector<float> v(static_cast<std::size_t>(n), 0.0f);  // a separator's samples are all zero
      const bool separator = hd[WordTraceCode] == TraceCodeSeparator;
      for (int i = 0; i < n && !separator; ++i) {
        v[static_cast<std::size_t>(i)] = o.value ? o.value(p, k, i) : std::round(100.0f * std::sin(i * 0.3f));
        maxAmp = std::max(maxAmp, std::fabs(v[static_cast<std::size_t>(i)]));
      }
      file.trace(hd, v);
      TraceDirEntry e;
      e.FilePos = pos;
      e.TraceId = hd[WordTraceCode];
      e.PrimaryKey = hd[WordCdp];
      e.SecondaryKey = hd[WordSecondaryKey];
      e.NumSamples = hd[WordNumSamples];
      e.BytesPerSample = static_cast<std::int16_t>(bytesPerSample(hd));
      dir.push_back(e);
      pos += HeaderBytes + static_cast<std::int64_t>(n) * bytesPerSample(hd);
    }
  }
  file.writeTo(path);
  if (s) {
    s->DataFileName = path;
    s->DataType = DataVelocityScan;
    s->NumSamples = o.samples;
    s->SampleInterval = o.interval;
    s->TraceCount = static_cast<std::int32_t>(dir.size());
    s->TraceDirectory.recreate(dir.size() + 110);
    for (std::size_t i = 0; i < dir.size(); ++i) s->TraceDirectory[i + 1] = dir[i];
    s->MaxAmplitude = maxAmp;
    s->PanelCount = static_cast<std::int32_t>(panels.size());
    s->PanelTable.recreate(panels.size() + 10);
    std::int32_t first = 1;
    std::vector<float> cdps;
    for (std::size_t p = 0; p < panels.size(); ++p) {
      PanelEntry& e = s->PanelTable[p + 1];
      e.FirstCdp = panels[p].firstCdp;
      e.LastCdp = static_cast<std::int16_t>(panels[p].firstCdp + panels[p].traces - 1);
      e.Velocity = panels[p].velocity;
      e.FirstTrace = first;
      e.PanelTraces = panels[p].traces;
      first += panels[p].traces + 1;
      if (std::find(cdps.begin(), cdps.end(), static_cast<float>(e.FirstCdp)) == cdps.end())
        cdps.push_back(e.FirstCdp);
    }
    s->CdpCount = static_cast<std::int32_t>(cdps.size());
    s->CdpList.recreate(std::max<std::size_t>(cdps.size(), 40));
    s->PickTable.recreate(cdps.size());
    for (std::size_t i = 0; i < cdps.size(); ++i) {
      s->CdpList[i + 1] = cdps[i];
      s->PickTable[i + 1].Cdp = static_cast<std::int16_t>(cdps[i]);
    }
    s->CurrentCdp = 1;
    s->PanelDrawn = 0;
  }
  return path;
}

inline std::string tempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/tessaly_" + std::to_string(::getpid()) + "_" + name;
}

}  // namespace tsly::test
