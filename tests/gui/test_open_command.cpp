// "&Open" and "File &Info" in the main window: the dialog request, every refusal
// with its box, the progress texts, menu and button states, File Info texts,
// tables kept by a refused file, an Open chosen during a scan.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <QScrollBar>

#include "app/TessalyWindow.h"
#include "jobs/core/JobLink.h"
#include "open/FileInfoWindow.h"
#include "open/OpenCommand.h"
#include "open/core/OpenScan.h"
#include "shared/Settings.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

struct Fixture : MainWindow {
  Fixture() {
    st.LastPath = "/data/start";
    linked();
  }
  std::string label(const char* name) {
    return FileInfoWindow::labelText(w.fileInfoWindow().findChild<QLabel*>(name));
  }
};

// Presses "Done" on tslyfile once it is shown modally; records what it showed.
struct ModalFileInfo {
  std::string label1, label2, label3;
  bool wasModal = false;
  QPoint pos;
  void arm() {
    QTimer::singleShot(20, [this] { poll(); });
  }
  void poll() {
    auto* f = qobject_cast<FileInfoWindow*>(QApplication::activeModalWidget());
    if (!f) {
      QTimer::singleShot(20, [this] { poll(); });
      return;
    }
    wasModal = f->isModal();
    label1 = FileInfoWindow::labelText(f->label1());
    label2 = FileInfoWindow::labelText(f->label2());
    label3 = FileInfoWindow::labelText(f->label3());
    pos = f->pos();
    QTest::mouseClick(f->findChild<QPushButton*>("infodone"), Qt::LeftButton);
  }
};

}  // namespace

class OpenCommandTest : public QObject {
  Q_OBJECT
 private slots:
  void dialogRequestAndCancel();
  void dialogFailure();
  void fileNotFound_data();
  void fileNotFound();
  void refusals_data();
  void refusals();
  void fileThatCannotBeOpened();
  void progressEveryHundredTraces();
  void panelFileEnablesNavigation();
  void velocityScanAfterAGatherEnablesChangeGraphics();
  void openVelfBrowseAndSaveBmpShareOneName();
  void fileInfoBeforeAndAfterAnOpen();
  void refusedFilesKeepThePicks();
  void openChosenDuringAScanRunsAfterIt();
  void fileInfoDuringAScan();
  void exitDuringAScan();
};

void OpenCommandTest::dialogRequestAndCancel() {
  Fixture f;
  f.st.DataFileName = "/data/start/old.dat";
  control<QLabel>(f.w, "Label1")->setText("busy");
  f.w.action("fileopen")->trigger();
  QCOMPARE(f.ui.openDialogs.size(), size_t(1));
  const FileDialogRequest& r = f.ui.openDialogs[0];
  QCOMPARE(r.title, std::string("Tessaly File OPEN"));
  QCOMPARE(r.filter, std::string("Data (*.dat)|*.dat|NMO Data (*.nmo)|*.nmo|All Data (*.*)|*.*"));
  QCOMPARE(r.filterIndex, 1);
  QCOMPARE(r.defaultExt, std::string("dat"));
  QCOMPARE(r.initialDir, std::string("/data/start"));
  QCOMPARE(r.fileName, std::string("/data/start/old.dat"));
  // Cancelled: nothing changed, nothing said.
  QVERIFY(f.ui.boxes.empty());
  QVERIFY(f.dde.log.empty());
  QCOMPARE(f.st.LastPath, std::string("/data/start"));
  QCOMPARE(f.st.DataFileName, std::string("/data/start/old.dat"));
  QCOMPARE(control<QLabel>(f.w, "Label1")->text(), QString("busy"));
}

void OpenCommandTest::dialogFailure() {
  Fixture f;
  FileDialogResult r;
  r.status = FileDialogResult::Status::Failed;
  r.error = "Invalid file name";
  f.ui.fileAnswers.push_back(r);
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), (Box{"Unexpected error\r\nInvalid file name", "Tessaly ERROR", Buttons::Ok, Icon::None}));
  QCOMPARE(f.st.LastPath, std::string("/data/start"));
}

