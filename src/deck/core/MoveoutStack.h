// The stack of one CDP in a deck run: at each sample, the mean of the moved-out
// live traces that are live there (neither muted nor past their input's end);
// a muted sample does not count. So an event keeps its amplitude where the
// stretch mute has left only a few traces, and a sample no trace reaches is 0.
//
// Where a trace comes out of its mute it joins with a taper: its first
// MuteTaperSamples live samples after a muted one are weighted by a raised
// cosine rising towards 1, and the stack at a sample is sum(w x a) /
// max(sum w, 1). A wavelet that the mute cut mid-peak thus fades in rather than
// stepping in, and where only tapered traces reach a sample the stack fades in
// with them. A trace live from its first sample (offset 0) has no mute edge.
//
// The stacked trace takes the header of its CDP's last live trace (file order)
// with word 1 = 2, word 15 = 1, word 17 = the live traces (at most 32767),
// word 58 = the samples (those of its longest live trace) and word 60 = 21930.
#pragma once

#include <cstdint>
#include <vector>

#include "shared/TraceFormat.h"

namespace tsly {

inline constexpr int MuteTaperSamples = 8;

class CdpStack {
 public:
  // Starts the stack of a CDP whose longest live trace has `longest` samples.
  void begin(std::int32_t longest);
  // Adds a moved-out live trace of `count` (<= longest) samples; live[i] says
  // whether its sample i is live. Its header becomes the stack's.
  void add(const float* movedOut, const std::uint8_t* live, std::int32_t count, const HeaderArray& header);
  bool empty() const { return traces_ == 0; }
  // Turns the sums into the stack and gives its header; the stack is at
  // sum(), samples() long. Only when not empty().
  HeaderArray finish();
  const float* sum() const { return sum_.data(); }
  std::int32_t samples() const { return longest_; }

 private:
  std::vector<float> sum_, weight_;
  std::int32_t traces_ = 0, longest_ = 0;
  HeaderArray last_{};
};

}  // namespace tsly
