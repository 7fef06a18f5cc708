// The dialogs of a program without windows (tsly, the fuzz targets): message
// boxes become lines on stderr, a progress bar is drawn on stderr when it is a
// terminal, and every question gets its plain answer.
//
//  - terminalText: message texts break lines with CR LF; a terminal wants
//    plain line feeds.
//  - TerminalProgress: "\r[####....] DONE/TOTAL UNIT", 40 marks wide, redrawn
//    when its text changes and only when stderr is a terminal (never into a log
//    or a pipe); with `lines`, also a "progress DONE TOTAL" line per update on
//    any stderr, for programs that run tsly. note() shows a line of its own on
//    the bar's place (a scan's count). end() finishes the bar's line.
//  - ConsoleUi: message() ends the progress bar it was given, writes the box's
//    text (terminalText) on stderr, and answers Yes to a Yes/No question, OK to
//    any other; Quiet writes nothing. Input boxes and file dialogs are
//    cancelled; the busy cursor, the beep and pending events are nothing here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Ui.h"

namespace tsly {

std::string terminalText(const std::string& text);

class TerminalProgress {
 public:
  explicit TerminalProgress(std::string unit, bool lines = false);
  ~TerminalProgress() { end(); }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  bool onTerminal() const { return terminal_; }
  void update(std::int64_t done, std::int64_t total);
  void note(const std::string& text);
  void end();

 private:
  void show(const std::string& text);

  std::string unit_;
  bool lines_;
  bool terminal_;
  bool shown_ = false;
  std::string last_;
};

class ConsoleUi : public Ui {
 public:
  enum class Mode { Stderr, Quiet };
  explicit ConsoleUi(Mode mode = Mode::Stderr, TerminalProgress* progress = nullptr)
      : mode_(mode), progress_(progress) {}

  Answer message(const std::string& text, const std::string& title, Buttons buttons, Icon icon) override;
  std::optional<std::string> input(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  FileDialogResult openFileDialog(const FileDialogRequest&) override { return {}; }
  FileDialogResult saveFileDialog(const FileDialogRequest&) override { return {}; }
  void processEvents() override {}
  void setBusyCursor(bool) override {}
  void beep() override {}

 private:
  Mode mode_;
  TerminalProgress* progress_;
};

}  // namespace tsly
