#include "deck/core/MoveoutStack.h"

#include <algorithm>

namespace tsly {

void CdpStack::begin(std::int32_t longest) {
  longest_ = longest;
  sum_.assign(static_cast<size_t>(longest), 0.0f);
  live_ = 0;
}

void CdpStack::added(const HeaderArray& header) {
  ++live_;
  last_ = header;
}

HeaderArray CdpStack::finish() {
  const float divisor = static_cast<float>(live_);
  for (float& x : sum_) x /= divisor;
  HeaderArray h = last_;
  h[WordDataType] = DataCdpStacked;
  h[WordTraceCode] = TraceCodeLive;
  h[WordStackCount] = static_cast<std::int16_t>(std::min<std::int32_t>(live_, 32767));
  h[WordNumSamples] = static_cast<std::int16_t>(longest_);
  h[WordSampleFormat] = FloatFormatMarker;
  return h;
}

}  // namespace tsly
