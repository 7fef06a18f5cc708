// The open scan: first-trace checks, the trace directory, panels, CDP list,
// picks; and the bad-file corpus: every damaged file refused with its message
// by the scan and by `tsly info` alike, unusual but whole files opened and
// drawn without a message.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "open/core/OpenScan.h"
#include "platform/RawFile.h"
#include "platform/TextFiles.h"
#include "shared/FileUtil.h"
#include "support/DisplayRig.h"
#include "support/Programs.h"
#include "support/TraceFileBuilder.h"

using namespace tsly;
using namespace tsly::test;

namespace {

OpenScanResult scanFile(AppState& st, const std::string& path, const OpenScanHooks& hooks = {}) {
  st.DataFileName = path;
  return openScan(st, hooks);
}

// The scan of the file b makes, written into a folder of its own.
OpenScanResult scanFile(AppState& st, const TraceFileBuilder& b, const OpenScanHooks& hooks = {}) {
  TempDir d;
  b.writeTo(d.file("scan.dat"));
  return scanFile(st, d.file("scan.dat"), hooks);
}

// Five panels of CDPs 101..103 at five velocities: 20 traces.
TraceFileBuilder twentyTraces() {
  TraceFileBuilder b(4);
  for (int v : {1500, 1750, 2000, 2250, 2500}) b.panel(101, 3, v);
  return b;
}

Box boxOf(const ScanMessage& m) { return {m.text, m.title, m.buttons, m.icon}; }

void expectMessage(const OpenScanResult& r, OpenScanStatus status, const std::string& text,
                   const std::string& title, Icon icon) {
  EXPECT_EQ(r.status, status);
  EXPECT_EQ(boxOf(r.message), (Box{text, title, Buttons::Ok, icon}));
}

// `tsly info PATH`, when tsly has been built beside the tests: it ends by
// exit() with `code`, printing `output` unless that is empty.
void expectTslyInfo(const std::string& path, int code, const std::string& output = "") {
  const std::string tsly = builtProgram("tsly/tsly");
  if (tsly.empty()) return;
  const ProgramRun r = runCommand("'" + tsly + "' info '" + path + "'");
  EXPECT_TRUE(r.exited) << "tsly info died on " << path;
  EXPECT_EQ(r.code, code) << r.output;
  if (!output.empty()) {
    EXPECT_EQ(r.output, output);
  }
}

// The message as tsly prints it (CR LF line breaks become LF).
std::string terminal(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out.push_back(text[i]);
  return out;
}

// The panels redrawn and paged through once: no message.
void expectDrawnQuietly(const AppState& st) {
  DisplayRig r;
  r.s = st;
  r.display.refresh();
  for (int k = 0; k < st.CdpCount + 1; ++k) r.display.nextPanel();
  EXPECT_TRUE(r.ui.boxes.empty()) << r.ui.boxes[0].text;
}

}  // namespace

TEST(OpenScan, TwentyTraceVelocityScan) {
  TempDir d;
  twentyTraces().writeTo(d.file("scan.nmo"));
  AppState st;
  auto r = scanFile(st, d.file("scan.nmo"));
  ASSERT_TRUE(r.ok()) << r.message.text;
  EXPECT_TRUE(r.message.text.empty());
  EXPECT_EQ(r.dataType, 4);
  EXPECT_TRUE(r.isPanelData());
  EXPECT_EQ(st.TraceCount, 20);
  EXPECT_EQ(st.ScanCounter, 1);
  EXPECT_EQ(st.PanelCount, 5);
  EXPECT_EQ(st.PanelTable.size(), 10u);
  const auto& p1 = st.PanelTable[1];
  EXPECT_EQ(p1.FirstCdp, 101);
  EXPECT_EQ(p1.LastCdp, 103);
  EXPECT_EQ(p1.FirstTrace, 1);
  EXPECT_EQ(p1.PanelTraces, 3);
  EXPECT_EQ(p1.Velocity, 1500);
  EXPECT_EQ(st.PanelTable[2].FirstTrace, 5);
  EXPECT_EQ(st.PanelTable[2].Velocity, 1750);
  EXPECT_EQ(st.PanelTable[5].FirstTrace, 17);
  EXPECT_EQ(st.PanelTable[5].Velocity, 2500);
  EXPECT_EQ(st.CdpCount, 1);
  ASSERT_EQ(st.CdpList.size(), 1u);
  EXPECT_EQ(st.CdpList[1], 101.0f);
  ASSERT_EQ(st.PickTable.size(), 1u);
  EXPECT_EQ(st.PickTable[1].Cdp, 101);
  for (int s = 1; s <= PicksPerCdp; ++s) EXPECT_EQ(st.PickTable[1].PickVelocity[s], 0);
  EXPECT_EQ(st.CurrentCdp, 1);
  // Separators (word 12 = velocity) never count as keys.
  EXPECT_EQ(st.MinKey, 101);
  EXPECT_EQ(st.MaxKey, 103);
  EXPECT_EQ(st.NumSamples, 50);
  EXPECT_EQ(st.SampleInterval, 4000);
  EXPECT_EQ(st.DataTypeText, " Velocity Scan Data");
  EXPECT_EQ(st.TraceFileHandle, -1);
  EXPECT_EQ(st.PanelDrawn, 0);
  // Directory entries: positions, ids, keys, each trace's own length.
  EXPECT_EQ(st.TraceDirectory.size(), 110u);
  for (int i = 1; i <= 20; ++i) {
    EXPECT_EQ(st.TraceDirectory[i].FilePos, static_cast<std::int64_t>(i - 1) * (240 + 200));
    EXPECT_EQ(st.TraceDirectory[i].NumSamples, 50);
    EXPECT_EQ(st.TraceDirectory[i].BytesPerSample, 4);
  }
  EXPECT_EQ(st.TraceDirectory[4].TraceId, 9);
  EXPECT_EQ(st.TraceDirectory[4].PrimaryKey, 1500);
  EXPECT_EQ(st.TraceDirectory[5].PrimaryKey, 101);
}

