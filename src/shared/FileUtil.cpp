#include "shared/FileUtil.h"

#include "platform/RawFile.h"

namespace tsly {

namespace {

struct ErrorBox {
  int number;
  const char* text;  // nullptr: no text of its own (see below)
  Buttons buttons;
  Icon icon;
};

// Errors 67, 74 and 75 have no text of their own in the original table; the
// wordings below are ours.
constexpr ErrorBox kErrors[] = {
    {52, "That file name is illegal.", Buttons::OkCancel, Icon::Exclamation},
    {53, "That file name is not found.", Buttons::Ok, Icon::Exclamation},
    {54, "Can't open the file for that type of access", Buttons::Ok, Icon::Exclamation},
    {55, "This file is already open.", Buttons::Ok, Icon::Exclamation},
    {57, "Internal disk error.", Buttons::YesNo, Icon::Exclamation},
    {61, "Disk is full. Continue?", Buttons::YesNoCancel, Icon::Question},
    {62,
     "This file has nonstandard end-of-file marker, "
     "or an attempt was made to read beyond "
     "the end-of-file marker.",
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

}  // namespace

std::int16_t fileActionOf(Answer a) {
  switch (a) {
    case Answer::Ok:
    case Answer::Retry:
    case Answer::Yes:
    case Answer::No: return fileaction::Retry;
    case Answer::Ignore: return fileaction::Skip;
    case Answer::Cancel:
    case Answer::Abort: return fileaction::GiveUp;
  }
  return fileaction::GiveUp;
}

std::int16_t ReportFileError(Ui& ui, AppState& st, std::int16_t errorNumber) {
  for (const auto& e : kErrors) {
    if (e.number != errorNumber) continue;
    st.MessageText = e.text;
    return fileActionOf(ui.message(st.MessageText, FileErrorTitle, e.buttons, e.icon));
  }
  return fileaction::Unknown;
}

int OpenTraceForReading(const std::string& name) {
  int h = rawOpen(name, RawAccess::ReadOnly);
  return h > 0 ? h : -1;
}

std::int32_t OpenByMode(Ui& ui, AppState& st, const std::string& name, std::int16_t mode, TextFiles& files) {
  if (mode == 5) {
    int h = rawOpen(name, RawAccess::ReadWrite);
    return h > 0 ? h : -1;
  }
  if (mode < 1 || mode > 4) return 0;
  int number = files.nextFree();
  int err = files.open(name, mode, number);
  if (err == 0) return number;
  // Whatever button answers the message, a failed open hands back no file number.
  ReportFileError(ui, st, static_cast<std::int16_t>(err));
  return -1;
}

std::int16_t ConfirmTargetFile(Ui& ui, AppState& st, const std::string& name, std::int16_t& mode,
                               const TextFiles& files) {
  bool exists = false;
  // A lookup that fails is reported; "try again" looks again, but at most three
  // times in all, so a box with only an OK button can not hold the user forever.
  for (int attempt = 1;; ++attempt) {
    int err = files.lookup(name, exists);
    if (err == 0) break;
    std::int16_t action = ReportFileError(ui, st, static_cast<std::int16_t>(err));
    if (action == fileaction::Skip) {
      exists = false;
      break;
    }
    if (action == fileaction::GiveUp || action == fileaction::Unknown || attempt >= 3) return 0;
  }
  std::optional<Answer> answer;
  if (exists && (mode == 1 || mode == 5)) {
    st.MessageText = "The file '" + name + "' already exists on disk." + CrLf + "Saving to this file will destroy its " +
                     "original contents." + CrLf + CrLf + "Choose OK to overwrite the file, Cancel to stop" + CrLf;
    answer = ui.message(st.MessageText, FileMessageTitle, Buttons::OkCancel, Icon::Information);
  } else if (!exists && mode == 2) {
    st.MessageText = "The file " + name + "doesn't exist." + CrLf + "Would you like to create it?" + CrLf + CrLf +
                     "Choose OK to create file. Cancel to stop.";
    answer = ui.message(st.MessageText, FileMessageTitle, Buttons::OkCancel, Icon::Information);
  } else if (!exists && (mode == 4 || mode == 5)) {
    answer = Answer::Ok;
  }
  if (answer && *answer == Answer::Cancel) return 0;
  if (answer && *answer == Answer::Ok && mode == 2) mode = 1;
  return 1;
}

}  // namespace tsly
