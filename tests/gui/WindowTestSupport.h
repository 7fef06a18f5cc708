// Helpers of the main-window tests: a control of the main window by its name,
// a recording job-editor channel, the window on both doubles, panel and gather
// files as bytes.
#pragma once

#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QtTest>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/TessalyWindow.h"
#include "jobs/core/JobLink.h"
#include "qt/ImageCanvas.h"
#include "platform/DdeClient.h"
#include "shared/TraceFormat.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "support/TraceFileBuilder.h"

namespace tsly::test {

constexpr QRgb White = 0xffffff;
constexpr QRgb Red = 0xff0000;  // a pick line (XOR of cyan) on white

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

// The main window on the scripted dialogs and the recording job-editor channel;
// `ended` counts the ends of the process.
struct MainWindow {
  AppState st;
  ScriptedUi ui;
  RecordingDde dde;
  TessalyWindow w{st, ui, dde};
  int ended = 0;
  MainWindow() { w.endProcess = [this] { ++ended; }; }
  // The job editor up, as after a start-up with a settings file; nothing logged yet.
  void linked() {
    w.link().linkstart("JobPad", "orogdde");
    dde.log.clear();
  }
  // "&Open" with `path` chosen in its dialog.
  void open(const std::string& path) {
    ui.choose(path);
    w.action("fileopen")->trigger();
  }
  void click(int x, int y) { QTest::mousePress(w.canvas(), Qt::LeftButton, {}, QPoint(x, y)); }
  void press(const char* button) { QTest::mouseClick(control<QPushButton>(w, button), Qt::LeftButton); }
  QRgb at(int x, int y) { return w.canvas()->image().pixel(x, y) & 0xffffff; }
  QString status() { return control<QLabel>(w, "Label1")->text(); }
};

// n live traces of a gather (CDP 1 + i / 10), all samples 1.
inline std::string gatherFile(int n, std::int16_t dataType = DataCdpGather, int samples = 20) {
  TraceFileBuilder file;
  GatherTrace t;
  t.samples.assign(static_cast<std::size_t>(samples), 1.0f);
  for (int i = 0; i < n; ++i) {
    t.cdp = static_cast<std::int16_t>(1 + i / 10);
    file.gatherTrace(t, dataType);
  }
  return file.str();
}

}  // namespace tsly::test
