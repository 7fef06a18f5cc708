// Writes small velocity-scan files through TraceFileBuilder and
// fills the state the way opening such a file leaves it (directory, panels, CDP
// list, empty picks). Data trace k (0-based) of a panel carries CDP firstCdp + k
// in word 12, k + 1 in word 5 and label word 3 = 12; each panel ends with a
// separator (code 9, velocity in word 12).
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

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

// Panels to click on: 400 flat samples of 250 us (traces 100 ms long, one
// row a sample), each trace a vertical line at its own x.
inline PanelFileOptions flatPanels() {
  PanelFileOptions o;
  o.samples = 400;
  o.interval = 250;
  o.value = [](int, int, int) { return 0.0f; };
  return o;
}

inline std::string writePanelFile(const std::string& path, const std::vector<PanelSpec>& panels,
                                  const PanelFileOptions& o, AppState* s = nullptr) {
  TraceFileBuilder file(DataVelocityScan, o.samples, o.interval, o.floats);
  float maxAmp = 0;
  std::vector<HeaderArray> headers;
  for (int p = 0; p < static_cast<int>(panels.size()); ++p) {
    const PanelSpec& ps = panels[static_cast<std::size_t>(p)];
    for (int k = 0; k <= ps.traces; ++k) {
      std::vector<float> v(static_cast<std::size_t>(o.samples));
      if (k < ps.traces) {
        for (int i = 0; i < o.samples; ++i)
          v[static_cast<std::size_t>(i)] = o.value ? o.value(p, k, i) : std::round(100.0f * std::sin(i * 0.3f));
        file.trace(ps.firstCdp + k, TraceCodeLive, v);
      } else {
        file.separator(ps.velocity);
      }
      file.header(WordSecondaryKey, static_cast<std::int16_t>(k + 1));
      if (o.tweak) file.edit([&](HeaderArray& h) { o.tweak(p, k, h); });
      headers.push_back(file.lastHeader());
      const int n = std::min<int>(std::max<int>(headers.back()[WordNumSamples], 0), o.samples);
      for (int i = 0; i < n; ++i) maxAmp = std::max(maxAmp, std::fabs(v[static_cast<std::size_t>(i)]));
    }
  }
  file.writeTo(path);
  if (s) {
    s->DataFileName = path;
    s->DataType = DataVelocityScan;
    s->NumSamples = o.samples;
    s->SampleInterval = o.interval;
    s->TraceCount = static_cast<std::int32_t>(file.traceCount());
    s->TraceDirectory.recreate(headers.size() + 110);
    std::int64_t pos = 0;
    for (std::size_t t = 0; t < headers.size(); ++t) {
      const HeaderArray& h = headers[t];
      TraceDirEntry& e = s->TraceDirectory[t + 1];
      e.FilePos = pos;
      e.TraceId = h[WordTraceCode];
      e.PrimaryKey = h[WordCdp];
      e.SecondaryKey = h[WordSecondaryKey];
      e.NumSamples = h[WordNumSamples];
      e.BytesPerSample = static_cast<std::int16_t>(bytesPerSample(h));
      pos += HeaderBytes + static_cast<std::int64_t>(std::max<int>(h[WordNumSamples], 0)) * bytesPerSample(h);
    }
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

// CDPs 1001 and 1011, each with panels at 1500, 1800 and 2100 of 10 flat
// traces (flatPanels): at the default graphics, clicks at x 60, 235 and 335
// fall on the three panels; y 90, 150 and 250 are 10, 25 and 50 ms.
inline std::string writeClickPanels(const std::string& path) {
  return writePanelFile(path,
                        {{1001, 1500, 10}, {1001, 1800, 10}, {1001, 2100, 10},
                         {1011, 1500, 10}, {1011, 1800, 10}, {1011, 2100, 10}},
                        flatPanels());
}

}  // namespace tsly::test
