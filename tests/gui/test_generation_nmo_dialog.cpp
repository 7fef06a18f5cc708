// The NMO parameters dialog: Creation values, layout, change rules on every
// keystroke, spin buttons, the output file dialog, and runs from "Generate Panels".
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "generation/NmoDialog.h"
#include "qt/QtUi.h"
#include "support/GenFixtures.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

namespace {

std::string txt(const QLineEdit* e) { return e->text().toStdString(); }

void typeInto(QLineEdit* box, const char* keys) {
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, QString::fromUtf8(keys));
}

AppState gatherState() {
  AppState s;
  s.MinKey = 1001;
  s.MaxKey = 1100;
  s.SampleInterval = 4000;
  s.NumSamples = 1000;
  s.TraceCount = 500;
  s.LastPath = "/data/survey";
  return s;
}

std::vector<std::string> column(const NmoDialog& d, bool velocities) {
  std::vector<std::string> out;
  int n = velocities ? d.velocityEntryCount() : d.panelEntryCount();
  for (int k = 0; k < n; ++k) out.push_back(txt(velocities ? d.text4(k) : d.text3(k)));
  return out;
}

}  // namespace

class GenerationNmoDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void creationValues();
  void generateDisabledWithoutTraces();
  void layoutFollowsTheDesign();
  void noCaptionIsCut();
  void countsGrowAndShrinkTheColumns();
  void typingACountPassesThroughEachKeystroke();
  void countsAreClamped();
  void cdpsPerPanelRule();
  void stretchRule();
  void spinButtonsStepAndWrap();
  void outputFileDialog();
  void outputFileDialogTakesANewName();
  void exitHidesAndOpeningResetsLabel4();
  void generateRunsTheEngineAndHides();
  void stopEndsAfterTheBlockAndNoSecondRunStarts();
  void failedRunKeepsTheDialogOpen();
};

void GenerationNmoDialogTest::creationValues() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  QCOMPARE(d.objectName(), QString("nmosele"));
  QCOMPARE(d.windowTitle(), QString("NMO Parameters"));
  QCOMPARE(txt(d.text1(0)), std::string("1"));
  QCOMPARE(txt(d.text1(1)), std::string("1"));
  QCOMPARE(d.panelEntryCount(), 1);
  QCOMPARE(d.velocityEntryCount(), 1);
  QCOMPARE(txt(d.text3(0)), std::string(" 1001"));
  QCOMPARE(txt(d.text4(0)), std::string("1000"));
  QCOMPARE(txt(d.text2()), std::string(" 25"));
  QCOMPARE(txt(d.text5()), std::string(" .5"));
  QCOMPARE(txt(d.text6()), std::string("4000"));
  QCOMPARE(d.label4()->text().toStdString(), std::string("First CDP =  1001\r\nLast CDP =  1100"));
  QCOMPARE(d.label7()->text().toStdString(), std::string("/data/survey/TSLYNMO.NMO"));
  QVERIFY(d.stackCheck()->isChecked());
  QCOMPARE(d.stackCheck()->text(), QString("Stack CDPs"));
  QVERIFY(d.processButton()->isEnabled());
  QCOMPARE(d.processButton()->text(), QString("Generate Panels"));
  QCOMPARE(d.stopButton()->text(), QString("STOP Processing"));
  QVERIFY(d.stopButton()->isHidden());
  QCOMPARE(d.fileoutAction()->text(), QString("Output File Name"));
  QCOMPARE(d.fileexitAction()->text(), QString("&Exit"));
  for (const char* name : {"Text2", "Text5", "Text6", "Label4", "Label7", "process", "stopnmo", "stackcheck",
                           "Spin2", "Spin3", "fileout", "fileexit", "files"})
    QVERIFY2(d.findChild<QObject*>(name) != nullptr, name);
  QCOMPARE(d.findChildren<QLineEdit*>("Text1").size(), 2);
  QCOMPARE(d.findChildren<SpinButton*>("Spin1").size(), 2);
  // Captions as they stand.
  QStringList captions;
  for (auto* l : d.findChildren<QLabel*>()) captions << l->text();
  for (const char* c : {"# CDP Panels", "# of Velocities", "# of CDPs /Panel", "NMO Stretch Ratio",
                        "Start CDP of Panel", "Trial Velocity", "Output Length (mS)", "Output File Name:"})
    QVERIFY2(captions.contains(QString::fromUtf8(c)), c);
  // The entries read back as the run takes them.
  GenerationParams p = d.entries();
  QCOMPARE(p.startCdps, std::vector<float>{1001.0f});
  QCOMPARE(p.velocities, std::vector<float>{1000.0f});
  QCOMPARE(p.cdpsPerPanel, 25.0f);
  QCOMPARE(p.stretch, 0.5f);
  QCOMPARE(p.lengthMs, 4000.0);
  QCOMPARE(int(p.stackFlag), 1);
}

