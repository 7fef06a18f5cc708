// The picks commands of the main window: Save, Load and Export Picks with their
// dialogs and boxes, the Velocity Function window following the CDP shown, and
// the question before unsaved picks are lost (Exit, the close box, Open, Load),
// also when Open or Exit is chosen during a redraw or a scan.
#include <QtTest>

#include <sys/stat.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>

#include "picks/PicksCommands.h"
#include "app/SpectrumCommand.h"
#include "app/TessalyWindow.h"
#include "display/DisplaySurface.h"
#include "picks/VelocityFunctionWindow.h"
#include "platform/FileChecks.h"
#include "shared/ExchangeOutput.h"
#include "jobs/core/JobLink.h"
#include "qt/ImageCanvas.h"
#include "shared/FileTexts.h"
#include "support/GenFixtures.h"
#include "support/PanelFile.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

const char* const NotSavedTitle = "TSLY-Picks Not Saved";

struct Fixture : MainWindow {
  CurrentTempDir dir;
  Fixture() {
    linked();
    st.StartDirectory = dir.path();
    w.show();
  }
  std::string panels(const std::string& name) { return writeClickPanels(dir.file(name)); }
  // scan.nmo written and opened; its path.
  std::string openScan() {
    const std::string data = panels("scan.nmo");
    open(data);
    return data;
  }
  // Two picks on CDP 1001 (25 ms at 1800, 50 ms at 1500), one on CDP 1011 (10 ms at 2100).
  void threePicks() {
    click(235, 150);
    click(60, 250);
    press("nextpanel");
    click(335, 90);
    press("prevpanel");
  }
  VelocityFunctionWindow* velocityFunction() { return w.picks().velocityFunctionWindow(); }
};

void expectBox(const RecordedBox& b, const std::string& text, const std::string& title, Buttons buttons, Icon icon) {
  QCOMPARE(Box(b), (Box{text, title, buttons, icon}));
}

// The question before unsaved picks are lost: "1 pick on 1 CDP of FILE has been
// ...", then what is about to happen.
Box notSaved(const std::string& counts, const std::string& file, const char* before) {
  const char* verb = counts.rfind("1 pick ", 0) == 0 ? " has" : " have";
  return {counts + " of " + file + verb + " been neither saved nor sent as VELF commands.\r\n" + before,
          NotSavedTitle, Buttons::YesNoCancel, Icon::Exclamation};
}

const char* const BeforeExit = "Save them before Tessaly ends?";
const char* const BeforeOpen = "Save them before another file is opened?";
const char* const BeforeLoad = "Save them before the picks file replaces them?";

}  // namespace

class AppPicksTest : public QObject {
  Q_OBJECT
 private slots:
  void itemsFollowPanelData();
  void saveWritesEveryPickAndProposesTheDataFileName();
  void saveAsksBeforeReplacingAndNeverWritesOverTheData();
  void nothingToSaveOrExport_data();
  void nothingToSaveOrExport();
  void saveWhenTheWriteFails();
  void loadReportsEveryRefusedRowAndLoadsTheRest();
  void loadAsksFirstAndKeepsThePicksWhenNothingLoads();
  void savedPicksAndACsvExportLoadBackWhole();
  void exportWritesParOrCsvByTheFilterChosen();
  void velocityFunctionFollowsTheCdpShown();
  void exitAsksAboutUnsavedPicks_data();
  void exitAsksAboutUnsavedPicks();
  void openAsksAboutUnsavedPicks();
  void savedLoadedOrSentPicksAreNotAskedAbout();
  void picksStayThePanelFilesWhileAGatherIsOpen();
  void openOrExitChosenDuringARedrawAsksAfterIt_data();
  void openOrExitChosenDuringARedrawAsksAfterIt();
  void openChosenDuringAScanAsksAfterIt();
  void exitChosenDuringAScanAsksAtOnce_data();
  void exitChosenDuringAScanAsksAtOnce();
};

// The four items (named and placed as the layout test checks) are on while
// panel data is open.
void AppPicksTest::itemsFollowPanelData() {
  Fixture f;
  const std::vector<const char*> items = {"savepicks", "loadpicks", "exportpicks", "velfunction"};
  auto enabled = [&](bool on) {
    for (const char* name : items)
      if (f.w.action(name)->isEnabled() != on) return false;
    return true;
  };
  QVERIFY(enabled(false));
  f.openScan();
  QVERIFY(enabled(true));
  writeFile(f.dir.file("gather.dat"), gatherFile(30, 1, 10));
  f.open(f.dir.file("gather.dat"));
  QVERIFY(enabled(false));
  f.open(f.dir.file("scan.nmo"));
  QVERIFY(enabled(true));
  // A file refused leaves them as the panel file left them, as it leaves Prev/Next.
  writeFile(f.dir.file("raw.dat"), gatherFile(3, 0, 10));
  f.open(f.dir.file("raw.dat"));
  QVERIFY(enabled(true));
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  expectBox(f.ui.boxes[0], "Only CDP-gather/stacked or Velocity data can be processed.", "TSLY data type error",
            Buttons::Ok, Icon::Information);
}

