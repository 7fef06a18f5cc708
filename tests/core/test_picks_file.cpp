// Picks files: saving the pick table, reading it back against the open file,
// the refusals, the par and CSV exports, and the save point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <random>

#include "picks/core/PicksFile.h"
#include "picks/core/PickTable.h"
#include "support/PanelFile.h"
#include "support/PickFixtures.h"
#include "support/TraceFileBuilder.h"

using namespace tsly;
using namespace tsly::test;
using picks::PickRow;

namespace {

// An open panel file: CDP 101 with panels 1500/1800/2100, CDP 111 with
// 1500/1800/2100/2400; 100 samples at 4000 us (traces 400 ms long).
struct OpenFile {
  TempDir dir;
  AppState st;
  OpenFile() {
    writePanelFile(dir.file("scan.nmo"),
                   {{101, 1500, 4}, {101, 1800, 4}, {101, 2100, 4}, {111, 1500, 4}, {111, 1800, 4}, {111, 2100, 4},
                    {111, 2400, 4}},
                   {}, &st);
  }
  CdpPicks& cdp(int index) { return st.PickTable[static_cast<size_t>(index)]; }
};

picks::PicksCheck load(const OpenFile& f, const std::string& text) {
  return picks::checkPicks(picks::parsePicksText(text), f.st);
}

}  // namespace

TEST(PicksFile, SavesEveryCdpInCdpOrderAndTimeOrder) {
  OpenFile f;
  // Table order 101, 111; picks made out of time order.
  addPick(f.cdp(2), 300.0f, 2400, 7);
  addPick(f.cdp(2), 120.5f, 1500, 4);
  addPick(f.cdp(1), 250.0f, 2100, 3);
  addPick(f.cdp(1), 0.5f, 1800, 2);
  const std::string path = f.dir.file("line.picks");
  ASSERT_EQ(picks::writePicksFile(path, f.st), "");
  EXPECT_EQ(readFile(path), "# Tessaly picks for " + f.dir.file("scan.nmo") +
                                "\n"
                                "101, .5, 1800\n"
                                "101, 250, 2100\n"
                                "111, 120.5, 1500\n"
                                "111, 300, 2400\n");
  // The table itself is not reordered by saving.
  EXPECT_EQ(f.cdp(2).PickVelocity[1], 2400);
}

TEST(PicksFile, TimesReadBackExactly) {
  EXPECT_EQ(picks::timeText(120.5f), "120.5");
  EXPECT_EQ(picks::timeText(0.5f), ".5");
  EXPECT_EQ(picks::timeText(400.0f), "400");
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> any(0.0f, 20000.0f);
  for (int i = 0; i < 20000; ++i) {
    const float t = any(gen);
    const auto p = picks::parsePicksText("101, " + picks::timeText(t) + ", 1500\n");
    ASSERT_EQ(p.rows.size(), 1u);
    ASSERT_EQ(p.rows[0].timeMs, t) << picks::timeText(t);
  }
}

