// The open scan: checks the first trace of a trace file, walks the whole file once
// into the trace directory, and for panel data (types 2 and 4) cuts the traces into
// panels, lists the distinct CDPs and makes an empty pick table.
//
// Shared by the main window's Open command and `tsly info`. Nothing here shows a
// window: every refusal comes back as a status plus the exact message box to show
// (text, title, buttons, icon); showOpenScanMessage() shows it through a Ui.
//
// What the window does around it (not done here): the file dialog, LastPath, the
// "lastpath" command to the job editor, the "FILE NOT FOUND" check, the canvas
// scroll bar, the menus and buttons, the redraw or the NMO dialog afterwards.
//
// Rules:
//  - The file is opened read-only on a handle local to the scan; AppState's
//    TraceFileHandle is closed at the start (left at -1) and never used by the
//    scan, so a handler that runs inside the progress hook can open, close or
//    rescan without touching the scan's handle.
//  - Re-entrance: if the progress hook starts another scan on the same AppState
//    (an Open during a scan), the outer scan notices when the hook returns,
//    closes its own handle and returns OpenScanStatus::Superseded without touching
//    the state again (the newer open owns it) and without a message.
//  - The file is read once, in order, in large chunks; each trace is one header
//    and one sample block. Only the first 100 traces' samples are decoded
//    (for MaxAmplitude).
//  - AppState fields written: PanelDrawn, TraceFileHandle (-1), TraceHeader,
//    BytesPerSample, TraceDataBytes, TraceSamples, RawSamples16, NumSamples,
//    SampleInterval, DataType, DataTypeText, and from the scan on TraceDirectory,
//    ScanCounter, MinKey, MaxKey, RunningMaxAmplitude, MaxAmplitude, TraceCount;
//    for types 2 and 4 PanelTable, PanelCount, CdpList, CdpCount, PickTable,
//    CurrentCdp (= 1). A scan that fails part-way keeps what it had replaced
//    (the partly rebuilt TraceDirectory, the previous TraceCount).
//  - Tables: TraceDirectory capacity 110, raised to ScanCounter + 110 at every
//    hundredth trace; PanelTable capacity 10, raised to PanelCount + 10 when the
//    count reaches it. CdpList and PickTable are sized to the CDPs found: more
//    than 40 distinct CDPs are all kept. Counts and trace indexes are 32-bit, so
//    files with more than 32767 traces index and panel normally.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Ui.h"
#include "shared/State.h"
#include "shared/Texts.h"

namespace tsly {

enum class OpenScanStatus {
  Ok,               // tables built; see dataType for what the window does next
  OpenFailed,       // "Error opening file"
  HeaderShort,      // first header shorter than 240 bytes: "Error reading trace header"
  FirstCorrupt,     // first trace N x B < 2: "Data appears corrupt. Can not continue" (exclamation)
  BadDataType,      // word 1 not 1..4: "Only CDP-gather/stacked or Velocity data can be processed."
  KeyWordInvalid,   // type 3: word 3 names no header word 1..120 (see keyWordMessage)
  TraceCorrupt,     // a later trace N x B < 2: "Data appears corrupt. Can not continue" (no icon)
  SamplesShort,     // a sample block shorter than declared: "Error reading trace data"
  NoPanels,         // types 2 and 4 without a closed panel: "This data is not valid ..."
  Superseded,       // another open started inside the progress hook; no message
};

// One message box as the window shows it. Empty title: the application title.
struct ScanMessage {
  std::string text;
  std::string title;
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::None;
};

// What the first trace told (steps the window mirrors in tslyfile and its menus).
struct FirstTraceInfo {
  std::string label3;     // tslyfile Label3: the file name
  std::string label2;     // tslyfile Label2: samples, interval, data type text, each line + CrLf
  std::int16_t dataType;  // header word 1 of the first trace
};

struct OpenScanHooks {
  // After the first trace was read and accepted as long enough (before the
  // data-type refusal): the window fills tslyfile's Label3 and Label2 and sets
  // its menus (type 1: editsele off, editnmo on; type 2: editsele on, editnmo off;
  // editnmo is disabled first in every case).
  std::function<void(const FirstTraceInfo&)> firstTrace;
  // Busy cursor on (true) when the scan starts, off (false) when it ends or fails.
  std::function<void(bool)> busy;
  // Every hundredth trace, with ScanCounter: the window shows tslyfile (not
  // modal), sets its Label1 to progressText(scanCounter) and lets events run.
  // AppState.ScanCounter, MinKey, MaxKey and RunningMaxAmplitude are current.
  std::function<void(std::int32_t scanCounter)> progress;
  // The scan is over (success or failure after the scan started): hide tslyfile.
  std::function<void()> scanEnded;
};

struct OpenScanResult {
  OpenScanStatus status = OpenScanStatus::OpenFailed;
  ScanMessage message;            // empty text for Ok and Superseded
  std::int16_t dataType = 0;      // word 1 of the first trace (when it was read)
  std::int32_t failedTrace = 0;   // 1-based index of the trace that failed, when one did
  bool ok() const { return status == OpenScanStatus::Ok; }
  // Panel data (types 2 and 4) was indexed: draw it. Otherwise (1, 3) gather data.
  bool isPanelData() const { return dataType == 2 || dataType == 4; }
};

// Runs the open of st.DataFileName from closing the previous handle to the
// empty pick table. Never throws; never shows a message itself.
OpenScanResult openScan(AppState& st, const OpenScanHooks& hooks = {});

// The check the Open command makes before the scan: does a file (not a folder)
// of that name exist? If not, fileNotFoundMessage() is shown ("FILE NOT FOUND",
// information icon, title "FILE ERROR") and nothing else happens.
bool dataFileExists(const std::string& path);
ScanMessage fileNotFoundMessage();

// Shows result.message through ui when it has text (does nothing otherwise).
void showOpenScanMessage(Ui& ui, const OpenScanResult& result);

// tslyfile Label1 during the scan: number text of n + " Traces Processed".
std::string progressText(std::int32_t scanCounter);
// tslyfile Label2 as built by the open (both lines, each followed by CrLf).
std::string fileInfoLabel2(std::int32_t numSamples, std::int32_t sampleInterval,
                           const std::string& dataTypeText);
// tslyfile Label1 after "File Info": "First CDP - " + n + " Last CDP - " + n + CrLf.
std::string cdpRangeText(std::int16_t minKey, std::int16_t maxKey);

// The exact message texts, named once.
namespace scanmsg {
inline constexpr const char* OpenFailed = ErrorOpeningFileText;
inline constexpr const char* HeaderShort = "Error reading trace header";
inline constexpr const char* Corrupt = "Data appears corrupt. Can not continue";
inline constexpr const char* BadDataType = "Only CDP-gather/stacked or Velocity data can be processed.";
inline constexpr const char* BadDataTypeTitle = "TSLY data type error";
inline constexpr const char* SamplesShort = "Error reading trace data";
inline constexpr const char* NoPanelsTitle = "TSLY-NOT TSLY DATA";
inline constexpr const char* FileNotFound = "FILE NOT FOUND";
inline constexpr const char* FileNotFoundTitle = "FILE ERROR";
inline constexpr const char* KeyWordTitle = "TSLY data type error";
// "This data is not valid velocity scan data" + CrLf + "Please try a different data set."
std::string noPanelsText();
// Type 3 whose header word 3 does not name a header word 1..120.
std::string keyWordText(int keyWord);
}  // namespace scanmsg

}  // namespace tsly
