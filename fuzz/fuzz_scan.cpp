// Any bytes as a trace file, through the open scan. Checks that every outcome
// is one of the known ones, that refusals carry their message, and that an
// accepted file's directory and panel table point inside the file.
#include <cstdint>

#include "FuzzSupport.h"
#include "open/core/OpenScan.h"
#include "shared/TraceFormat.h"

using namespace tsly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemFile file;
  file.set(data, size);
  AppState st;
  st.DataFileName = file.path();
  int progressCalls = 0;
  OpenScanHooks hooks;
  hooks.progress = [&](std::int32_t) { ++progressCalls; };
  const OpenScanResult r = openScan(st, hooks);
  if (r.status == OpenScanStatus::Superseded) fuzz::fail("superseded without a nested open");
  if (!r.ok() && r.message.text.empty()) fuzz::fail("refusal without a message");
  if (!r.ok()) return 0;
  if (st.TraceCount < 1) fuzz::fail("accepted file without traces");
  if (progressCalls != st.TraceCount / 100) fuzz::fail("progress not every hundredth trace");
  std::int64_t end = 0;
  for (std::int32_t i = 1; i <= st.TraceCount; ++i) {
    const TraceDirEntry& e = st.TraceDirectory[static_cast<std::size_t>(i)];
    if (e.FilePos != end) fuzz::fail("directory positions not contiguous");
    end = e.FilePos + HeaderBytes + static_cast<std::int64_t>(e.NumSamples) * e.BytesPerSample;
    if (end > static_cast<std::int64_t>(size)) fuzz::fail("trace beyond the end of the file");
  }
  if (static_cast<std::size_t>(end) + HeaderBytes <= size) fuzz::fail("scan stopped before the end of the data");
  if (r.isPanelData()) {
    if (st.PanelCount < 1 || st.CdpCount < 1) fuzz::fail("panel data without panels");
    for (std::int32_t p = 1; p <= st.PanelCount; ++p) {
      const PanelEntry& e = st.PanelTable[static_cast<std::size_t>(p)];
      if (e.FirstTrace < 1 || e.PanelTraces < 0 || e.FirstTrace + e.PanelTraces - 1 > st.TraceCount)
        fuzz::fail("panel outside the directory");
    }
    if (static_cast<std::int32_t>(st.PickTable.size()) < st.CdpCount) fuzz::fail("pick table smaller than CDP list");
  }
  return 0;
}