// A name that is no file, a folder, a name through a plain file: "FILE NOT FOUND".
void OpenCommandTest::fileNotFound_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("folder");
  QTest::newRow("missing") << "nothere.dat" << "";
  QTest::newRow("folder") << "folder.dat" << "";
  QTest::newRow("through a plain file") << "plain/inner.dat" << "plain";
}

void OpenCommandTest::fileNotFound() {
  QFETCH(QString, name);
  QFETCH(QString, folder);
  CurrentTempDir dir;
  QDir().mkpath(QString::fromStdString(dir.file("folder.dat")));
  writeFile(dir.file("plain"), "x");
  Fixture f;
  control<QLabel>(f.w, "Label1")->setText("TSLY-4-Windows");
  f.ui.choose(dir.file(name.toStdString()));
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), (Box{"FILE NOT FOUND", "FILE ERROR", Buttons::Ok, Icon::Information}));
  // The directory is taken and sent before the check; the status label is cleared.
  QCOMPARE(f.st.LastPath, folder.isEmpty() ? dir.path() : dir.file(folder.toStdString()));
  QCOMPARE(f.st.DataFileName, dir.file(name.toStdString()));
  QCOMPARE(control<QLabel>(f.w, "Label1")->text(), QString());
  QCOMPARE(readFile(dir.file("plain")), std::string("x"));
  // The dialog takes a typed name that names no file, so that this box tells it.
  QVERIFY(!f.ui.openDialogs.back().mustExist);
}

void OpenCommandTest::refusals_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("title");
  QTest::addColumn<int>("icon");
  QTest::addColumn<QString>("label2");

  QTest::newRow("short header") << QByteArray(100, '\1') << "Error reading trace header" << "Tessaly"
                                << int(Icon::None) << "lab2";
  QTest::newRow("first trace corrupt") << QByteArray::fromStdString(TraceFileBuilder(4, 0).dataTrace(0).str())
                                       << "Data appears corrupt. Can not continue" << "Tessaly"
                                       << int(Icon::Exclamation) << "lab2";
  QTest::newRow("raw field data") << QByteArray::fromStdString(gatherFile(1, 0, 10))
                                  << "Only CDP-gather/stacked or Velocity data can be processed."
                                  << "TSLY data type error" << int(Icon::Information)
                                  << " 10 Samples  4000 microsec/sample\r\n Raw Field Data\r\n";
  {
    const std::string b = gatherFile(3, 4, 10) + TraceFileBuilder(4, 0).dataTrace(0).str();
    QTest::newRow("later trace corrupt") << QByteArray::fromStdString(b)
                                         << "Data appears corrupt. Can not continue" << "Tessaly"
                                         << int(Icon::None)
                                         << " 10 Samples  4000 microsec/sample\r\n Velocity Scan Data\r\n";
  }
  {
    std::string b = gatherFile(3, 2, 10);
    b.resize(b.size() - 7);
    QTest::newRow("short sample block") << QByteArray::fromStdString(b) << "Error reading trace data"
                                        << "Tessaly" << int(Icon::None)
                                        << " 10 Samples  4000 microsec/sample\r\n CDP Stacked Data\r\n";
  }
  QTest::newRow("key word outside the header")
      << QByteArray::fromStdString(TraceFileBuilder(3, 10).dataTrace(101).header(WordLabelWord, 121).str())
      << QString::fromStdString(scanmsg::keyWordText(121)) << "TSLY data type error" << int(Icon::Information)
      << " 10 Samples  4000 microsec/sample\r\n Special Record Ordering Data\r\n";
  QTest::newRow("panel data without a separator")
      << QByteArray::fromStdString(gatherFile(12, 4, 10))
      << "This data is not valid velocity scan data\r\nPlease try a different data set." << "TSLY-NOT TSLY DATA"
      << int(Icon::Information) << " 10 Samples  4000 microsec/sample\r\n Velocity Scan Data\r\n";
}