TEST(OpenScan, CdpListKeepsOrderOfFirstAppearance) {
  TraceFileBuilder b(2);
  for (int first : {101, 101, 106, 106, 101}) b.panel(first, 2, 2000);
  AppState st;
  ASSERT_TRUE(scanFile(st, b).ok());
  EXPECT_EQ(st.PanelCount, 5);
  ASSERT_EQ(st.CdpCount, 2);
  EXPECT_EQ(st.CdpList[1], 101.0f);
  EXPECT_EQ(st.CdpList[2], 106.0f);
  EXPECT_EQ(st.PickTable[1].Cdp, 101);
  EXPECT_EQ(st.PickTable[2].Cdp, 106);
  EXPECT_EQ(st.PanelTable[3].FirstCdp, 106);
  EXPECT_EQ(st.PanelTable[3].LastCdp, 107);
}

TEST(OpenScan, TrailingTracesWithoutSeparatorBelongToNoPanel) {
  TraceFileBuilder b(4);
  b.panel(101, 3, 1500).dataTrace(104).dataTrace(105);
  AppState st;
  ASSERT_TRUE(scanFile(st, b).ok());
  EXPECT_EQ(st.TraceCount, 6);
  EXPECT_EQ(st.PanelCount, 1);
  EXPECT_EQ(st.PanelTable[1].PanelTraces, 3);
  EXPECT_EQ(st.MaxKey, 105);  // still counted for the CDP range
}

TEST(OpenScan, SeparatorAsVeryLastTraceReadsNothingBeyondTheTable) {
  // Exactly 110 traces (the directory capacity after 100 is 210; at 110 traces
  // the old table would have been read at 111).
  TraceFileBuilder b(4);
  for (int k = 0; k < 10; ++k) b.panel(200 + k, 10, 1000 + 100 * k);
  ASSERT_EQ(b.traceCount(), 110u);
  AppState st;
  ASSERT_TRUE(scanFile(st, b).ok());
  EXPECT_EQ(st.TraceCount, 110);
  EXPECT_EQ(st.PanelCount, 10);
  EXPECT_EQ(st.PanelTable[10].Velocity, 1900);
  EXPECT_EQ(st.PanelTable[10].LastCdp, 218);
  // The entry opened after the last separator has no trace behind it.
  EXPECT_EQ(st.PanelTable[11].FirstCdp, 0);
  EXPECT_EQ(st.PanelTable[11].FirstTrace, 111);
  EXPECT_EQ(st.CdpCount, 10);
}

TEST(OpenScan, PanelTableGrowsByTen) {
  TraceFileBuilder b(4);
  for (int k = 0; k < 25; ++k) b.panel(300, 1, 1000 + k);
  AppState st;
  ASSERT_TRUE(scanFile(st, b).ok());
  EXPECT_EQ(st.PanelCount, 25);
  EXPECT_EQ(st.PanelTable.size(), 30u);  // 10 -> 20 at 10 entries -> 30 at 20
  EXPECT_EQ(st.PanelTable[25].Velocity, 1024);
  EXPECT_EQ(st.PanelTable[25].FirstTrace, 49);
}

