#include "shared/Settings.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/TextFiles.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"

namespace tsly {

namespace {

float readF32(const std::string& field, float current) {
  const double v = readNumber(field);
  const float f = static_cast<float>(v);
  return std::isfinite(f) ? f : current;
}

std::int16_t readFlag(const std::string& field) { return nearestI16(readNumber(field)); }

std::optional<float> readPlacement(const std::string& field) {
  const float f = static_cast<float>(readNumber(field));
  if (!std::isfinite(f)) return std::nullopt;
  return f;
}

std::string numberLine(float v, const char* label) { return numberText(v) + " " + label; }
std::string numberLine(int v, const char* label) { return numberText(v) + " " + label; }

bool sameLettersIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string pathLine(const std::string& s) {
  const auto end = s.find_first_of("\r\n");
  return end == std::string::npos ? s : s.substr(0, end);
}

}  // namespace

std::vector<std::string> settingsLines(std::string_view content, int maxLines) {
  std::vector<std::string> lines;
  std::string cur;
  bool open = false;  // a line has started and not yet ended
  for (std::size_t i = 0; i < content.size() && static_cast<int>(lines.size()) < maxLines; ++i) {
    const char c = content[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
      lines.push_back(std::move(cur));
      cur.clear();
      open = false;
      continue;
    }
    open = true;
    if (cur.size() < MaxSettingsLine) cur.push_back(c);
  }
  if (open && static_cast<int>(lines.size()) < maxLines) lines.push_back(std::move(cur));
  return lines;
}

std::string settingsField(std::string_view line) {
  std::string out;
  for (char c : line) {
    if (c == ',') break;
    if (c != '\0') out.push_back(c);
  }
  return out;
}

SettingsLoad applySettingsLines(const std::vector<std::string>& lines, AppState& st) {
  SettingsLoad r;
  r.linesRead = static_cast<int>(lines.size());
  for (int n = 1; n <= SettingsLineCount && n <= r.linesRead; ++n) {
    const std::string f = settingsField(lines[static_cast<std::size_t>(n - 1)]);
    switch (n) {
      case 1: st.TraceSpacing = readF32(f, st.TraceSpacing); break;
      case 2: st.TraceLengthSetting = readF32(f, st.TraceLengthSetting); break;
      case 4: st.SamplingRatio = readF32(f, st.SamplingRatio); break;
      case 6: st.DataDivisor = readF32(f, st.DataDivisor); break;
      case 7: st.LastPath = f; break;
      case 12: st.ProcessingSystemPath = f; break;
      case 13: st.AreaFillFlag = readFlag(f); break;
      case 14: st.NormalizeFlag = readFlag(f); break;
      case 15: st.GraphicsSaveFlag = readFlag(f); break;
      case 19: r.formTop = readPlacement(f); break;
      case 20: r.formLeft = readPlacement(f); break;
      case 21: r.formWidth = readPlacement(f); break;
      case 22: r.formHeight = readPlacement(f); break;
      default: break;  // place holders
    }
  }
  st.GraphicsSaveFlag = -1;
  return r;
}

std::string findSettingsFile(const std::string& folder) {
  const std::filesystem::path dir(folder.empty() ? "." : folder);
  struct stat st {};
  if (::lstat((dir / SettingsFileDefaultName).c_str(), &st) == 0) return SettingsFileDefaultName;
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (sameLettersIgnoringCase(name, SettingsFileDefaultName)) names.push_back(name);
  }
  if (names.empty()) return "";
  std::sort(names.begin(), names.end());
  return names.front();
}

int readSettings(const std::string& path, AppState& st, SettingsLoad& out) {
  if (path.empty() || path.find('\0') != std::string::npos) return fileerr::BadNameOrNumber;
  // Not blocking: a FIFO opens at once (and is then refused) instead of
  // waiting for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fileErrorFromErrno(errno, path);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return fileerr::AccessError;
  }
  std::string content(MaxSettingsBytes, '\0');
  std::size_t have = 0;
  while (have < content.size()) {
    const ssize_t n = ::read(fd, content.data() + have, content.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      return fileErrorFromErrno(err, path);
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  ::close(fd);
  content.resize(have);
  out = applySettingsLines(settingsLines(content), st);
  return 0;
}

bool loadSettingsFile(const std::string& path, AppState& st, SettingsLoad& out) {
  return readSettings(path, st, out) == 0;
}

bool loadSettingsFile(Ui& ui, AppState& st, const std::string& path, SettingsLoad& out) {
  const int error = readSettings(path, st, out);
  if (error == 0) return true;
  ReportFileError(ui, st, static_cast<std::int16_t>(error));
  return false;
}

void applyMissingSettingsDefaults(AppState& st) {
  st.TraceSpacing = 10.0f;
  st.TraceLengthSetting = 100.0f;
  st.DataDivisor = 10.0f;
  st.ProcessingSystemPath = DefaultProcessingSystemPath;
}

std::string settingsText(const AppState& st, const FormPlacement& form) {
  std::vector<std::string> lines;
  lines.reserve(SettingsLineCount);
  const char* placeHolder = " place holder";
  lines.push_back(numberLine(st.TraceSpacing, " trace offset"));
  lines.push_back(numberLine(st.TraceLengthSetting, " tlength"));
  lines.push_back(numberLine(0, placeHolder));
  lines.push_back(numberLine(st.SamplingRatio, " sampling ratio"));
  lines.push_back(numberLine(0, placeHolder));
  lines.push_back(numberLine(st.DataDivisor, " datadivisor"));
  lines.push_back(pathLine(st.LastPath));
  for (int i = 8; i <= 11; ++i) lines.push_back(numberLine(0, placeHolder));
  lines.push_back(pathLine(st.ProcessingSystemPath));
  lines.push_back(numberLine(static_cast<int>(st.AreaFillFlag), " area fill flag"));
  lines.push_back(numberLine(static_cast<int>(st.NormalizeFlag), " normalize flag"));
  lines.push_back(numberLine(static_cast<int>(st.GraphicsSaveFlag), " graphics save flag"));
  for (int i = 16; i <= 18; ++i) lines.push_back(numberLine(0, placeHolder));
  lines.push_back(numberLine(form.Top, " form top"));
  lines.push_back(numberLine(form.Left, " form left"));
  lines.push_back(numberLine(form.Width, " form width"));
  lines.push_back(numberLine(form.Height, " form height"));
  std::string out;
  for (const auto& l : lines) {
    out += l;
    out += CrLf;
  }
  return out;
}

int writeSettingsFile(const std::string& path, const std::string& text) {
  return writeFileAtomically(path, text);
}

}  // namespace tsly