void OpenCommandTest::refusals() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, text);
  QFETCH(QString, title);
  QFETCH(int, icon);
  QFETCH(QString, label2);
  CurrentTempDir dir;
  writeFile(dir.file("bad.dat"), bytes.toStdString());
  Fixture f;
  f.ui.choose(dir.file("bad.dat"));
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), (Box{text.toStdString(), title.toStdString(), Buttons::Ok, Icon(icon)}));
  QCOMPARE(QString::fromStdString(f.label("Label2")), label2);
  QVERIFY(!f.ui.busy);
  QVERIFY(!f.w.fileInfoWindow().isVisible());
  QVERIFY(!control<QPushButton>(f.w, "prevpanel")->isEnabled());
  QCOMPARE(f.st.DataFileName, dir.file("bad.dat"));
  QCOMPARE(f.st.TraceFileHandle, -1);
  // The window then opens a good file normally.
  writeFile(dir.file("good.dat"), panelFile(4, 101, 3, {1500, 2000}));
  f.ui.choose(dir.file("good.dat"));
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.st.PanelCount, 2);
  QVERIFY(control<QPushButton>(f.w, "nextpanel")->isEnabled());
}

void OpenCommandTest::fileThatCannotBeOpened() {
  CurrentTempDir dir;
  // A socket exists as a name but cannot be opened as a file.
  QLocalServer server;
  server.setSocketOptions(QLocalServer::WorldAccessOption);
  QVERIFY(server.listen(QString::fromStdString(dir.file("sock.dat"))));
  Fixture f;
  f.ui.choose(dir.file("sock.dat"));
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.ui.boxes[0].text, std::string("Error opening file"));
  QCOMPARE(f.ui.boxes[0].title, std::string("Tessaly"));
  QCOMPARE(f.ui.boxes[0].icon, Icon::None);
}

void OpenCommandTest::progressEveryHundredTraces() {
  CurrentTempDir dir;
  writeFile(dir.file("gather.dat"), gatherFile(250, 1, 20));
  Fixture f;
  f.w.action("editsele")->setEnabled(true);
  control<QPushButton>(f.w, "clearpicks")->setEnabled(true);
  control<QPushButton>(f.w, "prevpanel")->setEnabled(true);
  control<QPushButton>(f.w, "nextpanel")->setEnabled(true);
  std::vector<std::string> progress;
  std::vector<bool> shown, busy;
  f.ui.onEvents = [&] {
    // Half-built tables: the buttons, canvas and "&Options" wait for the scan.
    QVERIFY(!control<QPushButton>(f.w, "prevpanel")->isEnabled());
    QVERIFY(!control<QWidget>(f.w, "Picture1")->isEnabled());
    QVERIFY(!f.w.menu("edit")->menuAction()->isEnabled());
    QVERIFY(f.w.action("fileinfomenu")->isEnabled());
    QVERIFY(f.w.action("fileexit")->isEnabled());
    progress.push_back(f.label("Label1"));
    shown.push_back(f.w.fileInfoWindow().isVisible() && !f.w.fileInfoWindow().isModal());
    busy.push_back(f.ui.busy);
  };
  f.ui.choose(dir.file("gather.dat"));
  f.w.fileopen();
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(progress, (std::vector<std::string>{" 100 Traces Processed", " 200 Traces Processed"}));
  QCOMPARE(shown, (std::vector<bool>{true, true}));
  QCOMPARE(busy, (std::vector<bool>{true, true}));
  QVERIFY(!f.ui.busy);
  QVERIFY(!f.w.fileInfoWindow().isVisible());
  // The last progress text stays until File Info.
  QCOMPARE(f.label("Label1"), std::string(" 200 Traces Processed"));
  QCOMPARE(f.st.TraceCount, 250);
  QCOMPARE(f.st.ScanCounter, 1);
  QVERIFY(f.st.TraceDirectory.size() >= 310u);
  // Gather data: NMO parameters on, graphics and navigation off.
  QVERIFY(f.w.action("editnmo")->isEnabled());
  QVERIFY(!f.w.action("editsele")->isEnabled());
  QVERIFY(!f.w.action("editvelf")->isEnabled());
  QVERIFY(!control<QPushButton>(f.w, "clearpicks")->isEnabled());
  QVERIFY(!control<QPushButton>(f.w, "prevpanel")->isEnabled());
  QVERIFY(!control<QPushButton>(f.w, "nextpanel")->isEnabled());
  QVERIFY(control<QWidget>(f.w, "Picture1")->isEnabled());
  QVERIFY(f.w.menu("edit")->menuAction()->isEnabled());
  QCOMPARE(f.st.LastPath, dir.path());
}

