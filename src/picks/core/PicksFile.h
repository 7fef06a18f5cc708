// Picks that survive the program: the picks file, its check against the open
// file, the Seismic Unix par and CSV exports, and the save point that says
// whether the picks have changed since they were last saved or sent.
//
// The picks file is plain text, one pick per line, lines ended by LF (CR LF is
// read as well):
//
//   # Tessaly picks for /data/line7.nmo
//   101, 120.5, 1500
//   101, 480, 1650
//
// The first line names the data file the picks were made on. Every other line
// is "CDP, time_ms, velocity": the CDP and the velocity whole numbers, the time
// in milliseconds (two-way, as picked). Blank lines and lines starting with '#'
// are skipped; so is a first row "cdp,time_ms,velocity", so that a CSV export
// reads back too. Files are written CDPs ascending, each CDP's picks ascending in
// time, and whole (a temporary file renamed into place).
//
// Times are written with the program's number text (".5" style, at most 7
// significant digits); a time that would not read back as the same value is
// written with 15 digits, so a pick read back is exactly the pick saved.
//
// Loading: parsePicksText() checks the form of each line; checkPicks() checks
// each well-formed row against the open file as clicks are checked: the CDP
// must be listed, the velocity must be that of one of the CDP's panels, the
// time must lie within the traces (0 to samples x interval), a CDP takes at
// most 20 picks, one pick per velocity and one per time (two picks at one time
// are refused, as Next, Prev and the VELF commands refuse them). Every refused row is reported with
// its line number, its text and the reason; applyPicks() then replaces the
// picks of the table by the accepted rows, each in the lowest free slot of its
// CDP with the panel it belongs to, as clicks would have stored them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shared/State.h"

namespace tsly::picks {

inline constexpr const char* HeaderPrefix = "# Tessaly picks for ";
inline constexpr const char* CsvHeader = "cdp,time_ms,velocity";
// A picks file holds a few thousand lines at most; a larger file is not one.
inline constexpr std::size_t MaxPicksFileBytes = 16u << 20;
// Refused rows listed one by one in a load report; the rest are counted.
inline constexpr std::size_t ReportRowsListed = 30;

struct PickRow {
  std::int16_t cdp = 0;
  float timeMs = 0.0f;
  std::int16_t velocity = 0;
  int line = 0;      // line of the file the row came from (0: from the table)
  std::string text;  // that line as it stands (empty for a row of the table)
  // Two rows are the same pick when CDP, time and velocity agree.
  bool operator==(const PickRow& o) const {
    return cdp == o.cdp && timeMs == o.timeMs && velocity == o.velocity;
  }
};

// The picks of the table: records in ascending CDP order (like the VELF deck),
// each record's picks ascending in time (equal times keep their slot order).
std::vector<PickRow> tableRows(const AppState& st);
// The same order for rows from elsewhere (a file): CDP ascending, then time;
// rows that compare equal keep their order.
std::vector<PickRow> orderedRows(std::vector<PickRow> rows);

// The text of a time in ms that reads back as the same float.
std::string timeText(float ms);

// Whole text of a picks file for `dataFile`.
std::string picksFileText(const std::string& dataFile, const std::vector<PickRow>& rows);
// Writes the table's picks for st.DataFileName. Empty on success, else the reason.
std::string writePicksFile(const std::string& path, const AppState& st);

struct RefusedRow {
  int line = 0;
  std::string text;    // the line as it stands (without its line end)
  std::string reason;
};

struct ParsedPicks {
  std::string savedFor;  // the data file named in the first line ("" if none)
  std::vector<PickRow> rows;
  std::vector<RefusedRow> refused;  // lines that are not well-formed rows
};

ParsedPicks parsePicksText(std::string_view text);
// Reads and parses a picks file. Empty on success, else why it cannot be read.
std::string readPicksFile(const std::string& path, ParsedPicks& out);

struct LoadedPick {
  std::int32_t record = 0;  // PickTable index
  std::int16_t panel = 0;   // PanelTable index of the pick's panel
  PickRow row;
};

struct PicksCheck {
  std::vector<LoadedPick> accepted;  // in file order
  std::vector<RefusedRow> refused;   // in line order
  std::string savedFor;
  bool otherFile = false;            // the file names a data file other than the open one
};

// Checks parsed rows against the open file's tables; changes nothing.
PicksCheck checkPicks(const ParsedPicks& parsed, const AppState& st);
// Replaces every pick of the table by the accepted ones.
void applyPicks(AppState& st, const PicksCheck& check);
// A text from a file made fit to show: control characters become '?'.
std::string printable(std::string text);
// What was loaded and every refused row, lines joined by `lineBreak`.
std::string loadReport(const PicksCheck& check, const char* lineBreak = CrLf);

// Seismic Unix par text (sunmo, sustkvel ...): "cdp=c1,c2,...", then per CDP
// "tnmo=t1,t2,..." in seconds and "vnmo=v1,v2,...". CDPs without picks are not
// listed. SU wants times increasing: two picks of one CDP at the same time are
// refused (empty result, `error` says which).
std::string parText(const std::vector<PickRow>& rows, std::string& error);
// "cdp,time_ms,velocity", then one row per pick.
std::string csvText(const std::vector<PickRow>& rows);

// Whether the picks have changed since they were last saved to a picks file or
// sent whole as a VELF deck. The window marks the point after a save, a load
// and a complete deck, and asks unsaved() before Exit or another Open: true when
// the table holds picks that differ from the marked ones (their order in the
// slots does not count), or that belong to another data file.
class PicksSavePoint {
 public:
  void mark(const AppState& st);
  bool unsaved(const AppState& st) const;
  // The same for picks that belong to `dataFile` whatever file is open now: the
  // panel file they were made on stays theirs while a gather is open (to make
  // panels from) or after a file was refused.
  void mark(const AppState& st, const std::string& dataFile);
  bool unsaved(const AppState& st, const std::string& dataFile) const;
  // A fresh, empty pick table for `dataFile` (a panel file just opened):
  // nothing to lose until a pick is made.
  void markEmpty(const std::string& dataFile);

 private:
  std::string dataFile_;
  std::vector<PickRow> picks_;
};

// The reasons a row is refused, named once.
namespace reason {
inline constexpr const char* NotARow = "not a row of three fields: CDP, time in ms, velocity";
std::string notWhole(const char* what, std::string_view field);      // CDP "x" is not a whole number ...
std::string notANumber(std::string_view field);                      // time "x" is not a number
std::string cdpNotListed(int cdp);
std::string notAPanel(int velocity, int cdp);
std::string timeOutside(float timeMs, double lengthMs);
std::string tooMany(int cdp);
std::string velocityTaken(int cdp, int velocity, int line);
std::string timeTaken(int cdp, float timeMs, int velocity, int line);
}  // namespace reason

}  // namespace tsly::picks
