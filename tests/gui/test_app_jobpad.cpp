// The main window with the real job-editor channel and the real JobPad
// ($TESSALY_BIN_DIR/JobPad/JobPad, started by the test without a window):
// start-up links and sends the paths, Open sends "lastpath", shut-down gets the
// processing-system path back; a JobPad that dies before Exit still lets the
// settings file be written.
#include <QAction>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QProcess>
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
  QString jobPadBin_;
  std::unique_ptr<QProcess> server_;
  int run_ = 0;

  bool startJobPad(const QString& deck) {
    server_ = std::make_unique<QProcess>();
    return tsly::test::startJobPad(*server_, jobPadBin_,
                                   {"--no-window", "--deck", deck, "--orog-path", "/srv/orogen/worog"});
  }

  void stopJobPad() {
    if (!server_) return;
    server_->kill();
    server_->waitForFinished(3000);
    server_.reset();
    QLocalServer::removeServer(LocalDdeClient::serverName(JobEditorApp, JobEditorTopic));
  }

 private slots:
  void initTestCase() {
    const QString binDir = qEnvironmentVariable("TESSALY_BIN_DIR");
    QVERIFY2(!binDir.isEmpty(), "TESSALY_BIN_DIR is not set");
    jobPadBin_ = binDir + "/JobPad/JobPad";
    QVERIFY2(QFileInfo(jobPadBin_).isExecutable(), qPrintable(jobPadBin_));
  }

  void init() {
    qputenv("TESSALY_DDE_SUFFIX",
            QStringLiteral("win%1x%2").arg(QCoreApplication::applicationPid()).arg(++run_).toUtf8());
  }

  void cleanup() { stopJobPad(); }

  void startupOpenAndShutdownTalkToJobPad() {
    CurrentTempDir dir;
    writeFile(dir.file("tessaly.ini"), iniWith(dir.path(), "/opt/orogen/worog"));
    writeFile(dir.file("scan.dat"), panelFile(4, 101, 3, {1500, 2000}));
    QVERIFY(startJobPad(QString::fromStdString(dir.file("deck.txt"))));

    AppState st;
    ScriptedUi ui;
    LocalDdeClient dde;
    TessalyWindow w(st, ui, dde);
    int ended = 0;
    w.endProcess = [&] { ++ended; };
    w.startup();
    QVERIFY(ui.boxes.empty());
    QVERIFY(w.link().ddelinked());

    FileDialogResult r;
    r.status = FileDialogResult::Status::Chosen;
    r.path = dir.file("scan.dat");
    ui.fileAnswers.push_back(r);
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
    QVERIFY(startJobPad(QString::fromStdString(dir.file("deck.txt"))));

    AppState st;
    ScriptedUi ui;
    LocalDdeClient dde;
    dde.setTimeouts(1000, 2000, 2000);
    TessalyWindow w(st, ui, dde);
    w.endProcess = [] {};
    w.startup();
    QVERIFY(ui.boxes.empty());
    stopJobPad();

    // "getpathtoorog" meets the dead server: one failure message; the request
    // then finds the link down and offers a restart (answered No).
    ui.answers = {Answer::Ok, Answer::Ok, Answer::No};
    w.shutdown();
    QCOMPARE(ui.boxes.size(), size_t(3));
    QCOMPARE(ui.boxes[0].title, std::string("JobPad DDE COMMUNICATIONS FAILURE"));
    QCOMPARE(ui.boxes[1].title, std::string("JobPad INSERTION/COMMUNICATION ERROR"));
    QCOMPARE(ui.boxes[2].title, std::string("Restart JobPad?"));
    QCOMPARE(st.ProcessingSystemPath, std::string("/opt/orogen/worog"));
    const auto lines = settingsLines(readFile(dir.file("tessaly.ini")), 100);
    QCOMPARE(lines.size(), size_t(22));
    QCOMPARE(lines[11], std::string("/opt/orogen/worog"));
  }
};

QTEST_MAIN(AppJobPadTest)
#include "test_app_jobpad.moc"
