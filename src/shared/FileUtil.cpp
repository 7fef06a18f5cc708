#include "shared/FileUtil.h"

#include <filesystem>

#include "platform/RawFile.h"
#include "shared/FileTexts.h"
#include "shared/Texts.h"

namespace tsly {

namespace {

struct ErrorBox {
  int number;
  Buttons buttons;
  Icon icon;
};

constexpr ErrorBox kErrors[] = {
    {52, Buttons::OkCancel, Icon::Exclamation}, {53, Buttons::Ok, Icon::Exclamation},
    {54, Buttons::Ok, Icon::Exclamation},       {55, Buttons::Ok, Icon::Exclamation},
    {57, Buttons::YesNo, Icon::Exclamation},    {61, Buttons::YesNoCancel, Icon::Question},
    {62, Buttons::Ok, Icon::Exclamation},       {64, Buttons::OkCancel, Icon::Exclamation},
    {67, Buttons::Ok, Icon::Exclamation},       {68, Buttons::YesNo, Icon::Exclamation},
    {71, Buttons::Ok, Icon::Exclamation},       {74, Buttons::Ok, Icon::Exclamation},
    {75, Buttons::Ok, Icon::Exclamation},       {76, Buttons::Ok, Icon::Exclamation},
};

std::string upperAscii(std::string s) {
  for (char& ch : s)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return s;
}

std::string trimBlanks(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string normalPath(const std::string& p) {
  std::error_code ec;
  const std::filesystem::path a = std::filesystem::absolute(p, ec);
  if (ec) return p;
  return a.lexically_normal().string();
}

}  // namespace

FileDialogResult askFileName(Ui& ui, FileDialogKind kind, const FileDialogRequest& request) {
  FileDialogResult chosen = kind == FileDialogKind::Save ? ui.saveFileDialog(request) : ui.openFileDialog(request);
  if (chosen.status == FileDialogResult::Status::Failed)
    ui.message(unexpectedErrorMessage(chosen.error), TessalyErrorTitle, Buttons::Ok, Icon::None);
  return chosen;
}

bool sameFileName(const std::string& name1, const std::string& name2) {
  const std::string a = trimBlanks(name1), b = trimBlanks(name2);
  if (upperAscii(a) == upperAscii(b)) return true;
  if (upperAscii(normalPath(a)) == upperAscii(normalPath(b))) return true;
  return sameExistingFile(a, b);
}

bool sameExistingFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

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
    st.MessageText = fileErrorText(e.number);
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
    st.MessageText = overwriteQuestionText(name);
    answer = ui.message(st.MessageText, FileMessageTitle, Buttons::OkCancel, Icon::Information);
  } else if (!exists && mode == 2) {
    st.MessageText = createQuestionText(name);
    answer = ui.message(st.MessageText, FileMessageTitle, Buttons::OkCancel, Icon::Information);
  } else if (!exists && (mode == 4 || mode == 5)) {
    answer = Answer::Ok;
  }
  if (answer && *answer == Answer::Cancel) return 0;
  if (answer && *answer == Answer::Ok && mode == 2) mode = 1;
  return 1;
}

}  // namespace tsly
