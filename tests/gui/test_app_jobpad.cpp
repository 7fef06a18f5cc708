// The main window with the real job-editor channel and the real JobPad of this
// build (started by the test without a window):
// start-up links and sends the paths, Open sends "lastpath", shut-down gets the
// processing-system path back; a JobPad that dies before Exit still lets the
// settings file be written.
#include <QAction>
#include <QtTest>
#include <memory>

#include "app/TessalyWindow.h"
#include "jobs/core/JobLink.h"
#include "qt/LocalDdeClient.h"
#include "support/JobPadLauncher.h"
#include "shared/Settings.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

std::string iniWith(const std::string& lastPath, const std::string& orogPath) {
  AppState st;
  st.LastPath = lastPath;
  st.ProcessingSystemPath = orogPath;
  st.GraphicsSaveFlag = -1;
  return settingsText(st, FormPlacement{1440, 1440, 9000, 7000});
}

}  // namespace

class AppJobPadTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<JobPadProcess> server_;

  bool startJobPad(const std::string& deck) {
    server_ = std::make_unique<JobPadProcess>();
    return server_->start({"--no-window", "--deck", QString::fromStdString(deck), "--orog-path", "/srv/orogen/worog"});
  }

 private slots:
  void init() { useOwnServerName("win"); }
  void cleanup() { server_.reset(); }

  void startupOpenAndShutdownTalkToJobPad() {
    CurrentTempDir dir;
    writeFile(dir.file("tessaly.ini"), iniWith(dir.path(), "/opt/orogen/worog"));
    writeFile(dir.file("scan.dat"), panelFile(4, 101, 3, {1500, 2000}));
    QVERIFY(startJobPad(dir.file("deck.txt")));

    AppState st;
    ScriptedUi ui;
    LocalDdeClient dde;
    TessalyWindow w(st, ui, dde);
    int ended = 0;
    w.endProcess = [&] { ++ended; };
    w.startup();
    QVERIFY(ui.boxes.empty());
    QVERIFY(w.link().ddelinked());

    ui.choose(dir.file("scan.dat"));
    w.fileopen();
    QVERIFY(ui.boxes.empty());
    QCOMPARE(st.PanelCount, 2);

    // JobPad took the path sent at start-up and hands it back at exit.
    w.shutdown();
    QVERIFY(ui.boxes.empty());
    QCOMPARE(ended, 1);
    QCOMPARE(w.EditorReply1, std::string("/opt/orogen/worog"));
    QCOMPARE(st.ProcessingSystemPath, std::string("/opt/orogen/worog"));
    const auto lines = settingsLines(readFile(dir.file("tessaly.ini")), 100);
    QCOMPARE(lines.size(), size_t(22));
    QCOMPARE(lines[6], dir.path());
    QCOMPARE(lines[11], std::string("/opt/orogen/worog"));
  }

  void jobPadGoneBeforeExit() {
    CurrentTempDir dir;
    writeFile(dir.file("tessaly.ini"), iniWith("/data/lines", "/opt/orogen/worog"));
    QVERIFY(startJobPad(dir.file("deck.txt")));

    AppState st;
    ScriptedUi ui;
    LocalDdeClient dde;
    dde.setTimeouts(1000, 2000, 2000);
    TessalyWindow w(st, ui, dde);
    int ended = 0;
    w.endProcess = [&] { ++ended; };
    w.startup();
    QVERIFY(ui.boxes.empty());
    server_->kill();

    // "getpathtoorog" meets the dead server: one failure message; the request
    // then finds the link down and offers a restart (answered No).
    ui.answers = {Answer::Ok, Answer::Ok, Answer::No};
    w.shutdown();
    QCOMPARE(ui.boxes.size(), size_t(3));
    QCOMPARE(ui.boxes[0].title, std::string("JobPad DDE COMMUNICATIONS FAILURE"));
    QCOMPARE(ui.boxes[1].title, std::string("JobPad INSERTION/COMMUNICATION ERROR"));
    QCOMPARE(ui.boxes[2].title, std::string("Restart JobPad?"));
    QCOMPARE(st.ProcessingSystemPath, std::string("/opt/orogen/worog"));
    QCOMPARE(w.EditorReply1, std::string());
    QCOMPARE(ended, 1);
    const auto lines = settingsLines(readFile(dir.file("tessaly.ini")), 100);
    QCOMPARE(lines.size(), size_t(22));
    QCOMPARE(lines[11], std::string("/opt/orogen/worog"));
  }
};

QTEST_MAIN(AppJobPadTest)
#include "test_app_jobpad.moc"
