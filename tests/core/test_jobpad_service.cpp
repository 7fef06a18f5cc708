// JobPad's side of the link: one conversation's answers to every message, the
// deck lines and path commands it hands on, and what closes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/LinkProtocol.h"
#include "JobPadService.h"

using namespace tsly;
using namespace tsly::dde;

namespace {

struct Exchange {
  JobPadService service;
  ServerSession session{service};
  std::vector<std::string> added;
  int shows = 0;
  Exchange() {
    service.onAdd = [this](const std::string& line) {
      added.push_back(line);
      return true;
    };
    service.onShow = [this] { ++shows; };
  }
  std::string send(const Message& m) {
    std::string out;
    session.feed(*encode(m), out);
    return out;
  }
};

}  // namespace

TEST(JobPadService, ConnectFirstThenPokeExecuteRequest) {
  Exchange x;
  EXPECT_EQ(x.send(pokeMessage("dde1", "x")), "ERROR 3:293\n");
  EXPECT_EQ(x.send(connectMessage("jobpad", "OROGDDE")), "OK\n");
  EXPECT_EQ(x.send(connectMessage("JobPad", "orogdde")), "ERROR 3:285\n");
  EXPECT_EQ(x.send(pokeMessage("dde1", "*INPF a.dat")), "OK\n");
  EXPECT_EQ(x.send(pokeMessage("dde2", "-1")), "OK\n");
  EXPECT_EQ(x.send(pokeMessage("dde3", "")), "OK\n");
  EXPECT_EQ(x.send(executeMessage("add")), "OK\n");
  EXPECT_EQ(x.added, (std::vector<std::string>{"*INPF a.dat"}));
  EXPECT_EQ(x.send(executeMessage("show")), "OK\n");
  EXPECT_EQ(x.shows, 1);
  EXPECT_EQ(x.send(requestMessage("dde2")), "VALUE 2:-1\n");
  EXPECT_EQ(x.send(requestMessage("dde4")), "ERROR 3:289\n");
  EXPECT_EQ(x.send(pokeMessage("dde9", "x")), "ERROR 3:285\n");
  EXPECT_EQ(x.send(executeMessage("format c:")), "ERROR 3:285\n");
  EXPECT_TRUE(x.session.connected());
  EXPECT_FALSE(x.session.closed());
}

TEST(JobPadService, PathCommands) {
  Exchange x;
  x.send(connectMessage("JobPad", "orogdde"));
  x.send(executeMessage("getpathtoorog"));
  EXPECT_EQ(x.send(requestMessage("dde1")), "VALUE 18:\\worog15\\worog.exe\n");
  x.send(pokeMessage("dde1", "/opt/orog/bin/worog"));
  x.send(executeMessage("pathtoorog"));
  x.send(pokeMessage("dde1", "/data/line 7, north"));
  x.send(executeMessage("lastpath"));
  EXPECT_EQ(x.service.lastPath, "/data/line 7, north");
  x.send(pokeMessage("dde1", ""));
  x.send(executeMessage("getpathtoorog"));
  EXPECT_EQ(x.send(requestMessage("dde1")), "VALUE 19:/opt/orog/bin/worog\n");
}

TEST(JobPadService, DeckThatCannotTakeTheLineAnswersAnError) {
  Exchange x;
  x.service.onAdd = [](const std::string&) { return false; };
  x.send(connectMessage("JobPad", "orogdde"));
  EXPECT_EQ(x.send(executeMessage("add")), "ERROR 3:285\n");
}

TEST(JobPadService, WrongTopicOrGarbageClosesTheConversation) {
  Exchange x;
  EXPECT_EQ(x.send(connectMessage("JobPad", "other")), "ERROR 3:282\n");
  EXPECT_TRUE(x.session.closed());
  std::string out;
  EXPECT_FALSE(x.session.feed("EXECUTE 4:show\n", out));
  EXPECT_TRUE(out.empty());

  Exchange y;
  y.send(connectMessage("JobPad", "orogdde"));
  out.clear();
  // The whole message before the fault is answered, then the conversation ends.
  EXPECT_FALSE(y.session.feed("EXECUTE 4:show\nEXECUTE 3:ad", out) && y.session.feed("d 9\n", out));
  EXPECT_EQ(out, "OK\n");
  EXPECT_TRUE(y.session.closed());
  EXPECT_EQ(y.shows, 1);
  EXPECT_TRUE(y.added.empty());
}
