// Applying picked velocity functions to a CDP gather: every live trace moved out
// with the velocity function of its CDP (time-variant NMO), written as a moved-out
// gather or stacked into one trace per CDP. The engine of `tsly nmo --deck` and of
// JobPad's "Run".
//
// Rules, stated once:
//  - Input: a trace file of data type 1 (CDP gather) or 3; the CDP of a trace is
//    header word 12. Only live traces (isLiveTrace: word 15 neither 2, dead,
//    nor 9, separator) are moved out and stacked.
//  - Velocity function of a CDP: velocitiesForCdp (moveout/core/VelocityFunction.h):
//    its own, else interpolated in CDP number between the nearest picked CDPs.
//  - Time of output sample i: firstMs + i * dt, where firstMs is header word 55
//    (the recording delay, ms) when `useRecordingDelay`, else 0; dt is word 59.
//    Moveout by nmoitVariable: the interpolation and stretch mute of panel
//    generation's nmoit, with one velocity per output sample.
//  - Offset: word 19 / word 35 (traceOffset). A live trace with word 35 = 0 or
//    word 59 <= 0 is refused before anything is written.
//  - Order of the output: ascending CDP; the traces of one CDP in file order. So
//    runs over adjacent CDP ranges, joined in range order, give the bytes of one
//    run over the whole range.
//  - Moved-out gather: every trace of the range; a live trace keeps its header
//    unchanged, except that 2-byte samples become 4-byte floats (word 60 =
//    21930); dead and separator traces are copied as they are.
//  - Stacked: one trace per CDP with live traces: at each sample the mean of
//    the moved-out traces live there (a muted sample does not count), each
//    trace tapered in over a few samples where it comes out of its mute, under
//    the header of its last live trace (CdpStack, MoveoutStack.h). The live
//    traces of one CDP must share their sample interval (and, with the
//    recording delay, word 55).
//  - Nothing half-written: the output is written to a temporary file in its own
//    folder and renamed into place only when complete (platform/AtomicFile.h);
//    any refusal, failure or cancellation leaves no output and no temporary.
//    The output passes the program's one output check (shared/OutputCheck.h):
//    never the input nor the deck, never a folder, FIFO or device, and an
//    existing file only when `overwrite`.
//  - Speed and memory: the input is indexed once, headers only (MoveoutInput.h);
//    the blocks of whole CDPs are moved out by worker threads and written in
//    order (MoveoutEngine.h), a few blocks in memory at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "moveout/core/VelocityFunction.h"

namespace tsly {

struct MoveoutJob {
  std::string inputPath;
  std::string outputPath;
  std::string deckPath;  // the deck the job comes from ("" if none): never written over
  std::vector<CdpVelocityFunction> functions;  // ascending CDP, no CDP twice, at least one
  float stretch = 0.5f;
  bool useRecordingDelay = false;
  bool stack = false;
  bool limitCdps = false;  // only CDPs firstCdp..lastCdp (both included)
  int firstCdp = 0;
  int lastCdp = 0;
  bool overwrite = false;
  int workers = 2;
};

struct MoveoutHooks {
  // Called on the calling thread after each block is written: input traces done, total.
  std::function<void(std::int64_t done, std::int64_t total)> progress;
  // Polled from every thread; true ends the run with nothing written.
  std::function<bool()> cancelled;
};

enum class MoveoutStatus {
  Done,          // output written
  OutputExists,  // the output exists and overwrite is off; nothing written
  Refused,       // bad job, input or output (message says which); nothing written
  Failed,        // reading or writing failed during the run; nothing written
  Cancelled,     // cancelled; nothing written
};

// What a refusal or failure is about, so a caller can name the deck line.
// Range: the CDP range names no CDP of the input.
enum class MoveoutSubject { None, Input, Output, Range };

struct MoveoutResult {
  MoveoutStatus status = MoveoutStatus::Refused;
  MoveoutSubject subject = MoveoutSubject::None;
  std::string message;  // one line, when not Done
  std::int64_t tracesWritten = 0;
  std::int64_t tracesRead = 0;  // input traces of the range
  double seconds = 0.0;         // wall time of the run
};

MoveoutResult applyVelocities(const MoveoutJob& job, const MoveoutHooks& hooks = {});

}  // namespace tsly