void AppPicksTest::saveWritesEveryPickAndProposesTheDataFileName() {
  Fixture f;
  const std::string data = f.openScan();
  f.threePicks();
  f.ui.choose(f.dir.file("line7.picks"));
  f.w.action("savepicks")->trigger();
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.ui.saveDialogs.size(), size_t(1));
  const FileDialogRequest& r = f.ui.saveDialogs[0];
  QCOMPARE(r.title, std::string("Save Picks"));
  QCOMPARE(r.filter, std::string("Picks (*.picks)|*.picks|All Files (*.*)|*.*"));
  QCOMPARE(r.filterIndex, 1);
  QCOMPARE(r.defaultExt, std::string("picks"));
  QCOMPARE(r.initialDir, f.dir.path());
  QCOMPARE(r.fileName, f.dir.file("scan.picks"));
  QCOMPARE(readFile(f.dir.file("line7.picks")),
           "# Tessaly picks for " + data + "\n1001, 25, 1800\n1001, 50, 1500\n1011, 10, 2100\n");
  QCOMPARE(f.status(), QString::fromStdString("3 picks saved to " + f.dir.file("line7.picks")));
  // The shared dialog keeps the choice: the next save proposes it again.
  QCOMPARE(f.w.fileDialog().fileName, f.dir.file("line7.picks"));
  f.click(335, 250);
  f.ui.choose(f.dir.file("line7.picks"));
  f.ui.answers = {Answer::Ok};  // replace it
  f.w.picks().savepicks();
  QCOMPARE(f.ui.saveDialogs[1].fileName, f.dir.file("line7.picks"));
  QCOMPARE(readFile(f.dir.file("line7.picks")),
           "# Tessaly picks for " + data + "\n1001, 25, 1800\n1001, 50, 1500\n1001, 50, 2100\n1011, 10, 2100\n");
  // Saved: Exit asks nothing.
  f.w.action("fileexit")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));  // the replace question only
  QCOMPARE(f.ended, 1);
}