TEST(OpenScan, MoreThanFortyCdpsAreAllKept) {
  TraceFileBuilder b(4);
  for (int k = 0; k < 45; ++k) b.panel(1000 + 5 * k, 2, 1800);
  AppState st;
  ASSERT_TRUE(scanFile(st, b).ok());
  ASSERT_EQ(st.CdpCount, 45);
  ASSERT_EQ(st.CdpList.size(), 45u);
  ASSERT_EQ(st.PickTable.size(), 45u);
  EXPECT_EQ(st.CdpList[41], 1200.0f);
  EXPECT_EQ(st.PickTable[41].Cdp, 1200);
  EXPECT_EQ(st.PickTable[45].Cdp, 1220);
}

TEST(OpenScan, TwoHundredFiftyTracesReportProgressAndLeaveRoomFor310) {
  TempDir d;
  TraceFileBuilder b(1);
  for (int k = 0; k < 250; ++k) b.dataTrace(500 + k / 10);
  b.writeTo(d.file("g.dat"));
  AppState st;
  std::vector<std::string> labels;
  std::vector<std::size_t> capacities;
  OpenScanHooks hooks;
  hooks.progress = [&](std::int32_t n) {
    labels.push_back(progressText(n));
    capacities.push_back(st.TraceDirectory.size());
    EXPECT_EQ(st.ScanCounter, n);
  };
  auto r = scanFile(st, d.file("g.dat"), hooks);
  ASSERT_TRUE(r.ok());
  EXPECT_FALSE(r.isPanelData());
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels[0], " 100 Traces Processed");
  EXPECT_EQ(labels[1], " 200 Traces Processed");
  EXPECT_EQ(capacities[0], 210u);
  EXPECT_EQ(capacities[1], 310u);
  EXPECT_EQ(st.TraceDirectory.size(), 310u);
  EXPECT_EQ(st.TraceCount, 250);
  EXPECT_EQ(st.MinKey, 500);
  EXPECT_EQ(st.MaxKey, 524);
}

TEST(OpenScan, MaxAmplitudeComesFromTheFirstHundredTraces) {
  TraceFileBuilder b(1);
  for (int k = 0; k < 100; ++k) b.dataTrace(10, k == 50 ? 300.0f : 30.0f);
  b.trace(10, 1, std::vector<float>(50, -99999.0f));  // trace 101: not looked at
  AppState st;
  ASSERT_TRUE(scanFile(st, b).ok());
  EXPECT_EQ(st.TraceCount, 101);
  EXPECT_FLOAT_EQ(st.MaxAmplitude, 300.0f);
  EXPECT_FLOAT_EQ(st.RunningMaxAmplitude, 300.0f);
}

TEST(OpenScan, NegativeSamplesCountByAbsoluteValueAndTwoByteSamplesAreRead) {
  TraceFileBuilder b(1, 4, 2000, false);
  b.trace(7, 1, {1, -1234, 5, 6});
  b.floats(true).samples(3).trace(8, 1, {0.5f, 2.25f, -3.5f});
  AppState st;
  ASSERT_TRUE(scanFile(st, b).ok());
  EXPECT_FLOAT_EQ(st.MaxAmplitude, 1234.0f);
  EXPECT_EQ(st.TraceDirectory[1].BytesPerSample, 2);
  EXPECT_EQ(st.TraceDirectory[1].NumSamples, 4);
  EXPECT_EQ(st.TraceDirectory[2].FilePos, 240 + 8);
  EXPECT_EQ(st.TraceDirectory[2].BytesPerSample, 4);
  EXPECT_EQ(st.TraceDirectory[2].NumSamples, 3);
  EXPECT_EQ(st.NumSamples, 4);  // from the first trace
  EXPECT_EQ(st.BytesPerSample, 4);  // of the last trace read
}

TEST(OpenScan, MoreThan32767TracesStillIndexAndPanel) {
  TraceFileBuilder b(4, 1);
  for (int k = 0; k < 33000; ++k) b.dataTrace(1 + k % 30000);
  b.separator(2500);
  b.dataTrace(7);
  b.separator(2600);
  AppState st;
  ASSERT_TRUE(scanFile(st, b).ok());
  EXPECT_EQ(st.TraceCount, 33003);
  EXPECT_EQ(st.TraceDirectory.size(), 33110u);
  EXPECT_EQ(st.PanelCount, 2);
  EXPECT_EQ(st.PanelTable[1].PanelTraces, 33000);
  EXPECT_EQ(st.PanelTable[2].FirstTrace, 33002);
  EXPECT_EQ(st.PanelTable[2].FirstCdp, 7);
  EXPECT_EQ(st.TraceDirectory[33003].FilePos, static_cast<std::int64_t>(33002) * 244);
}

