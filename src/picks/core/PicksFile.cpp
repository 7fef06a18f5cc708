#include "picks/core/PicksFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/FileChecks.h"
#include "platform/ShownText.h"
#include "shared/ExchangeOutput.h"
#include "picks/core/PickTable.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"

namespace tsly::picks {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A whole number in the 16-bit range, or a refusal reason.
bool readWhole16(std::string_view field, const char* what, std::int16_t& out, std::string& why) {
  if (!isNumberText(field)) {
    why = reason::notWhole(what, field);
    return false;
  }
  const double v = readNumber(field);
  if (v != std::floor(v) || v < -32768 || v > 32767) {
    why = reason::notWhole(what, field);
    return false;
  }
  out = static_cast<std::int16_t>(v);
  return true;
}

void rowsOfRecord(const CdpPicks& rec, std::vector<PickRow>& out) {
  std::vector<PickRow> rows;
  for (int k = 1; k <= PicksPerCdp; ++k)
    if (rec.PickVelocity[k] != 0) rows.push_back({rec.Cdp, rec.PickTime[k], rec.PickVelocity[k], 0, {}});
  std::stable_sort(rows.begin(), rows.end(), [](const PickRow& a, const PickRow& b) { return a.timeMs < b.timeMs; });
  out.insert(out.end(), rows.begin(), rows.end());
}

}  // namespace

// ---------------------------------------------------------------------------
// Reasons

namespace reason {
namespace {
// A field quoted in a reason: at most 30 characters of it.
std::string quoted(std::string_view field) { return "\"" + shownText(field, 30) + "\""; }
}  // namespace
std::string notWhole(const char* what, std::string_view field) {
  return std::string(what) + " " + quoted(field) + " is not a whole number from -32768 to 32767";
}
std::string notANumber(std::string_view field) { return "time " + quoted(field) + " is not a number"; }
std::string cdpNotListed(int cdp) { return "CDP " + plainNumberText(cdp) + " is not in the open file"; }
std::string notAPanel(int velocity, int cdp) {
  return "velocity " + plainNumberText(velocity) + " is not one of the panels of CDP " + plainNumberText(cdp);
}
std::string timeOutside(float timeMs, double lengthMs) {
  return "time " + plainNumberText(timeMs) + " ms lies outside the traces (0 to " + plainNumberText(lengthMs) +
         " ms)";
}
std::string tooMany(int cdp) {
  return "CDP " + plainNumberText(cdp) + " already has " + plainNumberText(PicksPerCdp) + " picks";
}
std::string velocityTaken(int cdp, int velocity, int line) {
  return "CDP " + plainNumberText(cdp) + " already has a pick at velocity " + plainNumberText(velocity) +
         " (line " + plainNumberText(line) + ")";
}
std::string timeTaken(int cdp, float timeMs, int velocity, int line) {
  return "CDP " + plainNumberText(cdp) + " already has a pick at " + timeText(timeMs) + " ms (velocity " +
         plainNumberText(velocity) + ", line " + plainNumberText(line) + "); two picks at one time are not allowed";
}
}  // namespace reason

// ---------------------------------------------------------------------------
// Rows and writing

std::vector<PickRow> tableRows(const AppState& st) {
  std::vector<PickRow> out;
  for (int c : recordsInCdpOrder(st.PickTable, usableRecords(st)))
    rowsOfRecord(st.PickTable[static_cast<std::size_t>(c)], out);
  return out;
}

std::vector<PickRow> orderedRows(std::vector<PickRow> rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const PickRow& a, const PickRow& b) {
    return a.cdp != b.cdp ? a.cdp < b.cdp : a.timeMs < b.timeMs;
  });
  return rows;
}

std::string timeText(float ms) {
  std::string t = plainNumberText(ms);
  if (static_cast<float>(readNumber(t)) == ms) return t;
  return plainNumberText(static_cast<double>(ms));
}

std::string picksFileText(const std::string& dataFile, const std::vector<PickRow>& rows) {
  // The name stays on its one line whatever it holds.
  std::string text = HeaderPrefix + printable(dataFile) + "\n";
  for (const PickRow& r : rows)
    text += plainNumberText(static_cast<int>(r.cdp)) + ", " + timeText(r.timeMs) + ", " +
            plainNumberText(static_cast<int>(r.velocity)) + "\n";
  return text;
}

std::string writePicksFile(const std::string& path, const AppState& st) {
  return writeTextFileWhole(path, picksFileText(st.DataFileName, tableRows(st)));
}

// ---------------------------------------------------------------------------
// Reading

