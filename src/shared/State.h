// The run-time state every window works on: one record for the whole process.
//
// Tables are 1-based (Array1). Widths follow the trace format: i16 values are
// std::int16_t, f32 values float; a "flag" is -1 for true and 0 for false.
// Nothing here opens files or shows windows; the operations that fill the
// record live with their commands (open scan, redraw, picks, generation).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "shared/Array1.h"

namespace tsly {

inline constexpr const char* CrLf = "\r\n";
inline constexpr int PicksPerCdp = 20;     // slots per CdpPicks record
inline constexpr int TraceDirInitial = 110;
inline constexpr int TraceDirGrowEvery = 100;
inline constexpr int TraceDirHeadroom = 110;
inline constexpr int PanelTableInitial = 10;
inline constexpr int PanelTableGrowBy = 10;

// One entry per trace, in file order.
struct TraceDirEntry {
  std::int64_t FilePos = 0;      // byte offset of the trace header
  std::int16_t TraceId = 0;      // header word 15
  std::int16_t PrimaryKey = 0;   // value of the primary sort-key word
  std::int16_t SecondaryKey = 0; // value of the secondary sort-key word
  std::int32_t NumSamples = 0;   // this trace's own word 58 (guards short traces)
  std::int16_t BytesPerSample = 0;
};

// One velocity-scan panel: a run of data traces closed by a separator trace.
struct PanelEntry {
  std::int16_t FirstCdp = 0;
  std::int16_t LastCdp = 0;
  std::int16_t Velocity = 0;     // primary-key word of the closing separator
  std::int32_t FirstTrace = 0;   // TraceDirectory index of the first trace
  std::int32_t PanelTraces = 0;  // data traces, separator not counted
  std::int16_t Left = 0;         // pixel x-range as last drawn (0,0: not on screen)
  std::int16_t Right = 0;
};

// The picks of one listed CDP. A slot whose PickVelocity is 0 is empty.
struct CdpPicks {
  std::int16_t Cdp = 0;
  std::array<std::int16_t, PicksPerCdp + 1> PickPanel{};   // slots 1..20, 0 unused
  std::array<float, PicksPerCdp + 1> PickTime{};           // ms
  std::array<std::int16_t, PicksPerCdp + 1> PickVelocity{};
};

struct AppState {
  // Trace buffers and file.
  std::array<std::int16_t, 121> TraceHeader{};  // words 1..120, 0 unused
  Array1<float> TraceSamples;
  Array1<std::int16_t> RawSamples16;
  std::int16_t BytesPerSample = 0;
  std::int32_t TraceDataBytes = 0;
  std::int32_t NumSamples = 0;
  std::int32_t SampleInterval = 0;
  std::int16_t DataType = 0;
  std::string DataTypeText;
  int TraceFileHandle = -1;
  std::string DataFileName;
  std::int32_t TraceCount = 0;
  std::int16_t MinKey = 0;
  std::int16_t MaxKey = 0;
  float MaxAmplitude = 0.0f;
  float RunningMaxAmplitude = 0.0f;

  // Trace directory: capacity starts at 110, raised to count + 110 at every
  // hundredth trace. TraceDirectory.size() is the capacity.
  Array1<TraceDirEntry> TraceDirectory;

  // Panel table (types 2 and 4): capacity 10, grows by 10.
  Array1<PanelEntry> PanelTable;
  std::int32_t PanelCount = 0;

  // CDP list and picks. CdpList is sized to the CDPs found: more than 40 are
  // kept rather than dropped.
  Array1<float> CdpList;
  std::int32_t CdpCount = 0;
  std::int32_t CurrentCdp = 0;
  Array1<CdpPicks> PickTable;

  // Display settings.
  float TraceSpacing = 10.0f;
  float TraceLengthSetting = 100.0f;
  float SamplingRatio = 1.0f;
  float DataDivisor = 10.0f;
  std::int16_t AreaFillFlag = 0;
  std::int16_t NormalizeFlag = 0;
  std::int16_t GraphicsSaveFlag = 0;
  float DisplayTimeLength = 0.0f;
  std::int16_t PlotLeft = 50;
  std::int16_t PlotTop = 50;

  // Paths and text.
  std::string LastPath;
  std::string ProcessingSystemPath;
  std::string MessageText;

  // Main-window fields shared by several of its operations.
  std::string SettingsFileName;
  std::string StartDirectory;
  std::int16_t PanelDrawn = 0;
  std::int32_t ScanCounter = 0;
  // Raised by every open scan as it starts. A scan that lets events run and finds
  // it changed afterwards knows a newer open took over the state, and stops.
  std::uint32_t ScanSerial = 0;

  // Values at process start, before start-up has run.
  AppState() {
    SampleInterval = 100;
    SamplingRatio = 1.0f;
  }
};

}  // namespace tsly