TEST(OpenScan, SpecialOrderingTakesKeysFromTheNamedWords) {
  TraceFileBuilder b(3);
  for (int k = 0; k < 4; ++k) b.dataTrace(100).header(3, 20).header(4, 21).header(20, 40 + k).header(21, 7);
  AppState st;
  auto r = scanFile(st, b);
  ASSERT_TRUE(r.ok());
  EXPECT_FALSE(r.isPanelData());
  EXPECT_EQ(st.MinKey, 40);
  EXPECT_EQ(st.MaxKey, 43);
  EXPECT_EQ(st.TraceDirectory[2].PrimaryKey, 41);
  EXPECT_EQ(st.TraceDirectory[2].SecondaryKey, 7);
}

namespace {

struct Damaged {
  const char* name;
  std::function<TraceFileBuilder()> file;
  OpenScanStatus status;
  std::string text, title;
  Icon icon;
  int failedTrace;  // 0: not looked at
};

TraceFileBuilder bytes(std::size_t n, unsigned char b) {
  return std::move(TraceFileBuilder().rawBytes(std::vector<unsigned char>(n, b)));
}
TraceFileBuilder firstSamples(std::int16_t n) {
  return std::move(TraceFileBuilder(4, 10).dataTrace(101).header(WordNumSamples, n).rawBytes({1, 1, 1, 1}));
}
TraceFileBuilder keyWord(std::int16_t word) {
  return std::move(TraceFileBuilder(3, 10).dataTrace(101).header(WordLabelWord, word).dataTrace(102));
}

}  // namespace

// Each damaged file: the scan's status and box, the trace it stopped at, and
// `tsly info` printing the same text and exiting 1.
TEST(OpenScanRefusals, EachDamagedFileGivesItsMessage) {
  const std::string header = "Error reading trace header", corrupt = "Data appears corrupt. Can not continue",
                    data = "Error reading trace data", typeTitle = "TSLY data type error";
  const Damaged cases[] = {
      {"empty", [] { return bytes(0, 4); }, OpenScanStatus::HeaderShort, header, "", Icon::None, 0},
      {"1 byte", [] { return bytes(1, 4); }, OpenScanStatus::HeaderShort, header, "", Icon::None, 0},
      {"239 bytes", [] { return bytes(239, 4); }, OpenScanStatus::HeaderShort, header, "", Icon::None, 0},
      {"first trace of 0 samples", [] { return firstSamples(0); }, OpenScanStatus::FirstCorrupt, corrupt, "",
       Icon::Exclamation, 1},
      {"first trace of -1 samples", [] { return firstSamples(-1); }, OpenScanStatus::FirstCorrupt, corrupt, "",
       Icon::Exclamation, 1},
      {"first trace of -32768 samples", [] { return firstSamples(-32768); }, OpenScanStatus::FirstCorrupt, corrupt,
       "", Icon::Exclamation, 1},
      {"later trace of 0 samples",
       [] { return std::move(TraceFileBuilder(4).panel(101, 3, 1500).dataTrace(104).header(58, 0).dataTrace(105)); },
       OpenScanStatus::TraceCorrupt, corrupt, "", Icon::None, 5},
      {"4-byte block cut short", [] { return std::move(TraceFileBuilder(4).panel(101, 3, 1500).truncate(1)); },
       OpenScanStatus::SamplesShort, data, "", Icon::None, 4},
      {"2-byte block cut short",
       [] { return std::move(TraceFileBuilder(4, 50, 4000, false).panel(101, 3, 1500).truncate(1)); },
       OpenScanStatus::SamplesShort, data, "", Icon::None, 4},
      {"32767 samples declared, 1000 bytes there",
       [] { return std::move(TraceFileBuilder(4, 32767).dataTrace(101).truncate(32767 * 4 - 1000)); },
       OpenScanStatus::SamplesShort, data, "", Icon::None, 1},
      {"32767 2-byte samples after a good panel, cut",
       [] {
         return std::move(
             TraceFileBuilder(4, 20).panel(101, 2, 1500).samples(32767).floats(false).dataTrace(101).truncate(3));
       },
       OpenScanStatus::SamplesShort, data, "", Icon::None, 4},
      {"cut beyond the first hundred traces (skipped, not decoded)",
       [] {
         TraceFileBuilder b(1);
         for (int k = 0; k < 150; ++k) b.dataTrace(1);
         return std::move(b.truncate(10));
       },
       OpenScanStatus::SamplesShort, data, "", Icon::None, 150},
      {"key word 0", [] { return keyWord(0); }, OpenScanStatus::KeyWordInvalid, scanmsg::keyWordText(0), typeTitle,
       Icon::Information, 0},
      {"key word 121", [] { return keyWord(121); }, OpenScanStatus::KeyWordInvalid, scanmsg::keyWordText(121),
       typeTitle, Icon::Information, 0},
      {"key word -5", [] { return keyWord(-5); }, OpenScanStatus::KeyWordInvalid, scanmsg::keyWordText(-5),
       typeTitle, Icon::Information, 0},
      {"panel data without a separator",
       [] {
         TraceFileBuilder b(2);
         for (int k = 0; k < 6; ++k) b.dataTrace(101 + k);
         return b;
       },
       OpenScanStatus::NoPanels, scanmsg::noPanelsText(), "TSLY-NOT TSLY DATA", Icon::Information, 0},
      {"only a separator", [] { return std::move(TraceFileBuilder(4, 10).separator(1500)); }, OpenScanStatus::NoPanels,
       scanmsg::noPanelsText(), "TSLY-NOT TSLY DATA", Icon::Information, 0},
  };
  EXPECT_NE(scanmsg::keyWordText(121).find("is not a header word from 1 to 120."), std::string::npos);
  TempDir d;
  for (const Damaged& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = d.file("bad.dat");
    c.file().writeTo(path);
    AppState st;
    bool firstTraceSeen = false;
    OpenScanHooks hooks;
    hooks.firstTrace = [&](const FirstTraceInfo&) { firstTraceSeen = true; };
    const OpenScanResult r = scanFile(st, path, hooks);
    expectMessage(r, c.status, c.text, c.title, c.icon);
    if (c.failedTrace) {
      EXPECT_EQ(r.failedTrace, c.failedTrace);
    }
    if (c.status == OpenScanStatus::FirstCorrupt) {
      EXPECT_FALSE(firstTraceSeen);
    }
    expectTslyInfo(path, 1, terminal(c.text) + "\n");
  }
}

