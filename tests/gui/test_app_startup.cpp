// Start-up and shut-down of the main window: the settings file, the job-editor
// commands, the missing-file message, bad settings files, writing tessaly.ini
// into the start directory.
#include <QAction>
#include <QtTest>

#include <QScrollBar>

#include <QLabel>
#include <QPushButton>

#include "app/CommandLine.h"

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include "app/TessalyWindow.h"
#include "jobs/core/JobLink.h"
#include "platform/FileChecks.h"
#include "qt/QtUi.h"
#include "shared/FileTexts.h"
#include "shared/Settings.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

const std::string GoodIni =
    " 12  trace offset\r\n"
    " 250  tlength\r\n"
    " 0  place holder\r\n"
    " .5  sampling ratio\r\n"
    " 0  place holder\r\n"
    " 6  datadivisor\r\n"
    "/data/lines\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    "/opt/orogen/worog\r\n"
    " 1  area fill flag\r\n"
    " 1  normalize flag\r\n"
    " 0  graphics save flag\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    " 0  place holder\r\n"
    " 1500  form top\r\n"
    " 3000  form left\r\n"
    " 9000  form width\r\n"
    " 6000  form height\r\n";

struct Fixture : MainWindow {
  int helpQuits = 0;
  Fixture() {
    w.quitHelp = [this] { ++helpQuits; };
    w.setProgramFolder("/opt/tessaly/bin");
  }
};

}  // namespace

class AppStartupTest : public QObject {
  Q_OBJECT
 private slots:
  void startupReadsTheSettingsAndTellsTheEditor();
  void missingSettingsFileMessageAndDefaults();
  void badSettingsFilesStillStart_data();
  void badSettingsFilesStillStart();
  void shortSettingsFileKeepsDefaults();
  void settingsNameThatIsNoRegularFileIsUnreadable_data();
  void settingsNameThatIsNoRegularFileIsUnreadable();
  void settingsFileFromAnotherSystemIsFoundAndKeptThroughALink();
  void shutdownWritesIntoTheStartDirectory();
  void shutdownWithTheEditorDownKeepsThePath();
  void shutdownThatCannotWriteTheSettings_data();
  void shutdownThatCannotWriteTheSettings();
  void shutdownWithASettingsLinkToNoSettingsFile_data();
  void shutdownWithASettingsLinkToNoSettingsFile();
  void closingTheWindowRunsTheSameShutdown();
  void exitMenuItemShutsDown();
  void helpPathRule();
  void commandLine();
  void fileOnTheCommandLineOpensAsOpenWould();
};

void AppStartupTest::startupReadsTheSettingsAndTellsTheEditor() {
  CurrentTempDir dir;
  writeFile(dir.file("tessaly.ini"), GoodIni);
  Fixture f;
  f.w.startup();
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.st.SettingsFileName, std::string("tessaly.ini"));
  QCOMPARE(QString::fromStdString(f.st.StartDirectory), QDir::currentPath());
  QCOMPARE(f.st.TraceSpacing, 12.0f);
  QCOMPARE(f.st.TraceLengthSetting, 250.0f);
  QCOMPARE(f.st.SamplingRatio, 0.5f);
  QCOMPARE(f.st.DataDivisor, 6.0f);
  QCOMPARE(f.st.LastPath, std::string("/data/lines"));
  QCOMPARE(f.st.ProcessingSystemPath, std::string("/opt/orogen/worog"));
  QCOMPARE(f.st.AreaFillFlag, std::int16_t(1));
  QCOMPARE(f.st.NormalizeFlag, std::int16_t(1));
  QCOMPARE(f.st.GraphicsSaveFlag, std::int16_t(-1));  // 0 in the file, on after a load
  QCOMPARE(f.st.PlotLeft, std::int16_t(50));
  QCOMPARE(f.st.PlotTop, std::int16_t(50));
  QCOMPARE(f.st.SampleInterval, 100);
  QVERIFY(!f.w.action("editvelf")->isEnabled());
  QVERIFY(!f.w.action("editnmo")->isEnabled());
  QCOMPARE(f.w.helpFilePath(), std::string("/opt/tessaly/bin/TESSALY.HLP"));
  // Placement in twips.
  QCOMPARE(f.w.topTwips(), 1500.0);
  QCOMPARE(f.w.leftTwips(), 3000.0);
  QCOMPARE(f.w.widthTwips(), 9000.0);
  QCOMPARE(f.w.heightTwips(), 6000.0);
  // The editor: linked, then the processing-system path and the last directory.
  const std::vector<std::string> expected = {
      "connect JobPad|orogdde",
      "poke dde1=/opt/orogen/worog", "poke dde2=", "poke dde3=", "execute pathtoorog",
      "poke dde1=/data/lines", "poke dde2=", "poke dde3=", "execute lastpath"};
  QCOMPARE(f.dde.log, expected);
  QVERIFY(f.w.link().ddelinked());
}

