// Traces grouped by CDP, built once from the CDP of every trace in file order:
// the traces of any CDP without a search, the CDPs present, and every trace in
// ascending CDP order (file order within a CDP). Panel generation, the
// velocity spectrum's gather and the moveout of a whole file group their
// traces with it.
//
//   CdpIndex index;
//   index.build(cdpOfEachTrace, 1);          // traces numbered from 1
//   for (std::int32_t t : index.traces(1001)) ...
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "shared/State.h"

namespace tsly {

class CdpIndex {
 public:
  // cdps[k] is the CDP of the trace numbered firstNumber + k.
  void build(const std::vector<std::int16_t>& cdps, std::int32_t firstNumber = 0);
  // The trace directory of an opened file: entries 1 .. TraceCount by their
  // primary key, numbered as in the directory.
  void build(const AppState& s);

  // The numbers of the traces of CDP c, in file order.
  std::span<const std::int32_t> traces(std::int16_t c) const;
  // The CDPs present, ascending.
  const std::vector<std::int16_t>& cdps() const { return cdps_; }
  // Every trace: ascending CDP, file order within a CDP.
  const std::vector<std::int32_t>& order() const { return order_; }

 private:
  // Traces of CDP c are order_[start_[c + 32768] .. start_[c + 32769]).
  std::vector<std::int32_t> start_;
  std::vector<std::int32_t> order_;
  std::vector<std::int16_t> cdps_;
};

}  // namespace tsly