TEST(PicksFile, RoundTripRestoresThePicksAsClicksMadeThem) {
  OpenFile f;
  addPick(f.cdp(1), 33.333332f, 2100, 3);
  addPick(f.cdp(1), 12.25f, 1500, 1);
  for (int k = 0; k < 4; ++k) addPick(f.cdp(2), 40.0f * static_cast<float>(k + 1), static_cast<std::int16_t>(1500 + 300 * k), static_cast<std::int16_t>(4 + k));
  const std::string path = f.dir.file("p.picks");
  ASSERT_EQ(picks::writePicksFile(path, f.st), "");

  OpenFile g;  // the same file opened afresh, with a stale pick of its own
  addPick(g.cdp(1), 99.0f, 1800, 2);
  picks::ParsedPicks parsed;
  ASSERT_EQ(picks::readPicksFile(path, parsed), "");
  EXPECT_EQ(parsed.savedFor, f.dir.file("scan.nmo"));
  const auto check = picks::checkPicks(parsed, g.st);
  EXPECT_TRUE(check.refused.empty());
  EXPECT_EQ(check.accepted.size(), 6u);
  EXPECT_TRUE(check.otherFile);  // saved for f's file, loaded on g's
  picks::applyPicks(g.st, check);
  // Slots 1..n in file order (times ascending), each with its panel.
  EXPECT_EQ(g.cdp(1).PickVelocity[1], 1500);
  EXPECT_EQ(g.cdp(1).PickTime[1], 12.25f);
  EXPECT_EQ(g.cdp(1).PickPanel[1], 1);
  EXPECT_EQ(g.cdp(1).PickVelocity[2], 2100);
  EXPECT_EQ(g.cdp(1).PickTime[2], 33.333332f);
  EXPECT_EQ(g.cdp(1).PickPanel[2], 3);
  EXPECT_EQ(g.cdp(1).PickVelocity[3], 0);  // the stale pick is gone
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(g.cdp(2).PickVelocity[k], 1500 + 300 * (k - 1));
    EXPECT_EQ(g.cdp(2).PickPanel[k], 3 + k);
  }
  EXPECT_EQ(picks::tableRows(g.st), picks::tableRows(f.st));
}

TEST(PicksFile, EveryRefusedRowIsReportedAndTheRestLoaded) {
  OpenFile f;
  std::string text = "# Tessaly picks for " + f.st.DataFileName + "\n";
  text += "101, 100, 1500\n";        // 2 ok
  text += "105, 100, 1500\n";        // 3 CDP not listed
  text += "101, 150, 2400\n";        // 4 ok: any velocity (2400 is a panel of 111 only)
  text += "101, 400.5, 1800\n";      // 5 beyond 400 ms
  text += "101, -1, 1800\n";         // 6 before 0
  text += "101, 200, 1500\n";        // 7 ok: 1500 again at another time
  text += "101, 400, 1800\n";        // 8 ok (the last sample time counts)
  text += "abc\n";                   // 9
  text += "101, 100\n";              // 10
  text += "101.5, 100, 1500\n";      // 11
  text += "101, 1o0, 1500\n";        // 12
  text += "101, 100, 40000\n";       // 13
  text += "\n# a comment\n";         // 14, 15 skipped
  text += "  111 ,  0 , 2400  \r\n"; // 16 ok
  text += "101, 100, 2100\n";        // 17 100 ms taken on line 2
  text += "101, 300, 0\n";           // 18 no velocity
  text += "101, 310, -1500\n";       // 19
  const auto c = load(f, text);
  ASSERT_EQ(c.accepted.size(), 5u);
  const int lines[] = {2, 4, 7, 8, 16};
  const int panels[] = {1, 0, 1, 2, 7};  // the panel of the velocity, 0 for none
  for (std::size_t k = 0; k < 5; ++k) {
    EXPECT_EQ(c.accepted[k].row.line, lines[k]);
    EXPECT_EQ(c.accepted[k].panel, panels[k]) << lines[k];
  }
  EXPECT_EQ(c.accepted[4].record, 2);
  EXPECT_FALSE(c.otherFile);
  EXPECT_EQ(picks::loadReport(c, "\n"),
            "5 picks loaded, 11 rows refused:\n"
            "Line 3 \"105, 100, 1500\": CDP 105 is not in the open file\n"
            "Line 5 \"101, 400.5, 1800\": time 400.5 ms lies outside the traces (0 to 400 ms)\n"
            "Line 6 \"101, -1, 1800\": time -1 ms lies outside the traces (0 to 400 ms)\n"
            "Line 9 \"abc\": not a row of three fields: CDP, time in ms, velocity\n"
            "Line 10 \"101, 100\": not a row of three fields: CDP, time in ms, velocity\n"
            "Line 11 \"101.5, 100, 1500\": CDP \"101.5\" is not a whole number from -32768 to 32767\n"
            "Line 12 \"101, 1o0, 1500\": time \"1o0\" is not a number\n"
            "Line 13 \"101, 100, 40000\": velocity \"40000\" is not a whole number from -32768 to 32767\n"
            "Line 17 \"101, 100, 2100\": CDP 101 already has a pick at 100 ms (velocity 1500, line 2); two picks "
            "at one time are not allowed\n"
            "Line 18 \"101, 300, 0\": velocity 0 lies outside 1 to 32767\n"
            "Line 19 \"101, 310, -1500\": velocity -1500 lies outside 1 to 32767");
  // Applying changes only the accepted picks into place.
  picks::applyPicks(f.st, c);
  EXPECT_EQ(picksInUse(f.cdp(1)), 4);
  EXPECT_EQ(picksInUse(f.cdp(2)), 1);
}

