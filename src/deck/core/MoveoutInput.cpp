#include "deck/core/MoveoutInput.h"

#include <algorithm>
#include <filesystem>

#include "moveout/core/CdpIndex.h"
#include "platform/FileChecks.h"
#include "platform/RawFile.h"
#include "platform/ShownText.h"
#include "shared/Numbers.h"
#include "shared/TraceWalker.h"

namespace tsly {

namespace {
std::string text(int v) { return plainNumberText(v); }
}  // namespace

std::string moveoutTraceName(const MoveoutTrace& t) {
  return "trace " + text(t.index) + " (CDP " + text(t.cdp) + ")";
}

bool refuseMoveout(MoveoutResult& r, MoveoutSubject subject, std::string message, MoveoutStatus status) {
  r.status = status;
  r.subject = subject;
  r.message = std::move(message);
  return false;
}

namespace {

// Opens job.inputPath into `handle` (the caller closes it) and walks its
// headers, calling each(walk) for every trace until it returns false (a
// refusal it has put in `r`). Refuses a missing or empty file, one that is
// not a gather, and a damaged one.
template <class Each>
bool walkInput(const MoveoutJob& job, int& handle, MoveoutResult& r, Each each) {
  const std::string& path = job.inputPath;
  const auto refuse = [&r](std::string message) { return refuseMoveout(r, MoveoutSubject::Input, std::move(message)); };
  if (const std::string why = checkInputFile(path); !why.empty()) return refuse(why);
  handle = rawOpen(path, RawAccess::ReadOnly);
  if (handle <= 0) return refuse(quotedName(path) + " can not be opened for reading");
  TraceWalker walk(handle);
  if (walk.fileBytes() < HeaderBytes) return refuse(quotedName(path) + " holds no complete trace");
  while (walk.next()) {
    const HeaderArray& w = walk.header();
    if (walk.index() == 1 && w[WordDataType] != DataCdpGather && w[WordDataType] != DataSpecialOrder)
      return refuse(quotedName(path) + " holds" + dataTypeText(w[WordDataType]) +
                    "; only CDP-gather data (type 1 or 3) is moved out");
    if (!each(walk)) return false;
  }
  if (walk.fault() == TraceWalker::Fault::ReadFailed)
    return refuseMoveout(r, MoveoutSubject::Input, "reading " + quotedName(path) + " failed", MoveoutStatus::Failed);
  if (walk.failed()) return refuse(walk.faultText());
  return true;
}

// The CDPs of the file seen by a walk, and whether the job's range holds one.
struct CdpSpan {
  int lowest = 32767, highest = -32768;
  bool inRange = false;
  void saw(const MoveoutJob& job, int cdp) {
    lowest = std::min(lowest, cdp);
    highest = std::max(highest, cdp);
    if (!job.limitCdps || (cdp >= job.firstCdp && cdp <= job.lastCdp)) inRange = true;
  }
  // A range naming no CDP of the file is refused: its run would write nothing.
  bool check(const MoveoutJob& job, MoveoutResult& r) const {
    if (inRange) return true;
    const std::string range = job.firstCdp == job.lastCdp ? "CDP " + text(job.firstCdp)
                                                          : "CDPs " + text(job.firstCdp) + " to " + text(job.lastCdp);
    return refuseMoveout(r, MoveoutSubject::Range,
                         quotedName(job.inputPath) + " holds none of " + range + " (its CDPs run from " + text(lowest) +
                             " to " + text(highest) + ")");
  }
};

}  // namespace

bool indexMoveoutInput(const MoveoutJob& job, int& handle, std::vector<MoveoutTrace>& traces, MoveoutResult& r) {
  const auto refuse = [&r](std::string message) { return refuseMoveout(r, MoveoutSubject::Input, std::move(message)); };
  std::vector<MoveoutTrace> inRange;
  CdpSpan span;
  const bool walked = walkInput(job, handle, r, [&](const TraceWalker& walk) {
    const HeaderArray& w = walk.header();
    MoveoutTrace t;
    t.pos = walk.pos();
    t.index = walk.index();
    t.cdp = w[WordCdp];
    t.samples = w[WordNumSamples];
    t.bytes = static_cast<std::int32_t>(walk.recordBytes());
    span.saw(job, t.cdp);
    if (job.limitCdps && (t.cdp < job.firstCdp || t.cdp > job.lastCdp)) return true;
    t.live = isLiveTrace(w);
    t.interval = w[WordSampleInterval];
    t.delayMs = job.useRecordingDelay ? w[WordRecordingDelay] : 0;
    if (t.live && t.interval <= 0)
      return refuse(moveoutTraceName(t) + " has a sample interval of " + text(t.interval) + " microseconds");
    if (t.live && !hasValidOffset(w)) return refuse(moveoutTraceName(t) + " has no valid offset (word 35 is 0)");
    inRange.push_back(t);
    return true;
  });
  if (!walked || !span.check(job, r)) return false;

  std::vector<std::int16_t> cdps(inRange.size());
  for (size_t k = 0; k < inRange.size(); ++k) cdps[k] = inRange[k].cdp;
  CdpIndex index;
  index.build(cdps);
  traces.clear();
  traces.reserve(inRange.size());
  for (std::int32_t k : index.order()) traces.push_back(inRange[static_cast<size_t>(k)]);
  r.tracesRead = static_cast<std::int64_t>(traces.size());
  return true;
}

bool moveoutCdps(const MoveoutJob& job, std::vector<std::int16_t>& cdps, MoveoutResult& r) {
  int handle = -1;
  std::vector<char> seen(65536, 0);
  CdpSpan span;
  const bool walked = walkInput(job, handle, r, [&](const TraceWalker& walk) {
    const std::int16_t cdp = walk.header()[WordCdp];
    span.saw(job, cdp);
    if (!job.limitCdps || (cdp >= job.firstCdp && cdp <= job.lastCdp)) seen[static_cast<size_t>(cdp + 32768)] = 1;
    return true;
  });
  rawClose(handle);
  if (!walked || !span.check(job, r)) return false;
  cdps.clear();
  for (int c = -32768; c <= 32767; ++c)
    if (seen[static_cast<size_t>(c + 32768)]) cdps.push_back(static_cast<std::int16_t>(c));
  return true;
}

bool checkStackable(const std::vector<MoveoutTrace>& traces, MoveoutResult& r) {
  for (size_t g = 0; g < traces.size();) {
    size_t e = g;
    const MoveoutTrace* first = nullptr;
    for (; e < traces.size() && traces[e].cdp == traces[g].cdp; ++e) {
      const MoveoutTrace& t = traces[e];
      if (!t.live) continue;
      if (!first) {
        first = &t;
        continue;
      }
      const std::string cannot = "CDP " + text(t.cdp) + " can not be stacked: trace " + text(first->index);
      if (t.interval != first->interval)
        return refuseMoveout(r, MoveoutSubject::Input,
                             cannot + " is sampled at " + text(first->interval) + " microseconds, trace " +
                                 text(t.index) + " at " + text(t.interval));
      if (t.delayMs != first->delayMs)
        return refuseMoveout(r, MoveoutSubject::Input,
                             cannot + " starts at " + text(first->delayMs) + " ms, trace " + text(t.index) + " at " +
                                 text(t.delayMs) + " ms (word 55)");
    }
    g = e;
  }
  return true;
}

}  // namespace tsly
