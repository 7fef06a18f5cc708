// The settings file tessaly.ini: exact lines written, reading rules, bad files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "shared/Settings.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace tsly;
using namespace tsly::test;

namespace {


const char* const ExpectedDefaultFile =
    " 10  trace offset\r\n"
    " 100  tlength\r\n"
    " 0  place holder\r\n"
    " .5  sampling ratio\r\n"
    " 0  place holder\r\n"
    " 10  datadivisor\r\n"
    "/data/survey,2\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    "\\worog15\\worog.exe\r\n"
    " 1  area fill flag\r\n"
    " 0  normalize flag\r\n"
    "-1  graphics save flag\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    " 1440  form top\r\n"
    " 720.5  form left\r\n"
    " 7680  form width\r\n"
    " 5745  form height\r\n";

AppState sampleState() {
  AppState st;
  st.TraceSpacing = 10;
  st.TraceLengthSetting = 100;
  st.SamplingRatio = 0.5f;
  st.DataDivisor = 10;
  st.LastPath = "/data/survey,2";
  st.ProcessingSystemPath = DefaultProcessingSystemPath;
  st.AreaFillFlag = 1;
  st.NormalizeFlag = 0;
  st.GraphicsSaveFlag = -1;
  return st;
}

}  // namespace

TEST(SharedSettings, WritesTwentyTwoLinesByteForByte) {
  FormPlacement form{1440, 720.5f, 7680, 5745};
  EXPECT_EQ(settingsText(sampleState(), form), ExpectedDefaultFile);
}

TEST(SharedSettings, NegativeAndFractionalNumbersUseNumberText) {
  AppState st = sampleState();
  st.TraceSpacing = -2.25f;
  st.DataDivisor = 1234567.0f;
  st.TraceLengthSetting = 0.125f;
  st.GraphicsSaveFlag = 0;
  const std::string text = settingsText(st, {});
  const auto lines = settingsLines(text);
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[0], "-2.25  trace offset");
  EXPECT_EQ(lines[1], " .125  tlength");
  EXPECT_EQ(lines[5], " 1234567  datadivisor");
  EXPECT_EQ(lines[14], " 0  graphics save flag");
  EXPECT_EQ(lines[18], " 0  form top");
}

TEST(SharedSettings, PathWithLineBreakCannotAddALine) {
  AppState st = sampleState();
  st.LastPath = "/data/a\nb";
  st.ProcessingSystemPath = "C:\r\nx";
  const std::string text = settingsText(st, {});
  const auto lines = settingsLines(text, 100);
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[6], "/data/a");
  EXPECT_EQ(lines[11], "C:");
}

TEST(SharedSettings, ReadsWhatItWrote) {
  AppState st;
  const auto lines = settingsLines(ExpectedDefaultFile);
  ASSERT_EQ(lines.size(), 22u);
  const SettingsLoad load = applySettingsLines(lines, st);
  EXPECT_EQ(load.linesRead, 22);
  EXPECT_FLOAT_EQ(st.TraceSpacing, 10);
  EXPECT_FLOAT_EQ(st.TraceLengthSetting, 100);
  EXPECT_FLOAT_EQ(st.SamplingRatio, 0.5f);
  EXPECT_FLOAT_EQ(st.DataDivisor, 10);
  // A comma ends the field: the rest of the path is lost.
  EXPECT_EQ(st.LastPath, "/data/survey");
  EXPECT_EQ(st.ProcessingSystemPath, "\\worog15\\worog.exe");
  EXPECT_EQ(st.AreaFillFlag, 1);
  EXPECT_EQ(st.NormalizeFlag, 0);
  EXPECT_EQ(st.GraphicsSaveFlag, -1);
  ASSERT_TRUE(load.formTop && load.formLeft && load.formWidth && load.formHeight);
  EXPECT_FLOAT_EQ(*load.formTop, 1440);
  EXPECT_FLOAT_EQ(*load.formLeft, 720.5f);
  EXPECT_FLOAT_EQ(*load.formWidth, 7680);
  EXPECT_FLOAT_EQ(*load.formHeight, 5745);
}

TEST(SharedSettings, GraphicsSaveFlagIsAlwaysOnAfterALoad) {
  AppState st;
  std::string text = ExpectedDefaultFile;
  text.replace(text.find("-1  graphics"), 2, " 0");
  applySettingsLines(settingsLines(text), st);
  EXPECT_EQ(st.GraphicsSaveFlag, -1);
  AppState empty;
  applySettingsLines({}, empty);
  EXPECT_EQ(empty.GraphicsSaveFlag, -1);
}

