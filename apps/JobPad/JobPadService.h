// What the JobPad stand-in does with a conversation: the items "dde1".."dde3",
// the processing-system path, the last directory and the five commands
//   "show"           bring the editor forward
//   "add"            append the line in item "dde1" to the job deck (whatever
//                    "dde2" holds: lines always go to the end of the deck)
//   "pathtoorog"     remember item "dde1" as the processing-system path
//   "lastpath"       remember item "dde1" as the last directory
//   "getpathtoorog"  put the processing-system path into item "dde1"
// Application, topic, item and command names are matched without regard to case.
// Failures answer 285 (unknown command or item, or the deck could not take the
// line) and 289 (request of an unknown item). Qt-free; the JobPad program wires
// the callbacks to its window or deck file.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "platform/LinkProtocol.h"

namespace tsly {

inline constexpr const char* DefaultOrogPath = "\\worog15\\worog.exe";

class JobPadService : public dde::ServerSession::Handler {
 public:
  // Called for "add" with the line; false when the line could not be stored.
  std::function<bool(const std::string&)> onAdd;
  std::function<void()> onShow;
  // Called after "pathtoorog" or "lastpath" changed a path.
  std::function<void()> onPathsChanged;

  std::string orogPath = DefaultOrogPath;
  std::string lastPath;

  bool acceptConnect(const std::string& application, const std::string& topic) override;
  int poke(const std::string& item, const std::string& value) override;
  int execute(const std::string& command) override;
  int request(const std::string& item, std::string& value) override;

  const std::string& item(int index) const { return items_.at(static_cast<std::size_t>(index - 1)); }

 private:
  // 1..3 for "dde1".."dde3", 0 for any other name.
  static int itemIndex(const std::string& item);
  std::array<std::string, 3> items_;
};

}  // namespace tsly