void GenerationNmoDialogTest::generateDisabledWithoutTraces() {
  AppState s = gatherState();
  s.TraceCount = 0;
  ScriptedUi ui;
  NmoDialog d(s, ui);
  QVERIFY(!d.processButton()->isEnabled());
}

void GenerationNmoDialogTest::layoutFollowsTheDesign() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  const double dx = d.logicalDpiX(), dy = d.logicalDpiY();
  QCOMPARE(d.text2()->geometry(), twipsRect(3600, 600, 492, 372, dx, dy));
  QCOMPARE(d.processButton()->geometry(), twipsRect(3840, 2880, 1812, 492, dx, dy));
  QCOMPARE(d.label7()->geometry(), twipsRect(3120, 6960, 3135, 375, dx, dy));
  QCOMPARE(d.text3(0)->geometry(), twipsRect(480, 1440, 852, 288, dx, dy));
  d.text1(0)->setText("3");
  const QRect first = d.text3(0)->geometry();
  QCOMPARE(d.text3(2)->geometry(), first.translated(0, 2 * first.height()));
  QCOMPARE(d.text3(2)->property("index").toInt(), 2);
  QVERIFY(!d.text3(2)->isHidden());
  QCOMPARE(d.findChild<QWidget*>("client")->size(), twipsRect(0, 0, 6225, 7380, dx, dy).size());
}

// With the default font, wider than the design's, every caption shows whole
// (it may take two lines), and a long output name is shown elided with the
// whole name in its tool tip.
void GenerationNmoDialogTest::noCaptionIsCut() {
  AppState s = gatherState();
  s.LastPath = "/home/analyst/projects/north-sea-2026/line-0042/velocity-scans";
  ScriptedUi ui;
  NmoDialog d(s, ui);
  const QRect client = d.findChild<QWidget*>("client")->rect();
  for (QLabel* l : d.findChildren<QLabel*>()) {
    if (l->objectName() == "Label7") continue;
    const QFontMetrics fm(l->font());
    const int flags = int(l->alignment()) | (l->wordWrap() ? int(Qt::TextWordWrap) : 0);
    const QRect need = fm.boundingRect(QRect(0, 0, l->width(), 1000), flags, l->text());
    QVERIFY2(need.width() <= l->width() && need.height() <= l->height(),
             qPrintable(QString("'%1': %2x%3 in %4x%5").arg(l->text()).arg(need.width()).arg(need.height())
                            .arg(l->width()).arg(l->height())));
    QVERIFY2(client.contains(l->geometry()), qPrintable(l->text()));
  }
  // The two captions of the top row that the design made too narrow.
  for (const char* text : {"# of CDPs /Panel", "NMO Stretch Ratio"}) {
    QLabel* l = nullptr;
    for (QLabel* c : d.findChildren<QLabel*>())
      if (c->text() == text) l = c;
    QVERIFY2(l, text);
    QVERIFY(l->geometry().bottom() < d.text2()->geometry().top());  // above the boxes
  }
  QLabel* name = d.label7();
  QCOMPARE(name->text().toStdString(), s.LastPath + "/TSLYNMO.NMO");
  name->grab();  // painted: the tool tip holds the whole name
  QCOMPARE(name->toolTip(), name->text());
}

void GenerationNmoDialogTest::countsGrowAndShrinkTheColumns() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.text1(1)->setText("4");
  QCOMPARE(column(d, true), (std::vector<std::string>{"1000", " 1500", " 2000", " 2500"}));
  d.text1(1)->setText("2");
  QCOMPARE(column(d, true), (std::vector<std::string>{"1000", " 1500"}));
  d.text4(1)->setText("1200");
  d.text1(1)->setText("4");
  QCOMPARE(column(d, true), (std::vector<std::string>{"1000", "1200", " 1400", " 1600"}));
  QCOMPARE(d.findChildren<QLineEdit*>("Text4").size(), 4);

  d.text3(0)->setText("1001");
  d.text1(0)->setText("3");
  QCOMPARE(column(d, false), (std::vector<std::string>{"1001", " 1026", " 1051"}));
  d.text1(0)->setText("1");
  QCOMPARE(column(d, false), (std::vector<std::string>{"1001"}));
  QCOMPARE(d.findChildren<QLineEdit*>("Text3").size(), 1);
}

