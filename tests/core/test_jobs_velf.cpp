// "Make VELF commands": the deck's lines, their order, every question and every
// way out of the dialogue, and a job editor that is not there.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "picks/core/PickTable.h"
#include "deck/core/VelfDeck.h"
#include "jobs/core/EditVelf.h"
#include "support/ScriptedDdeClient.h"
#include "support/PickFixtures.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

namespace {

const std::vector<std::string> PickedVelf = {
    "VELF 101 120.5 1500 480 1650",
    "VELF 150 1000.25 3000",
    "VELF 205 200 1600 500 2000 800 2400",
};

struct VelfRun {
  AppState st = velfPicks();
  ScriptedUi ui;
  ScriptedDdeClient editor;
  JobLink link{editor, ui};
  std::string fileDialogName = "/data/survey/last.dat";
  int dupChecks = 0;
  VelfCommandContext ctx{st, ui, link,
                         [this](std::int32_t c) {
                           ++dupChecks;
                           return checkduppicks(st, ui, c);
                         },
                         fileDialogName};

  VelfRun() { link.linkstart(JobEditorApp, JobEditorTopic); }
  // Answers in the order asked: data file, stretch(es), then the output file.
  VelfOutcome go(std::vector<std::optional<std::string>> inputs, Answer delay = Answer::Yes) {
    for (auto& i : inputs) ui.inputAnswers.push_back(i);
    ui.answers.push_back(delay);
    return editvelf(ctx);
  }
  // Titles of the input boxes in the order they were shown.
  std::vector<std::string> inputTitles() const {
    std::vector<std::string> t;
    for (auto& i : ui.inputs) t.push_back(i.title);
    return t;
  }
};

std::vector<std::string> fullDeck(const std::string& in, const std::string& nmot,
                                  const std::string& out) {
  std::vector<std::string> d = {in, nmot};
  d.insert(d.end(), PickedVelf.begin(), PickedVelf.end());
  d.push_back(out);
  d.push_back(">>END");
  return d;
}

}  // namespace

TEST(JobsVelf, DeckInCdpOrderWithTimesAscendingAndTableKeptAsListed) {
  VelfRun r;
  ASSERT_EQ(r.go({"/data/line1.dat", ".5", "/data/line1.nmo"}), VelfOutcome::Completed);
  EXPECT_EQ(r.editor.deck, fullDeck("*INPF /data/line1.dat", "*NMOT  .5 1", "*OUTF /data/line1.nmo"));
  EXPECT_EQ(r.editor.showCount, 1);
  EXPECT_EQ(r.dupChecks, 3);
  // Every exchange in order: show first (three empty items), then each line as
  // an "add" with the line, "-1" and nothing.
  const auto& calls = r.editor.calls;
  const auto show = std::find(calls.begin(), calls.end(), "execute show");
  ASSERT_TRUE(show != calls.end());
  ASSERT_GE(show - calls.begin(), 3);
  EXPECT_EQ(std::vector<std::string>(show - 3, show + 5),
            (std::vector<std::string>{"poke dde1=", "poke dde2=", "poke dde3=", "execute show",
                                      "poke dde1=*INPF /data/line1.dat", "poke dde2=-1", "poke dde3=",
                                      "execute add"}));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "execute add"), 7);
  // The table is still indexed like CdpList; each CDP keeps its own picks, now in time order.
  EXPECT_EQ(r.st.PickTable[1].Cdp, 205);
  EXPECT_EQ(r.st.PickTable[2].Cdp, 101);
  EXPECT_EQ(r.st.PickTable[3].Cdp, 150);
  EXPECT_EQ(r.st.PickTable[1].PickTime[1], 200.0f);
  EXPECT_EQ(r.st.PickTable[1].PickVelocity[1], 1600);
  EXPECT_EQ(r.st.PickTable[1].PickPanel[1], 2);
  EXPECT_EQ(r.st.PickTable[1].PickTime[3], 800.0f);
  EXPECT_EQ(r.st.PickTable[1].PickPanel[3], 7);
  EXPECT_EQ(picksInUse(r.st.PickTable[1]), 3);
  EXPECT_EQ(r.st.PickTable[2].PickTime[1], 120.5f);
  // Questions in order, with their texts.
  ASSERT_EQ(r.ui.inputs.size(), 3u);
  EXPECT_EQ(r.ui.inputs[0].prompt,
            "What is the name of the data file to be be moved out?\r\nEnter a  ?  to browse disk.");
  EXPECT_EQ(r.ui.inputs[0].title, "TSLY-Data File Name");
  EXPECT_EQ(r.ui.inputs[0].defaultText, "?");
  EXPECT_EQ(r.ui.inputs[1].prompt, "Enter NMO stretch for *NMOT command");
  EXPECT_EQ(r.ui.inputs[1].title, "TSLY-MAKE VELF-COMMANDS");
  EXPECT_EQ(r.ui.inputs[1].defaultText, ".5");
  EXPECT_EQ(r.ui.inputs[2].prompt, "What is the name of the OUTPUT data file?\r\nEnter a  ?  to browse disk.");
  EXPECT_EQ(r.ui.inputs[2].title, "TSLY-OUTPUT File Name");
  EXPECT_EQ(r.ui.inputs[2].defaultText, "?");
  ASSERT_EQ(r.ui.boxes.size(), 1u);
  EXPECT_EQ(Box(r.ui.boxes[0]), (Box{"Use Recording Delay Time during move-out?", "TSLY-Use Recording Delay Time?", Buttons::YesNo, Icon::Question}));
  EXPECT_TRUE(r.ui.openDialogs.empty());
}