void OpenCommandTest::panelFileEnablesNavigation() {
  CurrentTempDir dir;
  writeFile(dir.file("scan.nmo"), panelFile(2, 101, 3, {1500, 2000, 2500, 3000, 3500}));
  Fixture f;
  f.ui.choose(dir.file("scan.nmo"));
  f.w.fileopen();
  QVERIFY(f.ui.boxes.empty());
  // The directory went to the editor as "lastpath".
  const std::vector<std::string> sent = {"poke dde1=" + dir.path(), "poke dde2=", "poke dde3=", "execute lastpath"};
  QCOMPARE(f.dde.log, sent);
  QCOMPARE(f.st.TraceCount, 20);
  QCOMPARE(f.st.PanelCount, 5);
  QCOMPARE(f.st.CdpCount, 1);
  QCOMPARE(f.st.CurrentCdp, 1);
  QVERIFY(control<QPushButton>(f.w, "prevpanel")->isEnabled());
  QVERIFY(control<QPushButton>(f.w, "nextpanel")->isEnabled());
  QVERIFY(f.w.action("editsele")->isEnabled());
  QVERIFY(!f.w.action("editnmo")->isEnabled());
  QVERIFY(!f.w.action("editvelf")->isEnabled());
  QCOMPARE(f.label("Label3"), dir.file("scan.nmo"));
  QCOMPARE(f.label("Label2"), std::string(" 50 Samples  4000 microsec/sample\r\n CDP Stacked Data\r\n"));
  // The vertical bar matches the viewport.
  QCOMPARE(control<QScrollBar>(f.w, "VScroll1")->height(), control<QWidget>(f.w, "Picture2")->height());
  QVERIFY(control<QScrollBar>(f.w, "VScroll1")->minimum() == 0 && control<QScrollBar>(f.w, "VScroll1")->maximum() >= 0);
}

void OpenCommandTest::velocityScanAfterAGatherEnablesChangeGraphics() {
  CurrentTempDir dir;
  writeFile(dir.file("g.dat"), gatherFile(30, 1, 10));
  writeFile(dir.file("v.nmo"), panelFile(4, 101, 3, {1500, 2000}));
  Fixture f;
  f.ui.choose(dir.file("g.dat"));
  f.w.fileopen();
  QVERIFY(!f.w.action("editsele")->isEnabled());
  QVERIFY(f.w.action("editnmo")->isEnabled());
  // Velocity-scan panels are drawn like stacked ones, so their display can be changed.
  f.ui.choose(dir.file("v.nmo"));
  f.w.fileopen();
  QVERIFY(f.ui.boxes.empty());
  QVERIFY(f.w.action("editsele")->isEnabled());
  QVERIFY(!f.w.action("editnmo")->isEnabled());
}

void OpenCommandTest::openVelfBrowseAndSaveBmpShareOneName() {
  CurrentTempDir dir;
  writeFile(dir.file("scan.nmo"), panelFile(4, 101, 3, {1500, 2000}));
  Fixture f;
  f.st.GraphicsSaveFlag = -1;  // the canvas keeps its picture, so Save BMP has one to save
  f.ui.choose(dir.file("scan.nmo"));
  f.w.fileopen();
  QVERIFY(f.ui.boxes.empty());
  f.st.PickTable.at(1).PickVelocity[1] = 2000;
  f.st.PickTable.at(1).PickTime[1] = 40.0f;

  // Save BMP proposes a bitmap beside the file just opened (never the data
  // file itself) and keeps what is chosen.
  f.ui.choose(dir.file("first.bmp"));
  f.w.filebmp();
  QCOMPARE(f.ui.saveDialogs.size(), size_t(1));
  QCOMPARE(f.ui.saveDialogs[0].fileName, dir.file("scan.BMP"));

  // The VELF browse ("?" for the data file) proposes Save BMP's choice.
  f.ui.inputAnswers.push_back(std::string("?"));
  f.ui.choose(dir.file("moved.dat"));
  f.w.editvelf();
  QCOMPARE(f.ui.openDialogs.size(), size_t(2));
  QCOMPARE(f.ui.openDialogs[1].fileName, dir.file("first.bmp"));

  // And Save BMP the browse's choice.
  f.w.filebmp();
  QCOMPARE(f.ui.saveDialogs.size(), size_t(2));
  QCOMPARE(f.ui.saveDialogs[1].fileName, dir.file("moved.dat"));

  // Open shows the open file's name again (once the unsaved pick is let go).
  const std::size_t boxes = f.ui.boxes.size();
  f.ui.answers.push_back(Answer::No);
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), boxes + 1);
  QCOMPARE(f.ui.boxes.back().title, std::string("TSLY-Picks Not Saved"));
  QCOMPARE(f.ui.openDialogs.size(), size_t(3));
  QCOMPARE(f.ui.openDialogs[2].fileName, dir.file("scan.nmo"));
}

