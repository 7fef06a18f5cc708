// Helpers of the main-window tests: a control of the main window by its name,
// a recording job-editor channel, panel and gather files as bytes.
#pragma once

#include <QDir>
#include <QMainWindow>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/DdeClient.h"
#include "shared/TraceFormat.h"
#include "support/TempDir.h"
#include "support/TraceFileBuilder.h"

namespace tsly::test {

// A control of the main window by its objectName. Searched below the client area
// only, so that a control of the same name in one of the window's dialogs
// (tslyfile also has a Label1) is never the one found.
template <class T>
T* control(const QMainWindow& w, const char* name) {
  return w.centralWidget()->findChild<T*>(QString::fromLatin1(name));
}

// Job-editor channel double: records every exchange as one text line
// ("connect JobPad|orogdde", "poke dde1=...", "execute add", "request dde1")
// and serves requests from `items`. Failures are scripted per call number.
class RecordingDde : public DdeClient {
 public:
  std::vector<std::string> log;
  std::map<std::string, std::string> items;
  bool serverUp = true;       // connect answers
  int failConnect = 0;        // error number for connect when not 0
  std::deque<int> failNext;   // error numbers for the next exchanges (0: succeed)
  std::vector<std::string> started;

  int connect(const std::string& app, const std::string& topic) override {
    log.push_back("connect " + app + "|" + topic);
    if (failConnect) return failConnect;
    return serverUp ? 0 : DdeNoAppResponded;
  }
  int disconnects = 0;
  void disconnect() override { ++disconnects; }
  int poke(const std::string& item, const std::string& value) override {
    log.push_back("poke " + item + "=" + value);
    return next();
  }
  int execute(const std::string& command) override {
    log.push_back("execute " + command);
    if (command == "getpathtoorog") items["dde1"] = editorPath;
    return next();
  }
  int request(const std::string& item, std::string& value) override {
    log.push_back("request " + item);
    const int e = next();
    if (e == 0) value = items[item];
    return e;
  }
  bool startProgram(const std::string& name) override {
    started.push_back(name);
    return false;
  }
  std::string errorDescription(int error) const override { return "DDE error " + std::to_string(error); }

  std::string editorPath = "/opt/orogen/worog";

 private:
  int next() {
    if (failNext.empty()) return 0;
    const int e = failNext.front();
    failNext.pop_front();
    return e;
  }
};

// Velocity-scan panels: for each velocity, one trace per CDP of
// firstCdp..firstCdp+cdps-1, then a separator carrying the velocity.
inline std::string panelFile(std::int16_t dataType, int firstCdp, int cdps, const std::vector<int>& velocities,
                             int samples = 50) {
  TraceFileBuilder file(dataType, samples);
  for (int v : velocities) file.panel(firstCdp, cdps, v);
  return file.str();
}

// n live traces of a gather (CDP 1 + i / 10).
inline std::string gatherFile(int n, std::int16_t dataType = 1, int samples = 20) {
  TraceFileBuilder file(dataType, samples);
  for (int i = 0; i < n; ++i) file.dataTrace(1 + i / 10);
  return file.str();
}

}  // namespace tsly::test