TEST(JobsVelf, TwentyPicksGiveOneLineOfTwentyPairs) {
  VelfRun r;
  CdpPicks& rec = r.st.PickTable[3];
  rec = CdpPicks{};
  rec.Cdp = 150;
  std::string expected = "VELF 150";
  for (int k = 20; k >= 1; --k) addPick(rec, 100.0f * k + 0.5f, static_cast<std::int16_t>(1000 + 50 * k), 1);
  for (int k = 1; k <= 20; ++k)
    expected += " " + std::to_string(100 * k) + ".5 " + std::to_string(1000 + 50 * k);
  ASSERT_EQ(r.go({"in.dat", "0.5", "out.dat"}, Answer::No), VelfOutcome::Completed);
  ASSERT_EQ(r.editor.deck.size(), 7u);
  EXPECT_EQ(r.editor.deck[1], "*NMOT  .5 0");
  EXPECT_EQ(r.editor.deck[3], expected);
}

TEST(JobsVelf, StretchBoxComesBackUntilWithinRange) {
  // 1, 0.1, a word and "0,5" (which reads as 0) are refused without a message.
  VelfRun r;
  ASSERT_EQ(r.go({"in.dat", "1", "0.1", "none", "0,5", "0.2", "out.dat"}), VelfOutcome::Completed);
  ASSERT_EQ(r.ui.inputs.size(), 7u);
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(r.ui.inputs[i].title, "TSLY-MAKE VELF-COMMANDS");
    EXPECT_EQ(r.ui.inputs[i].defaultText, ".5");
  }
  EXPECT_EQ(r.ui.boxes.size(), 1u);  // only the recording-delay question
  EXPECT_EQ(r.editor.deck[1], "*NMOT  .2 1");
  EXPECT_EQ(velf::readStretch("0,5"), 0.0f);

  // The ends of the range and the default are taken at once.
  for (auto [answer, line] : {std::pair{"0.2", "*NMOT  .2 1"}, {".99", "*NMOT  .99 1"},
                              {"0.5", "*NMOT  .5 1"}, {"  .5", "*NMOT  .5 1"}}) {
    VelfRun ok;
    ASSERT_EQ(ok.go({"in.dat", answer, "out.dat"}), VelfOutcome::Completed) << answer;
    EXPECT_EQ(ok.ui.inputs.size(), 3u) << answer;
    EXPECT_EQ(ok.editor.deck[1], line);
  }
}

