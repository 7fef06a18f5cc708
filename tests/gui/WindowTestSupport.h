// Helpers of the main-window tests: a control of the main window by its name,
// a recording job-editor channel, tiny trace files written by the tests.
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

// One trace of a test file.
struct TestTrace {
  std::int16_t cdp = 0;
  std::int16_t code = 1;  // 9: separator
  std::vector<float> samples;
  bool floatSamples = true;
  std::int16_t interval = 4000;
};

inline HeaderArray testHeader(const TestTrace& t, std::int16_t dataType) {
  HeaderArray h{};
  h[WordDataType] = dataType;
  h[WordCdp] = t.cdp;
  h[WordSecondaryKey] = 1;
  h[WordTraceCode] = t.code;
  h[WordNumSamples] = static_cast<std::int16_t>(t.samples.size());
  h[WordSampleInterval] = t.interval;
  h[WordSampleFormat] = t.floatSamples ? FloatFormatMarker : 0;
  return h;
}

inline std::string traceBytes(const TestTrace& t, std::int16_t dataType) {
  return TraceFileBuilder().trace(testHeader(t, dataType), t.samples).str();
}

// Velocity-scan panels: for each velocity, one stacked trace per CDP of
// firstCdp..firstCdp+cdps-1, then a separator carrying the velocity.
inline std::string panelFile(std::int16_t dataType, std::int16_t firstCdp, int cdps,
                             const std::vector<std::int16_t>& velocities, int samples = 50) {
  TraceFileBuilder file;
  for (std::int16_t v : velocities) {
    for (int c = 0; c < cdps; ++c) {
      TestTrace t;
      t.cdp = static_cast<std::int16_t>(firstCdp + c);
      t.samples.assign(static_cast<std::size_t>(samples), 0.0f);
      t.samples[static_cast<std::size_t>(c % samples)] = static_cast<float>(10 + c);
      file.trace(testHeader(t, dataType), t.samples);
    }
    TestTrace s;
    s.cdp = v;
    s.code = TraceCodeSeparator;
    s.samples.assign(static_cast<std::size_t>(samples), 0.0f);
    file.trace(testHeader(s, dataType), s.samples);
  }
  return file.str();
}

// n live traces of a gather (CDP 1 + i / 10).
inline std::string gatherFile(int n, std::int16_t dataType = 1, int samples = 20) {
  TraceFileBuilder file;
  for (int i = 0; i < n; ++i) {
    TestTrace t;
    t.cdp = static_cast<std::int16_t>(1 + i / 10);
    t.samples.assign(static_cast<std::size_t>(samples), 1.0f);
    file.trace(testHeader(t, dataType), t.samples);
  }
  return file.str();
}

}  // namespace tsly::test
