// Bad files through the main window's Open, and faults at the edges of the
// system: the job editor killed during a VELF run, the settings file's folder
// unusable or the disk full at exit. Each gives its message, the program keeps
// running, and nothing already safe is lost.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/TessalyWindow.h"
#include "jobs/core/EditVelf.h"
#include "jobs/core/JobLink.h"
#include "open/core/OpenScan.h"
#include "platform/FileChecks.h"
#include "shared/FileTexts.h"
#include "qt/LocalDdeClient.h"
#include "support/JobPadLauncher.h"
#include "shared/Settings.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

struct Window {
  AppState st;
  ScriptedUi ui;
  RecordingDde dde;
  TessalyWindow w{st, ui, dde};
  int ended = 0;
  Window() {
    w.endProcess = [this] { ++ended; };
    w.quitHelp = [] {};
    w.link().linkstart("JobPad", "orogdde");
    dde.log.clear();
  }
  void open(const std::string& path) {
    FileDialogResult r;
    r.status = FileDialogResult::Status::Chosen;
    r.path = path;
    ui.fileAnswers.push_back(r);
    w.fileopen();
  }
};

// A header of one trace with the given words (word 1 = type 4, one sample per trace).
std::string header(std::initializer_list<std::pair<int, int>> words) {
  HeaderArray h{};
  h[WordDataType] = DataVelocityScan;
  h[WordNumSamples] = 1;
  h[WordSampleInterval] = 4000;
  for (auto [w, v] : words) h[static_cast<std::size_t>(w)] = static_cast<std::int16_t>(v);
  std::string out(HeaderBytes, '\0');
  encodeHeader(h, reinterpret_cast<unsigned char*>(out.data()));
  return out;
}

}  // namespace

class AppEdgesTest : public QObject {
  Q_OBJECT

 private:
  QString jobPadBin_;
  int run_ = 0;

 private slots:
  void initTestCase() {
    jobPadBin_ = qEnvironmentVariable("TESSALY_BIN_DIR") + "/JobPad/JobPad";
  }

  void init() {
    qputenv("TESSALY_DDE_SUFFIX",
            QStringLiteral("rel%1x%2").arg(QCoreApplication::applicationPid()).arg(++run_).toUtf8());
  }