void AppPicksTest::saveAsksBeforeReplacingAndNeverWritesOverTheData() {
  Fixture f;
  const std::string data = f.openScan();
  f.click(235, 150);
  const std::string old = f.dir.file("old.picks");
  writeFile(old, "keep\n");
  // Cancel in the replace question: the old file stays, the picks stay unsaved.
  f.ui.choose(old);
  f.ui.answers = {Answer::Cancel};
  f.w.action("savepicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  expectBox(f.ui.boxes[0], overwriteQuestionText(old), "File Message", Buttons::OkCancel, Icon::Information);
  QCOMPARE(readFile(old), std::string("keep\n"));
  QVERIFY(f.w.picks().unsaved());
  // OK replaces it.
  f.ui.choose(old);
  f.ui.answers = {Answer::Ok};
  f.w.action("savepicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(2));
  QCOMPARE(readFile(old), "# Tessaly picks for " + data + "\n1001, 25, 1800\n");
  QVERIFY(!f.w.picks().unsaved());
  // The data file itself is refused before anything is asked or written.
  const std::string bytes = readFile(data);
  f.click(60, 250);
  f.ui.choose(data);
  f.w.action("savepicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(3));
  expectBox(f.ui.boxes[2], "Picks can not be written over the data file\r\n" + data, "TSLY-Save Picks", Buttons::Ok,
            Icon::Exclamation);
  QCOMPARE(readFile(data), bytes);
  QVERIFY(f.w.picks().unsaved());
}

// Save and Export without a pick: told so, no dialog.
void AppPicksTest::nothingToSaveOrExport_data() {
  QTest::addColumn<QString>("item");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("title");
  QTest::newRow("Save") << "savepicks" << "There are no picks to save." << "TSLY-Save Picks";
  QTest::newRow("Export") << "exportpicks" << "There are no picks to export." << "TSLY-Export Picks";
}

void AppPicksTest::nothingToSaveOrExport() {
  QFETCH(QString, item);
  QFETCH(QString, text);
  QFETCH(QString, title);
  Fixture f;
  f.openScan();
  f.w.action(item.toLatin1().constData())->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  expectBox(f.ui.boxes[0], text.toStdString(), title.toStdString(), Buttons::Ok, Icon::Information);
  QVERIFY(f.ui.saveDialogs.empty());
}

void AppPicksTest::saveWhenTheWriteFails() {
  Fixture f;
  f.openScan();
  f.click(235, 150);
  // A folder that does not exist: the reason is the system's, as a write there gives it.
  const std::string nowhere = f.dir.file("gone/line.picks");
  const std::string reason = writeTextFileWhole(nowhere, "x");
  QVERIFY(!reason.empty());
  f.ui.choose(nowhere);
  f.w.action("savepicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  expectBox(f.ui.boxes[0], "The picks could not be saved to\r\n" + nowhere + "\r\n" + reason, "TSLY-Save Picks",
            Buttons::Ok, Icon::Exclamation);
  QVERIFY(f.w.picks().unsaved());

  // A FIFO by the name chosen: Save and Export refuse it before any question
  // (writing would replace it, or wait for a reader), and it stays a FIFO.
  const std::string fifo = f.dir.file("line.fifo");
  QCOMPARE(::mkfifo(fifo.c_str(), 0644), 0);
  for (const char* title : {"TSLY-Save Picks", "TSLY-Export Picks"}) {
    f.ui.choose(fifo, 2);
    f.w.action(title == std::string("TSLY-Save Picks") ? "savepicks" : "exportpicks")->trigger();
    expectBox(f.ui.boxes.back(), "\"" + fifo + "\" is a FIFO, not a file.\r\nNothing was written.", title,
              Buttons::Ok, Icon::Exclamation);
  }
  QCOMPARE(f.ui.boxes.size(), size_t(3));
  QCOMPARE(tsly::fileStatus(fifo).kind, tsly::FileKind::Fifo);

  // The dialog itself failing.
  FileDialogResult failed;
  failed.status = FileDialogResult::Status::Failed;
  failed.error = "Invalid file name";
  f.ui.fileAnswers.push_back(failed);
  f.w.action("savepicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(4));
  expectBox(f.ui.boxes[3], "Unexpected error\r\nInvalid file name", "Tessaly ERROR", Buttons::Ok, Icon::None);
}

void AppPicksTest::loadReportsEveryRefusedRowAndLoadsTheRest() {
  Fixture f;
  const std::string data = f.openScan();
  f.w.action("velfunction")->trigger();
  const std::string file = f.dir.file("scan.picks");
  writeFile(file, "# Tessaly picks for " + data +
                      "\n1001, 25, 1800\n1001, 200, 1500\n1011, 10, 2100\n1021, 10, 1500\n1011, 20, 1700\ngarbage\n"
                      "1001, 25, 2100\n");
  QVERIFY(!f.w.action("editvelf")->isEnabled());
  f.ui.choose(file);
  f.w.action("loadpicks")->trigger();
  // Loaded picks can be sent, as clicked ones can.
  QVERIFY(f.w.action("editvelf")->isEnabled());
  QCOMPARE(f.ui.openDialogs.size(), size_t(2));
  const FileDialogRequest& r = f.ui.openDialogs[1];
  QCOMPARE(r.title, std::string("Load Picks"));
  QCOMPARE(r.filter, std::string("Picks (*.picks)|*.picks|CSV (*.csv)|*.csv|All Files (*.*)|*.*"));
  QCOMPARE(r.initialDir, f.dir.path());
  QCOMPARE(r.fileName, file);
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  expectBox(f.ui.boxes[0],
            "3 picks loaded, 4 rows refused:\r\n"
            "Line 3 \"1001, 200, 1500\": time 200 ms lies outside the traces (0 to 100 ms)\r\n"
            "Line 5 \"1021, 10, 1500\": CDP 1021 is not in the open file\r\n"
            "Line 7 \"garbage\": not a row of three fields: CDP, time in ms, velocity\r\n"
            "Line 8 \"1001, 25, 2100\": CDP 1001 already has a pick at 25 ms (velocity 1800, line 2); two picks "
            "at one time are not allowed",
            "TSLY-Load Picks", Buttons::Ok, Icon::Exclamation);
  QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(1800));
  QCOMPARE(f.st.PickTable[1].PickTime[1], 25.0f);
  QCOMPARE(f.st.PickTable[1].PickVelocity[2], std::int16_t(0));
  QCOMPARE(f.st.PickTable[2].PickVelocity[1], std::int16_t(2100));
  // A velocity between the panels' loads too.
  QCOMPARE(f.st.PickTable[2].PickVelocity[2], std::int16_t(1700));
  QCOMPARE(f.st.PickTable[2].PickPanel[2], std::int16_t(0));
  // Drawn on the CDP shown, and in the velocity-function window.
  QCOMPARE(f.at(235, 150), Red);
  QCOMPARE(f.velocityFunction()->heading()->text(), QString("CDP 1001: 1 pick"));
  // Loaded picks are in a file: nothing to ask at Exit.
  f.w.action("fileexit")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.ended, 1);
}

void AppPicksTest::loadAsksFirstAndKeepsThePicksWhenNothingLoads() {
  Fixture f;
  const std::string data = f.openScan();
  f.click(235, 150);
  // Cancel: no dialog, nothing changed.
  f.ui.answers = {Answer::Cancel};
  f.w.action("loadpicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), notSaved("1 pick on 1 CDP", data, BeforeLoad));
  QCOMPARE(f.ui.openDialogs.size(), size_t(1));
  // No: the file read, but every row refused, and saved for another file: the
  // picks made stay.
  const std::string file = f.dir.file("other.picks");
  writeFile(file, "# Tessaly picks for /data/other.nmo\n1001, 25, 0\n");
  f.ui.answers = {Answer::No};
  f.ui.choose(file);
  f.w.action("loadpicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(3));
  QCOMPARE(Box(f.ui.boxes[1]), notSaved("1 pick on 1 CDP", data, BeforeLoad));
  expectBox(f.ui.boxes[2],
            "These picks were saved for /data/other.nmo.\r\n"
            "0 picks loaded, 1 row refused:\r\n"
            "Line 2 \"1001, 25, 0\": velocity 0 lies outside 1 to 32767\r\n"
            "No pick was loaded: the picks shown before are kept.",
            "TSLY-Load Picks", Buttons::Ok, Icon::Exclamation);
  QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(1800));
  QCOMPARE(f.at(235, 150), Red);
  QVERIFY(f.w.picks().unsaved());
  // A file that cannot be read.
  f.ui.answers = {Answer::No};
  f.ui.choose(f.dir.file("none.picks"));
  f.w.action("loadpicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(5));
  expectBox(f.ui.boxes[4],
            "The picks file could not be read:\r\n\"" + f.dir.file("none.picks") +
                "\": No such file or directory",
            "TSLY-Load Picks", Buttons::Ok, Icon::Exclamation);
  QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(1800));
}

// What Save writes, and a CSV export, load back as the same picks, reported in
// a plain information box.
void AppPicksTest::savedPicksAndACsvExportLoadBackWhole() {
  Fixture f;
  const std::string data = f.openScan();
  f.threePicks();
  const std::vector<CdpPicks> made = {CdpPicks{}, f.st.PickTable[1], f.st.PickTable[2]};
  f.ui.choose(f.dir.file("scan.picks"));
  f.w.action("savepicks")->trigger();
  f.ui.choose(f.dir.file("scan.csv"), 2);
  f.w.action("exportpicks")->trigger();
  QVERIFY(f.ui.boxes.empty());
  for (const char* file : {"scan.picks", "scan.csv"}) {
    f.press("clearpicks");
    QCOMPARE(f.at(235, 150), White);
    const std::size_t boxes = f.ui.boxes.size();
    f.ui.answers = {Answer::No};  // the cleared table is not worth saving
    f.ui.choose(f.dir.file(file));
    f.w.action("loadpicks")->trigger();
    QCOMPARE(f.ui.boxes.size(), boxes + 2);
    QCOMPARE(f.ui.boxes[boxes].title, std::string(NotSavedTitle));
    expectBox(f.ui.boxes[boxes + 1], "3 picks loaded.", "TSLY-Load Picks", Buttons::Ok, Icon::Information);
    for (std::size_t c = 1; c <= 2; ++c) {
      QVERIFY(f.st.PickTable[c].PickVelocity == made[c].PickVelocity);
      QVERIFY(f.st.PickTable[c].PickTime == made[c].PickTime);
      QVERIFY(f.st.PickTable[c].PickPanel == made[c].PickPanel);
    }
    QCOMPARE(f.at(235, 150), Red);
    QVERIFY(!f.w.picks().unsaved());
  }
}

void AppPicksTest::exportWritesParOrCsvByTheFilterChosen() {
  Fixture f;
  f.openScan();
  f.threePicks();
  f.ui.choose(f.dir.file("scan.par"), 1);
  f.w.action("exportpicks")->trigger();
  QCOMPARE(f.ui.saveDialogs.size(), size_t(1));
  const FileDialogRequest& r = f.ui.saveDialogs[0];
  QCOMPARE(r.title, std::string("Export Picks"));
  QCOMPARE(r.filter, std::string("Seismic Unix par (*.par)|*.par|CSV (*.csv)|*.csv"));
  QCOMPARE(r.filterIndex, 1);
  QCOMPARE(r.defaultExt, std::string("par"));
  QCOMPARE(r.fileName, f.dir.file("scan.par"));
  QCOMPARE(readFile(f.dir.file("scan.par")),
           std::string("cdp=1001,1011\ntnmo=.025,.05\nvnmo=1800,1500\ntnmo=.01\nvnmo=2100\n"));
  QCOMPARE(f.status(), QString::fromStdString("3 picks exported to " + f.dir.file("scan.par")));
  // The CSV filter writes CSV whatever the name; the next export proposes CSV.
  f.ui.choose(f.dir.file("table.txt"), 2);
  f.w.action("exportpicks")->trigger();
  QCOMPARE(readFile(f.dir.file("table.txt")),
           std::string("cdp,time_ms,velocity\n1001,25,1800\n1001,50,1500\n1011,10,2100\n"));
  f.ui.choose(f.dir.file("again.csv"), 2);
  f.w.action("exportpicks")->trigger();
  QCOMPARE(f.ui.saveDialogs[2].filterIndex, 2);
  QCOMPARE(f.ui.saveDialogs[2].defaultExt, std::string("csv"));
  QCOMPARE(f.ui.saveDialogs[2].fileName, f.dir.file("scan.csv"));
  QVERIFY(f.ui.boxes.empty());
  // An export is not a save: the picks are still unsaved.
  QVERIFY(f.w.picks().unsaved());
  // Two picks at one time cannot go into a par file; nothing is written.
  f.click(335, 150);
  f.ui.choose(f.dir.file("equal.par"), 1);
  f.w.action("exportpicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  expectBox(f.ui.boxes[0],
            "The picks can not be exported as a Seismic Unix par file:\r\n"
            "CDP 1001 has two picks at 25 ms; tnmo times must increase.\r\n"
            "Replace one of the two picks, or export as CSV.",
            "TSLY-Export Picks", Buttons::Ok, Icon::Exclamation);
  QVERIFY(!QFile::exists(QString::fromStdString(f.dir.file("equal.par"))));
  // Nor over the gather the velocity spectrum reads for these panels.
  const std::string gather = f.dir.file("gather.dat");
  writeGather(gather, syntheticGather(1001, 11, 2, 50));
  const std::string bytes = readFile(gather);
  f.ui.choose(gather);
  QVERIFY(f.w.spectrum().gathers().choose(f.ui, f.st));
  f.ui.choose(gather, 2);
  f.w.action("exportpicks")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(2));
  expectBox(f.ui.boxes[1], "Picks can not be written over the data file\r\n" + gather, "TSLY-Export Picks",
            Buttons::Ok, Icon::Exclamation);
  QCOMPARE(readFile(gather), bytes);
}

void AppPicksTest::velocityFunctionFollowsTheCdpShown() {
  Fixture f;
  const std::string data = f.openScan();
  QVERIFY(!f.velocityFunction());
  f.w.action("velfunction")->trigger();
  VelocityFunctionWindow* vf = f.velocityFunction();
  QVERIFY(vf);
  QVERIFY(vf->isVisible());
  QVERIFY(vf->isWindow());
  QCOMPARE(vf->windowModality(), Qt::NonModal);
  // It leaves the main window's menus and buttons in view.
  const QRect placed = vf->frameGeometry();
  for (QWidget* keep : {static_cast<QWidget*>(f.w.menuBar()), static_cast<QWidget*>(control<QPushButton>(f.w, "nextpanel"))})
    QVERIFY2(!placed.intersects(QRect(keep->mapToGlobal(QPoint(0, 0)), keep->size())),
             qPrintable(QString("%1 covers %2").arg(QDebug::toString(placed), keep->objectName())));
  QCOMPARE(vf->heading()->text(), QString("CDP 1001: 0 picks"));
  // Each pick.
  f.click(235, 150);
  QCOMPARE(vf->heading()->text(), QString("CDP 1001: 1 pick"));
  f.click(60, 250);
  QCOMPARE(vf->table()->rowCount(), 2);
  QCOMPARE(vf->table()->item(1, VelocityFunctionWindow::ColCheck)->text(), QString("velocity inversion"));
  // The main window still takes clicks while it is open.
  f.click(335, 300);
  QCOMPARE(vf->heading()->text(), QString("CDP 1001: 3 picks, 1 flagged"));
  // Clear Picks, Next, Prev.
  f.press("clearpicks");
  QCOMPARE(vf->table()->rowCount(), 0);
  f.press("nextpanel");
  QCOMPARE(vf->heading()->text(), QString("CDP 1011: 0 picks"));
  f.click(335, 90);
  QCOMPARE(vf->heading()->text(), QString("CDP 1011: 1 pick"));
  f.press("prevpanel");
  QCOMPARE(vf->heading()->text(), QString("CDP 1001: 0 picks"));
  // Closed and shown again: the same window, up to date.
  vf->close();
  f.press("nextpanel");
  f.w.action("velfunction")->trigger();
  QCOMPARE(f.velocityFunction(), vf);
  QCOMPARE(vf->heading()->text(), QString("CDP 1011: 1 pick"));
  // A gather: no CDP shown. Panel data again: its first CDP.
  f.ui.answers = {Answer::No};  // let the picks go
  writeFile(f.dir.file("gather.dat"), gatherFile(30, 1, 10));
  f.open(f.dir.file("gather.dat"));
  QCOMPARE(vf->heading()->text(), QString("No CDP shown"));
  f.ui.answers = {Answer::No};
  f.open(data);
  QCOMPARE(vf->heading()->text(), QString("CDP 1001: 0 picks"));
  QCOMPARE(f.ui.boxes.size(), size_t(2));
  QCOMPARE(f.ui.boxes[0].title, std::string(NotSavedTitle));
  QCOMPARE(f.ui.boxes[1].title, std::string(NotSavedTitle));
}

void AppPicksTest::exitAsksAboutUnsavedPicks_data() {
  QTest::addColumn<bool>("closeBox");
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("saveChosen");
  QTest::addColumn<bool>("ends");
  for (bool closeBox : {false, true}) {
    const char* how = closeBox ? "close box" : "Exit";
    QTest::addRow("%s, Cancel", how) << closeBox << int(Answer::Cancel) << false << false;
    QTest::addRow("%s, No", how) << closeBox << int(Answer::No) << false << true;
    QTest::addRow("%s, Yes and saved", how) << closeBox << int(Answer::Yes) << true << true;
    QTest::addRow("%s, Yes, save cancelled", how) << closeBox << int(Answer::Yes) << false << false;
  }
}

void AppPicksTest::exitAsksAboutUnsavedPicks() {
  QFETCH(bool, closeBox);
  QFETCH(int, answer);
  QFETCH(bool, saveChosen);
  QFETCH(bool, ends);
  Fixture f;
  const std::string data = f.openScan();
  f.threePicks();
  f.ui.answers = {Answer(answer)};
  if (saveChosen) f.ui.choose(f.dir.file("scan.picks"));
  if (closeBox)
    f.w.close();
  else
    f.w.action("fileexit")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), notSaved("3 picks on 2 CDPs", data, BeforeExit));
  QCOMPARE(f.ui.saveDialogs.size(), size_t(answer == int(Answer::Yes) ? 1 : 0));
  QCOMPARE(f.ended, ends ? 1 : 0);
  QCOMPARE(f.w.shutDown(), ends);
  QCOMPARE(QFile::exists(QString::fromStdString(f.dir.file("tessaly.ini"))), ends);
  if (closeBox) QCOMPARE(f.w.isVisible(), !ends);
  if (saveChosen) QVERIFY(readFile(f.dir.file("scan.picks")).find("1011, 10, 2100\n") != std::string::npos);
  // Back to the picks: all there, still drawn, still unsaved.
  if (!ends) {
    QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(1800));
    QCOMPARE(f.at(235, 150), Red);
    QVERIFY(f.w.picks().unsaved());
  }
}

