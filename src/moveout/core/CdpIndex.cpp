#include "moveout/core/CdpIndex.h"

#include <algorithm>

namespace tsly {

namespace {
constexpr std::int32_t KeyOffset = 32768;
constexpr size_t Keys = 65536;
}  // namespace

void CdpIndex::build(const std::vector<std::int16_t>& cdps, std::int32_t firstNumber) {
  start_.assign(Keys + 1, 0);
  for (std::int16_t c : cdps) ++start_[static_cast<size_t>(c + KeyOffset) + 1];
  cdps_.clear();
  for (size_t c = 0; c < Keys; ++c) {
    if (start_[c + 1] > 0) cdps_.push_back(static_cast<std::int16_t>(static_cast<std::int32_t>(c) - KeyOffset));
    start_[c + 1] += start_[c];
  }
  order_.assign(cdps.size(), 0);
  std::vector<std::int32_t> fill(start_.begin(), start_.end() - 1);
  for (size_t k = 0; k < cdps.size(); ++k)
    order_[static_cast<size_t>(fill[static_cast<size_t>(cdps[k] + KeyOffset)]++)] =
        firstNumber + static_cast<std::int32_t>(k);
}

void CdpIndex::build(const AppState& s) {
  const std::int32_t n = std::min<std::int32_t>(s.TraceCount, static_cast<std::int32_t>(s.TraceDirectory.size()));
  std::vector<std::int16_t> keys(static_cast<size_t>(std::max(n, 0)));
  for (std::int32_t t = 1; t <= n; ++t) keys[static_cast<size_t>(t - 1)] = s.TraceDirectory[static_cast<size_t>(t)].PrimaryKey;
  build(keys, 1);
}

std::span<const std::int32_t> CdpIndex::traces(std::int16_t c) const {
  if (start_.empty()) return {};
  const size_t key = static_cast<size_t>(c + KeyOffset);
  return {order_.data() + start_[key], static_cast<size_t>(start_[key + 1] - start_[key])};
}

}  // namespace tsly