TEST(SharedSettings, FlagsAreRoundedHalvesToEven) {
  AppState st;
  std::vector<std::string> lines(22, " 0  place holder");
  lines[12] = " 2.5  area fill flag";
  lines[13] = " 3.5  normalize flag";
  applySettingsLines(lines, st);
  EXPECT_EQ(st.AreaFillFlag, 2);
  EXPECT_EQ(st.NormalizeFlag, 4);
}

TEST(SharedSettings, ShortFileKeepsTheCurrentValuesOfMissingItems) {
  AppState st;
  st.TraceSpacing = 10;
  st.DataDivisor = 10;
  st.ProcessingSystemPath = "keep";
  const SettingsLoad load = applySettingsLines(settingsLines(" 7  trace offset\r\n 50  tlength\r\n"), st);
  EXPECT_EQ(load.linesRead, 2);
  EXPECT_FLOAT_EQ(st.TraceSpacing, 7);
  EXPECT_FLOAT_EQ(st.TraceLengthSetting, 50);
  EXPECT_FLOAT_EQ(st.DataDivisor, 10);
  EXPECT_EQ(st.ProcessingSystemPath, "keep");
  EXPECT_FALSE(load.formTop.has_value());
  EXPECT_FALSE(load.formHeight.has_value());
}

TEST(SharedSettings, NonsenseNumbersReadAsZeroOrKeepTheValue) {
  AppState st;
  st.DataDivisor = 10;
  std::vector<std::string> lines(22, "garbage");
  lines[5] = "1e999 datadivisor";  // not a finite f32: keeps 10
  lines[18] = "nan";
  lines[19] = "-1e60";
  applySettingsLines(lines, st);
  EXPECT_FLOAT_EQ(st.TraceSpacing, 0);
  EXPECT_FLOAT_EQ(st.DataDivisor, 10);
  EXPECT_EQ(st.LastPath, "garbage");
  const SettingsLoad load = applySettingsLines(lines, st);
  EXPECT_FLOAT_EQ(*load.formTop, 0);         // "nan" does not start with a number
  EXPECT_FALSE(load.formLeft.has_value());   // overflows f32
  EXPECT_EQ(st.AreaFillFlag, 0);
}

TEST(SharedSettings, LineEndsAndLongLines) {
  EXPECT_EQ(settingsLines("a\rb\nc\r\n\r\nlast"), (std::vector<std::string>{"a", "b", "c", "", "last"}));
  const std::string longLine(MaxSettingsLine * 3, '7');
  const auto cut = settingsLines(longLine + "\r\nnext\r\n");
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0].size(), MaxSettingsLine);
  EXPECT_EQ(cut[1], "next");
  EXPECT_EQ(settingsLines("").size(), 0u);
  EXPECT_EQ(settingsField(std::string("ab\0c,d", 6)), "abc");
}

TEST(SharedSettings, BadFilesOnDiskLoadWithoutFailing) {
  TempDir dir;
  const fs::path p = dir.file("tessaly.ini");
  // Empty file.
  writeFile(p, "");
  AppState a;
  SettingsLoad load;
  ASSERT_TRUE(loadSettingsFile(p.string(), a, load));
  EXPECT_EQ(load.linesRead, 0);
  EXPECT_FLOAT_EQ(a.TraceSpacing, 10);
  EXPECT_EQ(a.GraphicsSaveFlag, -1);
  // Binary file.
  std::string bin;
  for (int i = 0; i < 4096; ++i) bin.push_back(static_cast<char>((i * 37) & 0xff));
  writeFile(p, bin);
  AppState b;
  ASSERT_TRUE(loadSettingsFile(p.string(), b, load));
  EXPECT_LE(load.linesRead, 22);
  // A line longer than a line may be, then good lines.
  writeFile(p, std::string(40000, 'x') + "\r\n 5  tlength\r\n");
  AppState c;
  ASSERT_TRUE(loadSettingsFile(p.string(), c, load));
  EXPECT_EQ(load.linesRead, 2);
  EXPECT_FLOAT_EQ(c.TraceSpacing, 0);
  EXPECT_FLOAT_EQ(c.TraceLengthSetting, 5);
  // Only the first 64 KiB are read: a line that starts beyond them is not.
  writeFile(p, " 7  trace offset" + std::string(MaxSettingsBytes, ' ') + "\r\n 5  tlength\r\n");
  AppState e;
  e.TraceLengthSetting = 100;
  ASSERT_TRUE(loadSettingsFile(p.string(), e, load));
  EXPECT_EQ(load.linesRead, 1);
  EXPECT_FLOAT_EQ(e.TraceSpacing, 7);
  EXPECT_FLOAT_EQ(e.TraceLengthSetting, 100);
  // Missing file.
  AppState d;
  d.TraceSpacing = 3;
  EXPECT_FALSE(loadSettingsFile(dir.file("none.ini"), d, load));
  EXPECT_FLOAT_EQ(d.TraceSpacing, 3);
  EXPECT_EQ(d.GraphicsSaveFlag, 0);
}