  void openBadFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const std::string sep = header({{WordTraceCode, 9}, {WordCdp, 1500}}) + std::string(2, '\0');
    const std::string data = header({{WordCdp, 101}}) + std::string(2, '\0');
    QTest::newRow("empty") << QByteArray() << "Error reading trace header";
    QTest::newRow("1 byte") << QByteArray(1, '\4') << "Error reading trace header";
    QTest::newRow("239 bytes") << QByteArray(239, '\4') << "Error reading trace header";
    QTest::newRow("word 58 = 0") << QByteArray::fromStdString(header({{WordNumSamples, 0}}))
                                 << "Data appears corrupt. Can not continue";
    QTest::newRow("word 58 = -1") << QByteArray::fromStdString(header({{WordNumSamples, -1}}))
                                  << "Data appears corrupt. Can not continue";
    QTest::newRow("32767 short") << QByteArray::fromStdString(header({{WordNumSamples, 32767}}) + std::string(100, 'x'))
                                 << "Error reading trace data";
    QTest::newRow("type 3 word 0") << QByteArray::fromStdString(header({{WordDataType, 3}, {WordLabelWord, 0}}) + std::string(2, '\0'))
                                   << QString::fromStdString(scanmsg::keyWordText(0));
    QTest::newRow("type 3 word 121")
        << QByteArray::fromStdString(header({{WordDataType, 3}, {WordLabelWord, 121}}) + std::string(2, '\0'))
        << QString::fromStdString(scanmsg::keyWordText(121));
    QTest::newRow("only a separator") << QByteArray::fromStdString(sep)
                                      << QString::fromStdString(scanmsg::noPanelsText());
    QTest::newRow("no separator") << QByteArray::fromStdString(data + data)
                                  << QString::fromStdString(scanmsg::noPanelsText());
  }

  // Each bad file gives its one message; the window then opens a good file normally.
  void openBadFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    CurrentTempDir dir;
    writeFile(dir.file("bad.dat"), bytes.toStdString());
    Window f;
    f.open(dir.file("bad.dat"));
    QCOMPARE(f.ui.boxes.size(), size_t(1));
    QCOMPARE(QString::fromStdString(f.ui.boxes[0].text), text);
    QVERIFY(!f.ui.busy);
    QCOMPARE(f.st.TraceFileHandle, -1);

    writeFile(dir.file("good.dat"), panelFile(4, 101, 3, {1500, 2000}));
    f.open(dir.file("good.dat"));
    QCOMPARE(f.ui.boxes.size(), size_t(1));
    QCOMPARE(f.st.PanelCount, 2);
    QVERIFY(control<QPushButton>(f.w, "nextpanel")->isEnabled());
  }

  // A folder and a name through a plain file: "FILE NOT FOUND"; nothing else changes.
  void openFolderOrImpossiblePath() {
    CurrentTempDir dir;
    QDir().mkpath(QString::fromStdString(dir.file("folder.dat")));
    writeFile(dir.file("plain"), "x");
    for (const std::string& path : {dir.file("folder.dat"), dir.file("plain/inner.dat")}) {
      Window f;
      f.open(path);
      QCOMPARE(f.ui.boxes.size(), size_t(1));
      QCOMPARE(f.ui.boxes[0].text, std::string("FILE NOT FOUND"));
      QCOMPARE(f.ui.boxes[0].title, std::string("FILE ERROR"));
    }
  }

  // Unreadable file: only possible when not running as root.
  void openUnreadableFile() {
    CurrentTempDir dir;
    const std::string path = dir.file("locked.dat");
    writeFile(path, panelFile(4, 101, 3, {1500}));
    QFile::setPermissions(QString::fromStdString(path), QFileDevice::Permissions());
    const bool readable = ::access(path.c_str(), R_OK) == 0;
    if (readable) {
      QFile::setPermissions(QString::fromStdString(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
      QSKIP("running as root: a file with mode 000 is still readable, so it can not stand for an unreadable one");
    }
    Window f;
    f.open(path);
    QCOMPARE(f.ui.boxes.size(), size_t(1));
    QCOMPARE(f.ui.boxes[0].text, std::string("Error opening file"));
  }

  // The settings file's folder is a plain file (as root a read-only folder is
  // still writable, so this is the folder that can not take the file): the
  // file-error message, and the process still ends.
  void exitWithAnUnusableSettingsFolder() {
    CurrentTempDir dir;
    writeFile(dir.file("plain"), "keep");
    Window f;
    f.st.StartDirectory = dir.file("plain");
    f.st.SettingsFileName = "tessaly.ini";
    f.ui.answers = {Answer::Ok};
    f.w.shutdown();
    QCOMPARE(f.ended, 1);
    QVERIFY(!f.ui.boxes.empty());
    QCOMPARE(f.ui.boxes.back().text, std::string("That path does not exist"));
    QCOMPARE(f.ui.boxes.back().title, std::string("File Error"));
    QCOMPARE(readFile(dir.file("plain")), std::string("keep"));
  }

  // tessaly.ini a symbolic link to a FIFO, to a device or to the data file
  // open: the settings written at exit never replace what it leads to; the
  // access-error box says so, and the process still ends.
  void exitWithASettingsLinkToNoSettingsFile_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("data file open") << "data";
    QTest::newRow("device") << "/dev/null";
  }
  void exitWithASettingsLinkToNoSettingsFile() {
    QFETCH(QString, target);
    if (target == "/dev/null" && ::geteuid() != 0) QSKIP("/dev/null is tried only as root");
    CurrentTempDir dir;
    Window f;
    std::string to = target.toStdString();
    if (target == "fifo") QCOMPARE(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    if (target == "data") {
      writeFile(dir.file("SCAN.NMO"), "traces");
      f.st.DataFileName = dir.file("SCAN.NMO");
      to = "scan.nmo";  // the name in another case, as generation's names differ
    }
    QCOMPARE(::symlink(to.c_str(), dir.file("tessaly.ini").c_str()), 0);
    const FileKind before = fileStatus(dir.file("tessaly.ini")).kind;
    f.st.StartDirectory = dir.path();
    f.st.SettingsFileName = "tessaly.ini";
    f.ui.answers = {Answer::Ok};
    f.w.shutdown();
    QCOMPARE(f.ended, 1);
    QVERIFY(!f.ui.boxes.empty());
    QCOMPARE(f.ui.boxes.back().text, std::string(fileErrorText(75)));
    QCOMPARE(f.ui.boxes.back().title, std::string("File Error"));
    QVERIFY(std::filesystem::is_symlink(dir.file("tessaly.ini")));
    if (target == "data") QCOMPARE(readFile(dir.file("SCAN.NMO")), std::string("traces"));
    QCOMPARE(fileStatus(dir.file("tessaly.ini")).kind, before);
    if (target == "/dev/null") QCOMPARE(fileStatus("/dev/null").kind, FileKind::Device);
  }

  // The disk fills while the settings are written at exit: "Disk is full.
  // Continue?", and the previous settings file stays whole.
  void exitWithTheDiskFull() {
    CurrentTempDir dir;
    Window f;
    f.st.StartDirectory = dir.path();
    f.st.SettingsFileName = "tessaly.ini";
    f.st.LastPath = std::string(5000, 'p');  // more than the limit below
    const std::string old = " 10  trace offset\r\n";
    writeFile(dir.file("tessaly.ini"), old);
    {
      FileSizeLimit limit(1024);
      f.w.shutdown();
    }
    QCOMPARE(f.ended, 1);
    QVERIFY(!f.ui.boxes.empty());
    QCOMPARE(f.ui.boxes.back().text, std::string("Disk is full. Continue?"));
    QCOMPARE(f.ui.boxes.back().title, std::string("File Error"));
    QCOMPARE(readFile(dir.file("tessaly.ini")), old);
    QCOMPARE(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files), QStringList{"tessaly.ini"});
  }

  // JobPad is killed while "Make VELF commands" waits for the stretch answer:
  // one communication-failure message, every later line tells the link is down,
  // the run ends normally, the lines already in the deck stay there, and the
  // picks are all still there for a second run with a new JobPad.
  void jobPadKilledDuringVelfRun() {
    if (!QFileInfo(jobPadBin_).isExecutable()) QSKIP("JobPad has not been built");
    QTemporaryDir tmp;
    const QString deck = tmp.filePath("deck.job");
    QProcess server;
    QVERIFY(startJobPad(server, jobPadBin_, {"--no-window", "--deck", deck}));

    struct KillingUi : ScriptedUi {
      QProcess* victim = nullptr;
      std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                       const std::string& def) override {
        if (victim && title == velftext::StretchTitle) {
          victim->kill();
          victim->waitForFinished(5000);
          victim = nullptr;
        }
        return ScriptedUi::input(prompt, title, def);
      }
    };
    AppState st;
    st.CdpCount = 2;
    st.CdpList.recreate(2);
    st.PickTable.recreate(2);
    st.CdpList[1] = 101;
    st.CdpList[2] = 102;
    st.PickTable[1].Cdp = 101;
    st.PickTable[2].Cdp = 102;
    st.PickTable[1].PickTime[1] = 400;
    st.PickTable[1].PickVelocity[1] = 1800;
    st.PickTable[1].PickPanel[1] = 2;
    st.PickTable[2].PickTime[1] = 600;
    st.PickTable[2].PickVelocity[1] = 2100;
    st.PickTable[2].PickPanel[1] = 3;
    const auto picksBefore = std::vector<CdpPicks>{st.PickTable[1], st.PickTable[2]};

    KillingUi ui;
    ui.victim = &server;
    LocalDdeClient dde;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    QVERIFY(link.ddelinked());
    std::string dialogName;
    VelfCommandContext ctx{st, ui, link, [](std::int32_t) { return false; }, dialogName};
    ui.inputAnswers = {std::string("/data/l1.dat"), std::string(".5"), std::string("/data/l1.nmo")};
    // Delay question Yes; the failure box; then, for the two VELF lines, *OUTF
    // and >>END, the no-connection box and "restart?" answered No.
    ui.answers = {Answer::Yes, Answer::Ok};
    for (int i = 0; i < 4; ++i) ui.answers.insert(ui.answers.end(), {Answer::Ok, Answer::No});
    QCOMPARE(editvelf(ctx), VelfOutcome::Completed);
    QVERIFY(!link.ddelinked());
    int failures = 0, downs = 0;
    for (const auto& b : ui.boxes) {
      failures += b.title == "JobPad DDE COMMUNICATIONS FAILURE";
      downs += b.title == "JobPad INSERTION/COMMUNICATION ERROR";
    }
    QCOMPARE(failures, 1);
    QCOMPARE(downs, 4);
    QVERIFY(ui.answers.empty());
    // What reached the deck before the kill is there, whole.
    QCOMPARE(readFile(deck.toStdString()), std::string("*INPF /data/l1.dat\r\n"));
    // The picks are untouched.
    for (int k = 1; k <= 2; ++k) {
      QCOMPARE(st.PickTable[static_cast<std::size_t>(k)].PickTime, picksBefore[static_cast<std::size_t>(k - 1)].PickTime);
      QCOMPARE(st.PickTable[static_cast<std::size_t>(k)].PickVelocity,
               picksBefore[static_cast<std::size_t>(k - 1)].PickVelocity);
    }

    // A new JobPad, a second run: the whole deck.
    QFile::remove(deck);
    QProcess second;
    QVERIFY(startJobPad(second, jobPadBin_, {"--no-window", "--deck", deck}));
    ScriptedUi ui2;
    JobLink link2(dde, ui2);
    link2.linkstart(JobEditorApp, JobEditorTopic);
    VelfCommandContext ctx2{st, ui2, link2, [](std::int32_t) { return false; }, dialogName};
    ui2.inputAnswers = {std::string("/data/l1.dat"), std::string(".5"), std::string("/data/l1.nmo")};
    ui2.answers = {Answer::Yes};
    QCOMPARE(editvelf(ctx2), VelfOutcome::Completed);
    QVERIFY(ui2.boxes.size() == 1);  // the delay question only
    QCOMPARE(readFile(deck.toStdString()),
             std::string("*INPF /data/l1.dat\r\n*NMOT  .5 1\r\nVELF 101 400 1800\r\nVELF 102 600 2100\r\n"
                         "*OUTF /data/l1.nmo\r\n>>END\r\n"));
    second.terminate();
    second.waitForFinished(5000);
    QLocalServer::removeServer(LocalDdeClient::serverName(JobEditorApp, JobEditorTopic));
  }
};

QTEST_MAIN(AppEdgesTest)
#include "test_app_edges.moc"
