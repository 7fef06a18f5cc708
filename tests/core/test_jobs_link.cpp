// The job-editor link on the scripted channel: the exchanges behind each call,
// the start-up outcomes, failures and the range of error numbers reported.
// What a real JobPad shows (start through PATH, restart, a server that dies)
// is tested against the real program in tests/gui/test_jobs_link_jobpad.cpp.
#include <gtest/gtest.h>

#include "jobs/core/JobLink.h"
#include "support/ScriptedDdeClient.h"
#include "support/LinkTexts.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

namespace {

using Calls = std::vector<std::string>;

const Box CommunicationFailure{"", "JobPad DDE COMMUNICATIONS FAILURE", Buttons::Ok, Icon::Exclamation};

Box failureBox(const std::string& description) {
  Box b = CommunicationFailure;
  b.text = communicationFailure(description);
  return b;
}

Box startupBox(const std::string& text) { return {text, "JobPad START-UP ERROR", Buttons::Ok, Icon::Information}; }

struct Fixture {
  ScriptedDdeClient dde;
  ScriptedUi ui;
  JobLink link{dde, ui};
};

struct StartCase {
  const char* name;
  bool serverRunning, programOnPath, startedServerAnswers;
  int connectError;   // scripted error of the first connect (0: none)
  bool linked;
  std::string box;    // "" when none is shown
  Calls calls;
};

}  // namespace

// What linkstart tries, in order, and what it shows: it starts the program
// once at most and tries the connect once after.
TEST(JobsLinkStart, EachOutcome) {
  const Calls connect = {"disconnect", "connect JobPad|orogdde"};
  const Calls started = {"disconnect", "connect JobPad|orogdde", "start JobPad", "disconnect", "connect JobPad|orogdde"};
  const StartCase cases[] = {
      {"server running", true, true, true, 0, true, "", connect},
      {"started through PATH", false, true, true, 0, true, "", started},
      {"missing from PATH", false, false, true, 0, false, StartupNotFound,
       {"disconnect", "connect JobPad|orogdde", "start JobPad"}},
      {"started, never answers", false, true, false, 0, false,
       "There has been an unexpected error while starting JobPad\r\n\r\n"
       "No foreign application responded to a DDE initiate\r\n",
       started},
      {"other connect failure", true, true, true, 286, false,
       "There has been an unexpected error while starting JobPad\r\n\r\nTimeout while waiting for DDE response\r\n",
       connect},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.dde.serverRunning = c.serverRunning;
    f.dde.programOnPath = c.programOnPath;
    f.dde.startedServerAnswers = c.startedServerAnswers;
    if (c.connectError) f.dde.failOn("connect", c.connectError);
    EXPECT_FALSE(f.link.ddelinked());
    f.link.linkstart(JobEditorApp, JobEditorTopic);
    EXPECT_EQ(f.link.ddelinked(), c.linked);
    EXPECT_EQ(f.dde.calls, c.calls);
    if (c.box.empty()) {
      EXPECT_TRUE(f.ui.boxes.empty());
    } else {
      ASSERT_EQ(f.ui.boxes.size(), 1u);
      EXPECT_EQ(Box(f.ui.boxes[0]), startupBox(c.box));
    }
  }
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

// A command pokes its three items in order, then executes; a deck line is an
// "add" with "-1" in the second item.
TEST(JobsLinkCommand, PokesThreeItemsInOrderThenExecutes) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  f.dde.calls.clear();
  f.link.linkcommand("pathtoorog", "/opt/orog/worog", "", "");
  f.link.linkaddline("VELF 101 120.5 1500 480 1650");
  f.link.linkaddline("*NMOT  .5 1", -1);
  EXPECT_EQ(f.dde.calls, (Calls{"poke dde1=/opt/orog/worog", "poke dde2=", "poke dde3=", "execute pathtoorog",
                                "poke dde1=VELF 101 120.5 1500 480 1650", "poke dde2=-1", "poke dde3=", "execute add",
                                "poke dde1=*NMOT  .5 1", "poke dde2=-1", "poke dde3=", "execute add"}));
  EXPECT_EQ(f.dde.orogPath, "/opt/orog/worog");
  EXPECT_EQ(f.dde.deck, (Calls{"VELF 101 120.5 1500 480 1650", "*NMOT  .5 1"}));
  EXPECT_TRUE(f.ui.boxes.empty());
}

TEST(JobsLinkCommand, DdeFailureOnFirstPokeShowsOneMessageAndSkipsTheRest) {
  Fixture f;
  f.link.linkstart("JobPad", "orogdde");
  f.dde.calls.clear();
  f.dde.failOn("poke dde1", 286);
  f.link.linkaddline("*INPF data.dat");
  EXPECT_FALSE(f.link.ddelinked());
  EXPECT_EQ(f.dde.calls, (Calls{"poke dde1=*INPF data.dat"}));
  ASSERT_EQ(f.ui.boxes.size(), 1u);
  EXPECT_EQ(Box(f.ui.boxes[0]), failureBox("Timeout while waiting for DDE response"));
  EXPECT_TRUE(f.dde.deck.empty());
  // The next line finds the link down: no exchange, the no-connection box and the restart question.
  f.ui.answers = {Answer::Ok, Answer::No};
  f.link.linkaddline(">>END");
  ASSERT_EQ(f.ui.boxes.size(), 3u);
  EXPECT_EQ(Box(f.ui.boxes[1]), (Box{NoConnection, "JobPad INSERTION/COMMUNICATION ERROR", Buttons::Ok, Icon::Information}));
  EXPECT_EQ(Box(f.ui.boxes[2]),
            (Box{"Would you like to attempt to restart JobPad?", "Restart JobPad?", Buttons::YesNo, Icon::Question}));
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
    EXPECT_EQ(Box(f.ui.boxes[0]), failureBox(ddeErrorDescription(error)));
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
    EXPECT_EQ(f.dde.calls, (Calls{"poke dde1=/data", "poke dde2="})) << error;
  }
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