void AppPicksTest::openAsksAboutUnsavedPicks() {
  Fixture f;
  const std::string data = f.panels("scan.nmo");
  const std::string next = f.panels("next.nmo");
  f.open(data);
  f.click(235, 150);
  // Cancel: no dialog, the file and its picks as they were.
  f.ui.answers = {Answer::Cancel};
  f.w.action("fileopen")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), notSaved("1 pick on 1 CDP", data, BeforeOpen));
  QCOMPARE(f.ui.openDialogs.size(), size_t(1));
  QCOMPARE(f.st.DataFileName, data);
  QCOMPARE(f.at(235, 150), Red);
  // Yes: saved, then the dialog.
  f.ui.answers = {Answer::Yes};
  f.ui.choose(f.dir.file("scan.picks"));
  f.ui.choose(next);
  f.w.action("fileopen")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(2));
  QCOMPARE(readFile(f.dir.file("scan.picks")), "# Tessaly picks for " + data + "\n1001, 25, 1800\n");
  QCOMPARE(f.st.DataFileName, next);
  QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(0));
  QCOMPARE(f.at(235, 150), White);
  // No: the picks made on next.nmo go with the Open.
  f.click(60, 90);
  f.ui.answers = {Answer::No};
  f.open(data);
  QCOMPARE(f.ui.boxes.size(), size_t(3));
  QCOMPARE(Box(f.ui.boxes[2]), notSaved("1 pick on 1 CDP", next, BeforeOpen));
  QCOMPARE(f.st.DataFileName, data);
  QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(0));
  // A fresh table: nothing to ask.
  f.open(next);
  QCOMPARE(f.ui.boxes.size(), size_t(3));
}