// A refused scan keeps the trace count it found and ends its busy and scan hooks.
TEST(OpenScanRefusals, AFailedScanKeepsTheCountAndEndsItsHooks) {
  TempDir d;
  TraceFileBuilder(4).panel(101, 3, 1500).dataTrace(104).header(58, 0).dataTrace(105).writeTo(d.file("c.dat"));
  AppState st;
  st.TraceCount = 42;
  int busyOn = 0, busyOff = 0, ended = 0;
  OpenScanHooks hooks;
  hooks.busy = [&](bool on) { (on ? busyOn : busyOff)++; };
  hooks.scanEnded = [&] { ++ended; };
  EXPECT_EQ(scanFile(st, d.file("c.dat"), hooks).status, OpenScanStatus::TraceCorrupt);
  EXPECT_EQ(busyOn, 1);
  EXPECT_EQ(busyOff, 1);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(st.TraceCount, 42);                // the previous count stays
  EXPECT_EQ(st.TraceDirectory[4].TraceId, 9);  // the partly rebuilt directory stays
}

// Unusual but whole files: opened, drawn and paged through without a message;
// `tsly info` exits 0.
TEST(OpenScan, UnusualButWholeFilesOpen) {
  TempDir d;
  const std::string path = d.file("odd.dat");
  {  // The largest count word 58 can hold.
    TraceFileBuilder(4, 32767).panel(101, 1, 1500).writeTo(path);
    AppState st;
    ASSERT_TRUE(scanFile(st, path).ok());
    EXPECT_EQ(st.TraceDirectory[2].FilePos, 240 + 32767 * 4);
  }
  {  // Sample widths and lengths changing inside one panel: each trace reads back alone with its own.
    TraceFileBuilder b(4, 30);
    b.dataTrace(101, 50).floats(false).samples(7).dataTrace(102, 50).floats(true).samples(3).dataTrace(103, 50);
    b.floats(false).samples(30).separator(1500).writeTo(path);
    AppState st;
    ASSERT_TRUE(scanFile(st, path).ok());
    ASSERT_EQ(st.TraceCount, 4);
    const int lengths[] = {30, 7, 3, 30}, bytesEach[] = {4, 2, 4, 2};
    int h = OpenTraceForReading(path);
    ASSERT_GT(h, 0);
    HeaderArray hdr{};
    std::vector<float> s;
    std::vector<unsigned char> scratch;
    std::int64_t at = 0;
    for (std::size_t i = 1; i <= 4; ++i) {
      EXPECT_EQ(st.TraceDirectory[i].FilePos, at);
      ASSERT_EQ(readTraceAt(h, at, hdr, s, scratch), TraceReadStatus::Ok);
      EXPECT_EQ(static_cast<int>(s.size()), lengths[i - 1]);
      at += 240 + lengths[i - 1] * bytesEach[i - 1];
    }
    rawClose(h);
    expectDrawnQuietly(st);
    expectTslyInfo(path, 0);
  }
  {  // A separator first: it opens nothing, the first "panel" counts it as its first trace.
    TraceFileBuilder(4, 10).separator(1400).panel(101, 2, 1500).panel(101, 2, 1600).writeTo(path);
    AppState st;
    ASSERT_TRUE(scanFile(st, path).ok());
    EXPECT_EQ(st.PanelCount, 2);
    EXPECT_EQ(st.PanelTable[1].FirstTrace, 1);
    EXPECT_EQ(st.PanelTable[1].PanelTraces, 3);
    EXPECT_EQ(st.PanelTable[2].FirstTrace, 5);
    EXPECT_EQ(st.PanelTable[2].PanelTraces, 2);
    expectDrawnQuietly(st);
  }
  {  // 100,000 separators of one 2-byte sample each (24 MB); separators never set the key range.
    HeaderArray h{};
    h[WordDataType] = DataVelocityScan;
    h[WordTraceCode] = TraceCodeSeparator;
    h[WordNumSamples] = 1;
    h[WordSampleInterval] = 4000;
    TraceFileBuilder seps;
    for (int i = 0; i < 100000; ++i) {
      h[WordCdp] = static_cast<std::int16_t>(1500 + i % 7);
      seps.trace(h, {});
    }
    seps.writeTo(path);
    AppState st;
    const OpenScanResult r = scanFile(st, path);
    ASSERT_TRUE(r.ok()) << r.message.text;
    EXPECT_EQ(st.TraceCount, 100000);
    EXPECT_EQ(st.PanelCount, 99999);
    EXPECT_EQ(st.MinKey, 32767);
    EXPECT_EQ(st.MaxKey, 0);
    EXPECT_EQ(st.CdpCount, 7);
    expectDrawnQuietly(st);
    expectTslyInfo(path, 0);
  }
}

