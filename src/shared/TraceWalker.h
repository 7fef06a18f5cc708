// One walk over the traces of a trace file, header by header in file order,
// for every reader that takes a whole file (the moveout of a file, the section
// plot, SEG-Y export): where each trace lies, its header, and the faults of a
// damaged file, worded here once.
//
//   TraceWalker walk(handle);
//   while (walk.next()) use(walk.header(), walk.pos(), walk.recordBytes());
//   if (walk.failed()) refuse(walk.faultText());
//
// Rules, stated once:
//  - The walk starts at byte 0 and ends cleanly where fewer than 240 bytes are
//    left: a header cut short at the end marks the end of the data
//    (trailingBytes() says how many bytes were left over).
//  - A header whose N x B is below 2 ends the walk with NoSamples: "trace 7 has
//    no samples (word 58 is 0); the file appears corrupt".
//  - A trace whose samples run past the end of the file ends it with CutShort:
//    "trace 7 is cut short (the file ends inside it)".
//  - A read that fails ends it with ReadFailed: "trace 7 can not be read".
//  - After a fault the header of the trace at fault is still in hand.
// Whether a trace is live, its offset and its record length are the trace
// format's (isLiveTrace, traceOffset, traceRecordBytes in TraceFormat.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shared/TraceFormat.h"

namespace tsly {

class TraceWalker {
 public:
  enum class Fault { None, NoSamples, CutShort, ReadFailed };

  // Walks the file open on `handle` (not owned; read by position only).
  explicit TraceWalker(int handle);

  // Steps to the next trace: true with its header in hand; false at the end of
  // the data or at a fault.
  bool next();
  // Reads the samples of the trace in hand, as floats (resized to N). False
  // (and the walk fails with ReadFailed) when they can not be read.
  bool readSamples(std::vector<float>& out);

  const HeaderArray& header() const { return header_; }
  std::int32_t index() const { return index_; }  // 1-based place in the file
  std::int64_t pos() const { return pos_; }      // byte offset of its header
  std::int64_t recordBytes() const { return traceRecordBytes(header_); }

  bool failed() const { return fault_ != Fault::None; }
  Fault fault() const { return fault_; }
  // What is wrong, in one line ("" when nothing is).
  std::string faultText() const;
  // The file's size in bytes.
  std::int64_t fileBytes() const { return size_; }
  // Bytes after the last whole trace, once the walk has ended cleanly.
  std::int64_t trailingBytes() const { return size_ - end_; }

 private:
  bool fail(Fault f) {
    fault_ = f;
    return false;
  }

  int handle_;
  std::int64_t size_;
  std::int64_t pos_ = 0, end_ = 0;  // the trace in hand; where the next one starts
  std::int32_t index_ = 0;
  HeaderArray header_{};
  Fault fault_ = Fault::None;
  std::vector<unsigned char> scratch_;
};

}  // namespace tsly