void AppPicksTest::savedLoadedOrSentPicksAreNotAskedAbout() {
  Fixture f;
  const std::string data = f.openScan();
  f.click(235, 150);
  f.ui.choose(f.dir.file("scan.picks"));
  f.w.action("savepicks")->trigger();
  QVERIFY(!f.w.picks().unsaved());
  // Another pick after the save: asked again.
  f.click(60, 250);
  QVERIFY(f.w.picks().unsaved());
  // Cleared and made again as saved: nothing to lose.
  f.press("clearpicks");
  f.click(235, 150);
  QVERIFY(!f.w.picks().unsaved());

  // A VELF deck sent whole counts as sent.
  f.click(60, 250);
  QVERIFY(f.w.picks().unsaved());
  auto sendDeck = [&] {
    f.ui.inputAnswers = {std::string("in.dat"), std::string(".5"), std::string("out.dat")};
    f.ui.answers = {Answer::No};  // recording delay
    f.w.action("editvelf")->trigger();
  };
  sendDeck();
  QVERIFY(!f.w.picks().unsaved());
  QVERIFY(std::find(f.dde.log.begin(), f.dde.log.end(), "poke dde1=>>END") != f.dde.log.end());
  // A deck given up after its first lines is not.
  f.click(335, 300);
  f.ui.inputAnswers = {std::string("in.dat"), std::string("")};
  f.w.action("editvelf")->trigger();
  QVERIFY(f.w.picks().unsaved());
  // Nor is one that lost a line on the way (the editor refused an exchange).
  const std::size_t exchanges = f.dde.log.size();
  f.dde.failNext = {0, 0, 0, 0, 0, 0, 0, 5};  // "show", then the *INPF line's execute
  sendDeck();
  QVERIFY(f.dde.log.size() > exchanges + 8);
  QVERIFY(f.w.picks().unsaved());
  // Sent whole again: Exit asks nothing.
  sendDeck();
  const std::size_t boxes = f.ui.boxes.size();
  f.w.action("fileexit")->trigger();
  QCOMPARE(f.ui.boxes.size(), boxes);
  QCOMPARE(f.ended, 1);
}