void OpenCommandTest::fileInfoBeforeAndAfterAnOpen() {
  CurrentTempDir dir;
  Fixture f;
  f.w.move(100, 80);
  f.w.show();
  ModalFileInfo before;
  before.arm();
  f.w.action("fileinfomenu")->trigger();
  QVERIFY(before.wasModal);
  QCOMPARE(before.label1, std::string("First CDP -  0 Last CDP -  0\r\n"));
  QCOMPARE(before.label2, std::string("lab2"));
  QCOMPARE(before.label3, std::string("lab3"));
  QVERIFY(!f.w.fileInfoWindow().isVisible());
  // Centred over the main window.
  FileInfoWindow* info = &f.w.fileInfoWindow();
  const QRect o = f.w.frameGeometry(), me = info->frameGeometry();
  QVERIFY(qAbs(me.center().x() - o.center().x()) <= 2);
  QVERIFY(qAbs(me.center().y() - o.center().y()) <= 2);

  // Velocity scan of CDPs 101..140 at two velocities.
  writeFile(dir.file("v.dat"), panelFile(4, 101, 40, {2000, 2600}));
  f.ui.choose(dir.file("v.dat"));
  f.w.fileopen();
  QVERIFY(f.ui.boxes.empty());
  ModalFileInfo after;
  after.arm();
  f.w.fileinfo();
  QCOMPARE(after.label1, std::string("First CDP -  101 Last CDP -  140\r\n"));
  QCOMPARE(after.label2, std::string(" 50 Samples  4000 microsec/sample\r\n Velocity Scan Data\r\n"));
  QCOMPARE(after.label3, dir.file("v.dat"));
  // Done keeps the texts.
  QCOMPARE(f.label("Label1"), std::string("First CDP -  101 Last CDP -  140\r\n"));
}

void OpenCommandTest::refusedFilesKeepThePicks() {
  CurrentTempDir dir;
  writeFile(dir.file("scan.dat"), panelFile(4, 101, 3, {1500, 2000}));
  Fixture f;
  f.ui.choose(dir.file("scan.dat"));
  f.w.fileopen();
  QCOMPARE(f.st.CdpCount, 1);
  f.st.PickTable.at(1).PickVelocity[1] = 2000;
  f.st.PickTable.at(1).PickTime[1] = 480.0f;
  // Each Open below first asks about that unsaved pick; No lets it go on.
  auto letThePickGo = [&](std::size_t box) {
    QVERIFY(f.ui.boxes.size() > box);
    QCOMPARE(f.ui.boxes[box].title, std::string("TSLY-Picks Not Saved"));
  };
  f.ui.answers = {Answer::No, Answer::Ok, Answer::No, Answer::No, Answer::Ok, Answer::No};

  // A file of the wrong type: refused, the picks stay.
  writeFile(dir.file("raw.dat"), gatherFile(1, 0, 10));
  f.ui.choose(dir.file("raw.dat"));
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), size_t(2));
  letThePickGo(0);
  QCOMPARE(f.st.PickTable.at(1).PickVelocity[1], std::int16_t(2000));
  // The controls are as the previous file left them.
  QVERIFY(control<QPushButton>(f.w, "prevpanel")->isEnabled());
  QVERIFY(control<QPushButton>(f.w, "nextpanel")->isEnabled());
  QVERIFY(f.w.menu("edit")->menuAction()->isEnabled());

  // A gather: the NMO dialog's turn; panels, CDP list and picks stay.
  writeFile(dir.file("g.dat"), gatherFile(30, 1, 10));
  f.ui.choose(dir.file("g.dat"));
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), size_t(3));
  letThePickGo(2);
  QCOMPARE(f.st.CdpCount, 1);
  QCOMPARE(f.st.PanelCount, 2);
  QCOMPARE(f.st.PickTable.at(1).PickTime[1], 480.0f);
  QCOMPARE(f.st.TraceCount, 30);

  // A broken file half-way: no crash, the picks stay.
  std::string cut = panelFile(4, 201, 2, {1000});
  cut.resize(cut.size() - 3);
  writeFile(dir.file("cut.dat"), cut);
  f.ui.choose(dir.file("cut.dat"));
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), size_t(5));
  letThePickGo(3);
  QCOMPARE(f.ui.boxes[4].text, std::string("Error reading trace data"));
  QCOMPARE(f.st.PickTable.at(1).PickVelocity[1], std::int16_t(2000));

  // Another velocity scan: a fresh, empty pick table.
  writeFile(dir.file("scan2.dat"), panelFile(4, 301, 2, {1500}));
  f.ui.choose(dir.file("scan2.dat"));
  f.w.fileopen();
  QCOMPARE(f.ui.boxes.size(), size_t(6));
  letThePickGo(5);
  QCOMPARE(f.st.CdpCount, 1);
  QCOMPARE(f.st.PickTable.at(1).Cdp, std::int16_t(301));
  QCOMPARE(f.st.PickTable.at(1).PickVelocity[1], std::int16_t(0));
}

