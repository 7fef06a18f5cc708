// The bad-file corpus: damaged and unusual trace files through the open scan,
// the redraw's single-trace reads, `tsly info` and panel generation. Each must
// give its message and keep running; generation never touches its input.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "display/core/PanelDisplay.h"
#include "generation/core/Generation.h"
#include "open/core/OpenScan.h"
#include "platform/RawFile.h"
#include "shared/FileUtil.h"
#include "shared/Settings.h"
#include "support/RecordingCanvas.h"
#include "support/RecordingHost.h"
#include "support/ScriptedUi.h"
#include "support/TraceFileBuilder.h"

using namespace tsly;
using tsly::test::RecordingCanvas;
using tsly::test::RecordingHost;
using tsly::test::ScriptedUi;
using tsly::test::TempDir;
using tsly::test::TraceFileBuilder;

namespace {

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct CliRun {
  bool ran = false;      // the program exists and was started
  bool exited = false;   // ended by exit(), not by a signal
  int code = -1;
  std::string output;    // stdout and stderr together
};

// `tsly info PATH`, when the tsly program has been built beside the tests.
CliRun tslyInfo(const std::string& path) {
  CliRun r;
  const char* dir = std::getenv("TESSALY_BIN_DIR");
  if (!dir) return r;
  const std::string exe = std::string(dir) + "/tsly/tsly";
  if (::access(exe.c_str(), X_OK) != 0) return r;
  const std::string cmd = "'" + exe + "' info '" + path + "' 2>&1";
  std::FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  r.ran = true;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
  const int st = ::pclose(p);
  r.exited = WIFEXITED(st);
  r.code = r.exited ? WEXITSTATUS(st) : -1;
  return r;
}

OpenScanResult scan(AppState& st, const std::string& path) {
  st.DataFileName = path;
  return openScan(st);
}

// The message as tsly prints it (CR LF line breaks become LF).
std::string terminal(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out.push_back(text[i]);
  return out;
}

// Open and tsly info both refuse the file with `text`; tsly exits 1 normally.
void expectRefused(const std::string& path, OpenScanStatus status, const std::string& text) {
  AppState st;
  const OpenScanResult r = scan(st, path);
  EXPECT_EQ(r.status, status) << path;
  EXPECT_EQ(r.message.text, text);
  const CliRun c = tslyInfo(path);
  if (c.ran) {
    EXPECT_TRUE(c.exited) << "tsly info died on " << path;
    EXPECT_EQ(c.code, 1);
    EXPECT_EQ(c.output, terminal(text) + "\n");
  }
}

// Open and tsly info accept the file; tsly exits 0.
void expectAccepted(const std::string& path) {
  const CliRun c = tslyInfo(path);
  if (c.ran) {
    EXPECT_TRUE(c.exited);
    EXPECT_EQ(c.code, 0) << c.output;
  }
}

}  // namespace

TEST(OpenBadFiles, TooShortForOneHeader) {
  TempDir d;
  for (std::size_t n : {0u, 1u, 239u}) {
    const std::string path = d.file("short" + std::to_string(n) + ".dat");
    writeBytes(path, std::string(n, '\x04'));
    expectRefused(path, OpenScanStatus::HeaderShort, "Error reading trace header");
  }
}