ParsedPicks parsePicksText(std::string_view text) {
  ParsedPicks p;
  int line = 0;
  std::size_t start = 0;
  bool firstRow = true;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    ++line;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const std::string_view s = trim(raw);
    if (line == 1 && raw.substr(0, std::strlen(HeaderPrefix)) == HeaderPrefix) {
      p.savedFor = std::string(raw.substr(std::strlen(HeaderPrefix)));
      continue;
    }
    if (s.empty() || s.front() == '#') continue;
    if (firstRow) {
      firstRow = false;
      std::string compact;
      for (char c : s)
        if (c != ' ' && c != '\t') compact.push_back(c);
      if (compact == CsvHeader) continue;
    }
    std::vector<std::string_view> fields;
    std::size_t f = 0;
    while (true) {
      const std::size_t comma = s.find(',', f);
      fields.push_back(trim(s.substr(f, comma == std::string_view::npos ? std::string_view::npos : comma - f)));
      if (comma == std::string_view::npos) break;
      f = comma + 1;
    }
    RefusedRow bad{line, std::string(raw), {}};
    if (fields.size() != 3) {
      bad.reason = reason::NotARow;
      p.refused.push_back(bad);
      continue;
    }
    PickRow row;
    row.line = line;
    row.text = std::string(raw);
    if (!readWhole16(fields[0], "CDP", row.cdp, bad.reason) ||
        !readWhole16(fields[2], "velocity", row.velocity, bad.reason)) {
      p.refused.push_back(bad);
      continue;
    }
    const double t = isNumberText(fields[1]) ? readNumber(fields[1]) : NAN;
    if (!std::isfinite(t) || std::fabs(t) > 3.0e38) {
      bad.reason = reason::notANumber(fields[1]);
      p.refused.push_back(bad);
      continue;
    }
    row.timeMs = static_cast<float>(t);
    p.rows.push_back(row);
  }
  return p;
}

std::string readPicksFile(const std::string& path, ParsedPicks& out) {
  std::string text;
  if (std::string why = readInputText(path, text, MaxPicksFileBytes); !why.empty()) return why;
  out = parsePicksText(text);
  return {};
}

// ---------------------------------------------------------------------------
// Checking and loading

PicksCheck checkPicks(const ParsedPicks& parsed, const AppState& st) {
  PicksCheck c;
  c.savedFor = parsed.savedFor;
  c.otherFile = !parsed.savedFor.empty() && parsed.savedFor != st.DataFileName &&
                !sameExistingFile(parsed.savedFor, st.DataFileName);
  c.refused = parsed.refused;
  const int records = usableRecords(st);
  const double lengthMs = static_cast<double>(st.SampleInterval) / 1000.0 * st.NumSamples;
  const std::int32_t panels = std::clamp<std::int32_t>(st.PanelCount, 0, static_cast<std::int32_t>(st.PanelTable.size()));
  // Picks accepted so far per record: their velocities and lines.
  std::vector<std::vector<PickRow>> taken(static_cast<std::size_t>(records) + 1);
  for (const PickRow& row : parsed.rows) {
    RefusedRow bad{row.line, row.text, {}};
    std::int32_t record = 0;
    for (int r = 1; r <= records && !record; ++r)
      if (st.PickTable[static_cast<std::size_t>(r)].Cdp == row.cdp) record = r;
    std::int16_t panel = 0;
    for (std::int32_t p = 1; p <= panels && record && !panel; ++p) {
      const PanelEntry& e = st.PanelTable[static_cast<std::size_t>(p)];
      if (e.FirstCdp == row.cdp && e.Velocity == row.velocity && row.velocity != 0)
        panel = static_cast<std::int16_t>(std::min<std::int32_t>(p, 32767));
    }
    if (!record) {
      bad.reason = reason::cdpNotListed(row.cdp);
    } else if (!panel) {
      bad.reason = reason::notAPanel(row.velocity, row.cdp);
    } else if (!(row.timeMs >= 0.0f && row.timeMs <= lengthMs)) {
      bad.reason = reason::timeOutside(row.timeMs, lengthMs);
    } else {
      auto& mine = taken[static_cast<std::size_t>(record)];
      const auto same = std::find_if(mine.begin(), mine.end(),
                                     [&](const PickRow& t) { return t.velocity == row.velocity; });
      // Two picks at one time on a CDP make no velocity function: the check
      // that stops Next, Prev and the VELF commands would refuse them.
      const auto sameTime = std::find_if(mine.begin(), mine.end(),
                                         [&](const PickRow& t) { return t.timeMs == row.timeMs; });
      if (same != mine.end())
        bad.reason = reason::velocityTaken(row.cdp, row.velocity, same->line);
      else if (sameTime != mine.end())
        bad.reason = reason::timeTaken(row.cdp, row.timeMs, sameTime->velocity, sameTime->line);
      else if (static_cast<int>(mine.size()) >= PicksPerCdp)
        bad.reason = reason::tooMany(row.cdp);
      else {
        mine.push_back(row);
        c.accepted.push_back({record, panel, row});
        continue;
      }
    }
    c.refused.push_back(bad);
  }
  // Malformed rows and refused rows together, in the order of the file.
  std::stable_sort(c.refused.begin(), c.refused.end(),
                   [](const RefusedRow& a, const RefusedRow& b) { return a.line < b.line; });
  return c;
}