void AppPicksTest::picksStayThePanelFilesWhileAGatherIsOpen() {
  Fixture f;
  const std::string data = f.panels("scan.nmo");
  writeFile(f.dir.file("gather.dat"), gatherFile(30, 1, 10));
  f.open(data);
  f.click(235, 150);
  f.ui.choose(f.dir.file("scan.picks"));
  f.w.action("savepicks")->trigger();
  // Saved picks: a gather opened to make panels from asks nothing, nor does Exit.
  f.open(f.dir.file("gather.dat"));
  QVERIFY(f.ui.boxes.empty());
  QVERIFY(!f.w.picks().unsaved());
  QCOMPARE(f.w.picks().dataFile(), data);
  // Unsaved picks: asked at the gather's Open, and again at Exit, naming the
  // panel file; the save names it too and proposes its name.
  f.open(data);
  f.click(60, 250);
  f.ui.answers = {Answer::No};
  f.open(f.dir.file("gather.dat"));
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(1500));  // a gather keeps the table
  f.ui.answers = {Answer::Yes};
  f.ui.choose(f.dir.file("kept.picks"));
  f.w.action("fileexit")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(2));
  QCOMPARE(Box(f.ui.boxes[1]), notSaved("1 pick on 1 CDP", data, BeforeExit));
  QCOMPARE(f.ui.saveDialogs.back().fileName, f.dir.file("scan.picks"));
  QCOMPARE(readFile(f.dir.file("kept.picks")), "# Tessaly picks for " + data + "\n1001, 50, 1500\n");
  QCOMPARE(f.ended, 1);
}

