#include "deck/core/MoveoutStack.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tsly {

namespace {

// Weights of the first live samples after a mute: a raised cosine short of 1.
const std::array<float, MuteTaperSamples>& taper() {
  static const std::array<float, MuteTaperSamples> w = [] {
    std::array<float, MuteTaperSamples> t{};
    const double pi = 3.14159265358979323846;
    for (int k = 0; k < MuteTaperSamples; ++k)
      t[static_cast<std::size_t>(k)] = static_cast<float>(0.5 - 0.5 * std::cos(pi * (k + 1) / (MuteTaperSamples + 1)));
    return t;
  }();
  return w;
}

}  // namespace

void CdpStack::begin(std::int32_t longest) {
  longest_ = longest;
  sum_.assign(static_cast<size_t>(longest), 0.0f);
  weight_.assign(static_cast<size_t>(longest), 0.0f);
  traces_ = 0;
}

void CdpStack::add(const float* movedOut, const std::uint8_t* live, std::int32_t count, const HeaderArray& header) {
  const std::array<float, MuteTaperSamples>& w = taper();
  const std::int32_t n = std::min(count, longest_);
  // Samples since the trace came out of a mute; none before its first sample.
  std::int32_t since = MuteTaperSamples;
  for (std::int32_t i = 0; i < n; ++i) {
    if (!live[i]) {
      since = 0;
      continue;
    }
    const auto ui = static_cast<size_t>(i);
    if (since < MuteTaperSamples) {
      const float wk = w[static_cast<size_t>(since++)];
      sum_[ui] += wk * movedOut[i];
      weight_[ui] += wk;
    } else {
      sum_[ui] += movedOut[i];
      weight_[ui] += 1.0f;
    }
  }
  ++traces_;
  last_ = header;
}

HeaderArray CdpStack::finish() {
  for (size_t i = 0; i < sum_.size(); ++i) sum_[i] /= std::max(weight_[i], 1.0f);
  HeaderArray h = last_;
  h[WordDataType] = DataCdpStacked;
  h[WordTraceCode] = TraceCodeLive;
  h[WordStackCount] = static_cast<std::int16_t>(std::min<std::int32_t>(traces_, 32767));
  h[WordNumSamples] = static_cast<std::int16_t>(longest_);
  h[WordSampleFormat] = FloatFormatMarker;
  return h;
}

}  // namespace tsly
