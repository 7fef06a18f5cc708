// The input of a deck run, indexed once from its headers: the traces of the
// CDP range in ascending CDP order (file order within a CDP), each with what the
// moveout needs of its header, every trace of the file checked on the way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "deck/core/ApplyVelocities.h"

namespace tsly {

// One input trace of the range.
struct MoveoutTrace {
  std::int64_t pos = 0;    // byte offset of its header
  std::int32_t bytes = 0;  // header and samples
  std::int32_t index = 0;  // 1-based place in the file
  std::int32_t samples = 0;
  std::int16_t cdp = 0;
  std::int16_t interval = 0;
  std::int16_t delayMs = 0;  // word 55 when the job uses the recording delay, else 0
  bool live = false;
};

// "trace 7 (CDP 1002)"
std::string moveoutTraceName(const MoveoutTrace& t);

// Sets `r` to a refusal (or, with another status, a failure); false.
bool refuseMoveout(MoveoutResult& r, MoveoutSubject subject, std::string message,
                   MoveoutStatus status = MoveoutStatus::Refused);

// Opens job.inputPath into `handle` (the caller closes it) and indexes it into
// `traces`. False with `r` saying why; a CDP range that holds no CDP of the
// file is refused (subject Range), naming the file's lowest and highest CDP.
bool indexMoveoutInput(const MoveoutJob& job, int& handle, std::vector<MoveoutTrace>& traces, MoveoutResult& r);

// The CDPs of job.inputPath within the job's range (every CDP when it has
// none), ascending, each once, from the headers alone: the traces themselves
// are checked by the run. False with `r` saying why, a range that holds no
// CDP of the file included (as the run refuses it).
bool moveoutCdps(const MoveoutJob& job, std::vector<std::int16_t>& cdps, MoveoutResult& r);

// The live traces of each CDP are stacked sample by sample: they must share
// their sample interval and first time. False with `r` saying which do not.
bool checkStackable(const std::vector<MoveoutTrace>& traces, MoveoutResult& r);

}  // namespace tsly
