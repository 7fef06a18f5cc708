#include <gtest/gtest.h>

#include "jobs/core/JobLink.h"
#include "support/ScriptedDdeClient.h"
#include "support/LinkTexts.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using tsly::test::RecordedBox;
using tsly::test::ScriptedDdeClient;
using tsly::test::ScriptedUi;
using tsly::test::NoConnection;
using tsly::test::StartupNotFound;

namespace {

std::string failureText(const std::string& description) {
  return "There was an error while attempting to communicate with\r\n"
         "JobPad. The error reported was: \r\n"
         "\r\n" +
         description +
         "\r\n"
         "\r\n"
         "The most common causes of this would be JobPad not running,\r\n"
         "or JobPad is awaiting user input.\r\n"
         "Further insertion of data to JobPad is not currently possible.";
}

void expectBox(const RecordedBox& b, const std::string& text, const std::string& title, Buttons buttons,
               Icon icon) {
  EXPECT_EQ(b.text, text);
  EXPECT_EQ(b.title, title);
  EXPECT_EQ(b.buttons, buttons);
  EXPECT_EQ(b.icon, icon);
}

void expectNoConnectionPair(const ScriptedUi& ui, std::size_t first) {
  ASSERT_GE(ui.boxes.size(), first + 2);
  expectBox(ui.boxes[first], NoConnection, "JobPad INSERTION/COMMUNICATION ERROR", Buttons::Ok,
            Icon::Information);
  expectBox(ui.boxes[first + 1], "Would you like to attempt to restart JobPad?", "Restart JobPad?",
            Buttons::YesNo, Icon::Question);
}

struct Fixture {
  ScriptedDdeClient dde;
  ScriptedUi ui;
  JobLink link{dde, ui};
};

}  // namespace

TEST(JobsLinkStart, RunningServerLinksSilently) {
  Fixture f;
  EXPECT_FALSE(f.link.ddelinked());
  f.link.linkstart(JobEditorApp, JobEditorTopic);
  EXPECT_TRUE(f.link.ddelinked());
  EXPECT_TRUE(f.ui.boxes.empty());
  EXPECT_EQ(f.dde.calls, (std::vector<std::string>{"disconnect", "connect JobPad|orogdde"}));
  EXPECT_EQ(f.dde.startCount, 0);
}

TEST(JobsLinkStart, AbsentServerIsStartedThroughPathAndLinked) {
  Fixture f;
  f.dde.serverRunning = false;
  f.link.linkstart("JobPad", "orogdde");
  EXPECT_TRUE(f.link.ddelinked());
  EXPECT_TRUE(f.ui.boxes.empty());
  EXPECT_EQ(f.dde.calls, (std::vector<std::string>{"disconnect", "connect JobPad|orogdde", "start JobPad",
                                                   "disconnect", "connect JobPad|orogdde"}));
}

TEST(JobsLinkStart, ProgramMissingFromPathShowsTheThreeHintLines) {
  Fixture f;
  f.dde.serverRunning = false;
  f.dde.programOnPath = false;
  f.link.linkstart("JobPad", "orogdde");
  EXPECT_FALSE(f.link.ddelinked());
  ASSERT_EQ(f.ui.boxes.size(), 1u);
  expectBox(f.ui.boxes[0], StartupNotFound, "JobPad START-UP ERROR", Buttons::Ok, Icon::Information);
  // Started once, connected once before: no retry loop.
  EXPECT_EQ(f.dde.callsStartingWith("connect").size(), 1u);
  EXPECT_EQ(f.dde.startCount, 1);
}

TEST(JobsLinkStart, StartedServerThatDoesNotAnswerShowsErrorWithoutHint) {
  Fixture f;
  f.dde.serverRunning = false;
  f.dde.startedServerAnswers = false;
  f.link.linkstart("JobPad", "orogdde");
  EXPECT_FALSE(f.link.ddelinked());
  ASSERT_EQ(f.ui.boxes.size(), 1u);
  expectBox(f.ui.boxes[0],
            "There has been an unexpected error while starting JobPad\r\n\r\n"
            "No foreign application responded to a DDE initiate\r\n",
            "JobPad START-UP ERROR", Buttons::Ok, Icon::Information);
  // The second connect is tried once, at once.
  EXPECT_EQ(f.dde.callsStartingWith("connect").size(), 2u);
}

TEST(JobsLinkStart, OtherConnectFailureIsNotFollowedByAStart) {
  Fixture f;
  f.dde.failOn("connect", 286);
  f.link.linkstart("JobPad", "orogdde");
  EXPECT_FALSE(f.link.ddelinked());
  EXPECT_EQ(f.dde.startCount, 0);
  ASSERT_EQ(f.ui.boxes.size(), 1u);
  EXPECT_EQ(f.ui.boxes[0].text,
            "There has been an unexpected error while starting JobPad\r\n\r\n"
            "Timeout while waiting for DDE response\r\n");
}

