// The VELF deck's lines, and reading a deck back: the deck "Make VELF commands"
// sends, line ends, blank lines, and every malformed line refused with its line
// and its fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "deck/core/DeckReader.h"
#include "deck/core/VelfDeck.h"
#include "support/DeckFixtures.h"

using namespace tsly;
using namespace tsly::deck;
using namespace tsly::test;

namespace {

const std::vector<std::string> Good = {"*INPF line7.dat",   "*NMOT  .5 1",        "VELF 101 120.5 1500 480 1650",
                                       "VELF 205 200 1600", "*OUTF line7nmo.dat", ">>END"};

// The deck Good with line `index` (0-based) replaced, or removed when `with` is empty.
std::string goodWith(size_t index, const std::string& with) {
  std::vector<std::string> lines = Good;
  if (with.empty())
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
  else
    lines[index] = with;
  return deckText(lines);
}

}  // namespace

TEST(DeckReader, ReadsTheDeckTessalySends) {
  AppState st =
      pickedCdps({{205, {{800.0f, 2400}, {200.0f, 1600}}}, {101, {{480.0f, 1650}, {120.5f, 1500}}}, {150, {}}});
  const auto lines = tessalyDeckLines(st, "/data/my line.dat", "0.35", true, "/data/out nmo.dat");
  const DeckReadResult r = readDeck(deckText(lines));
  ASSERT_TRUE(r.ok) << r.fault.message();
  EXPECT_EQ(r.deck.inputFile, "/data/my line.dat");
  EXPECT_EQ(r.deck.outputFile, "/data/out nmo.dat");
  EXPECT_EQ(r.deck.stretch, 0.35f);
  EXPECT_EQ(r.deck.delaySwitch, 1);
  ASSERT_EQ(r.deck.functions.size(), 2u);
  EXPECT_EQ(r.deck.functions[0].cdp, 101);
  ASSERT_EQ(r.deck.functions[0].picks.size(), 2u);
  EXPECT_EQ(r.deck.functions[0].picks[0].timeMs, 120.5f);
  EXPECT_EQ(r.deck.functions[0].picks[0].velocity, 1500.0f);
  EXPECT_EQ(r.deck.functions[0].picks[1].timeMs, 480.0f);
  EXPECT_EQ(r.deck.functions[1].cdp, 205);
  EXPECT_EQ(r.deck.functions[1].picks[1].velocity, 2400.0f);
  EXPECT_EQ(r.deck.inputLine, 1);
  EXPECT_EQ(r.deck.outputLine, 5);
  EXPECT_EQ(r.deck.outputLineText, "*OUTF /data/out nmo.dat");
  // The same deck with LF line ends, and with No to the delay question.
  const DeckReadResult lf = readDeck(deckText(lines, "\n"));
  ASSERT_TRUE(lf.ok);
  EXPECT_EQ(lf.deck.functions.size(), 2u);
  const auto noDelay = tessalyDeckLines(st, "in.dat", ".5", false, "out.dat");
  EXPECT_EQ(readDeck(deckText(noDelay)).deck.delaySwitch, 0);
}

TEST(DeckReader, TwentyPicksAndNegativeNumbersAsTessalyWritesThem) {
  std::vector<std::pair<float, std::int16_t>> picks;
  for (int k = 0; k < 20; ++k) picks.push_back({100.0f + 50.0f * k + 0.25f, static_cast<std::int16_t>(1500 + 40 * k)});
  AppState st = pickedCdps({{-5, picks}});
  const auto lines = tessalyDeckLines(st, "in.dat", ".99", false, "out.dat");
  ASSERT_EQ(lines[2].substr(0, 6), "VELF-5");
  const DeckReadResult r = readDeck(deckText(lines));
  ASSERT_TRUE(r.ok) << r.fault.message();
  ASSERT_EQ(r.deck.functions.size(), 1u);
  EXPECT_EQ(r.deck.functions[0].cdp, -5);
  ASSERT_EQ(r.deck.functions[0].picks.size(), 20u);
  EXPECT_EQ(r.deck.functions[0].picks[19].timeMs, 1050.25f);
  EXPECT_EQ(r.deck.functions[0].picks[19].velocity, 2260.0f);
  EXPECT_EQ(r.deck.stretch, 0.99f);
}

TEST(DeckReader, BlankLinesAndOrderOfLines) {
  // Blank lines anywhere (counted in line numbers), keyword lines in any order,
  // VELF lines out of CDP order: the functions come out ascending.
  // Numbers may carry a leading "+".
  const std::string text =
      "\r\n*NMOT  +.2 0\r\n  \r\nVELF +300 100 +2000\r\n*INPF a.dat\r\nVELF 100 100 1800\r\n*OUTF b.dat\r\n>>END\r\n\r\n";
  const DeckReadResult r = readDeck(text);
  ASSERT_TRUE(r.ok) << r.fault.message();
  EXPECT_EQ(r.deck.functions[0].cdp, 100);
  EXPECT_EQ(r.deck.functions[1].cdp, 300);
  EXPECT_EQ(r.deck.functions[1].picks[0].velocity, 2000.0f);
  EXPECT_EQ(r.deck.functions[1].line, 4);
  EXPECT_EQ(r.deck.inputLine, 5);
  EXPECT_EQ(r.deck.stretch, 0.2f);
  // A byte-order mark in front is no part of the first line.
  EXPECT_TRUE(readDeck("\xEF\xBB\xBF" + deckText(Good)).ok);
}