TEST(OpenScan, SecondaryKeyWordOutsideTheHeaderReadsAsZero) {
  TempDir d;
  for (std::int16_t word : {0, 121, 500}) {
    TraceFileBuilder(3, 10).dataTrace(101).header(WordLabelWord, WordCdp).header(WordSecondaryWord, word).dataTrace(102)
        .writeTo(d.file("t3.dat"));
    AppState st;
    ASSERT_TRUE(scanFile(st, d.file("t3.dat")).ok()) << word;
    EXPECT_EQ(st.TraceDirectory[1].PrimaryKey, 101);
    EXPECT_EQ(st.TraceDirectory[1].SecondaryKey, 0);
    EXPECT_EQ(st.TraceDirectory[2].PrimaryKey, 102);
  }
}

TEST(OpenScanRefusals, FileThatCannotBeOpened) {
  TempDir d;
  AppState st;
  expectMessage(scanFile(st, d.file("missing.dat")), OpenScanStatus::OpenFailed, "Error opening file", "",
                Icon::None);
  expectMessage(scanFile(st, d.path()), OpenScanStatus::OpenFailed, "Error opening file", "", Icon::None);
  expectMessage(scanFile(st, ""), OpenScanStatus::OpenFailed, "Error opening file", "", Icon::None);
  EXPECT_FALSE(dataFileExists(d.path()));
  EXPECT_FALSE(dataFileExists(d.file("missing.dat")));
  writeFile(d.file("plain.dat"), "x");
  EXPECT_FALSE(dataFileExists(d.file("plain.dat/inner.dat")));
  EXPECT_EQ(boxOf(fileNotFoundMessage()), (Box{"FILE NOT FOUND", "FILE ERROR", Buttons::Ok, Icon::Information}));
}