TEST(PicksFile, AtMostTwentyPicksPerCdp) {
  // CDP 101 with 25 panels.
  TempDir d;
  AppState st;
  std::vector<PanelSpec> panels;
  for (int k = 0; k < 25; ++k) panels.push_back({101, static_cast<std::int16_t>(1500 + 50 * k), 2});
  PanelFileOptions o;
  o.samples = 500;
  writePanelFile(d.file("many.nmo"), panels, o, &st);
  std::string text;
  for (int k = 0; k < 25; ++k)
    text += "101, " + std::to_string(10 * k) + ", " + std::to_string(1500 + 50 * k) + "\n";
  const auto c = picks::checkPicks(picks::parsePicksText(text), st);
  EXPECT_EQ(c.accepted.size(), 20u);
  ASSERT_EQ(c.refused.size(), 5u);
  EXPECT_EQ(c.refused[0].line, 21);
  EXPECT_EQ(c.refused[0].reason, "CDP 101 already has 20 picks");
  picks::applyPicks(st, c);
  EXPECT_EQ(picksInUse(st.PickTable[1]), 20);
}

TEST(PicksFile, CsvExportAndCrLfFilesReadBack) {
  OpenFile f;
  const auto c = load(f, "cdp,time_ms,velocity\r\n111,120.5,1500\r\n101,.5,1800\r\n");
  EXPECT_TRUE(c.refused.empty());
  EXPECT_EQ(c.accepted.size(), 2u);
  EXPECT_TRUE(c.savedFor.empty());
  EXPECT_FALSE(c.otherFile);
}

TEST(PicksFile, LongReportsListThirtyRowsAndCountTheRest) {
  OpenFile f;
  std::string text;
  for (int i = 0; i < 45; ++i) text += "999, 1, 1500\n";
  const std::string r = picks::loadReport(load(f, text), "\n");
  EXPECT_EQ(std::count(r.begin(), r.end(), '\n'), 31);
  EXPECT_EQ(r.substr(0, r.find('\n')), "0 picks loaded, 45 rows refused:");
  EXPECT_EQ(r.substr(r.rfind('\n') + 1), "... and 15 more rows refused");
}

TEST(PicksFile, ReportNamesAnotherDataFile) {
  OpenFile f;
  const auto c = load(f, "# Tessaly picks for /elsewhere/other.nmo\n101, 4, 1500\n");
  EXPECT_TRUE(c.otherFile);
  EXPECT_EQ(picks::loadReport(c), "These picks were saved for /elsewhere/other.nmo.\r\n1 pick loaded.");
}