TEST(JobsVelf, QuestionMarkOpensTheBrowseDialog) {
  for (const char* typed : {"?", "line?.dat"}) {
    VelfRun r;
    r.ui.choose("/data/survey/line7.dat");
    r.ui.choose("/data/survey/line7.nmo");
    ASSERT_EQ(r.go({typed, ".5", "?"}), VelfOutcome::Completed) << typed;
    ASSERT_EQ(r.ui.openDialogs.size(), 2u);
    const FileDialogRequest& d = r.ui.openDialogs[0];
    EXPECT_EQ(d.title, "Tessaly INPUT FILE SELECT");
    EXPECT_EQ(d.filter, "Data (*.dat)|*.dat|NMO Data (*.nmo)|*.nmo|All Data (*.*)|*.*");
    EXPECT_EQ(d.filterIndex, 1);
    EXPECT_EQ(d.defaultExt, "dat");
    EXPECT_EQ(d.initialDir, "/data/survey");
    EXPECT_EQ(d.fileName, "/data/survey/last.dat");  // what the shared dialog showed last
    EXPECT_FALSE(d.mustExist);  // a new output file can be named by browsing
    // The output browse is the same dialog, starting from the name just chosen.
    EXPECT_EQ(r.ui.openDialogs[1].title, "Tessaly INPUT FILE SELECT");
    EXPECT_EQ(r.ui.openDialogs[1].filter, d.filter);
    EXPECT_EQ(r.ui.openDialogs[1].fileName, "/data/survey/line7.dat");
    EXPECT_EQ(r.editor.deck.front(), "*INPF /data/survey/line7.dat");
    EXPECT_EQ(r.editor.deck[5], "*OUTF /data/survey/line7.nmo");
    EXPECT_EQ(r.st.LastPath, "/data/survey");
  }
}

// The output browse starts on the name just chosen for the input: taking it,
// or typing the input's name in another case, is refused and asked again.
TEST(JobsVelf, OutputNamedAsTheInputIsRefusedAndAskedAgain) {
  VelfRun r;
  r.ui.choose("/data/survey/line7.nmo");
  r.ui.choose("/data/survey/line7.nmo");
  ASSERT_EQ(r.go({"?", ".5", "?", "/DATA/SURVEY/LINE7.NMO ", "/data/survey/line7.out"}), VelfOutcome::Completed);
  const std::vector<std::string> titles = {"TSLY-Data File Name", "TSLY-MAKE VELF-COMMANDS", "TSLY-OUTPUT File Name",
                                           "TSLY-OUTPUT File Name", "TSLY-OUTPUT File Name"};
  EXPECT_EQ(r.inputTitles(), titles);
  std::vector<test::RecordedBox> same;
  for (const auto& b : r.ui.boxes)
    if (b.title == "Tessaly Duplicate file name") same.push_back(b);
  ASSERT_EQ(same.size(), 2u);
  EXPECT_EQ(same[0].text, "Input and output files can not be the same.");
  EXPECT_EQ(same[0].buttons, Buttons::Ok);
  EXPECT_EQ(same[0].icon, Icon::None);
  EXPECT_EQ(r.editor.deck, fullDeck("*INPF /data/survey/line7.nmo", r.editor.deck[1], "*OUTF /data/survey/line7.out"));
}