TEST(OpenScanRefusals, UnknownDataTypesAfterTheFirstTraceIsShown) {
  TempDir d;
  for (int type : {0, 5, -1, 21930}) {
    TraceFileBuilder b(type);
    b.panel(101, 3, 1500);
    b.writeTo(d.file("t.dat"));
    AppState st;
    st.TraceCount = 77;
    FirstTraceInfo seen{};
    OpenScanHooks hooks;
    hooks.firstTrace = [&](const FirstTraceInfo& i) { seen = i; };
    auto r = scanFile(st, d.file("t.dat"), hooks);
    expectMessage(r, OpenScanStatus::BadDataType, "Only CDP-gather/stacked or Velocity data can be processed.",
                  "TSLY data type error", Icon::Information);
    EXPECT_EQ(seen.dataType, static_cast<std::int16_t>(type));
    EXPECT_EQ(seen.label3, d.file("t.dat"));
    EXPECT_EQ(seen.label2, " 50 Samples  4000 microsec/sample\r\n" + dataTypeText(static_cast<std::int16_t>(type)) + "\r\n");
    EXPECT_EQ(st.DataType, static_cast<std::int16_t>(type));  // first-trace values stay changed
    EXPECT_EQ(st.TraceCount, 77);                              // no scan ran
  }
}

TEST(OpenScan, MessagesShowThroughTheDialogInterface) {
  ScriptedUi ui;
  OpenScanResult ok;
  ok.status = OpenScanStatus::Ok;
  showOpenScanMessage(ui, ok);
  EXPECT_TRUE(ui.boxes.empty());
  TempDir d;
  AppState st;
  showOpenScanMessage(ui, scanFile(st, d.file("none")));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(Box(ui.boxes[0]), (Box{"Error opening file", "Tessaly", Buttons::Ok, Icon::None}));
}

TEST(OpenScan, GatherAfterPanelsKeepsPanelsCdpsAndPicks) {
  TempDir d;
  twentyTraces().writeTo(d.file("scan.nmo"));
  TraceFileBuilder g(1);
  for (int k = 0; k < 12; ++k) g.dataTrace(900 + k / 4);
  g.writeTo(d.file("gather.dat"));
  AppState st;
  ASSERT_TRUE(scanFile(st, d.file("scan.nmo")).ok());
  st.PickTable[1].PickVelocity[1] = 1750;
  auto r = scanFile(st, d.file("gather.dat"));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.dataType, 1);
  EXPECT_EQ(st.TraceCount, 12);
  EXPECT_EQ(st.PanelCount, 5);
  EXPECT_EQ(st.CdpCount, 1);
  EXPECT_EQ(st.PickTable[1].PickVelocity[1], 1750);
  // A new velocity-scan open empties the picks.
  ASSERT_TRUE(scanFile(st, d.file("scan.nmo")).ok());
  EXPECT_EQ(st.PickTable[1].PickVelocity[1], 0);
}

TEST(OpenScan, ClosesTheHandleTheStateHeldAndKeepsItsOwn) {
  TempDir d;
  twentyTraces().writeTo(d.file("scan.nmo"));
  AppState st;
  st.TraceFileHandle = rawOpen(d.file("scan.nmo"), RawAccess::ReadOnly);
  ASSERT_GT(st.TraceFileHandle, 0);
  ASSERT_TRUE(scanFile(st, d.file("scan.nmo")).ok());
  EXPECT_EQ(st.TraceFileHandle, -1);
}

TEST(OpenScan, ReadOnlyFilesOpen) {
  TempDir d;
  twentyTraces().writeTo(d.file("ro.nmo"));
  ASSERT_EQ(::chmod(d.file("ro.nmo").c_str(), 0444), 0);
  AppState st;
  EXPECT_TRUE(scanFile(st, d.file("ro.nmo")).ok());
}

TEST(OpenScan, AnOpenInsideTheProgressHookSupersedesTheRunningScan) {
  TempDir d;
  TraceFileBuilder big(1);
  for (int k = 0; k < 450; ++k) big.dataTrace(1 + k / 10);
  big.writeTo(d.file("big.dat"));
  twentyTraces().writeTo(d.file("scan.nmo"));
  AppState st;
  int calls = 0;
  OpenScanResult inner;
  OpenScanHooks hooks;
  hooks.progress = [&](std::int32_t n) {
    ++calls;
    if (n == 200) {
      st.DataFileName = d.file("scan.nmo");
      inner = openScan(st);  // the user opened another file meanwhile
    }
  };
  auto outer = scanFile(st, d.file("big.dat"), hooks);
  EXPECT_EQ(outer.status, OpenScanStatus::Superseded);
  EXPECT_TRUE(outer.message.text.empty());
  EXPECT_EQ(calls, 2);
  ASSERT_TRUE(inner.ok());
  // The state is the newer file's, untouched by the outer scan afterwards.
  EXPECT_EQ(st.DataFileName, d.file("scan.nmo"));
  EXPECT_EQ(st.TraceCount, 20);
  EXPECT_EQ(st.PanelCount, 5);
  EXPECT_EQ(st.DataType, 4);
  EXPECT_EQ(st.TraceDirectory.size(), 110u);
}