void OpenCommandTest::openChosenDuringAScanRunsAfterIt() {
  CurrentTempDir dir;
  writeFile(dir.file("big.dat"), gatherFile(350, 1, 10));
  writeFile(dir.file("scan.dat"), panelFile(4, 101, 3, {1500, 2000}));
  Fixture f;
  int calls = 0;
  f.ui.onEvents = [&] {
    if (++calls == 1) {
      f.w.fileopen();  // during the scan of big.dat
      QVERIFY(f.w.openRunning());
      QCOMPARE(f.ui.openDialogs.size(), size_t(1));  // not yet
    }
  };
  f.ui.choose(dir.file("big.dat"));
  f.ui.choose(dir.file("scan.dat"));
  f.w.fileopen();
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.ui.openDialogs.size(), size_t(2));
  QCOMPARE(f.st.DataFileName, dir.file("scan.dat"));
  QCOMPARE(f.st.TraceCount, 8);
  QCOMPARE(f.st.PanelCount, 2);
  QVERIFY(control<QPushButton>(f.w, "nextpanel")->isEnabled());
  QVERIFY(!f.w.openRunning());
}

void OpenCommandTest::fileInfoDuringAScan() {
  CurrentTempDir dir;
  writeFile(dir.file("big.dat"), gatherFile(250, 1, 10));
  Fixture f;
  f.w.show();
  ModalFileInfo during;
  int calls = 0;
  f.ui.onEvents = [&] {
    if (++calls == 1) {
      during.arm();
      f.w.fileinfo();
    }
  };
  f.ui.choose(dir.file("big.dat"));
  f.w.fileopen();
  QVERIFY(during.wasModal);
  QCOMPARE(during.label3, dir.file("big.dat"));
  QCOMPARE(f.st.TraceCount, 250);
  QVERIFY(!f.w.fileInfoWindow().isVisible());
  QVERIFY(!f.w.fileInfoWindow().isModal());
}

void OpenCommandTest::exitDuringAScan() {
  CurrentTempDir dir;
  writeFile(dir.file("big.dat"), gatherFile(250, 1, 10));
  Fixture f;
  int ended = 0;
  f.w.endProcess = [&] { ++ended; };
  control<QPushButton>(f.w, "clearpicks")->setEnabled(true);
  f.ui.onEvents = [&] {
    if (!f.w.shutDown()) f.w.action("fileexit")->trigger();
  };
  f.ui.choose(dir.file("big.dat"));
  f.w.fileopen();
  QCOMPARE(ended, 1);
  QCOMPARE(settingsLines(readFile(dir.file("tessaly.ini")), 100).size(), size_t(22));
  // The open stops with the scan: the gather steps after it do not run.
  QVERIFY(control<QPushButton>(f.w, "clearpicks")->isEnabled());
  QVERIFY(f.ui.boxes.empty());
  QVERIFY(!f.ui.busy);
}

QTEST_MAIN(OpenCommandTest)
#include "test_open_command.moc"
