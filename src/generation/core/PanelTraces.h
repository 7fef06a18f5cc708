// Reading the input traces of one panel for a generation run.
//
// A CdpIndex (moveout/core/CdpIndex.h), built once per run from the trace
// directory, gives the directory entries of every CDP number in file order, so
// no CDP searches the whole directory.
//
// PanelTraces reads the traces of a panel's CDPs (start + k rounded half to
// even, k = 0 .. count - 1) in the order the run visits them and keeps them in
// memory for all the panel's velocities, up to a byte budget (headers and
// samples): each kept trace is read once per panel. The CDPs that no longer fit
// are read again from the file for every velocity block, one trace at a time.
// Either way a trace holds exactly what reading it from the file gives, so the
// output is byte for byte that of reading every trace again for every velocity.
// The file is read through a window of several megabytes (positional reads),
// so the traces of a panel, which usually lie together, cost a few system
// calls rather than three per trace.
// Reading into memory stops at the first trace that ends the run (nothing after
// it is visited).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "moveout/core/CdpIndex.h"
#include "shared/State.h"
#include "shared/TraceFormat.h"

namespace tsly {

// One input trace as the run reads it.
struct InputTrace {
  // Dead: not live (word 15 is 2 or 9), skipped by the run.
  enum class Kind { Live, Dead, HeaderShort, NoSamples, TooShort, SamplesShort, NoOffsets };
  Kind kind = Kind::Live;
  std::int32_t dirIndex = 0;   // 1-based TraceDirectory index
  HeaderArray header{};
  std::int32_t numSamples = 0;  // output samples its header gives: L x (1000 / word 59)
  // Its decoded samples (Live and NoOffsets). Valid until the next panel is
  // loaded, or, for a trace read during a visit, until the next trace is read.
  const float* samples = nullptr;
};

class PanelTraces {
 public:
  PanelTraces(const AppState& s, const CdpIndex& index, double lengthMs, std::size_t budgetBytes)
      : s_(s), index_(index), lengthMs_(lengthMs), budget_(budgetBytes) {}

  // The input file handle (not owned).
  void setInput(int handle) {
    in_ = handle;
    windowLen_ = 0;
  }
  // Reads the panel of `count` CDPs from `start`, as much of it as the budget holds.
  void load(float start, std::int64_t count);
  // Every CDP of the panel in hand is in memory (none is read during a visit).
  bool allKept() const;
  // The traces of the m-th CDP when it is kept (file order), else empty. They
  // do not change until the next load or release, so other threads may read
  // them meanwhile.
  std::span<const InputTrace> keptTraces(std::int64_t m) const;
  // Gives back the memory of the panel in hand.
  void release();
  // Forgets the panel in hand, keeping the memory for the next one.
  void clear();

  std::int16_t cdp(std::int64_t m) const { return cdps_[static_cast<size_t>(m)].cdp; }
  // Visits the traces of the m-th CDP of the panel in file order while
  // `visit(const InputTrace&)` returns true. False when a visit returned false.
  template <class Visit>
  bool forEachTrace(std::int64_t m, Visit&& visit) {
    const PanelCdp& c = cdps_[static_cast<size_t>(m)];
    if (c.kept) {
      for (std::int32_t q = c.first; q < c.first + c.count; ++q)
        if (!visit(traces_[static_cast<size_t>(q)])) return false;
      return true;
    }
    for (std::int32_t t : index_.traces(c.cdp)) {
      readInto(t, slotTrace_, slot_.data());
      if (!visit(slotTrace_)) return false;
    }
    return true;
  }

  // The most memory the kept traces took at any time in this run, in bytes.
  std::size_t peakBytes() const { return peak_; }

 private:
  struct PanelCdp {
    std::int16_t cdp = 0;
    bool kept = true;                   // in memory; else read during each visit
    std::int32_t first = 0, count = 0;  // range in traces_ when kept
  };
  // Reads directory entry t's header and, when it has samples to move out,
  // its sample block (raw_ points at it until the next read). False when the
  // trace ends the run.
  bool readRaw(std::int32_t t, InputTrace& trace);
  // Bytes [pos, pos + n) of the input through the window: how many of them
  // the file holds (fewer only at its end or on a read error), at `data`.
  std::int64_t fileBytes(std::int64_t pos, std::int64_t n, const unsigned char*& data);
  // readRaw, then the samples decoded to `samples` (room for numSamples floats).
  bool readInto(std::int32_t t, InputTrace& trace, float* samples);
  // Reads the traces of one CDP into memory. False when they do not fit the
  // budget (nothing of them is kept then).
  bool keep(PanelCdp& pc, bool& stopped);
  std::size_t keptBytes() const { return traces_.size() * sizeof(InputTrace) + pool_.size() * sizeof(float); }
  // Room in the pool for n more samples within the budget.
  bool poolRoom(std::size_t n);

  const AppState& s_;
  const CdpIndex& index_;
  double lengthMs_;
  std::size_t budget_;
  int in_ = -1;
  std::vector<PanelCdp> cdps_;
  std::vector<InputTrace> traces_;
  std::vector<std::size_t> firsts_;  // pool offset of each kept trace's samples
  std::vector<float> pool_;
  // The window: file bytes [windowPos_, windowPos_ + windowLen_).
  std::unique_ptr<unsigned char[]> window_;  // not zeroed: only read bytes are used
  std::int64_t windowSize_ = 0, windowPos_ = 0, windowLen_ = 0;
  const unsigned char* raw_ = nullptr;
  // One trace read during a visit; its samples buffer holds the longest trace
  // a header can declare, so it never moves.
  InputTrace slotTrace_;
  std::vector<float> slot_ = std::vector<float>(32767);
  std::size_t peak_ = 0;
};

// L x (1000 / interval) to the nearest 32-bit integer, as the run computes it.
std::int32_t outputSampleCount(double lengthMs, std::int32_t interval);

}  // namespace tsly
