// The picks file: any bytes as its text through the reader, then the rows
// checked against a panel file as "Load Picks" and `tsly picks-check` check
// them, loaded, reported and exported. Whatever the text, the reader accounts
// for every row, rows written back read back the same, the check sorts every
// row into accepted or refused (at most 20 picks a CDP, one per velocity), the
// report shows no control character, and the exports read back.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "open/core/OpenScan.h"
#include "picks/core/PicksFile.h"
#include "shared/TraceFormat.h"
#include "tests/support/TraceFileBuilder.h"

using namespace tsly;

namespace {

// Velocity-scan panels of CDPs 101 and 201, opened as the Open opens them.
const AppState& panels() {
  static const AppState st = [] {
    test::TraceFileBuilder b(4, 20);
    for (int v = 0; v < 3; ++v) b.panel(101, 3, 1500 + 500 * v);
    for (int v = 0; v < 2; ++v) b.panel(201, 2, 1500 + 500 * v);
    AppState s;
    s.DataFileName = fuzz::lastingFile(b.bytes());
    if (!openScan(s).ok()) fuzz::fail("the panel file of the fuzz target does not open");
    return s;
  }();
  return st;
}

bool hasControl(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      ++i;
      continue;
    }
    if (c < 32 || c == 127) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const picks::ParsedPicks p = picks::parsePicksText(text);
  std::size_t lines = 1;
  for (char c : text) lines += c == '\n';
  if (p.rows.size() + p.refused.size() > lines) fuzz::fail("more rows than lines");
  for (const auto& r : p.rows)
    if (r.line < 1 || static_cast<std::size_t>(r.line) > lines) fuzz::fail("row on a line that is not there");

  // Written as a picks file, the rows read back the same.
  const picks::ParsedPicks again = picks::parsePicksText(picks::picksFileText(p.savedFor, p.rows));
  if (!again.refused.empty()) fuzz::fail("a row written back is refused");
  if (again.rows != p.rows) fuzz::fail("rows written back read back otherwise");
  if (again.savedFor != picks::printable(p.savedFor)) fuzz::fail("the data file's name does not read back");

  // Checked and loaded as Load Picks does.
  AppState st = panels();
  const picks::PicksCheck c = picks::checkPicks(p, st);
  if (c.accepted.size() + c.refused.size() != p.rows.size() + p.refused.size())
    fuzz::fail("a row is neither accepted nor refused");
  picks::applyPicks(st, c);
  std::size_t stored = 0;
  for (std::size_t r = 1; r <= st.PickTable.size(); ++r)
    for (int k = 1; k <= PicksPerCdp; ++k) stored += st.PickTable[r].PickVelocity[k] != 0;
  if (stored != c.accepted.size()) fuzz::fail("accepted picks not all stored");
  if (picks::tableRows(st).size() != stored) fuzz::fail("the table's rows are not its picks");
  const std::string report = picks::loadReport(c);
  if (hasControl(report)) fuzz::fail("a control character in the load report");

  // The exports: CSV reads back as the same picks; par text or a reason.
  const picks::ParsedPicks csv = picks::parsePicksText(picks::csvText(p.rows));
  if (!csv.refused.empty() || csv.rows != picks::orderedRows(p.rows)) fuzz::fail("CSV export does not read back");
  std::string error;
  const std::string par = picks::parText(p.rows, error);
  if (par.empty() == error.empty()) fuzz::fail("par export gives neither text nor reason");
  return 0;
}