void applyPicks(AppState& st, const PicksCheck& check) {
  for (std::size_t r = 1; r <= st.PickTable.size(); ++r) {
    CdpPicks& rec = st.PickTable[r];
    for (int k = 1; k <= PicksPerCdp; ++k) {
      rec.PickTime[k] = 0.0f;
      rec.PickVelocity[k] = 0;
    }
  }
  for (const LoadedPick& p : check.accepted) {
    if (!st.PickTable.valid(p.record)) continue;
    CdpPicks& rec = st.PickTable[static_cast<std::size_t>(p.record)];
    for (int k = 1; k <= PicksPerCdp; ++k) {
      if (rec.PickVelocity[k] != 0) continue;
      rec.PickVelocity[k] = p.row.velocity;
      rec.PickTime[k] = p.row.timeMs;
      rec.PickPanel[k] = p.panel;
      break;
    }
  }
}

std::string printable(std::string text) {
  for (char& ch : text)
    if (static_cast<unsigned char>(ch) < 32 || ch == 127) ch = '?';
  return text;
}

std::string loadReport(const PicksCheck& check, const char* lineBreak) {
  std::string t;
  if (check.otherFile) t += "These picks were saved for " + printable(check.savedFor) + "." + lineBreak;
  t += plainNumberText(static_cast<long long>(check.accepted.size())) +
       (check.accepted.size() == 1 ? " pick loaded" : " picks loaded");
  if (check.refused.empty()) return t + ".";
  t += ", " + plainNumberText(static_cast<long long>(check.refused.size())) +
       (check.refused.size() == 1 ? " row refused:" : " rows refused:");
  std::size_t listed = 0;
  for (const RefusedRow& r : check.refused) {
    if (listed == ReportRowsListed) break;
    const std::string shown = printable(r.text.size() > 60 ? r.text.substr(0, 60) + "..." : r.text);
    t += lineBreak + std::string("Line ") + plainNumberText(r.line) + " \"" + shown + "\": " + printable(r.reason);
    ++listed;
  }
  if (check.refused.size() > listed)
    t += lineBreak + std::string("... and ") + plainNumberText(static_cast<long long>(check.refused.size() - listed)) +
         " more rows refused";
  return t;
}

// ---------------------------------------------------------------------------
// Exports

std::string parText(const std::vector<PickRow>& unordered, std::string& error) {
  error.clear();
  const std::vector<PickRow> rows = orderedRows(unordered);
  std::string cdps = "cdp=", functions;
  for (std::size_t i = 0; i < rows.size();) {
    std::size_t j = i;
    std::string tnmo = "tnmo=", vnmo = "vnmo=";
    for (; j < rows.size() && rows[j].cdp == rows[i].cdp; ++j) {
      if (j > i && rows[j].timeMs == rows[j - 1].timeMs) {
        error = "CDP " + plainNumberText(static_cast<int>(rows[j].cdp)) + " has two picks at " +
                plainNumberText(rows[j].timeMs) + " ms; tnmo times must increase";
        return {};
      }
      if (j > i) tnmo += ",", vnmo += ",";
      tnmo += plainNumberText(static_cast<float>(static_cast<double>(rows[j].timeMs) / 1000.0));
      vnmo += plainNumberText(static_cast<int>(rows[j].velocity));
    }
    if (i > 0) cdps += ",";
    cdps += plainNumberText(static_cast<int>(rows[i].cdp));
    functions += tnmo + "\n" + vnmo + "\n";
    i = j;
  }
  if (rows.empty()) {
    error = "there are no picks to export";
    return {};
  }
  return cdps + "\n" + functions;
}

std::string csvText(const std::vector<PickRow>& rows) {
  std::string t = std::string(CsvHeader) + "\n";
  for (const PickRow& r : orderedRows(rows))
    t += plainNumberText(static_cast<int>(r.cdp)) + "," + timeText(r.timeMs) + "," +
         plainNumberText(static_cast<int>(r.velocity)) + "\n";
  return t;
}

// ---------------------------------------------------------------------------
// Save point

namespace {
std::vector<PickRow> canonical(const AppState& st) {
  std::vector<PickRow> rows = tableRows(st);
  std::sort(rows.begin(), rows.end(), [](const PickRow& a, const PickRow& b) {
    if (a.cdp != b.cdp) return a.cdp < b.cdp;
    if (a.timeMs != b.timeMs) return a.timeMs < b.timeMs;
    return a.velocity < b.velocity;
  });
  return rows;
}
}  // namespace

void PicksSavePoint::mark(const AppState& st) { mark(st, st.DataFileName); }

bool PicksSavePoint::unsaved(const AppState& st) const { return unsaved(st, st.DataFileName); }

void PicksSavePoint::mark(const AppState& st, const std::string& dataFile) {
  dataFile_ = dataFile;
  picks_ = canonical(st);
}

bool PicksSavePoint::unsaved(const AppState& st, const std::string& dataFile) const {
  const std::vector<PickRow> now = canonical(st);
  if (now.empty()) return false;
  return dataFile != dataFile_ || now != picks_;
}

void PicksSavePoint::markEmpty(const std::string& dataFile) {
  dataFile_ = dataFile;
  picks_.clear();
}

}  // namespace tsly::picks