TEST(PicksFile, UnreadableFilesSayWhy) {
  TempDir d;
  picks::ParsedPicks p;
  EXPECT_EQ(picks::readPicksFile(d.file("none.picks"), p),
            "\"" + d.file("none.picks") + "\": No such file or directory");
  {
    std::ofstream big(d.file("big.dat"), std::ios::binary);
    big.seekp(static_cast<std::streamoff>(picks::MaxPicksFileBytes));
    big.put('\0');
  }
  EXPECT_EQ(picks::readPicksFile(d.file("big.dat"), p), "\"" + d.file("big.dat") + "\" is larger than 16 MiB");
  // Binary junk gives refused rows, never a crash; control characters are not shown raw.
  const std::string junk("\x01\x02,\xff\n\0\0\0,1,2\n", 13);
  const auto parsed = picks::parsePicksText(junk);
  EXPECT_TRUE(parsed.rows.empty());
  EXPECT_EQ(parsed.refused.size(), 2u);
  picks::PicksCheck c;
  c.refused = parsed.refused;
  const std::string report = picks::loadReport(c, "\n");
  EXPECT_EQ(report.find('\x01'), std::string::npos);
  EXPECT_EQ(report.find('\0'), std::string::npos);
}

TEST(PicksFile, ANameWithALineBreakStaysOnTheFirstLine) {
  const std::string text = picks::picksFileText("/data/odd\nname.nmo", {{101, 40.0f, 1500, 0, {}}});
  EXPECT_EQ(text, "# Tessaly picks for /data/odd?name.nmo\n101, 40, 1500\n");
  const auto p = picks::parsePicksText(text);
  EXPECT_EQ(p.rows.size(), 1u);
  EXPECT_TRUE(p.refused.empty());
}

TEST(PicksFile, AnyBytesParseAndCheckWithoutHarm) {
  OpenFile f;
  std::mt19937 gen(11);
  const std::string alphabet = "0123456789 ,.-+eE#\n\r\t\x00\xff";
  for (int round = 0; round < 3000; ++round) {
    std::string text(static_cast<size_t>(gen() % 200), ' ');
    for (char& c : text) c = alphabet[gen() % alphabet.size()];
    const auto parsed = picks::parsePicksText(text);
    const auto c = picks::checkPicks(parsed, f.st);
    EXPECT_EQ(c.accepted.size() + c.refused.size(), parsed.rows.size() + parsed.refused.size());
    picks::applyPicks(f.st, c);
    for (size_t r = 1; r <= f.st.PickTable.size(); ++r) ASSERT_LE(picksInUse(f.st.PickTable[r]), PicksPerCdp);
    picks::loadReport(c);
  }
}

TEST(PicksFile, WritingIsWholeOrNothing) {
  OpenFile f;
  addPick(f.cdp(1), 100.0f, 1500, 1);
  const std::string path = f.dir.file("p.picks");
  writeFile(path, "old picks\n");
  ASSERT_EQ(picks::writePicksFile(path, f.st), "");
  EXPECT_EQ(readFile(path), "# Tessaly picks for " + f.st.DataFileName + "\n101, 100, 1500\n");
  EXPECT_EQ(fileNames(f.dir.path()), (std::vector<std::string>{"p.picks", "scan.nmo"}));
  const std::string err = picks::writePicksFile(f.dir.file("no/such/folder/p.picks"), f.st);
  EXPECT_EQ(err, "cannot write in " + f.dir.file("no/such/folder") + ": No such file or directory");
}

TEST(PicksExport, SeismicUnixPar) {
  OpenFile f;
  addPick(f.cdp(2), 480.0f, 1650, 5);
  addPick(f.cdp(2), 120.5f, 1500, 4);
  addPick(f.cdp(1), 1000.0f, 2100, 3);
  std::string error;
  EXPECT_EQ(picks::parText(picks::tableRows(f.st), error),
            "cdp=101,111\n"
            "tnmo=1\n"
            "vnmo=2100\n"
            "tnmo=.1205,.48\n"
            "vnmo=1500,1650\n");
  EXPECT_EQ(error, "");
  // Rows from a file in any order come out grouped and ordered the same way.
  const auto p = picks::parsePicksText("111, 480, 1650\n101, 1000, 2100\n111, 120.5, 1500\n");
  EXPECT_EQ(picks::parText(p.rows, error), "cdp=101,111\ntnmo=1\nvnmo=2100\ntnmo=.1205,.48\nvnmo=1500,1650\n");
}

