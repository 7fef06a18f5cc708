// OpenByMode, ConfirmTargetFile and ReportFileError.
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "platform/RawFile.h"
#include "shared/FileUtil.h"
#include "support/ScriptedUi.h"
#include "support/TraceFileBuilder.h"

using namespace tsly;
using namespace tsly::test;

namespace {

// A table whose opens or lookups fail with a chosen error number.
class FailingFiles : public TextFiles {
 public:
  int openError = 0;
  int lookupError = 0;
  mutable int lookups = 0;
  int open(const std::string& path, int mode, int number) override {
    return openError ? openError : TextFiles::open(path, mode, number);
  }
  int lookup(const std::string& path, bool& exists) const override {
    ++lookups;
    if (lookupError) {
      exists = false;
      return lookupError;
    }
    return TextFiles::lookup(path, exists);
  }
};

struct ErrorRow {
  int number;
  std::string text;
  Buttons buttons;
  Icon icon;
};

}  // namespace

TEST(SharedReportFileError, EveryKnownErrorHasItsBox) {
  const std::vector<ErrorRow> rows = {
      {52, "That file name is illegal.", Buttons::OkCancel, Icon::Exclamation},
      {53, "That file name is not found.", Buttons::Ok, Icon::Exclamation},
      {54, "Can't open the file for that type of access", Buttons::Ok, Icon::Exclamation},
      {55, "This file is already open.", Buttons::Ok, Icon::Exclamation},
      {57, "Internal disk error.", Buttons::YesNo, Icon::Exclamation},
      {61, "Disk is full. Continue?", Buttons::YesNoCancel, Icon::Question},
      {62,
       "This file has nonstandard end-of-file marker, or an attempt was made to read beyond the end-of-file marker.",
       Buttons::Ok, Icon::Exclamation},
      {64, "That file name is illegal.", Buttons::OkCancel, Icon::Exclamation},
      {67, "Too many files are open. Close a file and try again.", Buttons::Ok, Icon::Exclamation},
      {68, "That device appears unavaiable.", Buttons::YesNo, Icon::Exclamation},
      {71, "Insert ad disk in drive and close door.", Buttons::Ok, Icon::Exclamation},
      {74, "A file can not be renamed onto another disk.", Buttons::Ok, Icon::Exclamation},
      {75, "That file or path can not be accessed (no permission, a folder, or a read-only disk).", Buttons::Ok,
       Icon::Exclamation},
      {76, "That path does not exist", Buttons::Ok, Icon::Exclamation},
  };
  for (const auto& row : rows) {
    ScriptedUi ui;
    AppState st;
    std::int16_t action = ReportFileError(ui, st, static_cast<std::int16_t>(row.number));
    ASSERT_EQ(ui.boxes.size(), 1u) << row.number;
    EXPECT_EQ(ui.boxes[0].text, row.text) << row.number;
    EXPECT_EQ(st.MessageText, row.text);
    EXPECT_EQ(ui.boxes[0].title, "File Error");
    EXPECT_EQ(ui.boxes[0].buttons, row.buttons) << row.number;
    EXPECT_EQ(ui.boxes[0].icon, row.icon) << row.number;
    EXPECT_EQ(action, 0) << row.number;  // first button: OK or Yes
  }
}

TEST(SharedReportFileError, ActionCodesFollowTheButton) {
  const std::vector<std::pair<Answer, int>> cases = {{Answer::Ok, 0},     {Answer::Retry, 0}, {Answer::Ignore, 1},
                                                     {Answer::Cancel, 2}, {Answer::Abort, 2}, {Answer::Yes, 0},
                                                     {Answer::No, 0}};
  for (auto [answer, code] : cases) {
    ScriptedUi ui;
    AppState st;
    ui.answers.push_back(answer);
    EXPECT_EQ(ReportFileError(ui, st, 61), code);
  }
  ScriptedUi ui;
  AppState st;
  ui.answers.push_back(Answer::Cancel);
  EXPECT_EQ(ReportFileError(ui, st, 61), 2);
}

TEST(SharedReportFileError, UnknownNumbersShowNothing) {
  for (int n : {0, 1, 51, 56, 58, 63, 70, 99, -53}) {
    ScriptedUi ui;
    AppState st;
    st.MessageText = "kept";
    EXPECT_EQ(ReportFileError(ui, st, static_cast<std::int16_t>(n)), 3);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(st.MessageText, "kept");
  }
}