// Open or Exit chosen while Next's redraw lets events run: the question comes
// once the redraw and the click queued before it are done, and counts that pick.
void AppPicksTest::openOrExitChosenDuringARedrawAsksAfterIt_data() {
  QTest::addColumn<QString>("command");
  QTest::newRow("Open") << "fileopen";
  QTest::newRow("Exit") << "fileexit";
  QTest::newRow("close box") << "close";
}

void AppPicksTest::openOrExitChosenDuringARedrawAsksAfterIt() {
  QFETCH(QString, command);
  Fixture f;
  const std::string data = f.openScan();
  f.click(235, 150);
  int events = 0;
  std::size_t boxesDuringRedraw = 0;
  f.ui.onEvents = [&] {
    if (++events != 2) return;
    f.click(335, 90);  // on CDP 1011, once it is drawn
    if (command == "close")
      f.w.close();
    else
      f.w.action(command.toLatin1().constData())->trigger();
    boxesDuringRedraw = f.ui.boxes.size();
  };
  f.ui.answers = {Answer::Cancel};
  f.press("nextpanel");
  f.ui.onEvents = nullptr;
  QCOMPARE(boxesDuringRedraw, size_t(0));
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), notSaved("2 picks on 2 CDPs", data, (command == "fileopen" ? BeforeOpen : BeforeExit)));
  QCOMPARE(f.st.CurrentCdp, 2);
  QCOMPARE(f.st.PickTable[2].PickVelocity[1], std::int16_t(2100));
  QCOMPARE(f.ui.openDialogs.size(), size_t(1));
  QCOMPARE(f.ended, 0);
  QVERIFY(f.w.isVisible());
  QVERIFY(!f.w.display().display().redrawing());
}

