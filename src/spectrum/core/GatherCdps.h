// The traces of one CDP of a CDP-gather file, for the velocity spectrum and the
// corrected gather.
//
//   GatherCdps g;
//   std::string err = g.open(path);          // the open scan, then a CDP index
//   for (std::int16_t cdp : g.cdps()) { CdpTraces t; err = g.read(cdp, t); ... }
//
// Rules, stated once:
//  - open() runs the open scan (the same checks and messages as opening the
//    file in the main window) and accepts gather data only (data types 1 and 3);
//    traces are grouped by the primary sort key as panel generation groups them.
//    It returns "" or the message that says why the file cannot be used.
//  - cdps(): the CDP numbers present, ascending.
//  - read(): the CDP's live traces in file order (traces that are not live,
//    word 15 = 2 or 9, are left out and counted as dead). Offset = word 19 /
//    word 35 (traceOffset), as panel generation takes it. Every trace of the
//    CDP must have a positive sample interval, the same for all its traces,
//    and word 35 not 0; otherwise read() returns the message and `out` holds
//    no traces.
//  - The time axis: sample i at delay + i x interval, the delay being the
//    recording delay of the CDP's live traces (word 55, ms), which they must
//    share (as a stack of them would); `samples` is the longest trace of the
//    CDP (dead ones included, so an all-dead CDP still has its length). Each
//    trace keeps its own count and only its own samples are held (one after
//    the other in `data`), so a CDP takes the memory of its samples, however
//    long its longest trace.
//  - The file is opened read-only for each read() and closed again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "moveout/core/CdpIndex.h"
#include "shared/State.h"

namespace tsly {

struct CdpTraces {
  std::int16_t cdp = 0;
  std::int32_t intervalUs = 0;
  std::int32_t delayMs = 0;          // time of sample 0 (word 55 of its live traces)
  std::int32_t samples = 0;          // the longest trace: time rows of a spectrum
  std::vector<float> offsets;        // one per live trace
  std::vector<std::int32_t> counts;  // samples of each live trace (<= samples)
  std::vector<std::size_t> starts;   // where each live trace begins in `data`
  std::vector<float> data;           // live trace k: counts[k] values from data[starts[k]]
  std::int32_t deadTraces = 0;

  std::size_t traceCount() const { return offsets.size(); }
  const float* trace(std::size_t k) const { return data.data() + starts[k]; }
  double firstUs() const { return static_cast<double>(delayMs) * 1000.0; }
};

class GatherCdps {
 public:
  // Progress of the scan: traces scanned so far, every hundredth trace.
  std::string open(const std::string& path, const std::function<void(std::int32_t)>& progress = {});
  const std::vector<std::int16_t>& cdps() const { return index_.cdps(); }
  bool has(std::int16_t cdp) const;
  std::string read(std::int16_t cdp, CdpTraces& out) const;

  const std::string& path() const { return path_; }
  std::int32_t traceCount() const { return static_cast<std::int32_t>(index_.order().size()); }

 private:
  std::string path_;
  CdpIndex index_;                       // directory entries by CDP
  std::vector<std::int64_t> positions_;  // file position of each directory entry
};

}  // namespace tsly
