// Reading the input traces of one panel for a generation run.
//
// CdpIndex lists, once per run, the directory entries of every CDP number in
// file order, so no CDP searches the whole directory.
//
// PanelTraces reads the traces of a panel's CDPs (start + k rounded half to
// even, k = 0 .. count - 1) in the order the run visits them and keeps them
// for all the panel's velocities: each trace is read once per panel. Reading
// stops at the first trace that ends the run (nothing after it is visited).
// What a trace holds is exactly what reading it from the file gives, so the
// output is byte for byte that of reading every trace again for every velocity.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "shared/State.h"
#include "shared/TraceFormat.h"

namespace tsly {

// One input trace as the run reads it.
struct InputTrace {
  enum class Kind { Live, Dead, HeaderShort, NoSamples, TooShort, SamplesShort, NoOffsets };
  Kind kind = Kind::Live;
  std::int32_t dirIndex = 0;   // 1-based TraceDirectory index
  HeaderArray header{};
  std::int32_t numSamples = 0;  // output samples its header gives: L x (1000 / word 59)
  // Its decoded samples (Live and NoOffsets); valid until the next panel is loaded.
  const float* samples = nullptr;
};

class CdpIndex {
 public:
  void build(const AppState& s);
  // Directory indexes of the traces whose primary key is c, in file order.
  std::span<const std::int32_t> traces(std::int16_t c) const;

 private:
  // Traces of CDP c are order_[start_[c + 32768] .. start_[c + 32769]).
  std::vector<std::int32_t> start_;
  std::vector<std::int32_t> order_;
};

class PanelTraces {
 public:
  PanelTraces(const AppState& s, const CdpIndex& index, double lengthMs) : s_(s), index_(index), lengthMs_(lengthMs) {}

  // The input file handle (not owned).
  void setInput(int handle) { in_ = handle; }
  // Reads the panel of `count` CDPs from `start`.
  void load(float start, std::int64_t count);

  std::int16_t cdp(std::int64_t m) const { return cdps_[static_cast<size_t>(m)].cdp; }
  // Visits the traces of the m-th CDP of the panel in file order while
  // `visit(const InputTrace&)` returns true. False when a visit returned false.
  template <class Visit>
  bool forEachTrace(std::int64_t m, Visit&& visit) const {
    const PanelCdp& c = cdps_[static_cast<size_t>(m)];
    for (std::int32_t q = c.first; q < c.first + c.count; ++q)
      if (!visit(traces_[static_cast<size_t>(q)])) return false;
    return true;
  }

 private:
  struct PanelCdp {
    std::int16_t cdp = 0;
    std::int32_t first = 0, count = 0;  // range in traces_
  };
  // Reads directory entry t into `trace`; its samples go to the pool. False
  // when the trace ends the run.
  bool read(std::int32_t t, InputTrace& trace, std::size_t& first);

  const AppState& s_;
  const CdpIndex& index_;
  double lengthMs_;
  int in_ = -1;
  std::vector<PanelCdp> cdps_;
  std::vector<InputTrace> traces_;
  std::vector<float> pool_;
  std::vector<unsigned char> bytes_;
};

// L x (1000 / interval) to the nearest 32-bit integer, as the run computes it.
std::int32_t outputSampleCount(double lengthMs, std::int32_t interval);

}  // namespace tsly
