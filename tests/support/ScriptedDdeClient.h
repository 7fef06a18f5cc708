// Test double of the job-editor channel: a small in-memory JobPad plus a script
// of failures. Records every call in `calls`, in order, as text:
//   "connect JobPad|orogdde", "disconnect", "start JobPad",
//   "poke dde1=<value>", "execute <command>", "request dde1".
// The simulated server keeps the items dde1..dde3, the commands executed and the
// deck of lines received by "add", with the same meaning as the JobPad stand-in.
//
//   ScriptedDdeClient dde;                 // server running, program on PATH
//   dde.serverRunning = false;             // connect answers 282
//   dde.programOnPath = false;             // startProgram fails (JobLink shows error 53)
//   dde.failOn("poke dde1", 286);          // the next call starting with that text fails
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/DdeClient.h"
#include "platform/DdeErrors.h"

namespace tsly::test {

class ScriptedDdeClient : public DdeClient {
 public:
  // Simulated server and machine.
  bool serverRunning = true;
  bool programOnPath = true;
  // A started server is up for the next connect only when this is true (false
  // stands for a server too slow to come up).
  bool startedServerAnswers = true;
  std::map<std::string, std::string> items{{"dde1", ""}, {"dde2", ""}, {"dde3", ""}};
  std::vector<std::string> deck;      // lines received by "add"
  std::vector<std::string> commands;  // every command executed, in order
  std::string orogPath = "\\worog15\\worog.exe";
  std::string lastPath;
  int showCount = 0;

  // Client side.
  bool connected = false;
  std::vector<std::string> calls;
  int startCount = 0;

  void failOn(const std::string& callPrefix, int error) { failures_.emplace_back(callPrefix, error); }
  int connect(const std::string& application, const std::string& topic) override {
    const std::string call = "connect " + application + "|" + topic;
    calls.push_back(call);
    connected = false;
    if (int e = scripted(call)) return e;
    if (!serverRunning || application != "JobPad" || topic != "orogdde") return ErrDdeNoAppResponded;
    connected = true;
    return 0;
  }
  void disconnect() override {
    calls.push_back("disconnect");
    connected = false;
  }
  int poke(const std::string& item, const std::string& value) override {
    const std::string call = "poke " + item + "=" + value;
    calls.push_back(call);
    if (int e = exchange(call)) return e;
    auto it = items.find(item);
    if (it == items.end()) return ErrDdeWontPerform;
    it->second = value;
    return 0;
  }
  int execute(const std::string& command) override {
    const std::string call = "execute " + command;
    calls.push_back(call);
    if (int e = exchange(call)) return e;
    commands.push_back(command);
    if (command == "show") {
      ++showCount;
    } else if (command == "add") {
      deck.push_back(items["dde1"]);
    } else if (command == "pathtoorog") {
      orogPath = items["dde1"];
    } else if (command == "lastpath") {
      lastPath = items["dde1"];
    } else if (command == "getpathtoorog") {
      items["dde1"] = orogPath;
    } else {
      commands.pop_back();
      return ErrDdeWontPerform;
    }
    return 0;
  }
  int request(const std::string& item, std::string& value) override {
    const std::string call = "request " + item;
    calls.push_back(call);
    if (int e = exchange(call)) return e;
    auto it = items.find(item);
    if (it == items.end()) return ErrDdeDataNotProvided;
    value = it->second;
    return 0;
  }
  bool startProgram(const std::string& name) override {
    calls.push_back("start " + name);
    ++startCount;
    if (!programOnPath || name != "JobPad") return false;
    if (startedServerAnswers) serverRunning = true;
    return true;
  }
  std::string errorDescription(int error) const override { return ddeErrorDescription(error); }

  // Calls of a kind (those starting with prefix).
  std::vector<std::string> callsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : calls)
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
  }

 private:
  int scripted(const std::string& call) {
    for (auto it = failures_.begin(); it != failures_.end(); ++it) {
      if (call.rfind(it->first, 0) == 0) {
        int e = it->second;
        failures_.erase(it);
        return e;
      }
    }
    return 0;
  }
  int exchange(const std::string& call) {
    if (int e = scripted(call)) return e;
    if (!connected) return ErrDdeNoChannel;
    if (!serverRunning) {
      connected = false;
      return ErrDdeForeignAppQuit;
    }
    return 0;
  }

  std::deque<std::pair<std::string, int>> failures_;
};

}  // namespace tsly::test