TEST(OpenBadFiles, SampleCountZeroOrNegative) {
  TempDir d;
  for (std::int16_t n : {std::int16_t{0}, std::int16_t{-1}, std::int16_t{-32768}}) {
    const std::string path = d.file("n" + std::to_string(n) + ".dat");
    TraceFileBuilder b(4, 10);
    b.dataTrace(101).header(WordNumSamples, n).rawBytes(std::vector<unsigned char>(64, 1));
    b.writeTo(path);
    AppState st;
    const OpenScanResult r = scan(st, path);
    EXPECT_EQ(r.status, OpenScanStatus::FirstCorrupt);
    EXPECT_EQ(r.message.icon, Icon::Exclamation);
    expectRefused(path, OpenScanStatus::FirstCorrupt, "Data appears corrupt. Can not continue");
  }
  // The same damage in a later trace: no icon, and the first trace stays scanned.
  const std::string later = d.file("later.dat");
  TraceFileBuilder b(4, 10);
  b.panel(101, 2, 1500).dataTrace(101).header(WordNumSamples, 0);
  b.writeTo(later);
  AppState st;
  const OpenScanResult r = scan(st, later);
  EXPECT_EQ(r.status, OpenScanStatus::TraceCorrupt);
  EXPECT_EQ(r.message.icon, Icon::None);
  EXPECT_EQ(r.failedTrace, 4);
  expectRefused(later, OpenScanStatus::TraceCorrupt, "Data appears corrupt. Can not continue");
}

TEST(OpenBadFiles, LargestSampleCountWithAShortBlock) {
  TempDir d;
  // First trace: 32767 four-byte samples declared, 1000 bytes present.
  const std::string first = d.file("first.dat");
  TraceFileBuilder b(4, 32767);
  b.dataTrace(101).truncate(32767 * 4 - 1000);
  b.writeTo(first);
  expectRefused(first, OpenScanStatus::SamplesShort, "Error reading trace data");
  // The same after a good panel, and with 2-byte samples.
  const std::string later = d.file("later.dat");
  TraceFileBuilder c(4, 20);
  c.panel(101, 2, 1500).samples(32767).floats(false).dataTrace(101).truncate(3);
  c.writeTo(later);
  expectRefused(later, OpenScanStatus::SamplesShort, "Error reading trace data");
  // Complete, the same trace opens (the largest count word 58 can hold).
  const std::string whole = d.file("whole.dat");
  TraceFileBuilder w(4, 32767);
  w.panel(101, 1, 1500);
  w.writeTo(whole);
  AppState st;
  ASSERT_TRUE(scan(st, whole).ok());
  EXPECT_EQ(st.TraceDirectory[2].FilePos, 240 + 32767 * 4);
  expectAccepted(whole);
}

TEST(OpenBadFiles, SampleWidthFlipsMidFile) {
  TempDir d;
  const std::string path = d.file("flip.dat");
  TraceFileBuilder b(4, 30);
  // Alternating widths and lengths inside one panel.
  b.dataTrace(101, 50).floats(false).samples(7).dataTrace(102, 50).floats(true).samples(3).dataTrace(103, 50);
  b.floats(false).samples(30).separator(1500);
  b.writeTo(path);
  AppState st;
  ASSERT_TRUE(scan(st, path).ok());
  ASSERT_EQ(st.TraceCount, 4);
  EXPECT_EQ(st.TraceDirectory[2].FilePos, 240 + 30 * 4);
  EXPECT_EQ(st.TraceDirectory[3].FilePos, 240 + 30 * 4 + 240 + 7 * 2);
  EXPECT_EQ(st.TraceDirectory[4].FilePos, 240 + 30 * 4 + 240 + 7 * 2 + 240 + 3 * 4);
  // Every trace reads back alone at its position with its own length and width.
  int h = OpenTraceForReading(path);
  ASSERT_GT(h, 0);
  HeaderArray hdr{};
  std::vector<float> s;
  std::vector<unsigned char> scratch;
  const int lengths[] = {30, 7, 3, 30};
  for (int i = 1; i <= 4; ++i) {
    ASSERT_EQ(readTraceAt(h, st.TraceDirectory[static_cast<std::size_t>(i)].FilePos, hdr, s, scratch),
              TraceReadStatus::Ok);
    EXPECT_EQ(static_cast<int>(s.size()), lengths[i - 1]);
  }
  rawClose(h);
  // The redraw walks them without a message.
  ScriptedUi ui;
  RecordingCanvas canvas;
  RecordingHost host;
  PanelDisplay display(st, canvas, ui, host);
  display.refresh();
  EXPECT_TRUE(ui.boxes.empty()) << ui.boxes[0].text;
  expectAccepted(path);
}

