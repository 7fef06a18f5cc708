#include "shared/Settings.h"

#include <cmath>
#include <cstdio>

#include "platform/AtomicFile.h"
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

bool loadSettingsFile(const std::string& path, AppState& st, SettingsLoad& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  // Read only as far as the 22nd line end (each line cut at MaxSettingsLine).
  std::string content;
  int lineEnds = 0;
  std::size_t lineLen = 0;
  int prev = -1;
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n' && prev == '\r') {
      content.push_back('\n');
      prev = c;
      continue;
    }
    if (c == '\r' || c == '\n') {
      if (++lineEnds > SettingsLineCount) break;
      content.push_back(static_cast<char>(c));
      lineLen = 0;
    } else if (lineLen < MaxSettingsLine) {
      content.push_back(static_cast<char>(c));
      ++lineLen;
    }
    prev = c;
  }
  std::fclose(f);
  out = applySettingsLines(settingsLines(content), st);
  return true;
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
