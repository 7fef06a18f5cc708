// Client side of the conversation with the job editor JobPad (application
// "JobPad", topic "orogdde", items "dde1".."dde3"). Failures are reported to the
// user here and never passed to the caller.
//
// Usage: the main window owns one DdeClient (LocalDdeClient) and one JobLink and
// hands JobLink& to whatever sends lines or commands. linkstart at start-up;
// linkcommand("pathtoorog", path, "", ""); linkaddline(line) for each job line;
// linkcommand("getpathtoorog", "", "", "") then linkrequest(r1, r2, r3) at exit.
// While the link is down, every linkcommand/linkrequest/linkaddline shows the
// no-connection message and offers a restart; the exchange itself is dropped.
#pragma once

#include <cstdint>
#include <string>

#include "platform/DdeClient.h"
#include "platform/Ui.h"

namespace tsly {

inline constexpr const char* JobEditorApp = "JobPad";
inline constexpr const char* JobEditorTopic = "orogdde";

class JobLink {
 public:
  JobLink(DdeClient& client, Ui& ui) : client_(client), ui_(ui) {}

  void linkstart(const std::string& application, const std::string& topic);
  void linkcommand(const std::string& command, const std::string& value1, const std::string& value2,
                   const std::string& value3);
  // Leaves out1..out3 unchanged when the link is down.
  void linkrequest(std::string& out1, std::string& out2, std::string& out3);
  void linkaddline(const std::string& line, std::int16_t sw = -1);
  void linkrestart();
  void linkfailure(const std::string& description);

  bool ddelinked() const { return ddelinked_; }
  // Exchanges that did not reach the editor since the link was made: failed, or
  // dropped because the link was down. A caller compares it before and after a
  // run to know whether everything it sent arrived.
  int lostExchanges() const { return lost_; }

 private:
  // True when error is a failure (0 is success); reports DDE failures.
  bool exchangeFailed(int error);

  DdeClient& client_;
  Ui& ui_;
  bool ddelinked_ = false;
  int lost_ = 0;
};

}  // namespace tsly