void AppStartupTest::missingSettingsFileMessageAndDefaults() {
  CurrentTempDir dir;
  Fixture f;
  f.w.startup();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), (Box{"Can not find tessaly.INI file!\r\n", "Tessaly", Buttons::Ok, Icon::None}));
  QCOMPARE(f.st.SettingsFileName, std::string());
  QCOMPARE(f.st.TraceSpacing, 10.0f);
  QCOMPARE(f.st.TraceLengthSetting, 100.0f);
  QCOMPARE(f.st.DataDivisor, 10.0f);
  QCOMPARE(f.st.SamplingRatio, 1.0f);
  QCOMPARE(f.st.ProcessingSystemPath, std::string("\\worog15\\worog.exe"));
  QCOMPARE(f.st.LastPath, std::string());
  QCOMPARE(f.st.GraphicsSaveFlag, std::int16_t(0));
  // No conversation with the editor at start-up.
  QVERIFY(f.dde.log.empty());
  QVERIFY(!f.w.link().ddelinked());
}

void AppStartupTest::badSettingsFilesStillStart_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::newRow("empty") << QByteArray();
  QByteArray bin;
  for (int i = 0; i < 5000; ++i) bin.append(char((i * 131 + 7) & 0xff));
  QTest::newRow("binary") << bin;
  QTest::newRow("overlong") << QByteArray(3 << 20, 'Z');
  QTest::newRow("nonsense") << QByteArray("x\r\n1e999\r\n,,,\r\n-\r\n.\r\nE5\r\n\r\n1\r\n2\r\n3\r\n4\r\n\r\nq\r\n99999999\r\n-"
                                          "\r\n\r\n\r\n\r\n1e30\r\n-1e30\r\n-50\r\n1e9\r\n");
}

void AppStartupTest::badSettingsFilesStillStart() {
  QFETCH(QByteArray, content);
  CurrentTempDir dir;
  writeFile(dir.file("tessaly.ini"), content.toStdString());
  Fixture f;
  f.w.startup();
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.st.GraphicsSaveFlag, std::int16_t(-1));
  QVERIFY(std::isfinite(f.st.TraceSpacing));
  QVERIFY(std::isfinite(f.st.DataDivisor));
  QVERIFY(f.w.width() >= 100 && f.w.width() <= 20000);
  QVERIFY(f.w.height() >= 100 && f.w.height() <= 20000);
  QCOMPARE(f.dde.log.front(), std::string("connect JobPad|orogdde"));
  // Shut-down writes a complete file again.
  f.w.shutdown();
  const auto lines = settingsLines(readFile(dir.file("tessaly.ini")), 100);
  QCOMPARE(lines.size(), size_t(22));
}

void AppStartupTest::settingsNameThatIsNoRegularFileIsUnreadable_data() {
  QTest::addColumn<QString>("kind");
  QTest::newRow("fifo") << "fifo";
  QTest::newRow("link to /dev/zero") << "zero";
  QTest::newRow("folder") << "folder";
}

// Start-up neither waits nor spins: the file-error box, then the values a
// missing file leaves, and the editor is told as after any unreadable file.
void AppStartupTest::settingsNameThatIsNoRegularFileIsUnreadable() {
  QFETCH(QString, kind);
  CurrentTempDir dir;
  const std::string ini = dir.file("tessaly.ini");
  if (kind == "fifo") QCOMPARE(::mkfifo(ini.c_str(), 0600), 0);
  if (kind == "zero") QCOMPARE(::symlink("/dev/zero", ini.c_str()), 0);
  if (kind == "folder") QVERIFY(QDir().mkdir(QString::fromStdString(ini)));
  Fixture f;
  QElapsedTimer t;
  t.start();
  f.w.startup();
  QVERIFY(t.elapsed() < 5000);
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.ui.boxes[0].text,
           std::string("That file or path can not be accessed (no permission, a folder, or a read-only disk)."));
  QCOMPARE(f.ui.boxes[0].title, std::string("File Error"));
  QCOMPARE(f.st.TraceSpacing, 10.0f);
  QCOMPARE(f.st.TraceLengthSetting, 100.0f);
  QCOMPARE(f.st.DataDivisor, 10.0f);
  QCOMPARE(f.st.ProcessingSystemPath, std::string("\\worog15\\worog.exe"));
  QCOMPARE(f.dde.log.front(), std::string("connect JobPad|orogdde"));
}