TEST(OpenBadFiles, SpecialOrderingWithKeyWordsOutsideTheHeader) {
  TempDir d;
  for (std::int16_t word : {std::int16_t{0}, std::int16_t{121}, std::int16_t{-5}}) {
    const std::string path = d.file("t3-" + std::to_string(word) + ".dat");
    TraceFileBuilder b(3, 10);
    b.dataTrace(101).header(WordLabelWord, word).dataTrace(102);
    b.writeTo(path);
    expectRefused(path, OpenScanStatus::KeyWordInvalid, scanmsg::keyWordText(word));
  }
  // A secondary key word outside the header leaves the secondary keys at 0.
  for (std::int16_t word : {std::int16_t{0}, std::int16_t{121}}) {
    const std::string path = d.file("t3s-" + std::to_string(word) + ".dat");
    TraceFileBuilder b(3, 10);
    b.dataTrace(101).header(WordLabelWord, WordCdp).header(WordSecondaryWord, word).dataTrace(102);
    b.writeTo(path);
    AppState st;
    ASSERT_TRUE(scan(st, path).ok());
    EXPECT_EQ(st.TraceDirectory[1].SecondaryKey, 0);
    EXPECT_EQ(st.TraceDirectory[2].PrimaryKey, 102);
    expectAccepted(path);
  }
}

TEST(OpenBadFiles, SeparatorFirstAndLast) {
  TempDir d;
  const std::string path = d.file("sep.dat");
  TraceFileBuilder b(4, 10);
  b.separator(1400).panel(101, 2, 1500).panel(101, 2, 1600);
  b.writeTo(path);
  AppState st;
  ASSERT_TRUE(scan(st, path).ok());
  // The leading separator opens nothing: the first "panel" counts it as its first trace.
  EXPECT_EQ(st.PanelCount, 2);
  EXPECT_EQ(st.PanelTable[1].FirstTrace, 1);
  EXPECT_EQ(st.PanelTable[1].PanelTraces, 3);
  EXPECT_EQ(st.PanelTable[2].FirstTrace, 5);
  EXPECT_EQ(st.PanelTable[2].PanelTraces, 2);
  ScriptedUi ui;
  RecordingCanvas canvas;
  RecordingHost host;
  PanelDisplay display(st, canvas, ui, host);
  for (int k = 0; k < st.CdpCount + 1; ++k) display.nextPanel();
  EXPECT_TRUE(ui.boxes.empty());
  expectAccepted(path);

  // Only separators, the first also the last: no closed panel with data.
  const std::string one = d.file("one.dat");
  TraceFileBuilder o(4, 10);
  o.separator(1500);
  o.writeTo(one);
  expectRefused(one, OpenScanStatus::NoPanels, scanmsg::noPanelsText());
}

TEST(OpenBadFiles, HundredThousandSeparators) {
  TempDir d;
  const std::string path = d.file("seps.dat");
  {
    // 100,000 separators of one 2-byte sample each (24 MB).
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
  }
  AppState st;
  const OpenScanResult r = scan(st, path);
  ASSERT_TRUE(r.ok()) << r.message.text;
  EXPECT_EQ(st.TraceCount, 100000);
  EXPECT_EQ(st.PanelCount, 99999);
  // Separators never set the key range.
  EXPECT_EQ(st.MinKey, 32767);
  EXPECT_EQ(st.MaxKey, 0);
  EXPECT_EQ(st.CdpCount, 7);
  ScriptedUi ui;
  RecordingCanvas canvas;
  RecordingHost host;
  PanelDisplay display(st, canvas, ui, host);
  display.refresh();
  EXPECT_TRUE(ui.boxes.empty());
  expectAccepted(path);
}

