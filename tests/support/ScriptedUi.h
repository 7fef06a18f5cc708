// Test double of the dialog interface: records every box and answers from queues.
// Unanswered message boxes get the first button of their set (OK, Abort, Yes, ...);
// unanswered input boxes and file dialogs are cancelled.
#pragma once

#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace tsly::test {

// A message box as the user sees it: tests compare a whole box at once,
//   EXPECT_EQ(Box(ui.boxes[0]), (Box{"FILE NOT FOUND", "FILE ERROR", Buttons::Ok, Icon::Information}));
//   QCOMPARE(Box(ui.boxes[0]), (Box{...}));
struct Box {
  std::string text;
  std::string title;  // effective title (AppTitle when none was given)
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::None;
  friend bool operator==(const Box&, const Box&) = default;
};

inline std::string describe(const Box& b) {
  return "\"" + b.text + "\" titled \"" + b.title + "\", buttons " + std::to_string(static_cast<int>(b.buttons)) +
         ", icon " + std::to_string(static_cast<int>(b.icon));
}
// How GoogleTest and Qt Test print a box that differs.
inline void PrintTo(const Box& b, std::ostream* os) { *os << describe(b); }
inline char* toString(const Box& b) {
  const std::string s = describe(b);
  char* out = new char[s.size() + 1];
  std::memcpy(out, s.c_str(), s.size() + 1);
  return out;
}

struct RecordedBox : Box {
  Answer answer = Answer::Ok;
};

struct RecordedInput {
  std::string prompt, title, defaultText;
};

class ScriptedUi : public Ui {
 public:
  std::vector<RecordedBox> boxes;
  std::vector<RecordedInput> inputs;
  std::vector<FileDialogRequest> openDialogs, saveDialogs;
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<FileDialogResult> fileAnswers;
  int eventsRun = 0;
  int beeps = 0;
  bool busy = false;
  int busyCalls = 0;
  // Called inside processEvents(), for tests that nest a handler in a long operation.
  std::function<void()> onEvents;

  // The next file dialog answers `path`, chosen with the filter of that number.
  void choose(const std::string& path, int filterIndex = 0) {
    FileDialogResult r;
    r.status = FileDialogResult::Status::Chosen;
    r.path = path;
    r.filterIndex = filterIndex;
    fileAnswers.push_back(r);
  }

  Answer message(const std::string& text, const std::string& title, Buttons buttons,
                 Icon icon) override {
    RecordedBox b{{text, title.empty() ? std::string(AppTitle) : title, buttons, icon}, firstButton(buttons)};
    if (!answers.empty()) {
      b.answer = answers.front();
      answers.pop_front();
    }
    boxes.push_back(b);
    return b.answer;
  }
  std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override {
    inputs.push_back({prompt, title.empty() ? std::string(AppTitle) : title, defaultText});
    if (inputAnswers.empty()) return std::nullopt;
    auto a = inputAnswers.front();
    inputAnswers.pop_front();
    return a;
  }
  FileDialogResult openFileDialog(const FileDialogRequest& r) override {
    openDialogs.push_back(r);
    return nextFile();
  }
  FileDialogResult saveFileDialog(const FileDialogRequest& r) override {
    saveDialogs.push_back(r);
    return nextFile();
  }
  void processEvents() override {
    ++eventsRun;
    if (onEvents) onEvents();
  }
  void setBusyCursor(bool b) override {
    busy = b;
    ++busyCalls;
  }
  void beep() override { ++beeps; }

  static Answer firstButton(Buttons b) {
    switch (b) {
      case Buttons::Ok:
      case Buttons::OkCancel: return Answer::Ok;
      case Buttons::AbortRetryIgnore: return Answer::Abort;
      case Buttons::YesNoCancel:
      case Buttons::YesNo: return Answer::Yes;
      case Buttons::RetryCancel: return Answer::Retry;
    }
    return Answer::Ok;
  }

 private:
  FileDialogResult nextFile() {
    if (fileAnswers.empty()) return {};
    auto r = fileAnswers.front();
    fileAnswers.pop_front();
    return r;
  }
};

}  // namespace tsly::test