TEST(JobsLinkStart, FailedStartTakesADownLinkDownAgain) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  ASSERT_TRUE(f.link.ddelinked());
  f.dde.serverRunning = false;
  f.dde.programOnPath = false;
  f.link.linkstart("JobPad", "orogdde");
  EXPECT_FALSE(f.link.ddelinked());
}

TEST(JobsLinkCommand, PokesThreeItemsInOrderThenExecutes) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  f.dde.calls.clear();
  f.link.linkcommand("pathtoorog", "/opt/orog/worog", "", "");
  EXPECT_EQ(f.dde.calls, (std::vector<std::string>{"poke dde1=/opt/orog/worog", "poke dde2=", "poke dde3=",
                                                   "execute pathtoorog"}));
  EXPECT_EQ(f.dde.orogPath, "/opt/orog/worog");
  EXPECT_TRUE(f.ui.boxes.empty());
}

TEST(JobsLinkCommand, AddLineSendsMinusOneInSecondItem) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  f.dde.calls.clear();
  f.link.linkaddline("VELF 101 120.5 1500 480 1650");
  f.link.linkaddline("*NMOT  .5 1", -1);
  EXPECT_EQ(f.dde.calls,
            (std::vector<std::string>{"poke dde1=VELF 101 120.5 1500 480 1650", "poke dde2=-1", "poke dde3=",
                                      "execute add", "poke dde1=*NMOT  .5 1", "poke dde2=-1", "poke dde3=",
                                      "execute add"}));
  EXPECT_EQ(f.dde.deck, (std::vector<std::string>{"VELF 101 120.5 1500 480 1650", "*NMOT  .5 1"}));
}

TEST(JobsLinkCommand, DdeFailureOnFirstPokeShowsOneMessageAndSkipsTheRest) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  f.dde.calls.clear();
  f.dde.failOn("poke dde1", 286);
  f.link.linkaddline("*INPF data.dat");
  EXPECT_FALSE(f.link.ddelinked());
  EXPECT_EQ(f.dde.calls, (std::vector<std::string>{"poke dde1=*INPF data.dat"}));
  ASSERT_EQ(f.ui.boxes.size(), 1u);
  expectBox(f.ui.boxes[0], failureText("Timeout while waiting for DDE response"),
            "JobPad DDE COMMUNICATIONS FAILURE", Buttons::Ok, Icon::Exclamation);
  EXPECT_TRUE(f.dde.deck.empty());

  // The next line finds the link down.
  f.ui.answers = {Answer::Ok, Answer::No};
  f.link.linkaddline(">>END");
  ASSERT_EQ(f.ui.boxes.size(), 3u);
  expectNoConnectionPair(f.ui, 1);
  EXPECT_EQ(f.dde.calls.size(), 1u);
}

TEST(JobsLinkCommand, DdeRangeBoundsAreReportedOutsideAreSilent) {
  for (int error : {280, 298}) {
    Fixture f;
    f.link.linkstart("JobPad", "orogdde");
    f.dde.failOn("execute", error);
    f.link.linkcommand("show", "", "", "");
    EXPECT_FALSE(f.link.ddelinked()) << error;
    ASSERT_EQ(f.ui.boxes.size(), 1u) << error;
    EXPECT_EQ(f.ui.boxes[0].text, failureText(ddeErrorDescription(error)));
  }
  for (int error : {279, 299, 53, 5}) {
    Fixture f;
    f.link.linkstart("JobPad", "orogdde");
    f.dde.calls.clear();
    f.dde.failOn("poke dde2", error);
    f.link.linkcommand("lastpath", "/data", "", "");
    // Silent, the rest skipped, the link still believed up.
    EXPECT_TRUE(f.link.ddelinked()) << error;
    EXPECT_TRUE(f.ui.boxes.empty()) << error;
    EXPECT_EQ(f.dde.calls, (std::vector<std::string>{"poke dde1=/data", "poke dde2="})) << error;
  }
}

TEST(JobsLinkCommand, ServerGoneShowsOneFailureThenTheLinkIsDown) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  f.link.linkaddline("first");
  EXPECT_EQ(f.link.lostExchanges(), 0);
  f.dde.killServer();
  f.link.linkaddline("second");
  EXPECT_EQ(f.link.lostExchanges(), 1);
  ASSERT_EQ(f.ui.boxes.size(), 1u);
  EXPECT_EQ(f.ui.boxes[0].text, failureText("Foreign application quit"));
  EXPECT_FALSE(f.link.ddelinked());
  f.ui.answers = {Answer::Ok, Answer::No};
  f.link.linkaddline("third");
  EXPECT_EQ(f.ui.boxes.size(), 3u);
  EXPECT_FALSE(f.link.ddelinked());
  expectNoConnectionPair(f.ui, 1);
  EXPECT_EQ(f.dde.deck, (std::vector<std::string>{"first"}));
  // Every line after "first" is lost: the caller can tell the deck did not arrive.
  EXPECT_EQ(f.link.lostExchanges(), 2);
}