TEST(SharedOpenByMode, ModeFiveOnAMissingFileIsSilent) {
  TempDir d;
  ScriptedUi ui;
  AppState st;
  EXPECT_EQ(OpenByMode(ui, st, d.file("missing.dat"), 5), -1);
  EXPECT_EQ(OpenByMode(ui, st, d.path(), 5), -1);  // a folder is no trace file
  EXPECT_EQ(OpenTraceForReading(d.file("missing.dat")), -1);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(SharedOpenByMode, ModeFiveOpensReadWriteAndReadOnlyVariantReads) {
  TempDir d;
  writeFile(d.file("t.dat"), "abcd");
  ScriptedUi ui;
  AppState st;
  int h = OpenByMode(ui, st, d.file("t.dat"), 5);
  ASSERT_GT(h, 0);
  EXPECT_EQ(hright("XY", h, 2), 2);
  rawClose(h);
  int r = OpenTraceForReading(d.file("t.dat"));
  ASSERT_GT(r, 0);
  char buf[4];
  EXPECT_EQ(hreed(buf, r, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "XYcd");
  EXPECT_EQ(hright("Z", r, 1), 0);  // read-only handle
  rawClose(r);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(SharedOpenByMode, ModeTwoOnAMissingFileReportsNotFoundAndReturnsMinusOne) {
  TempDir d;
  TextFiles files;
  for (Answer a : {Answer::Ok, Answer::Cancel}) {
    ScriptedUi ui;
    AppState st;
    ui.answers.push_back(a);
    EXPECT_EQ(OpenByMode(ui, st, d.file("none.ini"), 2, files), -1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(Box(ui.boxes[0]), (Box{"That file name is not found.", "File Error", Buttons::Ok, Icon::Exclamation}));
  }
  EXPECT_EQ(files.nextFree(), 1);  // nothing stays reserved
}

TEST(SharedOpenByMode, MissingFolderIsPathNotFound) {
  TempDir d;
  TextFiles files;
  ScriptedUi ui;
  AppState st;
  EXPECT_EQ(OpenByMode(ui, st, d.file("no/such/dir/x.ini"), 1, files), -1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "That path does not exist");
}

TEST(SharedOpenByMode, AFolderCanNotBeOpenedAsATextFile) {
  TempDir d;
  TextFiles files;
  ScriptedUi ui;
  AppState st;
  EXPECT_EQ(OpenByMode(ui, st, d.path(), 2, files), -1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text.rfind("That file or path can not be accessed", 0), 0u);
}

TEST(SharedOpenByMode, FailedOpensNeverHandBackAFileNumber) {
  TempDir d;
  for (int err : {52, 57, 61, 64, 67, 68, 71, 75, 99}) {
    for (Answer a : {Answer::Ok, Answer::Yes, Answer::No, Answer::Cancel}) {
      FailingFiles files;
      files.openError = err;
      ScriptedUi ui;
      AppState st;
      ui.answers.push_back(a);
      EXPECT_EQ(OpenByMode(ui, st, d.file("x.ini"), 1, files), -1) << err;
      EXPECT_EQ(ui.boxes.size(), err == 99 ? 0u : 1u) << err;
    }
  }
}

TEST(SharedOpenByMode, TextModesHandOutTheNextFreeNumber) {
  TempDir d;
  TextFiles files;
  ScriptedUi ui;
  AppState st;
  int out = OpenByMode(ui, st, d.file("a.ini"), 1, files);
  EXPECT_EQ(out, 1);
  EXPECT_EQ(files.writeLine(out, " 10  trace offset"), 0);
  EXPECT_EQ(files.writeLine(out, ""), 0);
  int app = OpenByMode(ui, st, d.file("b.ini"), 3, files);
  EXPECT_EQ(app, 2);
  EXPECT_EQ(files.writeLine(app, "first"), 0);
  EXPECT_EQ(files.close(out), 0);
  EXPECT_EQ(files.close(out), 0);  // closing twice is harmless
  int in = OpenByMode(ui, st, d.file("a.ini"), 2, files);
  EXPECT_EQ(in, 1);  // number 1 is free again
  std::string line;
  EXPECT_EQ(files.readLine(in, line), 0);
  EXPECT_EQ(line, " 10  trace offset");
  EXPECT_EQ(files.readLine(in, line), 0);
  EXPECT_EQ(line, "");
  EXPECT_TRUE(files.atEnd(in));
  EXPECT_EQ(files.readLine(in, line), 62);
  EXPECT_EQ(files.writeLine(in, "no"), 54);  // input file
  files.close(in);
  files.close(app);
  EXPECT_EQ(readFile(d.file("a.ini")), " 10  trace offset\r\n\r\n");
  // Appending keeps what was there.
  int app2 = OpenByMode(ui, st, d.file("b.ini"), 3, files);
  files.writeLine(app2, "second");
  files.close(app2);
  EXPECT_EQ(readFile(d.file("b.ini")), "first\r\nsecond\r\n");
  // Mode 4 creates a missing file; other modes open nothing.
  int rnd = OpenByMode(ui, st, d.file("r.dat"), 4, files);
  EXPECT_GT(rnd, 0);
  files.close(rnd);
  EXPECT_EQ(OpenByMode(ui, st, d.file("r.dat"), 0, files), 0);
  EXPECT_EQ(OpenByMode(ui, st, d.file("r.dat"), 6, files), 0);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(SharedOpenByMode, AFileOpenForWritingCanNotBeOpenedAgain) {
  TempDir d;
  TextFiles files;
  ScriptedUi ui;
  AppState st;
  int w = OpenByMode(ui, st, d.file("s.ini"), 1, files);
  ASSERT_GT(w, 0);
  EXPECT_EQ(OpenByMode(ui, st, d.file("s.ini"), 1, files), -1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "This file is already open.");
  files.close(w);
  // Reading the same file twice is allowed.
  int r1 = OpenByMode(ui, st, d.file("s.ini"), 2, files);
  int r2 = OpenByMode(ui, st, d.file("s.ini"), 2, files);
  EXPECT_GT(r1, 0);
  EXPECT_GT(r2, 0);
  EXPECT_NE(r1, r2);
}

TEST(SharedOpenByMode, ReadLineAcceptsBareLineFeedsAndAMissingLastLineEnd) {
  TempDir d;
  writeFile(d.file("l.txt"), "one\ntwo\r\nthree");
  TextFiles files;
  ScriptedUi ui;
  AppState st;
  int n = OpenByMode(ui, st, d.file("l.txt"), 2, files);
  std::string line;
  files.readLine(n, line);
  EXPECT_EQ(line, "one");
  files.readLine(n, line);
  EXPECT_EQ(line, "two");
  EXPECT_EQ(files.readLine(n, line), 0);
  EXPECT_EQ(line, "three");
  EXPECT_EQ(files.readLine(n, line), 62);
}

TEST(SharedConfirmTargetFile, ExistingFileForReadingAppendingOrRecordsAsksNothing) {
  TempDir d;
  writeFile(d.file("e.dat"), "x\r\n");
  for (std::int16_t m : {2, 3, 4}) {
    ScriptedUi ui;
    AppState st;
    std::int16_t mode = m;
    EXPECT_EQ(ConfirmTargetFile(ui, st, d.file("e.dat"), mode), 1);
    EXPECT_EQ(mode, m);
    EXPECT_TRUE(ui.boxes.empty());
  }
}

TEST(SharedConfirmTargetFile, ExistingFileForWritingAsksBeforeOverwriting) {
  TempDir d;
  writeFile(d.file("e.dat"), "x\r\n");
  const std::string name = d.file("e.dat");
  const std::string text = "The file '" + name + "' already exists on disk.\r\nSaving to this file will destroy its " +
                           "original contents.\r\n\r\nChoose OK to overwrite the file, Cancel to stop\r\n";
  for (std::int16_t m : {1, 5}) {
    ScriptedUi ui;
    AppState st;
    std::int16_t mode = m;
    EXPECT_EQ(ConfirmTargetFile(ui, st, name, mode), 1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, text);
    EXPECT_EQ(st.MessageText, text);
    EXPECT_EQ(ui.boxes[0].title, "File Message");
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Information);
    ui.answers.push_back(Answer::Cancel);
    EXPECT_EQ(ConfirmTargetFile(ui, st, name, mode), 0);
    EXPECT_EQ(mode, m);
  }
}

TEST(SharedConfirmTargetFile, MissingFileForReadingOffersToCreateIt) {
  TempDir d;
  const std::string name = d.file("new.ini");
  const std::string text = "The file " + name + "doesn't exist.\r\nWould you like to create it?\r\n\r\n" +
                           "Choose OK to create file. Cancel to stop.";
  ScriptedUi ui;
  AppState st;
  std::int16_t mode = 2;
  ui.answers.push_back(Answer::Ok);
  EXPECT_EQ(ConfirmTargetFile(ui, st, name, mode), 1);
  EXPECT_EQ(mode, 1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(Box(ui.boxes[0]), (Box{text, "File Message", Buttons::OkCancel, Icon::Information}));
  mode = 2;
  ui.answers.push_back(Answer::Cancel);
  EXPECT_EQ(ConfirmTargetFile(ui, st, name, mode), 0);
  EXPECT_EQ(mode, 2);
}

TEST(SharedConfirmTargetFile, MissingFileForOtherModesAsksNothing) {
  TempDir d;
  for (std::int16_t m : {1, 3, 4, 5}) {
    ScriptedUi ui;
    AppState st;
    std::int16_t mode = m;
    EXPECT_EQ(ConfirmTargetFile(ui, st, d.file("none"), mode), 1);
    EXPECT_EQ(mode, m);
    EXPECT_TRUE(ui.boxes.empty());
  }
  // A folder is not a file of that name.
  ScriptedUi ui;
  AppState st;
  std::int16_t mode = 1;
  EXPECT_EQ(ConfirmTargetFile(ui, st, d.path(), mode), 1);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(SharedConfirmTargetFile, AFailingLookupIsReported) {
  TempDir d;
  {
    // OK (try again) looks again, at most three times in all, then stops.
    FailingFiles files;
    files.lookupError = 75;
    ScriptedUi ui;
    AppState st;
    std::int16_t mode = 1;
    EXPECT_EQ(ConfirmTargetFile(ui, st, d.file("x"), mode, files), 0);
    EXPECT_EQ(files.lookups, 3);
    EXPECT_EQ(ui.boxes.size(), 3u);
  }
  {
    // Cancel gives up at once.
    FailingFiles files;
    files.lookupError = 52;
    ScriptedUi ui;
    AppState st;
    ui.answers.push_back(Answer::Cancel);
    std::int16_t mode = 1;
    EXPECT_EQ(ConfirmTargetFile(ui, st, d.file("x"), mode, files), 0);
    EXPECT_EQ(files.lookups, 1);
  }
  {
    // An unknown error passes on: stop without a message.
    FailingFiles files;
    files.lookupError = 99;
    ScriptedUi ui;
    AppState st;
    std::int16_t mode = 2;
    EXPECT_EQ(ConfirmTargetFile(ui, st, d.file("x"), mode, files), 0);
    EXPECT_TRUE(ui.boxes.empty());
  }
  {
    // Ignore goes on as though the file did not exist: mode 2 asks to create it.
    FailingFiles files;
    files.lookupError = 52;
    ScriptedUi ui;
    AppState st;
    ui.answers = {Answer::Ignore, Answer::Ok};
    std::int16_t mode = 2;
    EXPECT_EQ(ConfirmTargetFile(ui, st, d.file("x"), mode, files), 1);
    EXPECT_EQ(mode, 1);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].title, "File Message");
  }
}

// Every file dialog of the program goes through askFileName: a dialog that
// failed is reported, one cancelled or chosen is not.
TEST(SharedAskFileName, OnlyAFailedDialogShowsABox) {
  for (auto status :
       {FileDialogResult::Status::Chosen, FileDialogResult::Status::Cancelled, FileDialogResult::Status::Failed}) {
    for (auto kind : {FileDialogKind::Open, FileDialogKind::Save}) {
      ScriptedUi ui;
      ui.fileAnswers.push_back(
          {status, status == FileDialogResult::Status::Chosen ? "/d/a.dat" : "", "No such folder"});
      FileDialogRequest request;
      request.title = "Pick";
      const FileDialogResult r = askFileName(ui, kind, request);
      EXPECT_EQ(r.status, status);
      EXPECT_EQ((kind == FileDialogKind::Open ? ui.openDialogs : ui.saveDialogs).size(), 1u);
      if (status != FileDialogResult::Status::Failed) {
        EXPECT_TRUE(ui.boxes.empty());
        continue;
      }
      ASSERT_EQ(ui.boxes.size(), 1u);
      EXPECT_EQ(ui.boxes[0].text, "Unexpected error\r\nNo such folder");
      EXPECT_EQ(ui.boxes[0].title, "Tessaly ERROR");
      EXPECT_EQ(ui.boxes[0].buttons, Buttons::Ok);
      EXPECT_EQ(ui.boxes[0].icon, Icon::None);
    }
  }
}