void GenerationNmoDialogTest::typingACountPassesThroughEachKeystroke() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.show();
  d.text1(1)->setText("3");
  d.text4(1)->setText("1100");
  d.text4(2)->setText("1300");
  typeInto(d.text1(1), "12");
  // "1" shrank the column to entry 0 alone, "12" grew it from there in steps of 500.
  QCOMPARE(txt(d.text1(1)), std::string("12"));
  QCOMPARE(d.velocityEntryCount(), 12);
  QCOMPARE(txt(d.text4(1)), std::string(" 1500"));
  QCOMPARE(txt(d.text4(11)), std::string(" 6500"));
}

void GenerationNmoDialogTest::countsAreClamped() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.show();
  typeInto(d.text1(0), "25");
  QCOMPARE(txt(d.text1(0)), std::string("20"));
  QCOMPARE(d.panelEntryCount(), 20);
  typeInto(d.text1(0), "0");
  QCOMPARE(txt(d.text1(0)), std::string("1"));
  QCOMPARE(d.panelEntryCount(), 1);
  d.text1(1)->setText("abc");
  QCOMPARE(txt(d.text1(1)), std::string("1"));
}

void GenerationNmoDialogTest::cdpsPerPanelRule() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.show();
  typeInto(d.text2(), "60");
  QCOMPARE(txt(d.text2()), std::string(" 50"));
  QCOMPARE(d.text2()->cursorPosition(), 3);
  d.text2()->setText("-3");  // pasted: negative becomes 5
  QCOMPARE(txt(d.text2()), std::string(" 5"));
  typeInto(d.text2(), "-3");  // typed: "-" reads as 0 at once, then 3 follows
  QCOMPARE(txt(d.text2()), std::string(" 3"));
  typeInto(d.text2(), "3");
  QCOMPARE(txt(d.text2()), std::string(" 3"));  // values 0 to 4 typed by hand stay
  typeInto(d.text2(), "12");
  QCOMPARE(txt(d.text2()), std::string(" 12"));
}

void GenerationNmoDialogTest::stretchRule() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.show();
  typeInto(d.text5(), "2");
  QCOMPARE(txt(d.text5()), std::string(" .99"));
  typeInto(d.text5(), ".05");
  QCOMPARE(txt(d.text5()), std::string(" .15"));
  typeInto(d.text5(), ".");
  QCOMPARE(txt(d.text5()), std::string("."));  // a lone "." is left alone
  typeInto(d.text5(), "0");
  QCOMPARE(txt(d.text5()), std::string("0"));
  d.text5()->setText(".3");
  QCOMPARE(txt(d.text5()), std::string(" .3"));
  QCOMPARE(d.text5()->cursorPosition(), 3);
}

void GenerationNmoDialogTest::spinButtonsStepAndWrap() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.show();
  // Counts: 1 down gives 20, 20 up gives 1.
  d.spin1(1)->downButton()->click();
  QCOMPARE(txt(d.text1(1)), std::string("20"));
  QCOMPARE(d.velocityEntryCount(), 20);
  d.spin1(1)->upButton()->click();
  QCOMPARE(txt(d.text1(1)), std::string("1"));
  QCOMPARE(d.velocityEntryCount(), 1);
  d.spin1(0)->upButton()->click();
  QCOMPARE(txt(d.text1(0)), std::string(" 2"));
  QCOMPARE(d.panelEntryCount(), 2);
  QCOMPARE(txt(d.text3(1)), std::string(" 1026"));
  d.spin1(0)->downButton()->click();
  QCOMPARE(d.panelEntryCount(), 1);
  // CDPs per panel: steps of 5 between 5 and 50.
  d.spin2()->upButton()->click();
  QCOMPARE(txt(d.text2()), std::string(" 30"));
  d.text2()->setText("5");
  d.spin2()->downButton()->click();
  QCOMPARE(txt(d.text2()), std::string(" 50"));
  d.spin2()->upButton()->click();
  QCOMPARE(txt(d.text2()), std::string(" 5"));
  // Stretch ratio: steps of .1 between .1 and .99.
  d.spin3()->upButton()->click();
  QCOMPARE(txt(d.text5()), std::string(" .6"));
  d.text5()->setText(".9");
  d.spin3()->upButton()->click();
  QCOMPARE(txt(d.text5()), std::string(" .1"));
  d.spin3()->downButton()->click();
  QCOMPARE(txt(d.text5()), std::string(" .99"));
  d.spin3()->downButton()->click();
  QCOMPARE(txt(d.text5()), std::string(" .89"));
  QVERIFY(ui.boxes.empty());  // the rules never show a message
}