void AppStartupTest::settingsFileFromAnotherSystemIsFoundAndKeptThroughALink() {
  CurrentTempDir dir;
  writeFile(dir.file("real.ini"), GoodIni);
  QCOMPARE(::symlink("real.ini", dir.file("TESSALY.INI").c_str()), 0);
  Fixture f;
  f.w.startup();
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.st.SettingsFileName, std::string("TESSALY.INI"));
  QCOMPARE(f.st.TraceSpacing, 12.0f);
  f.st.TraceSpacing = 14.0f;
  f.w.shutdown();
  // Written back through the link, under the name it was found by.
  QVERIFY(QFileInfo(QString::fromStdString(dir.file("TESSALY.INI"))).isSymLink());
  QVERIFY(!QFileInfo::exists(QString::fromStdString(dir.file("tessaly.ini"))));
  QCOMPARE(settingsLines(readFile(dir.file("real.ini")), 1).front(), std::string(" 14  trace offset"));
}

void AppStartupTest::shortSettingsFileKeepsDefaults() {
  CurrentTempDir dir;
  writeFile(dir.file("tessaly.ini"), " 8  trace offset\r\n 300  tlength\r\n");
  Fixture f;
  const int width = f.w.width();
  f.w.startup();
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.st.TraceSpacing, 8.0f);
  QCOMPARE(f.st.TraceLengthSetting, 300.0f);
  QCOMPARE(f.st.DataDivisor, 10.0f);
  QCOMPARE(f.st.SamplingRatio, 1.0f);
  QCOMPARE(f.st.LastPath, std::string());
  QCOMPARE(f.st.ProcessingSystemPath, std::string("\\worog15\\worog.exe"));
  QCOMPARE(f.w.width(), width);
}

void AppStartupTest::shutdownWritesIntoTheStartDirectory() {
  CurrentTempDir dir;
  Fixture f;
  f.w.startup();  // no settings file: defaults
  f.st.SamplingRatio = 0.5f;
  f.st.LastPath = "/data/a,b";
  f.w.setPlacementTwips(1440, 720, 7680, 6000);
  // The user wandered off in a file dialog.
  TempDir elsewhere;
  QDir::setCurrent(QString::fromStdString(elsewhere.path()));
  // The link is down: each exchange tells so and asks to restart; answer No.
  f.ui.answers = {Answer::Ok, Answer::No, Answer::Ok, Answer::No};
  f.w.shutdown();
  QCOMPARE(f.ended, 1);
  QCOMPARE(f.helpQuits, 1);
  QVERIFY(!QFile::exists(QString::fromStdString(elsewhere.file("tessaly.ini"))));
  QCOMPARE(QDir::currentPath(), QString::fromStdString(dir.path()));
  const std::string expected =
      " 10  trace offset\r\n"
      " 100  tlength\r\n"
      " 0  place holder\r\n"
      " .5  sampling ratio\r\n"
      " 0  place holder\r\n"
      " 10  datadivisor\r\n"
      "/data/a,b\r\n"
      " 0  place holder\r\n"
      " 0  place holder\r\n"
      " 0  place holder\r\n"
      " 0  place holder\r\n"
      "\\worog15\\worog.exe\r\n"
      " 0  area fill flag\r\n"
      " 0  normalize flag\r\n"
      " 0  graphics save flag\r\n"
      " 0  place holder\r\n"
      " 0  place holder\r\n"
      " 0  place holder\r\n"
      " 1440  form top\r\n"
      " 720  form left\r\n"
      " 7680  form width\r\n"
      " 6000  form height\r\n";
  QCOMPARE(readFile(dir.file("tessaly.ini")), expected);
  // A second shut-down (the close that follows Exit) does nothing more.
  f.w.shutdown();
  QCOMPARE(f.ended, 1);

  // Read back: the comma ends LastPath.
  Fixture g;
  g.w.startup();
  QCOMPARE(g.st.LastPath, std::string("/data/a"));
  QCOMPARE(g.st.SamplingRatio, 0.5f);
  QCOMPARE(g.st.GraphicsSaveFlag, std::int16_t(-1));
  g.w.endProcess = [] {};
  g.w.shutdown();
  QVERIFY(readFile(dir.file("tessaly.ini")).find("-1  graphics save flag\r\n") != std::string::npos);
}