TEST(JobsLinkRestart, DownLinkAsksForEveryCallAndNoDropsTheExchange) {
  Fixture f;  // never started
  f.ui.answers = {Answer::Ok, Answer::No, Answer::Ok, Answer::No, Answer::Ok, Answer::No};
  f.link.linkcommand("show", "", "", "");
  f.link.linkaddline("*INPF x");
  std::string r1 = "a", r2 = "b", r3 = "c";
  f.link.linkrequest(r1, r2, r3);
  ASSERT_EQ(f.ui.boxes.size(), 6u);
  for (std::size_t i = 0; i < 6; i += 2) expectNoConnectionPair(f.ui, i);
  EXPECT_TRUE(f.dde.calls.empty());
  EXPECT_EQ(r1, "a");
  EXPECT_EQ(r2, "b");
  EXPECT_EQ(r3, "c");
  EXPECT_FALSE(f.link.ddelinked());
}

TEST(JobsLinkRestart, YesRelinksButDropsTheLineThatAsked) {
  Fixture f;
  f.dde.serverRunning = false;
  f.ui.answers = {Answer::Ok, Answer::Yes};
  f.link.linkaddline("*INPF dropped.dat");
  EXPECT_TRUE(f.link.ddelinked());
  EXPECT_EQ(f.ui.boxes.size(), 2u);
  EXPECT_EQ(f.dde.startCount, 1);
  EXPECT_TRUE(f.dde.deck.empty());
  EXPECT_TRUE(f.dde.callsStartingWith("poke").empty());
  EXPECT_EQ(f.link.lostExchanges(), 1);
  f.link.linkaddline("*NMOT  .5 1");
  f.link.linkaddline(">>END");
  EXPECT_EQ(f.link.lostExchanges(), 1);
  EXPECT_EQ(f.dde.deck, (std::vector<std::string>{"*NMOT  .5 1", ">>END"}));
  EXPECT_EQ(f.ui.boxes.size(), 2u);
}

TEST(JobsLinkRestart, YesWithProgramMissingShowsStartupErrorAndStaysDown) {
  Fixture f;
  f.dde.serverRunning = false;
  f.dde.programOnPath = false;
  f.ui.answers = {Answer::Ok, Answer::Yes};
  f.link.linkcommand("show", "", "", "");
  ASSERT_EQ(f.ui.boxes.size(), 3u);
  expectNoConnectionPair(f.ui, 0);
  expectBox(f.ui.boxes[2], StartupNotFound, "JobPad START-UP ERROR", Buttons::Ok, Icon::Information);
  EXPECT_FALSE(f.link.ddelinked());
}

TEST(JobsLinkRequest, ReadsThreeItemsInOrder) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  f.link.linkcommand("pathtoorog", "/opt/orog", "", "");
  f.dde.calls.clear();
  f.link.linkcommand("getpathtoorog", "", "", "");
  std::string r1, r2 = "x", r3 = "y";
  f.link.linkrequest(r1, r2, r3);
  EXPECT_EQ(r1, "/opt/orog");
  EXPECT_EQ(r2, "");
  EXPECT_EQ(r3, "");
  EXPECT_EQ(f.dde.calls, (std::vector<std::string>{"poke dde1=", "poke dde2=", "poke dde3=",
                                                   "execute getpathtoorog", "request dde1", "request dde2",
                                                   "request dde3"}));
}

TEST(JobsLinkRequest, FailureMidwayKeepsLaterOutputsAndShowsOneMessage) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  f.dde.items["dde1"] = "one";
  f.dde.items["dde2"] = "two";
  f.dde.failOn("request dde2", 291);
  std::string r1 = "old1", r2 = "old2", r3 = "old3";
  f.link.linkrequest(r1, r2, r3);
  EXPECT_EQ(r1, "one");
  EXPECT_EQ(r2, "old2");
  EXPECT_EQ(r3, "old3");
  EXPECT_EQ(f.ui.boxes.size(), 1u);
  EXPECT_TRUE(f.dde.callsStartingWith("request dde3").empty());
  EXPECT_FALSE(f.link.ddelinked());
}

TEST(JobsLinkFailure, SetsTheLinkDownAndShowsTheDescription) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  f.link.linkfailure("Something broke");
  EXPECT_FALSE(f.link.ddelinked());
  ASSERT_EQ(f.ui.boxes.size(), 1u);
  expectBox(f.ui.boxes[0], failureText("Something broke"), "JobPad DDE COMMUNICATIONS FAILURE", Buttons::Ok,
            Icon::Exclamation);
}