void GenerationNmoDialogTest::outputFileDialog() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  // Cancelled: nothing changes.
  d.fileoutAction()->trigger();
  QCOMPARE(ui.openDialogs.size(), size_t(1));
  const FileDialogRequest& r = ui.openDialogs[0];
  QCOMPARE(r.title, std::string("NMO Output File selection"));
  QCOMPARE(r.filter, std::string("Data (*.dat)|*.dat|MNO Data (*.nmo)|*.nmo|All Data (*.*)|*.*"));
  QCOMPARE(r.defaultExt, std::string("dat"));
  QCOMPARE(r.initialDir, std::string("/data/survey"));
  QVERIFY(!r.mustExist);  // an output file that does not exist yet may be named
  QCOMPARE(d.label7()->text().toStdString(), std::string("/data/survey/TSLYNMO.NMO"));
  QCOMPARE(s.LastPath, std::string("/data/survey"));
  // Failed: a message, nothing changes.
  ui.fileAnswers.push_back({FileDialogResult::Status::Failed, "", "no dialog"});
  d.fileoutAction()->trigger();
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(ui.boxes[0].text, std::string("Unexpected error\r\nno dialog"));
  QCOMPARE(ui.boxes[0].title, std::string("Tessaly ERROR"));
  QCOMPARE(ui.boxes[0].icon, Icon::None);
  QCOMPARE(s.LastPath, std::string("/data/survey"));
  // Chosen.
  ui.choose("/work/scans/line7.nmo");
  d.fileoutAction()->trigger();
  QCOMPARE(d.label7()->text().toStdString(), std::string("/work/scans/LINE7.NMO"));
  QCOMPARE(s.LastPath, std::string("/work/scans"));
}

// The real file dialog takes the name of a file that does not exist yet.
void GenerationNmoDialogTest::outputFileDialogTakesANewName() {
  TempDir dir;
  const QDir folder(QString::fromStdString(dir.path()));
  AppState s = gatherState();
  s.LastPath = dir.path();
  QtUi ui;
  NmoDialog d(s, ui);
  bool shown = false;
  // Both polls live as long as the test (their timers die with the dialog `d`):
  // the file dialog runs inside trigger().
  // The first waits for the file dialog and types the name; the second watches
  // the dialog until it is gone. A dialog that refused the name puts up a box of
  // its own ("File not found") or stays: the box and the dialog are then closed
  // so that the test ends (and fails on the name).
  QPointer<QFileDialog> dlg;
  const QDeadlineTimer deadline(60000);
  std::function<void()> settle = [&] {
    if (!dlg || !dlg->isVisible()) return;
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()); box && box != dlg) {
      box->reject();
      dlg->reject();
    } else if (deadline.hasExpired()) {
      dlg->reject();
    } else {
      QTimer::singleShot(10, &d, settle);
    }
  };
  std::function<void()> poll = [&] {
    dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dlg) {
      if (!deadline.hasExpired()) QTimer::singleShot(10, &d, poll);
      return;
    }
    shown = true;
    dlg->findChild<QLineEdit*>("fileNameEdit")->setText("line9.nmo");
    QMetaObject::invokeMethod(dlg, "accept", Qt::QueuedConnection);
    QTimer::singleShot(0, &d, settle);
  };
  QTimer::singleShot(0, &d, poll);
  d.fileoutAction()->trigger();
  QVERIFY(shown);
  QCOMPARE(d.label7()->text(), folder.absoluteFilePath("LINE9.NMO"));
  QCOMPARE(QString::fromStdString(s.LastPath), folder.absolutePath());
  QVERIFY(!QFileInfo::exists(folder.absoluteFilePath("line9.nmo")));  // naming creates nothing
}