void AppStartupTest::shutdownWithTheEditorDownKeepsThePath() {
  CurrentTempDir dir;
  writeFile(dir.file("tessaly.ini"), GoodIni);
  Fixture f;
  f.w.startup();
  QVERIFY(f.w.link().ddelinked());
  // The editor answers with its path.
  f.dde.log.clear();
  f.dde.editorPath = "/usr/local/orogen/worog";
  f.w.shutdown();
  const std::vector<std::string> expected = {"poke dde1=", "poke dde2=", "poke dde3=", "execute getpathtoorog",
                                             "request dde1", "request dde2", "request dde3"};
  QCOMPARE(f.dde.log, expected);
  QCOMPARE(f.w.EditorReply1, std::string("/usr/local/orogen/worog"));
  QCOMPARE(f.st.ProcessingSystemPath, std::string("/usr/local/orogen/worog"));
  QVERIFY(readFile(dir.file("tessaly.ini")).find("\r\n/usr/local/orogen/worog\r\n") != std::string::npos);

  // An editor that cannot be reached: the path stays, the file is still written.
  writeFile(dir.file("tessaly.ini"), GoodIni);
  Fixture g;
  g.dde.serverUp = false;
  g.w.startup();
  QVERIFY(!g.w.link().ddelinked());
  g.ui.boxes.clear();
  g.ui.answers = {Answer::Ok, Answer::No, Answer::Ok, Answer::No};
  g.w.shutdown();
  // getpathtoorog and the request each find the link down.
  QCOMPARE(g.ui.boxes.size(), size_t(4));
  QCOMPARE(g.ui.boxes[1].title, std::string("Restart JobPad?"));
  QCOMPARE(g.st.ProcessingSystemPath, std::string("/opt/orogen/worog"));
  QCOMPARE(g.w.EditorReply1, std::string());
  QVERIFY(readFile(dir.file("tessaly.ini")).find("\r\n/opt/orogen/worog\r\n") != std::string::npos);
  QCOMPARE(g.ended, 1);
}

// The settings file cannot be written at exit: the file-error box, the process
// still ends, and the file that was there stays whole, no temporary beside it.
void AppStartupTest::shutdownThatCannotWriteTheSettings_data() {
  QTest::addColumn<bool>("diskFull");
  QTest::addColumn<QString>("text");
  // As root a read-only folder is still writable: a plain file stands for the
  // folder that can not take the settings.
  QTest::newRow("folder is a plain file") << false << "That path does not exist";
  QTest::newRow("disk full") << true << "Disk is full. Continue?";
}

void AppStartupTest::shutdownThatCannotWriteTheSettings() {
  QFETCH(bool, diskFull);
  QFETCH(QString, text);
  CurrentTempDir dir;
  const std::string old = " 10  trace offset\r\n";
  writeFile(dir.file("tessaly.ini"), old);
  Fixture f;
  f.linked();
  f.st.StartDirectory = diskFull ? dir.path() : dir.file("tessaly.ini");
  f.st.SettingsFileName = "tessaly.ini";
  f.st.LastPath = std::string(5000, 'p');  // more than the limit below
  {
    std::optional<FileSizeLimit> limit;
    if (diskFull) limit.emplace(1024);
    f.w.shutdown();
  }
  QCOMPARE(f.ended, 1);
  QVERIFY(!f.ui.boxes.empty());
  QCOMPARE(QString::fromStdString(f.ui.boxes.back().text), text);
  QCOMPARE(f.ui.boxes.back().title, std::string("File Error"));
  QCOMPARE(readFile(dir.file("tessaly.ini")), old);
  QCOMPARE(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files), QStringList{"tessaly.ini"});
}

// tessaly.ini a symbolic link to a FIFO, to a device or to the data file open:
// the settings written at exit never replace what it leads to; the
// access-error box says so, and the process still ends.
void AppStartupTest::shutdownWithASettingsLinkToNoSettingsFile_data() {
  QTest::addColumn<QString>("target");
  QTest::newRow("FIFO") << "fifo";
  QTest::newRow("data file open") << "data";
  QTest::newRow("device") << "/dev/null";
}