TEST(SharedSettings, MoreThanTwentyTwoLinesReadsOnlyTheFirst) {
  TempDir dir;
  const fs::path p = dir.file("tessaly.ini");
  writeFile(p, std::string(ExpectedDefaultFile) + " 99  extra\r\n");
  AppState st;
  SettingsLoad load;
  ASSERT_TRUE(loadSettingsFile(p.string(), st, load));
  EXPECT_EQ(load.linesRead, 22);
  EXPECT_FLOAT_EQ(*load.formHeight, 5745);
}

TEST(SharedSettings, MissingFileDefaults) {
  AppState st;
  st.TraceSpacing = 1;
  applyMissingSettingsDefaults(st);
  EXPECT_FLOAT_EQ(st.TraceSpacing, 10);
  EXPECT_FLOAT_EQ(st.TraceLengthSetting, 100);
  EXPECT_FLOAT_EQ(st.DataDivisor, 10);
  EXPECT_EQ(st.ProcessingSystemPath, "\\worog15\\worog.exe");
  EXPECT_FLOAT_EQ(st.SamplingRatio, 1);
  EXPECT_EQ(st.LastPath, "");
}

TEST(SharedSettings, WriteReplacesTheFileWhole) {
  TempDir dir;
  const fs::path p = dir.file("tessaly.ini");
  writeFile(p, "old contents\r\n");
  ::chmod(p.c_str(), 0640);
  ASSERT_EQ(writeSettingsFile(p.string(), ExpectedDefaultFile), 0);
  EXPECT_EQ(readFile(p), ExpectedDefaultFile);
  struct stat s {};
  ASSERT_EQ(::stat(p.c_str(), &s), 0);
  EXPECT_EQ(s.st_mode & 0777, 0640u);
  EXPECT_EQ(fileNames(dir.path()), std::vector<std::string>{"tessaly.ini"});  // no temporary file left
}

TEST(SharedSettings, FailedWriteLeavesTheOldFileAndReportsTheError) {
  TempDir dir;
  EXPECT_EQ(writeSettingsFile(dir.file("missing/tessaly.ini"), "x"), 76);
  EXPECT_EQ(writeSettingsFile("", "x"), 64);
  if (::geteuid() != 0) {
    const fs::path p = dir.file("tessaly.ini");
    writeFile(p, "old\r\n");
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(writeSettingsFile(p.string(), ExpectedDefaultFile), 75);
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(readFile(p), "old\r\n");
  }
}

// Whatever the name "tessaly.ini" stands for, only a regular file is read: a
// FIFO would wait for a writer for ever, /dev/zero would never end, and a
// folder holds no settings. Each shows the file-error box of an unreadable
// file at once and leaves the state alone.
TEST(SharedSettings, OnlyARegularFileIsReadAnythingElseIsUnreadable) {
  TempDir dir;
  const fs::path fifo = dir.file("fifo.ini"), zero = dir.file("zero.ini"), folder = dir.file("folder.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", zero);
  fs::create_directory(folder);
  for (const fs::path& p : {fifo, zero, folder}) {
    SCOPED_TRACE(p.filename().string());
    test::ScriptedUi ui;
    AppState st;
    st.TraceSpacing = 3;
    SettingsLoad load;
    EXPECT_FALSE(loadSettingsFile(ui, st, p.string(), load));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              "That file or path can not be accessed (no permission, a folder, or a read-only disk).");
    EXPECT_EQ(ui.boxes[0].title, "File Error");
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::Ok);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Exclamation);
    EXPECT_FLOAT_EQ(st.TraceSpacing, 3);
    EXPECT_EQ(st.GraphicsSaveFlag, 0);
  }
  // A regular file reads as before, without a box.
  test::ScriptedUi ui;
  AppState st;
  SettingsLoad load;
  writeFile(dir.file("tessaly.ini"), ExpectedDefaultFile);
  EXPECT_TRUE(loadSettingsFile(ui, st, dir.file("tessaly.ini"), load));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(load.linesRead, 22);
}

