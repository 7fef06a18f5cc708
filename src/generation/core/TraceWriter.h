// Writes the output traces of a generation run on a raw file handle: the
// 240-byte header, then the sample block the header declares (word 58 samples
// of the width word 60 gives: 4-byte floats when it holds 21930, else 2-byte
// integers). Samples beyond the buffer handed in are written as zero.
#pragma once

#include <cstdint>
#include <vector>

#include "shared/TraceFormat.h"

namespace tsly {

class TraceWriter {
 public:
  enum class Status { Ok, HeaderShort, SamplesShort };

  // The raw handle the traces go to (not owned; -1 until set).
  int handle = -1;

  Status write(const HeaderArray& header, const std::vector<float>& samples);
  // Traces written in full so far.
  std::int64_t traces() const { return traces_; }

 private:
  std::vector<unsigned char> bytes_;
  std::int64_t traces_ = 0;
};

}  // namespace tsly
