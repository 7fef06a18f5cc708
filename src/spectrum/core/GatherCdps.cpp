#include "spectrum/core/GatherCdps.h"

#include <algorithm>

#include "open/core/OpenScan.h"
#include "platform/RawFile.h"
#include "shared/Numbers.h"
#include "shared/TraceFormat.h"

namespace tsly {

namespace {

// Message texts without the window's CR LF line breaks.
std::string oneLine(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      out.push_back('\n');
      ++i;
      continue;
    }
    out.push_back(s[i]);
  }
  return out;
}

std::string cdpText(std::int16_t cdp) { return "CDP " + plainNumberText(static_cast<int>(cdp)); }

}  // namespace

std::string GatherCdps::open(const std::string& path, const std::function<void(std::int32_t)>& progress) {
  path_ = path;
  index_ = CdpIndex{};
  positions_.clear();
  if (!dataFileExists(path)) return fileNotFoundMessage().text;
  AppState st;
  st.DataFileName = path;
  OpenScanHooks hooks;
  if (progress) hooks.progress = progress;
  OpenScanResult scan = openScan(st, hooks);
  if (!scan.ok()) return oneLine(scan.message.text);
  if (st.DataType != DataCdpGather && st.DataType != DataSpecialOrder)
    return path + " holds" + st.DataTypeText + "; the velocity spectrum is computed from CDP-gather data";

  // Traces grouped by primary key, as panel generation groups them.
  index_.build(st);
  positions_.assign(static_cast<size_t>(st.TraceCount) + 1, 0);
  for (std::int32_t t = 1; t <= st.TraceCount && static_cast<size_t>(t) <= st.TraceDirectory.size(); ++t)
    positions_[static_cast<size_t>(t)] = st.TraceDirectory[static_cast<size_t>(t)].FilePos;
  return {};
}

bool GatherCdps::has(std::int16_t cdp) const { return !index_.traces(cdp).empty(); }

std::string GatherCdps::read(std::int16_t cdp, CdpTraces& out) const {
  out = CdpTraces{};
  out.cdp = cdp;
  const std::span<const std::int32_t> traces = index_.traces(cdp);
  if (traces.empty()) return cdpText(cdp) + " is not in " + path_;

  int h = rawOpen(path_, RawAccess::ReadOnly);
  if (h <= 0) return scanmsg::OpenFailed;
  struct Live {
    float offset;
    std::vector<float> samples;
  };
  std::vector<Live> live;
  HeaderArray header{};
  std::vector<float> samples;
  std::vector<unsigned char> scratch;
  std::string error;
  for (size_t q = 0; q < traces.size() && error.empty(); ++q) {
    const std::int64_t pos = positions_[static_cast<size_t>(traces[q])];
    const std::int32_t traceNumber = static_cast<std::int32_t>(q) + 1;
    if (readTraceAt(h, pos, header, samples, scratch) != TraceReadStatus::Ok) {
      error = scanmsg::SamplesShort;
      break;
    }
    const std::int32_t interval = header[WordSampleInterval];
    const std::string where = cdpText(cdp) + ", trace " + plainNumberText(static_cast<int>(traceNumber));
    if (interval <= 0) {
      error = where + ": sample interval " + plainNumberText(static_cast<int>(interval)) + " microseconds";
      break;
    }
    if (out.intervalUs == 0) out.intervalUs = interval;
    if (interval != out.intervalUs) {
      error = where + ": sample interval " + plainNumberText(static_cast<int>(interval)) +
              " microseconds, the CDP's first trace has " + plainNumberText(static_cast<int>(out.intervalUs));
      break;
    }
    out.samples = std::max(out.samples, static_cast<std::int32_t>(samples.size()));
    if (!isLiveTrace(header)) {
      ++out.deadTraces;
      continue;
    }
    if (!hasValidOffset(header)) {
      error = where + ": no valid offset (header word 35 is 0)";
      break;
    }
    const std::int32_t delay = header[WordRecordingDelay];
    if (live.empty()) out.delayMs = delay;
    if (delay != out.delayMs) {
      error = where + ": recording delay " + plainNumberText(static_cast<int>(delay)) +
              " ms (word 55), the CDP's first live trace has " + plainNumberText(static_cast<int>(out.delayMs));
      break;
    }
    live.push_back({traceOffset(header), samples});
  }
  rawClose(h);
  if (!error.empty()) {
    out = CdpTraces{};
    out.cdp = cdp;
    return error;
  }
  std::size_t total = 0;
  for (const Live& t : live) total += t.samples.size();
  out.data.reserve(total);
  for (const Live& t : live) {
    out.offsets.push_back(t.offset);
    out.counts.push_back(static_cast<std::int32_t>(t.samples.size()));
    out.starts.push_back(out.data.size());
    out.data.insert(out.data.end(), t.samples.begin(), t.samples.end());
  }
  return {};
}

}  // namespace tsly