// Open chosen while another Open scans a gather: it waits for the scan, then
// asks about the picks the gather left in the table.
void AppPicksTest::openChosenDuringAScanAsksAfterIt() {
  Fixture f;
  const std::string data = f.panels("scan.nmo");
  writeFile(f.dir.file("big.dat"), gatherFile(350, 1, 10));
  f.open(data);
  f.click(235, 150);
  int events = 0;
  std::size_t boxesDuringScan = 0, dialogsDuringScan = 0;
  f.ui.onEvents = [&] {
    if (++events != 1) return;
    QVERIFY(f.w.openRunning());
    f.w.action("fileopen")->trigger();
    boxesDuringScan = f.ui.boxes.size();
    dialogsDuringScan = f.ui.openDialogs.size();
  };
  f.ui.answers = {Answer::No, Answer::Cancel};
  f.open(f.dir.file("big.dat"));
  f.ui.onEvents = nullptr;
  QCOMPARE(boxesDuringScan, size_t(1));  // the question of the first Open only
  QCOMPARE(dialogsDuringScan, size_t(2));
  QCOMPARE(f.ui.boxes.size(), size_t(2));
  QCOMPARE(Box(f.ui.boxes[1]), notSaved("1 pick on 1 CDP", data, BeforeOpen));
  // Cancelled: no third dialog; the gather is open, the picks still there.
  QCOMPARE(f.ui.openDialogs.size(), size_t(2));
  QCOMPARE(f.st.DataFileName, f.dir.file("big.dat"));
  QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(1800));
  QVERIFY(!f.w.openRunning());
}

// Exit chosen while an Open scans a gather: the scan replaces the table only
// at its end, so the question comes at once. Cancel lets the scan finish with
// the picks kept; No ends the program and the scan with it.
void AppPicksTest::exitChosenDuringAScanAsksAtOnce_data() {
  QTest::addColumn<int>("answer");
  QTest::newRow("Cancel") << int(Answer::Cancel);
  QTest::newRow("No") << int(Answer::No);
}

void AppPicksTest::exitChosenDuringAScanAsksAtOnce() {
  QFETCH(int, answer);
  Fixture f;
  const std::string data = f.panels("scan.nmo");
  writeFile(f.dir.file("big.dat"), gatherFile(350, 1, 10));
  f.open(data);
  f.click(235, 150);
  int events = 0;
  std::size_t boxesDuringScan = 0;
  f.ui.onEvents = [&] {
    if (++events != 1) return;
    QVERIFY(f.w.openRunning());
    f.w.action("fileexit")->trigger();
    boxesDuringScan = f.ui.boxes.size();
  };
  f.ui.answers = {Answer::No, Answer(answer)};  // the gather's Open lets the picks go; then Exit
  f.open(f.dir.file("big.dat"));
  f.ui.onEvents = nullptr;
  QCOMPARE(boxesDuringScan, size_t(2));
  QCOMPARE(f.ui.boxes.size(), size_t(2));
  QCOMPARE(Box(f.ui.boxes[1]), notSaved("1 pick on 1 CDP", data, BeforeExit));
  QVERIFY(!f.w.openRunning());
  const bool ends = answer == int(Answer::No);
  QCOMPARE(f.ended, ends ? 1 : 0);
  QCOMPARE(f.w.shutDown(), ends);
  if (!ends) {
    // The scan went on to its end: the gather is open, the picks kept.
    QCOMPARE(f.st.DataFileName, f.dir.file("big.dat"));
    QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(1800));
    QVERIFY(f.w.picks().unsaved());
  }
}

QTEST_MAIN(AppPicksTest)
#include "test_picks_commands.moc"
