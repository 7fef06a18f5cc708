// The console side of the dialogs: message texts for a terminal, the Ui of
// programs without windows (boxes on stderr or nothing, the plain answers), and
// the progress lines a program reading tsly's stderr relies on.
#include <gtest/gtest.h>

#include <string>

#include "platform/ConsoleUi.h"

using namespace tsly;

TEST(PlatformConsoleText, CrLfBecomesALineFeedAndALoneCrStays) {
  EXPECT_EQ(terminalText("Line one\r\nLine two\r\n"), "Line one\nLine two\n");
  EXPECT_EQ(terminalText("a\rb\r"), "a\rb\r");
  EXPECT_EQ(terminalText("\r\r\n"), "\r\n");
  EXPECT_EQ(terminalText(""), "");
}

TEST(PlatformConsoleUi, WritesEachBoxAsLinesOnStderrAndAnswersThePlainWay) {
  ConsoleUi ui;
  testing::internal::CaptureStderr();
  EXPECT_EQ(ui.message("Disk is full.\r\nContinue?", "File Error", Buttons::YesNo, Icon::Exclamation), Answer::Yes);
  EXPECT_EQ(ui.message("Sure?", "", Buttons::YesNoCancel, Icon::Question), Answer::Yes);
  EXPECT_EQ(ui.message("Done", "", Buttons::Ok, Icon::Information), Answer::Ok);
  EXPECT_EQ(ui.message("Go on?", "", Buttons::OkCancel, Icon::None), Answer::Ok);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Disk is full.\nContinue?\nSure?\nDone\nGo on?\n");
  EXPECT_EQ(ui.input("Name", "", "x"), std::nullopt);
  EXPECT_EQ(ui.openFileDialog({}).status, FileDialogResult::Status::Cancelled);
  EXPECT_EQ(ui.saveFileDialog({}).status, FileDialogResult::Status::Cancelled);
}

TEST(PlatformConsoleUi, QuietWritesNothing) {
  ConsoleUi ui(ConsoleUi::Mode::Quiet);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ui.message("Trace data write failed", "", Buttons::Ok, Icon::None), Answer::Ok);
  EXPECT_EQ(ui.message("Replace?", "", Buttons::YesNo, Icon::Question), Answer::Yes);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(PlatformTerminalProgress, ProgressLinesGoToAnyStderrTheBarOnlyToATerminal) {
  // The test's stderr is captured into a file: no terminal, so no bar.
  testing::internal::CaptureStderr();
  {
    TerminalProgress lines("traces", true);
    ConsoleUi ui(ConsoleUi::Mode::Stderr, &lines);
    lines.update(0, 120);
    lines.update(60, 120);
    ui.message("half way", "", Buttons::Ok, Icon::None);
    lines.update(120, 120);
    TerminalProgress bar("CDPs");
    EXPECT_FALSE(bar.onTerminal());
    bar.update(1, 2);
    bar.note("Scanning: 100 traces");
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "progress 0 120\nprogress 60 120\nhalf way\nprogress 120 120\n");
}