void AppStartupTest::shutdownWithASettingsLinkToNoSettingsFile() {
  QFETCH(QString, target);
  if (target == "/dev/null" && ::geteuid() != 0) QSKIP("/dev/null is tried only as root");
  CurrentTempDir dir;
  Fixture f;
  f.linked();
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

void AppStartupTest::closingTheWindowRunsTheSameShutdown() {
  CurrentTempDir dir;
  writeFile(dir.file("tessaly.ini"), GoodIni);
  Fixture f;
  f.w.startup();
  f.w.show();
  QVERIFY(f.w.close());
  QCOMPARE(f.ended, 1);
  QCOMPARE(f.helpQuits, 1);
  QVERIFY(f.w.shutDown());
  QCOMPARE(settingsLines(readFile(dir.file("tessaly.ini")), 100).size(), size_t(22));
}

void AppStartupTest::exitMenuItemShutsDown() {
  CurrentTempDir dir;
  Fixture f;
  f.w.startup();
  f.ui.answers = {Answer::Ok, Answer::No, Answer::Ok, Answer::No};
  f.w.action("fileexit")->trigger();
  QCOMPARE(f.ended, 1);
  QVERIFY(QFile::exists(QString::fromStdString(dir.file("tessaly.ini"))));
}

void AppStartupTest::helpPathRule() {
  QCOMPARE(TessalyWindow::helpPathFor("/opt/tessaly"), std::string("/opt/tessaly/TESSALY.HLP"));
  QCOMPARE(TessalyWindow::helpPathFor("/"), std::string("/TESSALY.HLP"));
  QCOMPARE(TessalyWindow::helpPathFor("/opt/tessaly/"), std::string("/opt/tessaly/TESSALY.HLP"));
  QCOMPARE(TessalyWindow::helpPathFor("/opt/x/  "), std::string("/opt/x/  TESSALY.HLP"));
}

void AppStartupTest::commandLine() {
  StartupArguments a = parseStartupArguments({"tessaly"});
  QVERIFY(a.error.empty());
  QVERIFY(!a.helpAsked);
  QVERIFY(a.file.empty());
  a = parseStartupArguments({"tessaly", "demo/scan.nmo"});
  QVERIFY(a.error.empty());
  QCOMPARE(a.file, std::string("demo/scan.nmo"));
  a = parseStartupArguments({"tessaly", "--help"});
  QVERIFY(a.helpAsked);
  QVERIFY(a.helpText.find("[FILE]") != std::string::npos);
  a = parseStartupArguments({"tessaly", "a.dat", "b.dat"});
  QCOMPARE(a.error, std::string("Give at most one file to open."));
  a = parseStartupArguments({"tessaly", "--colour"});
  QVERIFY(!a.error.empty());
  QVERIFY(a.file.empty());
}

void AppStartupTest::fileOnTheCommandLineOpensAsOpenWould() {
  CurrentTempDir dir;
  QDir().mkdir("data");
  writeFile(dir.file("data/scan.nmo"), panelFile(4, 101, 3, {1500, 2000}));
  Fixture f;
  f.w.link().linkstart("JobPad", "orogdde");
  f.dde.log.clear();
  f.st.LastPath = "/somewhere/else";
  f.w.openFile("data/scan.nmo");  // relative to the start directory
  QVERIFY(f.ui.boxes.empty());
  QVERIFY(f.ui.openDialogs.empty());  // no dialog: the name is given
  const std::string full = dir.file("data/scan.nmo");
  QCOMPARE(f.st.DataFileName, full);
  // Its folder becomes the last directory, and the job editor is told.
  QCOMPARE(f.st.LastPath, dir.file("data"));
  const std::vector<std::string> sent = {"poke dde1=" + dir.file("data"), "poke dde2=", "poke dde3=",
                                         "execute lastpath"};
  QCOMPARE(f.dde.log, sent);
  // Drawn as after "&Open": the first CDP's panels, Prev and Next on.
  QCOMPARE(f.st.PanelCount, 2);
  QCOMPARE(f.st.PanelDrawn, std::int16_t(-1));
  QCOMPARE(control<QLabel>(f.w, "Label1")->text(), QString("CDP #  101 with any previous picks shown."));
  QVERIFY(control<QPushButton>(f.w, "nextpanel")->isEnabled());
  // The shared file dialog shows that name next time.
  QCOMPARE(f.w.fileDialog().fileName, full);

  // A name that is not there: the same box as after the dialog.
  f.w.openFile("data/nothere.nmo");
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.ui.boxes[0].text, std::string("FILE NOT FOUND"));
  QCOMPARE(f.ui.boxes[0].title, std::string("FILE ERROR"));
}

QTEST_MAIN(AppStartupTest)
#include "test_app_startup.moc"
