// Single-trace reads as the redraw makes them. The input is a control byte, a
// two-byte split and file bytes: the first part is scanned as the file; when
// the control byte says so, the file is then replaced by the second part (a
// file that grew, shrank or changed between the scan and the redraw). Then
// every trace of the directory is read back with readTraceAt, and for panel
// data the real panel display redraws every CDP (Next over the whole list),
// with display settings taken from the control byte.
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "display/core/PanelDisplay.h"
#include "open/core/OpenScan.h"
#include "platform/ConsoleUi.h"
#include "platform/RawFile.h"
#include "shared/FileUtil.h"
#include "shared/Settings.h"
#include "shared/TraceFormat.h"
#include "tests/support/RecordingHost.h"

using namespace tsly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemFile file;
  if (size < 3) return 0;
  const std::uint8_t control = data[0];
  std::size_t split = (static_cast<std::size_t>(data[1]) << 8) | data[2];
  data += 3;
  size -= 3;
  const bool changes = (control & 1) != 0;
  if (!changes || split > size) split = size;
  file.set(data, split);

  AppState st;
  applyMissingSettingsDefaults(st);
  st.SamplingRatio = (control & 2) ? 0.5f : 1.0f;
  st.NormalizeFlag = (control & 4) ? 1 : 0;
  st.AreaFillFlag = (control & 8) ? 1 : 0;
  static const float divisors[4] = {10.0f, 0.0f, -3.0f, 1e-30f};
  st.DataDivisor = divisors[(control >> 4) & 3];
  static const float spacings[4] = {10.0f, 0.0f, 1.0f, 300.0f};
  st.TraceSpacing = spacings[(control >> 6) & 3];
  st.DataFileName = file.path();
  const OpenScanResult r = openScan(st);
  if (!r.ok()) return 0;

  if (changes) file.set(data + split, size - split);

  // The plain walk: every directory entry read at random.
  int h = OpenTraceForReading(st.DataFileName);
  if (h > 0) {
    HeaderArray header{};
    std::vector<float> samples;
    std::vector<unsigned char> scratch;
    for (std::int32_t i = 1; i <= st.TraceCount; ++i) {
      const TraceReadStatus s =
          readTraceAt(h, st.TraceDirectory[static_cast<std::size_t>(i)].FilePos, header, samples, scratch);
      if (s == TraceReadStatus::Ok && samples.size() != static_cast<std::size_t>(header[WordNumSamples]))
        fuzz::fail("sample count differs from word 58");
      if (!changes && s != TraceReadStatus::Ok) fuzz::fail("unchanged file does not read back");
    }
    rawClose(h);
  }

  if (!r.isPanelData()) return 0;
  fuzz::NullCanvas canvas;
  ConsoleUi ui(ConsoleUi::Mode::Quiet);
  test::RecordingHost host;
  PanelDisplay display(st, canvas, ui, host);
  display.refresh();
  display.mousePress(60.0f, 80.0f);
  for (std::int32_t k = 1; k < st.CdpCount && k < 64; ++k) display.nextPanel();
  display.prevPanel();
  return 0;
}
