// The panel display through the real main window: Open draws the first CDP,
// clicks on Picture1 make picks, the buttons page, a Next pressed during a redraw
// runs after it, Change Graphics redraws, the bars scroll and the window resizes.
#include <QtTest>

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <cstdio>

#include "display/DisplaySurface.h"
#include "app/TessalyWindow.h"
#include "picks/core/PickTable.h"
#include "jobs/core/JobLink.h"
#include "qt/ImageCanvas.h"
#include "support/PanelFile.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

struct Fixture : MainWindow {
  TempDir dir;
  std::string path;
  Fixture() {
    linked();
    w.show();
  }
  // Two CDPs of three panels of flat traces: pick lines between traces lie on white.
  void openPanels(const std::string& name) {
    path = writeClickPanels(dir.file(name));
    open(path);
  }
};

}  // namespace

class DisplayWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void openDrawsTheFirstCdp() {
    Fixture f;
    f.openPanels("window_open.vsc");
    QVERIFY2(f.ui.boxes.empty(), f.ui.boxes.empty() ? "" : f.ui.boxes[0].text.c_str());
    QCOMPARE(f.w.canvas()->objectName(), QString("Picture1"));
    QCOMPARE(f.w.canvas()->width(), 490);
    QCOMPARE(f.w.canvas()->height(), 460);
    QCOMPARE(f.status(), QString("CDP #  1001 with any previous picks shown."));
    QVERIFY(control<QPushButton>(f.w, "clearpicks")->isEnabled());
    QCOMPARE(f.st.PanelDrawn, std::int16_t(-1));
    QCOMPARE(f.at(45, 90), 0x000000u);  // timing line at 10 ms
    QVERIFY(!f.w.action("editvelf")->isEnabled());
  }

  void clicksMakePicksAndButtonsPage() {
    Fixture f;
    f.openPanels("window_picks.vsc");
    f.click(235, 150);
    QCOMPARE(f.status(), QString("Last pick at  25ms on CDP#  1001 with velo = 1800"));
    QVERIFY(f.w.action("editvelf")->isEnabled());
    QCOMPARE(f.at(235, 150), Red);
    f.press("nextpanel");
    QCOMPARE(f.st.CurrentCdp, 2);
    QCOMPARE(f.status(), QString("CDP #  1011 with any previous picks shown."));
    QCOMPARE(f.at(235, 150), White);
    f.press("nextpanel");  // wraps to the first CDP
    QCOMPARE(f.st.CurrentCdp, 1);
    QCOMPARE(f.at(235, 150), Red);
    f.press("clearpicks");
    QCOMPARE(f.at(235, 150), White);
    QCOMPARE(picksInUse(f.st.PickTable[1]), 0);
    // Two picks on one row: Prev shows the duplicate and stays.
    f.click(60, 150);
    f.click(335, 150);
    f.press("prevpanel");
    QCOMPARE(f.st.CurrentCdp, 1);
    QCOMPARE(f.ui.boxes.size(), size_t(1));
    QCOMPARE(f.ui.boxes[0].title, std::string("TSLY-DUPLICATE TIME PICKS NOT ALLOWED"));
    QCOMPARE(f.ui.boxes[0].text, std::string("Duplicate Time Picks on velocities - \r\n 1500 and  2100 on CDP #  1001"));
  }

  void nextPressedDuringARedrawRunsAfterIt() {
    Fixture f;
    f.openPanels("window_nested.vsc");
    int events = 0;
    f.ui.onEvents = [&] {
      if (++events == 2) f.press("nextpanel");
    };
    f.press("nextpanel");
    f.ui.onEvents = nullptr;
    // The first Next drew CDP 2; the one pressed in the middle ran after it.
    QCOMPARE(f.st.CurrentCdp, 1);
    QCOMPARE(f.status(), QString("CDP #  1001 with any previous picks shown."));
    QVERIFY(!f.w.display().display().redrawing());
    QCOMPARE(f.w.display().display().pendingActions(), 0);
  }

  // "&Open" chosen while a redraw lets events run waits for the redraw: the
  // gather file is opened afterwards, and nothing of the redraw is done on it.
  void openChosenDuringARedrawRunsAfterIt() {
    Fixture f;
    f.openPanels("window_open_during.vsc");
    const std::string gather = f.dir.file("window_gather.dat");
    writeFile(gather, gatherFile(30, 1, 10));
    f.ui.choose(gather);
    int events = 0;
    bool openedDuringRedraw = false;
    f.ui.onEvents = [&] {
      if (++events == 2) {
        f.w.action("fileopen")->trigger();
        openedDuringRedraw = f.ui.openDialogs.size() > 1;
      }
    };
    f.press("nextpanel");
    f.ui.onEvents = nullptr;
    QVERIFY(!openedDuringRedraw);
    QCOMPARE(f.ui.openDialogs.size(), size_t(2));
    QCOMPARE(f.st.DataFileName, gather);
    QVERIFY(!f.w.display().display().redrawing());
    // The gather's state: nothing drawn to pick on, the buttons off.
    QCOMPARE(f.st.PanelDrawn, std::int16_t(0));
    QVERIFY(!control<QPushButton>(f.w, "clearpicks")->isEnabled());
    QVERIFY(!control<QPushButton>(f.w, "nextpanel")->isEnabled());
    QVERIFY(f.w.action("editnmo")->isEnabled());
    // A click on what is left on the canvas stores no pick.
    f.click(235, 150);
    QCOMPARE(f.st.PickTable[2].PickVelocity[1], std::int16_t(0));
    QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(0));
  }

  // "E&xit" (or the close box) during a redraw ends the program once the redraw is over.
  void exitChosenDuringARedrawRunsAfterIt() {
    Fixture f;
    f.openPanels("window_exit_during.vsc");
    CurrentTempDir dir;
    f.st.StartDirectory = dir.path();
    int ended = 0;
    bool endedDuringRedraw = false;
    f.w.endProcess = [&] { ++ended; };
    int events = 0;
    f.ui.onEvents = [&] {
      ++events;
      if (events == 2) f.w.action("fileexit")->trigger();
      if (events == 3) f.w.close();
      if (events >= 2) endedDuringRedraw = endedDuringRedraw || ended > 0;
    };
    f.press("nextpanel");
    f.ui.onEvents = nullptr;
    QVERIFY(!endedDuringRedraw);
    QCOMPARE(ended, 1);
    QCOMPARE(f.st.CurrentCdp, 2);
    QCOMPARE(f.w.shutDown(), true);
    QCOMPARE(control<QLabel>(f.w, "Label1")->text(), QString("CDP #  1011 with any previous picks shown."));
  }

  void changeGraphicsRedraws() {
    Fixture f;
    f.openPanels("window_graphics.vsc");
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(d);
      QCOMPARE(d->objectName(), QString("tslysele"));
      const int dpi = f.w.canvas()->logicalDpiX();
      d->findChild<QLineEdit*>("Text1")->setText(QString::number(dpi / 5.0));  // spacing 5
      QTest::mouseClick(d->findChild<QPushButton*>("DONE"), Qt::LeftButton);
    });
    f.w.action("editsele")->trigger();
    QCOMPARE(f.st.TraceSpacing, 5.0f);
    QCOMPARE(f.w.canvas()->width(), 50 + 39 * 5 + 50);
  }

  void scrollBarsAndResize() {
    Fixture f;
    f.st.TraceSpacing = 20;  // a canvas of 50 + 39 x 20 + 50 = 880 pixels
    f.openPanels("window_scroll.vsc");
    auto* h = control<QScrollBar>(f.w, "HScroll1");
    auto* v = control<QScrollBar>(f.w, "VScroll1");
    auto* viewport = control<QWidget>(f.w, "Picture2");
    QCOMPARE(f.w.canvas()->width(), 880);
    // The bar ends where the canvas's right edge meets the viewport's.
    QCOMPARE(h->maximum(), 880 - viewport->width());
    h->setValue(120);
    QCOMPARE(f.w.canvas()->pos(), QPoint(-120, 0));
    v->setValue(v->maximum());
    QCOMPARE(f.w.canvas()->pos(), QPoint(0, -v->maximum()));
    QCOMPARE(h->value(), 120);
    // A taller and wider window: the viewport follows (height - bar - 1100 twips).
    const int dpi = f.w.logicalDpiY();
    f.w.resize(900, 700);
    QCoreApplication::processEvents();
    const double heightTwips = f.w.heightTwips();
    const int expected = twipsToPixels(heightTwips - pixelsToTwips(h->height(), dpi) - 1100, dpi);
    QVERIFY(std::abs(viewport->height() - expected) <= 1);
    QCOMPARE(v->height(), viewport->height());
    QCOMPARE(h->y(), viewport->y() + viewport->height());
    QCOMPARE(v->maximum(), std::max(0, 460 - viewport->height()));
    QCOMPARE(h->maximum(), std::max(0, 880 - viewport->width()));
  }
};

QTEST_MAIN(DisplayWindowTest)
#include "test_display_window.moc"
