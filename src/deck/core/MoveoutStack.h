// The stack of one CDP in a deck run: the mean of its moved-out live traces,
// under the header of its last live trace (file order) with word 1 = 2,
// word 15 = 1, word 17 = the live count (at most 32767), word 58 = the samples
// (those of its longest live trace) and word 60 = 21930.
#pragma once

#include <cstdint>
#include <vector>

#include "shared/TraceFormat.h"

namespace tsly {

class CdpStack {
 public:
  // Starts the stack of a CDP whose longest live trace has `longest` samples.
  void begin(std::int32_t longest);
  // The sum the moveout of each live trace is added into (`longest` samples).
  float* sum() { return sum_.data(); }
  // Counts a live trace added into the sum, with its header.
  void added(const HeaderArray& header);
  bool empty() const { return live_ == 0; }
  // Turns the sum into the mean and gives the stacked trace's header; the
  // mean is at sum(), samples() long. Only when not empty().
  HeaderArray finish();
  std::int32_t samples() const { return longest_; }

 private:
  std::vector<float> sum_;
  std::int32_t live_ = 0, longest_ = 0;
  HeaderArray last_{};
};

}  // namespace tsly