TEST(OpenBadFiles, FileShrinksOrGrowsBetweenScanAndRedraw) {
  TempDir d;
  const std::string path = d.file("change.dat");
  TraceFileBuilder b(4, 40);
  b.panel(101, 3, 1500).panel(101, 3, 1600);
  b.writeTo(path);
  const std::string original = slurp(path);

  // Shrinks inside the last trace's samples, then inside a header.
  for (std::size_t keep : {original.size() - 10, original.size() - 400 - 300}) {
    AppState st;
    ASSERT_TRUE(scan(st, path).ok());
    std::filesystem::resize_file(path, keep);
    ScriptedUi ui;
    RecordingCanvas canvas;
    RecordingHost host;
    PanelDisplay display(st, canvas, ui, host);
    display.refresh();
    ASSERT_EQ(ui.boxes.size(), 1u) << keep;
    EXPECT_TRUE(ui.boxes[0].text == "Trace date read failed" || ui.boxes[0].text == "Trace header read failed")
        << ui.boxes[0].text;
    // The program keeps running: picking and paging still work.
    display.mousePress(60.0f, 80.0f);
    display.nextPanel();
    writeBytes(path, original);
  }

  // Grows: traces appended after the scan are not looked at; the redraw is clean.
  AppState st;
  ASSERT_TRUE(scan(st, path).ok());
  TraceFileBuilder more(4, 40);
  more.panel(300, 2, 9000);
  {
    std::ofstream f(path, std::ios::binary | std::ios::app);
    const auto bytes = more.bytes();
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ScriptedUi ui;
  RecordingCanvas canvas;
  RecordingHost host;
  PanelDisplay display(st, canvas, ui, host);
  display.refresh();
  EXPECT_TRUE(ui.boxes.empty());

  // Replaced by a file whose traces are longer: every read is still its own trace's.
  TraceFileBuilder longer(4, 400);
  longer.panel(101, 3, 1500).panel(101, 3, 1600);
  longer.writeTo(path);
  ScriptedUi ui2;
  PanelDisplay display2(st, canvas, ui2, host);
  display2.refresh();
  for (const auto& box : ui2.boxes)
    EXPECT_TRUE(box.text == "Trace date read failed" || box.text == "Trace header read failed") << box.text;
}

TEST(OpenBadFiles, DirectoryAndMissingPaths) {
  TempDir d;
  const std::string dir = d.file("folder.dat");
  std::filesystem::create_directory(dir);
  // The Open's check before the scan refuses a folder as "FILE NOT FOUND".
  EXPECT_FALSE(dataFileExists(dir));
  EXPECT_EQ(fileNotFoundMessage().text, "FILE NOT FOUND");
  // Scanned anyway, a folder gives no header.
  AppState st;
  const OpenScanResult r = scan(st, dir);
  EXPECT_FALSE(r.ok());
  EXPECT_FALSE(r.message.text.empty());
  const CliRun c = tslyInfo(dir);
  if (c.ran) {
    EXPECT_TRUE(c.exited);
    EXPECT_EQ(c.code, 1);
    EXPECT_EQ(c.output, "FILE NOT FOUND\n");
  }
  // A path through a plain file.
  const std::string plain = d.file("plain.dat");
  writeBytes(plain, "x");
  EXPECT_FALSE(dataFileExists(plain + "/inner.dat"));
  const CliRun c2 = tslyInfo(plain + "/inner.dat");
  if (c2.ran) {
    EXPECT_EQ(c2.output, "FILE NOT FOUND\n");
  }
}

TEST(OpenBadFiles, PathWithoutReadPermission) {
  TempDir d;
  const std::string path = d.file("locked.dat");
  TraceFileBuilder b(4, 10);
  b.panel(101, 2, 1500);
  b.writeTo(path);
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  const int probe = ::open(path.c_str(), O_RDONLY);
  if (probe >= 0) {
    ::close(probe);
    ::chmod(path.c_str(), 0644);
    GTEST_SKIP() << "running as a user who can read a file with mode 000 (root): an unreadable file "
                    "can not be made here";
  }
  EXPECT_TRUE(dataFileExists(path));
  expectRefused(path, OpenScanStatus::OpenFailed, "Error opening file");
  ::chmod(path.c_str(), 0644);
}