TEST(PicksExport, ParRefusesEqualTimesAndNothingToExport) {
  std::string error;
  const auto p = picks::parsePicksText("101, 200, 1500\n101, 200, 1800\n");
  EXPECT_EQ(picks::parText(p.rows, error), "");
  EXPECT_EQ(error, "CDP 101 has two picks at 200 ms; tnmo times must increase");
  EXPECT_EQ(picks::parText({}, error), "");
  EXPECT_EQ(error, "there are no picks to export");
}

TEST(PicksExport, Csv) {
  const auto p = picks::parsePicksText("111, 480, 1650\n101, 1000, 2100\n111, .25, 1500\n");
  EXPECT_EQ(picks::csvText(p.rows), "cdp,time_ms,velocity\n101,1000,2100\n111,.25,1500\n111,480,1650\n");
}

TEST(PicksSavePoint, TracksChangesSinceTheLastSaveOrDeck) {
  OpenFile f;
  picks::PicksSavePoint sp;
  EXPECT_FALSE(sp.unsaved(f.st));  // no picks: nothing to lose
  addPick(f.cdp(1), 200.0f, 1800, 2);
  addPick(f.cdp(1), 100.0f, 1500, 1);
  EXPECT_TRUE(sp.unsaved(f.st));
  sp.mark(f.st);
  EXPECT_FALSE(sp.unsaved(f.st));
  // The VELF command puts the slots in time order: not a change.
  orderPicksByTime(f.cdp(1));
  EXPECT_FALSE(sp.unsaved(f.st));
  // A pick replaced at another time is.
  f.cdp(1).PickTime[2] = 210.0f;
  EXPECT_TRUE(sp.unsaved(f.st));
  f.cdp(1).PickTime[2] = 200.0f;
  EXPECT_FALSE(sp.unsaved(f.st));
  addPick(f.cdp(2), 50.0f, 2400, 7);
  EXPECT_TRUE(sp.unsaved(f.st));
  // Clearing every pick leaves nothing unsaved.
  for (size_t r = 1; r <= f.st.PickTable.size(); ++r) f.st.PickTable[r].PickVelocity.fill(0);
  EXPECT_FALSE(sp.unsaved(f.st));
  // Equal picks on another data file were never saved.
  addPick(f.cdp(1), 100.0f, 1500, 1);
  addPick(f.cdp(1), 200.0f, 1800, 2);
  sp.mark(f.st);
  f.st.DataFileName = f.dir.file("other.nmo");
  EXPECT_TRUE(sp.unsaved(f.st));
}

// Picks made on a panel file stay its picks while a gather is open to make
// panels from: the save point follows the file they belong to, not the open one.
TEST(PicksSavePoint, FollowsTheFileThePicksBelongTo) {
  OpenFile f;
  const std::string panels = f.st.DataFileName;
  picks::PicksSavePoint sp;
  sp.markEmpty(panels);
  EXPECT_FALSE(sp.unsaved(f.st, panels));
  addPick(f.cdp(1), 100.0f, 1500, 1);
  EXPECT_TRUE(sp.unsaved(f.st, panels));
  sp.mark(f.st, panels);
  f.st.DataFileName = f.dir.file("gather.dat");
  EXPECT_FALSE(sp.unsaved(f.st, panels));
  EXPECT_TRUE(sp.unsaved(f.st));  // as picks of the gather they were never saved
  EXPECT_TRUE(sp.unsaved(f.st, f.st.DataFileName));
  // A fresh table for another panel file: the old marks do not count.
  sp.markEmpty(f.dir.file("next.nmo"));
  EXPECT_TRUE(sp.unsaved(f.st, f.dir.file("next.nmo")));
  f.cdp(1).PickVelocity.fill(0);
  EXPECT_FALSE(sp.unsaved(f.st, f.dir.file("next.nmo")));
}