TEST(DeckReader, MovesOutTheDeckAsked) {
  const DeckReadResult r = readDeck(deckText(Good));
  ASSERT_TRUE(r.ok);
  const MoveoutJob job = moveoutJob(r.deck);
  EXPECT_EQ(job.inputPath, "line7.dat");
  EXPECT_EQ(job.outputPath, "line7nmo.dat");
  EXPECT_EQ(job.stretch, 0.5f);
  EXPECT_TRUE(job.useRecordingDelay);
  ASSERT_EQ(job.functions.size(), 2u);
  EXPECT_EQ(job.functions[1].cdp, 205);
  EXPECT_FALSE(job.stack);
  EXPECT_FALSE(job.overwrite);
}

struct BadDeck {
  const char* name;
  std::string text;
  std::string message;
};

class DeckReaderRefuses : public ::testing::TestWithParam<BadDeck> {};

TEST_P(DeckReaderRefuses, NamesTheLineAndTheFault) {
  const DeckReadResult r = readDeck(GetParam().text);
  ASSERT_FALSE(r.ok);
  EXPECT_EQ(r.fault.message(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFault, DeckReaderRefuses,
    ::testing::Values(
        BadDeck{"MissingInpf", goodWith(0, ""), "the deck has no *INPF line (the data file to move out)"},
        BadDeck{"MissingNmot", goodWith(1, ""), "the deck has no *NMOT line (stretch and recording-delay switch)"},
        BadDeck{"MissingOutf", goodWith(4, ""), "the deck has no *OUTF line (the output file)"},
        BadDeck{"MissingEnd", goodWith(5, ""), "the deck does not end with >>END"},
        BadDeck{"NoVelf", deckText({"*INPF a.dat", "*NMOT  .5 0", "*OUTF b.dat", ">>END"}),
                "the deck has no VELF line (no velocity function)"},
        BadDeck{"Empty", " \r\n\r\n", "the deck is empty"},
        BadDeck{"OddFields", goodWith(2, "VELF 101 120.5 1500 480"),
                "line 3 \"VELF 101 120.5 1500 480\": time 480 has no velocity (the values after the CDP come in "
                "pairs)"},
        BadDeck{"NoPairs", goodWith(2, "VELF 101"), "line 3 \"VELF 101\": VELF 101 has no time/velocity pairs"},
        BadDeck{"NoCdp", goodWith(2, "VELF"), "line 3 \"VELF\": VELF names no CDP"},
        BadDeck{"TimesDescending", goodWith(2, "VELF 101 500 1500 480 1650"),
                "line 3 \"VELF 101 500 1500 480 1650\": times not ascending: 480 follows 500"},
        BadDeck{"TimesEqual", goodWith(3, "VELF 205 200 1600 200 1700"),
                "line 4 \"VELF 205 200 1600 200 1700\": times not ascending: 200 follows 200"},
        BadDeck{"VelocityZero", goodWith(2, "VELF 101 120.5 0"),
                "line 3 \"VELF 101 120.5 0\": velocity 0 at 120.5 ms is not positive"},
        BadDeck{"VelocityNegative", goodWith(2, "VELF 101 120.5-1500"),
                "line 3 \"VELF 101 120.5-1500\": velocity -1500 at 120.5 ms is not positive"},
        BadDeck{"TimeNegative", goodWith(2, "VELF 101-5 1500"), "line 3 \"VELF 101-5 1500\": time -5 is negative"},
        BadDeck{"NotANumber", goodWith(2, "VELF 101 12O 1500"),
                "line 3 \"VELF 101 12O 1500\": \"12O\" is not a number"},
        BadDeck{"CdpFraction", goodWith(2, "VELF 101.5 100 1500"),
                "line 3 \"VELF 101.5 100 1500\": CDP 101.5 is not a whole number from -32768 to 32767"},
        BadDeck{"CdpTooLarge", goodWith(2, "VELF 40000 100 1500"),
                "line 3 \"VELF 40000 100 1500\": CDP 40000 is not a whole number from -32768 to 32767"},
        BadDeck{"CdpTwice", goodWith(3, "VELF 101 300 2000"),
                "line 4 \"VELF 101 300 2000\": a second VELF line for CDP 101 (the first is line 3)"},
        BadDeck{"UnknownKeyword", goodWith(1, "*NMOX  .5 1"),
                "line 2 \"*NMOX  .5 1\": unknown keyword \"*NMOX\" (deck lines begin *INPF, *NMOT, VELF, *OUTF or "
                ">>END)"},
        BadDeck{"LowerCase", goodWith(2, "velf 101 100 1500"),
                "line 3 \"velf 101 100 1500\": unknown keyword \"velf\" (deck lines begin *INPF, *NMOT, VELF, *OUTF "
                "or >>END)"},
        BadDeck{"VelfGlued", goodWith(2, "VELFX 101 100 1500"),
                "line 3 \"VELFX 101 100 1500\": unknown keyword \"VELFX\" (deck lines begin *INPF, *NMOT, VELF, "
                "*OUTF or >>END)"},
        BadDeck{"StretchTooLarge", goodWith(1, "*NMOT  1.5 1"),
                "line 2 \"*NMOT  1.5 1\": stretch 1.5 is outside .2 to .99"},
        BadDeck{"StretchTooSmall", goodWith(1, "*NMOT  .1 1"),
                "line 2 \"*NMOT  .1 1\": stretch .1 is outside .2 to .99"},
        BadDeck{"DelaySwitch", goodWith(1, "*NMOT  .5 2"),
                "line 2 \"*NMOT  .5 2\": recording-delay switch 2 is neither 0 nor 1"},
        BadDeck{"NmotShort", goodWith(1, "*NMOT  .5"),
                "line 2 \"*NMOT  .5\": *NMOT wants the stretch and the recording-delay switch (0 or 1)"},
        BadDeck{"NmotWord", goodWith(1, "*NMOT  half 1"), "line 2 \"*NMOT  half 1\": \"half\" is not a number"},
        BadDeck{"InpfNoName", goodWith(0, "*INPF "), "line 1 \"*INPF \": *INPF names no data file"},
        BadDeck{"OutfNoName", goodWith(4, "*OUTF"), "line 5 \"*OUTF\": *OUTF names no output file"},
        BadDeck{"InpfTwice", goodWith(3, "*INPF other.dat"),
                "line 4 \"*INPF other.dat\": a second *INPF line (the first is line 1)"},
        BadDeck{"AfterEnd", deckText(Good) + "VELF 300 100 2000\r\n",
                "line 7 \"VELF 300 100 2000\": text after >>END (line 6)"},
        BadDeck{"LfLineNumbers", "*INPF a.dat\n\n*NMOT  .5 0\nVELF 1 0 0\n",
                "line 4 \"VELF 1 0 0\": velocity 0 at 0 ms is not positive"},
        // Found by fuzz_deck: values that are 0 or equal in single precision,
        // as the run holds them.
        BadDeck{"VelocityZeroAsAFloat", goodWith(2, "VELF 101 100 2E-220"),
                "line 3 \"VELF 101 100 2E-220\": velocity 2E-220 at 100 ms is too small"},
        BadDeck{"TimesEqualAsFloats", goodWith(2, "VELF 101 1E-50 1500 2E-50 1600"),
                "line 3 \"VELF 101 1E-50 1500 2E-50 1600\": times not ascending: 2E-50 follows 1E-50"},
        // Hostile lines: control characters escaped, the line cut to 80
        // characters, a quoted piece to 30, at most 65535 numbers on a line.
        BadDeck{"ControlsEscapedAndCut", goodWith(1, "*NMOT \x1b[2J\x01" + std::string(100000, '7') + "x"),
                "line 2 \"*NMOT \\x1b[2J\\x01" + std::string(69, '7') + "...\": \"\\x1b[2J\\x01" +
                    std::string(25, '7') + "...\" is not a number"},
        BadDeck{"TooManyNumbers", goodWith(2, "VELF 1" + [] {
                  std::string s;
                  for (int k = 0; k < 40000; ++k) s += " " + std::to_string(k + 1) + " 1500";
                  return s;
                }()),
                "line 3 \"VELF 1 1 1500 2 1500 3 1500 4 1500 5 1500 6 1500 7 1500 8 1500 9 1500 10 1500 11...\": "
                "more than 65535 numbers on one line"}),
    [](const ::testing::TestParamInfo<BadDeck>& info) { return std::string(info.param.name); });

TEST(DeckText, LineTextsOfTheExamples) {
  EXPECT_EQ(velf::nmotLine(0.5f, 1), "*NMOT  .5 1");
  EXPECT_EQ(velf::nmotLine(velf::readStretch(".5"), 0), "*NMOT  .5 0");
  CdpPicks rec;
  rec.Cdp = 101;
  addPick(rec, 120.5f, 1500, 1);
  addPick(rec, 480.0f, 1650, 2);
  EXPECT_EQ(velf::velfLine(rec), "VELF 101 120.5 1500 480 1650");
  EXPECT_EQ(velf::inpfLine("/d/my line.dat"), "*INPF /d/my line.dat");
  EXPECT_EQ(velf::outfLine("out.nmo"), "*OUTF out.nmo");
}
