// A deck run from start to end: the job checked, the input indexed, the output
// checked and opened as a temporary, the engine run, and the output committed
// only when every block was written.
#include "deck/core/ApplyVelocities.h"

#include <chrono>

#include "deck/core/MoveoutEngine.h"
#include "deck/core/MoveoutInput.h"
#include "platform/AtomicFile.h"
#include "platform/RawFile.h"
#include "shared/Numbers.h"
#include "shared/OutputCheck.h"

namespace tsly {

namespace {

std::string text(int v) { return plainNumberText(v); }

bool checkJob(const MoveoutJob& job, MoveoutResult& r) {
  const auto refuse = [&r](std::string message) { return refuseMoveout(r, MoveoutSubject::None, std::move(message)); };
  if (job.functions.empty()) return refuse("no velocity function");
  for (size_t k = 0; k < job.functions.size(); ++k) {
    const auto& f = job.functions[k];
    if (k > 0 && !(job.functions[k - 1].cdp < f.cdp)) return refuse("velocity functions not in ascending CDP order");
    if (f.picks.empty()) return refuse("CDP " + text(f.cdp) + " has no picks");
    for (size_t p = 0; p < f.picks.size(); ++p)
      if (!(f.picks[p].velocity > 0.0f) || (p > 0 && !(f.picks[p - 1].timeMs < f.picks[p].timeMs)))
        return refuse("CDP " + text(f.cdp) + ": bad picks");
  }
  if (job.limitCdps && job.firstCdp > job.lastCdp)
    return refuse("the CDP range " + text(job.firstCdp) + "-" + text(job.lastCdp) + " is empty (first above last)");
  return true;
}

// The output may be written: the program's one output check.
bool checkOutput(const MoveoutJob& job, MoveoutResult& r) {
  const OutputCheck c =
      checkOutputFile(job.outputPath, {{job.inputPath, "the input file"}, {job.deckPath, "the deck"}}, job.overwrite);
  if (c.ok()) return true;
  return refuseMoveout(r, MoveoutSubject::Output, c.message,
                       c.verdict == OutputCheck::Verdict::Exists ? MoveoutStatus::OutputExists : MoveoutStatus::Refused);
}

}  // namespace

MoveoutResult applyVelocities(const MoveoutJob& job, const MoveoutHooks& hooks) {
  const auto start = std::chrono::steady_clock::now();
  MoveoutResult r;
  int input = -1;
  struct CloseInput {
    int& h;
    ~CloseInput() { rawClose(h); }
  } closeInput{input};
  const auto cancelled = [&hooks, &r] {
    if (!hooks.cancelled || !hooks.cancelled()) return false;
    r.tracesWritten = 0;
    refuseMoveout(r, MoveoutSubject::None, "cancelled", MoveoutStatus::Cancelled);
    return true;
  };

  std::vector<MoveoutTrace> traces;
  if (!checkJob(job, r) || !indexMoveoutInput(job, input, traces, r)) return r;
  if (job.stack && !checkStackable(traces, r)) return r;
  if (!checkOutput(job, r) || cancelled()) return r;

  AtomicFile output;
  const std::string cannotWrite = "\"" + job.outputPath + "\" can not be written: ";
  if (!output.open(job.outputPath)) {
    refuseMoveout(r, MoveoutSubject::Output, cannotWrite + output.reason());
    return r;
  }
  if (!runMoveoutEngine(job, hooks, input, traces, output.handle(), r)) {
    r.tracesWritten = 0;
    return r;
  }
  if (cancelled()) return r;
  if (!output.commit()) {
    r.tracesWritten = 0;
    refuseMoveout(r, MoveoutSubject::Output, cannotWrite + output.reason(), MoveoutStatus::Failed);
    return r;
  }
  r.status = MoveoutStatus::Done;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return r;
}

}  // namespace tsly