TEST(SharedSettings, TheSettingsFileIsFoundWhateverTheCaseOfItsName) {
  TempDir dir;
  const std::string folder = dir.path();
  EXPECT_EQ(findSettingsFile(folder), "");
  writeFile(dir.file("TESSALY.INI"), "x");
  EXPECT_EQ(findSettingsFile(folder), "TESSALY.INI");
  writeFile(dir.file("tessaly.ini"), "x");
  EXPECT_EQ(findSettingsFile(folder), "tessaly.ini");
  fs::remove(dir.file("tessaly.ini"));
  writeFile(dir.file("tessaly.ini.bak"), "x");
  EXPECT_EQ(findSettingsFile(folder), "TESSALY.INI");
}

TEST(SharedSettings, WritingGoesThroughASymbolicLinkToItsTarget) {
  TempDir dir;
  fs::create_directory(dir.file("kept"));
  const fs::path target = dir.file("kept/settings.ini"), link = dir.file("tessaly.ini");
  writeFile(target, "old\r\n");
  fs::create_symlink("kept/settings.ini", link);
  ASSERT_EQ(writeSettingsFile(link.string(), ExpectedDefaultFile), 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readFile(target), ExpectedDefaultFile);
  // A link whose target does not exist yet creates it.
  fs::remove(target);
  ASSERT_EQ(writeSettingsFile(link.string(), ExpectedDefaultFile), 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readFile(target), ExpectedDefaultFile);
  // A loop of links is an access error and writes nothing.
  const fs::path a = dir.file("a.ini"), b = dir.file("b.ini");
  fs::create_symlink("b.ini", a);
  fs::create_symlink("a.ini", b);
  EXPECT_EQ(writeSettingsFile(a.string(), ExpectedDefaultFile), 75);
  EXPECT_TRUE(fs::is_symlink(a));
}

TEST(SharedSettings, FolderThatCanNotTakeTheFileKeepsTheOldFile) {
  TempDir d;
  // A "folder" that is a plain file: as root a read-only folder is still
  // writable, so this stands for a folder the settings can not be written to.
  const std::string plain = d.file("notafolder");
  writeFile(plain, "x");
  EXPECT_EQ(writeSettingsFile(plain + "/tessaly.ini", "text\r\n"), 76);
  EXPECT_EQ(readFile(plain), "x");

  // A read-only folder, where the user is not root.
  const std::string ro = d.file("ro");
  fs::create_directory(ro);
  writeFile(ro + "/tessaly.ini", "old\r\n");
  fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
  const int e = writeSettingsFile(ro + "/tessaly.ini", "new\r\n");
  fs::permissions(ro, fs::perms::owner_all);
  if (::geteuid() != 0) {
    EXPECT_EQ(e, 75);
  }
  if (e != 0) {
    EXPECT_EQ(readFile(ro + "/tessaly.ini"), "old\r\n");
  }
  EXPECT_EQ(fileNames(ro), std::vector<std::string>{"tessaly.ini"});
}

TEST(SharedSettings, ShortWriteKeepsTheOldFileWhole) {
  TempDir d;
  const std::string path = d.file("tessaly.ini");
  AppState st;
  applyMissingSettingsDefaults(st);
  const std::string old = settingsText(st, {1, 2, 3, 4});
  ASSERT_EQ(writeSettingsFile(path, old), 0);
  st.TraceSpacing = 12;
  const std::string text = settingsText(st, {1, 2, 3, 4}) + std::string(8000, ' ');
  int e = 0;
  {
    FileSizeLimit limit(4096);
    e = writeSettingsFile(path, text);
  }
  EXPECT_EQ(e, 61);  // "Disk is full. Continue?"
  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(fileNames(d.path()), std::vector<std::string>{"tessaly.ini"});
}