void GenerationNmoDialogTest::exitHidesAndOpeningResetsLabel4() {
  AppState s = gatherState();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.label4()->setText("CDP- 1001\r\nVelocity = 2000");
  s.MinKey = 2001;
  s.MaxKey = 2050;
  d.showDialog();
  QVERIFY(d.isVisible());
  QCOMPARE(QApplication::activeModalWidget(), &d);
  QCOMPARE(d.label4()->text(), QString("First CDP =  2001\r\nLast CDP =  2050"));
  d.fileexitAction()->trigger();
  QVERIFY(d.isHidden());
  QVERIFY(QApplication::activeModalWidget() == nullptr);
  // Entries survive the hiding.
  QCOMPARE(txt(d.text3(0)), std::string(" 1001"));
}

void GenerationNmoDialogTest::generateRunsTheEngineAndHides() {
  TempDir dir;
  AppState s;
  writeGather(dir.file("gather.dat"), syntheticGather(1001, 6, 3, 100));
  QVERIFY(scanInto(s, dir.file("gather.dat")));
  s.LastPath = dir.path();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.timeOfDay = [] { return std::string("08:15:00"); };
  d.text1(1)->setText("2");
  d.text2()->setText("3");
  bool stopVisible = false;
  ui.onEvents = [&] { stopVisible = stopVisible || !d.stopButton()->isHidden(); };
  d.show();
  d.processButton()->click();
  QVERIFY(stopVisible);
  QVERIFY(d.stopButton()->isHidden());
  QVERIFY(d.isHidden());
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(ui.boxes[0].text, std::string("Processing complete at 08:15:00"));
  QCOMPARE(d.label4()->text().toStdString(), std::string("CDP- 1003\r\nVelocity = 1500"));
  // The dialog upper-cases the file name it writes.
  QCOMPARE(d.lastOutputName(), dir.file("TSLYNMO.NMO"));
  auto traces = readTraces(dir.file("TSLYNMO.NMO"));
  QCOMPARE(traces.size(), size_t(8));  // 2 velocities x (3 stacked + separator)
  QCOMPARE(int(traces[7].h[WordCdp]), 1500);
  QCOMPARE(ui.eventsRun, 6);
}

void GenerationNmoDialogTest::stopEndsAfterTheBlockAndNoSecondRunStarts() {
  TempDir dir;
  AppState s;
  writeGather(dir.file("gather.dat"), syntheticGather(1001, 6, 3, 100));
  QVERIFY(scanInto(s, dir.file("gather.dat")));
  s.LastPath = dir.path();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.text1(1)->setText("3");
  d.text2()->setText("3");
  int pressed = 0;
  ui.onEvents = [&] {
    if (ui.eventsRun == 1) {
      d.processButton()->click();  // a second press while running: ignored
      d.stopButton()->click();
      ++pressed;
    }
  };
  d.show();
  d.processButton()->click();
  QCOMPARE(pressed, 1);
  QVERIFY(!d.running());
  auto traces = readTraces(dir.file("TSLYNMO.NMO"));
  QCOMPARE(traces.size(), size_t(4));  // the first block completed with its separator
  QCOMPARE(int(traces[3].h[WordTraceCode]), 9);
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(ui.boxes[0].title, std::string("TSLY-Move out completed"));
  QCOMPARE(ui.beeps, 1);  // one run only
  QVERIFY(d.isHidden());
}

void GenerationNmoDialogTest::failedRunKeepsTheDialogOpen() {
  TempDir dir;
  AppState s;
  writeGather(dir.file("gather.dat"), syntheticGather(1001, 2, 2, 50));
  QVERIFY(scanInto(s, dir.file("gather.dat")));
  s.LastPath = dir.path();
  ScriptedUi ui;
  NmoDialog d(s, ui);
  d.text4(0)->setText("-1");
  d.show();
  d.processButton()->click();
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(ui.boxes[0].text, std::string("Velocity value -1 non-positive.\r\nEntry number  1"));
  QVERIFY(!d.isHidden());
  QVERIFY(d.stopButton()->isHidden());
  QVERIFY(!QFile::exists(QString::fromStdString(dir.file("TSLYNMO.NMO"))));
}

QTEST_MAIN(GenerationNmoDialogTest)
#include "test_generation_nmo_dialog.moc"