TEST(JobsVelf, EveryWayOut) {
  const std::string warning =
      "WARNING-JobPad HAS BEEN MODIFIED!\r\nCommand file is most likely unusable with out manual intervention.";
  {  // No picks at all: told so, nothing sent, not even "show".
    VelfRun r;
    for (int c = 1; c <= 3; ++c) r.st.PickTable[c].PickVelocity.fill(0);
    EXPECT_EQ(r.go({}), VelfOutcome::NothingToDo);
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].text, "There are no picks on any panel.\r\nThere is nothing to do!");
    EXPECT_EQ(r.ui.boxes[0].title, "TSLY-NOTHING TO DO!");
    EXPECT_EQ(r.ui.boxes[0].icon, Icon::Information);
    EXPECT_EQ(r.editor.showCount, 0);
    EXPECT_TRUE(r.editor.deck.empty());
  }
  {  // Two picks at one time on any CDP: the check tells, nothing is sent.
    VelfRun r;
    addPick(r.st.PickTable[2], 480.0f, 1800, 5);
    EXPECT_EQ(r.go({}), VelfOutcome::Duplicates);
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].title, "TSLY-DUPLICATE TIME PICKS NOT ALLOWED");
    EXPECT_EQ(r.ui.boxes[0].text, "Duplicate Time Picks on velocities - \r\n 1650 and  1800 on CDP #  101");
    EXPECT_EQ(r.editor.showCount, 0);
    EXPECT_TRUE(r.editor.deck.empty());
    EXPECT_TRUE(r.ui.inputs.empty());
  }
  for (std::optional<std::string> giveUp : {std::optional<std::string>(""), std::optional<std::string>()}) {
    {  // Data file: silent, only "show" sent.
      VelfRun r;
      EXPECT_EQ(r.go({giveUp}), VelfOutcome::DataCancelled);
      EXPECT_TRUE(r.ui.boxes.empty());
      EXPECT_EQ(r.editor.showCount, 1);
      EXPECT_TRUE(r.editor.deck.empty());
    }
    {  // Stretch: warning, "*INPF " already sent.
      VelfRun r;
      EXPECT_EQ(r.go({"in.dat", "2", giveUp}), VelfOutcome::StretchCancelled);
      ASSERT_EQ(r.ui.boxes.size(), 1u);
      EXPECT_EQ(Box(r.ui.boxes[0]), (Box{warning, "TSLY-USER CANCELING", Buttons::Ok, Icon::Information}));
      EXPECT_EQ(r.editor.deck, std::vector<std::string>{"*INPF in.dat"});
    }
    {  // Output file: warning after the VELF lines.
      VelfRun r;
      EXPECT_EQ(r.go({"in.dat", ".5", giveUp}), VelfOutcome::OutputCancelled);
      ASSERT_EQ(r.ui.boxes.size(), 2u);
      EXPECT_EQ(r.ui.boxes[1].text, warning);
      EXPECT_EQ(r.ui.boxes[1].title, "TSLY-USER CANCELING");
      ASSERT_EQ(r.editor.deck.size(), 5u);
      EXPECT_EQ(r.editor.deck.back(), PickedVelf.back());
    }
  }
  {  // Data browse cancelled: silent.
    VelfRun r;
    r.ui.fileAnswers.push_back({FileDialogResult::Status::Cancelled, "", ""});
    EXPECT_EQ(r.go({"?"}), VelfOutcome::BrowseCancelled);
    EXPECT_TRUE(r.ui.boxes.empty());
    EXPECT_TRUE(r.editor.deck.empty());
    EXPECT_EQ(r.ui.inputs.size(), 1u);
  }
  {  // Output browse cancelled after lines were sent: silent, no "*OUTF ", no ">>END".
    VelfRun r;
    r.ui.fileAnswers.push_back({FileDialogResult::Status::Cancelled, "", ""});
    EXPECT_EQ(r.go({"in.dat", ".5", "?"}), VelfOutcome::BrowseCancelled);
    EXPECT_EQ(r.ui.boxes.size(), 1u);  // the recording-delay question only
    ASSERT_EQ(r.editor.deck.size(), 5u);
    EXPECT_EQ(r.editor.deck.back(), PickedVelf.back());
  }
  {  // Browse dialog failing: "Tessaly ERROR", the command ends.
    VelfRun r;
    r.ui.fileAnswers.push_back({FileDialogResult::Status::Failed, "", "No such folder"});
    EXPECT_EQ(r.go({"?"}), VelfOutcome::BrowseFailed);
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].text, "Unexpected error\r\nNo such folder");
    EXPECT_EQ(r.ui.boxes[0].title, "Tessaly ERROR");
    EXPECT_EQ(r.ui.boxes[0].icon, Icon::None);
    EXPECT_TRUE(r.editor.deck.empty());
  }
}

TEST(JobsVelf, ListedCdpWithoutPicksGivesNoVelfLine) {
  // CDP 120 is listed between picked ones but was never picked: the deck holds
  // no line for it, not even a bare "VELF 120".
  VelfRun r;
  r.st = AppState();
  listCdps(r.st, {205, 101, 120, 150});
  addPick(r.st.PickTable[1], 200.0f, 1600, 2);
  addPick(r.st.PickTable[2], 120.5f, 1500, 1);
  addPick(r.st.PickTable[4], 1000.25f, 3000, 9);
  r.st.LastPath = "/data/survey";
  ASSERT_EQ(r.go({"/data/line1.dat", ".5", "/data/line1.nmo"}), VelfOutcome::Completed);
  EXPECT_EQ(r.editor.deck, (std::vector<std::string>{"*INPF /data/line1.dat", "*NMOT  .5 1", "VELF 101 120.5 1500",
                                                     "VELF 150 1000.25 3000", "VELF 205 200 1600",
                                                     "*OUTF /data/line1.nmo", ">>END"}));
}
