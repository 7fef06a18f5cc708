// The user dialogs every command talks through: message boxes, input boxes,
// file dialogs, the busy cursor, the beep and "let pending events run".
//
// One Qt implementation (qt/QtUi) and one scripted double for tests
// (tests/support/ScriptedUi.h) that records every box and answers from a queue.
// Every message the program shows goes through message(), so each one can be
// asserted in a test. A box whose title is empty shows the application title
// AppTitle; implementations record and show that effective title.
#pragma once

#include <optional>
#include <string>

namespace tsly {

inline constexpr const char* AppTitle = "Tessaly";

enum class Buttons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Answer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct FileDialogRequest {
  std::string title;
  // "Name|pattern|Name|pattern": each filter entry as a name and its pattern.
  std::string filter;
  int filterIndex = 1;           // 1-based selected filter
  std::string defaultExt;        // without the dot
  std::string initialDir;
  std::string fileName;          // proposed name (may include a folder)
  bool overwritePrompt = false;  // save dialogs: let the dialog ask itself
  // Open dialogs: only an existing file may be chosen. False lets the user
  // type the name of a file that does not exist yet (an output file).
  bool mustExist = true;
};

struct FileDialogResult {
  enum class Status { Chosen, Cancelled, Failed };
  Status status = Status::Cancelled;
  std::string path;   // full path of the chosen file
  std::string error;  // description when Failed
  // 1-based filter selected when the dialog closed (0: not known). A save
  // dialog offering several formats writes the one chosen here.
  int filterIndex = 0;
};

class Ui {
 public:
  virtual ~Ui() = default;

  // Shows a message box; returns the button pressed. Empty title: AppTitle.
  virtual Answer message(const std::string& text, const std::string& title,
                         Buttons buttons, Icon icon) = 0;
  // Input box; std::nullopt when cancelled.
  virtual std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText) = 0;
  virtual FileDialogResult openFileDialog(const FileDialogRequest& request) = 0;
  virtual FileDialogResult saveFileDialog(const FileDialogRequest& request) = 0;

  // Let pending window events run (the long operations call this at fixed points).
  virtual void processEvents() = 0;
  virtual void setBusyCursor(bool busy) = 0;
  virtual void beep() = 0;
};

}  // namespace tsly