TEST(OpenScan, HooksThatOnlyLetEventsRunDoNotDisturbTheScan) {
  TempDir d;
  TraceFileBuilder big(1);
  for (int k = 0; k < 300; ++k) big.dataTrace(1 + k / 10);
  big.writeTo(d.file("big.dat"));
  AppState st;
  OpenScanHooks hooks;
  // Another handler closes "whatever handle the state holds" meanwhile.
  hooks.progress = [&](std::int32_t) { rawClose(st.TraceFileHandle); };
  auto r = scanFile(st, d.file("big.dat"), hooks);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(st.TraceCount, 300);
}

TEST(OpenScanTexts, LabelsOfTheFileInformationWindow) {
  EXPECT_EQ(fileInfoLabel2(500, 4000, " CDP Gather Data"), " 500 Samples  4000 microsec/sample\r\n CDP Gather Data\r\n");
  EXPECT_EQ(fileInfoLabel2(-1, 0, " !Unknown data type!"), "-1 Samples  0 microsec/sample\r\n !Unknown data type!\r\n");
  EXPECT_EQ(progressText(100), " 100 Traces Processed");
  EXPECT_EQ(cdpRangeText(0, 0), "First CDP -  0 Last CDP -  0\r\n");
  EXPECT_EQ(cdpRangeText(101, 140), "First CDP -  101 Last CDP -  140\r\n");
  EXPECT_EQ(cdpRangeText(-3, 32767), "First CDP - -3 Last CDP -  32767\r\n");
}

TEST(OpenScan, ArbitraryBytesNeverCrashTheScan) {
  TempDir d;
  std::uint64_t s = 88172645463325252ull;
  auto next = [&] {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<unsigned char> bytes(next() % 6000);
    for (auto& b : bytes) b = static_cast<unsigned char>(next());
    if (bytes.size() >= 240) {
      bytes[0] = static_cast<unsigned char>(1 + next() % 4);  // a data type the scan accepts
      bytes[1] = 0;
      bytes[114] = static_cast<unsigned char>(next() % 40);  // short traces: many per file
      bytes[115] = 0;
      bytes[4] = static_cast<unsigned char>(next() % 130);  // type 3: key word, in or out of range
      bytes[5] = 0;
    }
    TraceFileBuilder b;
    b.rawBytes(bytes);
    b.writeTo(d.file("r.dat"));
    AppState st;
    auto r = scanFile(st, d.file("r.dat"));
    if (r.ok()) {
      EXPECT_GE(st.TraceCount, 1);
      EXPECT_GT(st.TraceDirectory.size(), static_cast<size_t>(st.TraceCount));
      if (r.isPanelData()) {
        EXPECT_GE(st.PanelCount, 1);
        EXPECT_EQ(st.PickTable.size(), static_cast<size_t>(st.CdpCount));
      }
    } else {
      EXPECT_FALSE(r.message.text.empty());
    }
  }
}

TEST(OpenScanRefusals, OnlyRegularFilesAreOpened) {
  TempDir d;
  ASSERT_EQ(::mkfifo(d.file("pipe").c_str(), 0600), 0);
  AppState st;
  // A FIFO without a writer must neither block nor be read.
  expectMessage(scanFile(st, d.file("pipe")), OpenScanStatus::OpenFailed, "Error opening file", "", Icon::None);
  expectMessage(scanFile(st, "/etc/passwd/x"), OpenScanStatus::OpenFailed, "Error opening file", "", Icon::None);
  expectMessage(scanFile(st, "/dev/null"), OpenScanStatus::OpenFailed, "Error opening file", "", Icon::None);
  EXPECT_EQ(rawOpen(d.file("pipe"), RawAccess::ReadWrite), -1);
  TextFiles files;
  EXPECT_EQ(files.open(d.file("pipe"), 2, 1), 75);
}

TEST(OpenScanRefusals, FileWithoutReadPermission) {
  TempDir d;
  const std::string path = d.file("locked.dat");
  TraceFileBuilder(4, 10).panel(101, 2, 1500).writeTo(path);
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  const int probe = ::open(path.c_str(), O_RDONLY);
  if (probe >= 0) {
    ::close(probe);
    GTEST_SKIP() << "running as a user who can read a file with mode 000 (root): an unreadable file "
                    "can not be made here";
  }
  EXPECT_TRUE(dataFileExists(path));
  AppState st;
  expectMessage(scanFile(st, path), OpenScanStatus::OpenFailed, "Error opening file", "", Icon::None);
  expectTslyInfo(path, 1, "Error opening file\n");
}
