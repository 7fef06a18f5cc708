// The panel display on the real canvas and widgets: redraw, picks read back from
// the canvas pixels, Next/Prev, scrolling, resizing and the graphics dialog.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <cstdio>

#include "display/DisplaySurface.h"
#include "display/GraphicsDialog.h"
#include "picks/core/PickTable.h"
#include "qt/ImageCanvas.h"
#include "support/ForwardingCanvas.h"
#include "support/PanelFile.h"
#include "support/RecordingHost.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

namespace {

constexpr QRgb White = 0xffffff;
constexpr QRgb Red = 0xff0000;

// A stand-in for the main window's display widgets, placed as designed at 96 dpi.
struct Window {
  AppState s;
  ScriptedUi ui;
  QWidget window;
  QWidget* viewport;
  ImageCanvas* canvas;
  QScrollBar* h;
  QScrollBar* v;
  QLabel* label;
  QPushButton* clear;
  QAction* velf;
  std::unique_ptr<DisplaySurface> surface;
  TempDir dir;
  std::string path;

  Window() {
    window.resize(504, 336);
    viewport = new QWidget(&window);
    viewport->setObjectName("Picture2");
    viewport->setGeometry(16, 24, 481, 289);
    canvas = new ImageCanvas(viewport);
    v = new QScrollBar(Qt::Vertical, &window);
    v->setObjectName("VScroll1");
    v->setGeometry(0, 24, 17, 289);
    h = new QScrollBar(Qt::Horizontal, &window);
    h->setObjectName("HScroll1");
    h->setGeometry(16, 312, 481, 17);
    label = new QLabel("TSLY-4-Windows", &window);
    clear = new QPushButton("Clear Picks", &window);
    clear->setEnabled(false);
    velf = new QAction("Make VELF commands", &window);
    velf->setEnabled(false);
    surface = std::make_unique<DisplaySurface>(s, ui, DisplayWidgets{&window, viewport, canvas, h, v, [this](const QString& t) { label->setText(t); }, clear, velf});
    QObject::connect(h, &QScrollBar::valueChanged, surface.get(), [this](int x) { surface->horizontalScrolled(x); });
    QObject::connect(v, &QScrollBar::valueChanged, surface.get(), [this](int y) { surface->verticalScrolled(y); });
    window.show();
  }
  void open(const std::string& name, int panelsPerCdp = 3) {
    PanelFileOptions o;
    o.samples = 400;
    o.interval = 250;
    o.value = [](int, int, int i) { return (i / 20) % 2 ? 40.0f : -40.0f; };
    std::vector<PanelSpec> p;
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < panelsPerCdp; ++k)
        p.push_back({static_cast<std::int16_t>(1001 + 10 * c), static_cast<std::int16_t>(1500 + 300 * k), 10});
    path = writePanelFile(dir.file(name), p, o, &s);
  }
  QRgb at(int x, int y) { return canvas->image().pixel(x, y) & 0xffffff; }
  void click(int x, int y, Qt::MouseButton b = Qt::LeftButton) { QTest::mousePress(canvas, b, {}, QPoint(x, y)); }
};

}  // namespace

class TestDisplayPanels : public QObject {
  Q_OBJECT
 private slots:
  void redrawPaintsTheCdp() {
    Window w;
    w.open("redraw.vsc");
    w.surface->display().refresh();
    QVERIFY(w.ui.boxes.empty());
    // Three panels of 10 traces: 39 positions.
    QCOMPARE(w.canvas->width(), 50 + 39 * 10 + 50);
    QCOMPARE(w.canvas->height(), 50 + 400 + 10);
    QCOMPARE(w.canvas->QWidget::size(), QSize(490, 460));
    QCOMPARE(w.label->text(), QString("CDP #  1001 with any previous picks shown."));
    QVERIFY(w.clear->isEnabled());
    QCOMPARE(w.h->maximum(), 490 - 481);
    QCOMPARE(w.v->maximum(), 460 - 289);
    // Timing line at 10 ms (row 40 below the top) across the plot.
    QCOMPARE(w.at(45, 90) , 0x000000u);
    QCOMPARE(w.at(300, 90), 0x000000u);
    // The wiggle of the first trace swings 20 pixels either side of x 50.
    int darkLeft = 0, darkRight = 0;
    for (int y = 60; y < 440; ++y) {
      darkLeft += w.at(30, y) == 0;
      darkRight += w.at(70, y) == 0;
    }
    QVERIFY(darkLeft > 0);
    QVERIFY(darkRight > 0);
  }

  void picksReadBackFromTheCanvas() {
    Window w;
    w.open("picks.vsc");
    w.surface->display().refresh();
    QCOMPARE(w.s.PanelTable[2].Left, 180);
    QCOMPARE(w.s.PanelTable[2].Right, 280);
    QCOMPARE(w.at(235, 151), White);
    w.click(235, 151, Qt::RightButton);  // any button; row 101 below the top
    QCOMPARE(w.s.PickTable[1].PickVelocity[1], std::int16_t(1800));
    QCOMPARE(w.s.PickTable[1].PickTime[1], 25.25f);
    QCOMPARE(w.label->text(), QString("Last pick at  25.25ms on CDP#  1001 with velo = 1800"));
    QVERIFY(w.velf->isEnabled());
    QCOMPARE(w.at(235, 151), Red);
    QCOMPARE(w.at(185, 151), Red);
    QCOMPARE(w.at(175, 151), White);
    // Same panel again: the old line goes, the new one shows.
    w.click(235, 171);
    QCOMPARE(w.at(235, 151), White);
    QCOMPARE(w.at(235, 171), Red);
    QCOMPARE(picksInUse(w.s.PickTable[1]), 1);
    // Clear Picks erases it.
    w.surface->display().clearPicks();
    QCOMPARE(w.at(235, 171), White);
    QCOMPARE(picksInUse(w.s.PickTable[1]), 0);
  }

  void picksComeBackAfterNextAndPrev() {
    Window w;
    w.open("nav.vsc");
    w.surface->display().refresh();
    w.click(235, 151);
    w.surface->display().nextPanel();
    QCOMPARE(w.label->text(), QString("CDP #  1011 with any previous picks shown."));
    QCOMPARE(w.at(235, 151), White);
    w.surface->display().prevPanel();
    QCOMPARE(w.s.CurrentCdp, 1);
    QCOMPARE(w.at(235, 151), Red);
    w.surface->display().prevPanel();
    QCOMPARE(w.s.CurrentCdp, 3);
    // Duplicate picks block the move with their message.
    w.click(235, 151);
    w.click(335, 151);
    w.surface->display().nextPanel();
    QCOMPARE(w.s.CurrentCdp, 3);
    QCOMPARE(w.ui.boxes.size(), size_t(1));
    QCOMPARE(w.ui.boxes[0].text, std::string("Duplicate Time Picks on velocities - \r\n 1800 and  2100 on CDP #  1021"));
  }

  void scrollBarsMoveTheCanvas() {
    Window w;
    w.open("scroll.vsc", 6);  // 78 positions: 50 + 780 + 50 = 880 pixels
    w.surface->display().refresh();
    QCOMPARE(w.canvas->width(), 880);
    // The bar ends where the canvas's right edge meets the viewport's.
    QCOMPARE(w.h->maximum(), 880 - 481);
    w.h->setValue(w.h->maximum());
    QCOMPARE(w.canvas->x() + w.canvas->width(), w.viewport->width());
    w.h->setValue(100);
    QCOMPARE(w.canvas->pos(), QPoint(-100, 0));
    w.v->setValue(50);
    QCOMPARE(w.canvas->pos(), QPoint(0, -50));  // back to the left edge
    QCOMPARE(w.h->value(), 100);
    w.h->setValue(101);
    QCOMPARE(w.canvas->pos(), QPoint(-101, -50));
    QCOMPARE(w.h->singleStep(), ScrollSmallStep);
    QCOMPARE(w.h->pageStep(), 481 - 32);
    QCOMPARE(w.v->pageStep(), 289 - 32);
    // A redraw that narrows the canvas clamps the bar and keeps the canvas in view.
    w.h->setValue(300);
    w.s.TraceSpacing = 5;  // 50 + 390 + 50 = 490 pixels
    w.s.DisplayTimeLength = 20;
    w.surface->display().refresh();
    QCOMPARE(w.h->maximum(), 490 - 481);
    QCOMPARE(w.h->value(), 9);
    QCOMPARE(w.v->maximum(), 0);  // shorter than the viewport: no scrolling
    QCOMPARE(w.v->value(), 0);
    QCOMPARE(w.canvas->pos(), QPoint(-9, 0));
    // Narrower than the viewport: nothing to scroll, the canvas at its left edge.
    w.s.TraceSpacing = 1;
    w.surface->display().refresh();
    QCOMPARE(w.h->maximum(), 0);
    QCOMPARE(w.canvas->pos(), QPoint(0, 0));
  }

  // The redraw writes the part of the canvas in the viewport; a part
  // scrolled into view is written before it is shown, the rest when the
  // program is idle. Whatever is shown is what drawing every primitive as it
  // comes gives, a pick drawn by XOR over a part not yet written included.
  void scrolledPartsShowTheWholeDrawing() {
    Window w;
    w.open("lazy.vsc", 6);  // an 880 x 460 canvas in a 481 x 289 viewport
    w.s.AreaFillFlag = 1;
    CdpPicks& r = w.s.PickTable[1];
    r.PickVelocity[1] = 3000;  // panel 6, beyond the viewport
    r.PickPanel[1] = 6;
    r.PickTime[1] = 30;
    AppState copy = w.s;
    w.surface->display().refresh();
    QVERIFY(!w.canvas->complete());
    // The same redraw and pick click, every primitive written as it comes.
    ImageCanvas all;
    test::ForwardingCanvas eager(all, [&] { (void)all.image(); });
    ScriptedUi ui;
    RecordingHost host;
    PanelDisplay reference(copy, eager, ui, host);
    reference.refresh();
    reference.mousePress(235, 151);
    w.click(235, 151);
    const QImage want = all.image();
    auto shows = [&](int h, int v, bool vertical) {
      if (vertical) w.v->setValue(v);
      else w.h->setValue(h);
      const QImage shot = w.viewport->grab().toImage();
      const QPoint at = -w.canvas->pos();
      for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
          if ((shot.pixel(x, y) & 0xffffff) != (want.pixel(x + at.x(), y + at.y()) & 0xffffff)) return false;
      return true;
    };
    QVERIFY(shows(0, 0, false));
    QVERIFY(shows(250, 0, false));
    QVERIFY(shows(0, 171, true));   // back to the left edge, at the bottom
    QVERIFY(shows(399, 171, false));  // the right edge, with the pick
    QVERIFY(!w.canvas->complete());
    QTRY_VERIFY_WITH_TIMEOUT(w.canvas->complete(), 20000);
    QVERIFY(w.canvas->image() == want);
  }

  void resizeFollowsTheWindowInTwips() {
    Window w;
    w.open("resize.vsc");
    w.surface->display().refresh();
    // 9000 x 7000 twips at 96 dpi: 600 x 466.67 pixels.
    w.surface->windowResized(9000, 7000);
    QCOMPARE(w.viewport->width(), 573);               // 8600 twips
    QCOMPARE(w.viewport->height(), 376);              // 7000 - 255 (17 pixel bar) - 1100 twips
    QCOMPARE(w.v->height(), w.viewport->height());
    QCOMPARE(w.h->y(), w.viewport->y() + w.viewport->height());
    QCOMPARE(w.h->width(), w.viewport->width());
    QCOMPARE(w.v->maximum(), 460 - 376);
    const QRect before = w.viewport->geometry();
    w.surface->windowResized(9000, 2400);
    QCOMPARE(w.viewport->geometry(), before);
  }

  void graphicsDialogAppliesOnDone() {
    Window w;
    w.open("dialog.vsc");
    w.surface->display().refresh();
    const int dpi = w.canvas->logicalDpiX();
    QString text1Shown;
    bool checked = false;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(d);
      QCOMPARE(d->objectName(), QString("tslysele"));
      QCOMPARE(d->windowTitle(), QString("Graphics Parameters"));
      QCOMPARE(d->findChild<QGroupBox*>("Frame1")->title(), QString("Graphic Parameters"));
      QCOMPARE(d->findChild<QGroupBox*>("Frame3")->title(), QString("Sampling Ratio"));
      QCOMPARE(d->findChild<QCheckBox*>("normalize")->text(), QString("Normalize Plot"));
      QCOMPARE(d->findChild<QCheckBox*>("areafil")->text(), QString("Area Fill"));
      QCOMPARE(d->findChild<QPushButton*>("DONE")->text(), QString("Done"));
      QStringList labels;
      for (auto* l : d->findChildren<QLabel*>()) labels << l->text();
      QVERIFY(labels.contains("Traces/Inch"));
      QVERIFY(labels.contains("Trace Gain factor (DB)"));
      QVERIFY(labels.contains("Plot Ending Time (mS)"));
      auto* t1 = d->findChild<QLineEdit*>("Text1");
      text1Shown = t1->text();
      QCOMPARE(d->findChild<QLineEdit*>("Text6")->text(), QString(" 10"));
      QCOMPARE(d->findChild<QLineEdit*>("Text2")->text(), QString("100"));
      auto options = d->findChildren<QRadioButton*>("Option3");
      QCOMPARE(options.size(), 4);
      QRadioButton* half = nullptr;
      for (auto* o : options) {
        if (o->property("index").toInt() == 0) QVERIFY(o->isChecked());
        if (o->property("index").toInt() == 3) half = o;
      }
      QCOMPARE(half->text(), QString("1:2"));
      QTest::mouseClick(half, Qt::LeftButton);
      QCOMPARE(w.s.SamplingRatio, 0.5f);  // at once, before Done
      t1->setText("5000");
      d->findChild<QLineEdit*>("Text6")->setText("150");
      d->findChild<QLineEdit*>("Text2")->setText("0");
      d->findChild<QCheckBox*>("areafil")->setChecked(true);
      QTest::mouseClick(d->findChild<QPushButton*>("DONE"), Qt::LeftButton);
      QCOMPARE(t1->text(), QString("1000"));
      checked = true;
    });
    w.surface->changeGraphics();
    QVERIFY(checked);
    QCOMPARE(text1Shown, QString::fromStdString(tracesPerInchText(dpi, 10)));
    QCOMPARE(w.s.DataDivisor, 120.0f);
    QCOMPARE(w.s.TraceSpacing, static_cast<float>(dpi / 1000.0));
    QCOMPARE(w.s.AreaFillFlag, std::int16_t(1));
    QCOMPARE(w.s.SamplingRatio, 0.5f);
    // Redrawn: the whole record again, at two rows per sample.
    QCOMPARE(w.s.DisplayTimeLength, 100.0f);
    QCOMPARE(w.canvas->height(), 50 + 800 + 10);
    QVERIFY(w.ui.beeps > 0);
  }

  // With the fonts of this machine no caption of the dialog is cut: each label is
  // as high as its wrapped text, each check box and option button as wide as
  // its caption.
  void graphicsDialogCaptionsAreWhole() {
    AppState s;
    ScriptedUi ui;
    GraphicsDialog d(s, ui);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    for (const char* name : {"Label1", "Label6", "Label2"}) {
      auto* l = d.findChild<QLabel*>(name);
      QVERIFY(l);
      QVERIFY2(l->heightForWidth(l->width()) <= l->height(), name);
    }
    QList<QAbstractButton*> buttons = {d.findChild<QCheckBox*>("normalize"), d.findChild<QCheckBox*>("areafil")};
    for (auto* o : d.findChildren<QRadioButton*>("Option3")) buttons << o;
    QCOMPARE(buttons.size(), 6);
    for (QAbstractButton* b : buttons) QVERIFY2(b->sizeHint().width() <= b->width(), qPrintable(b->text()));
    // Still inside their frames.
    for (QAbstractButton* b : buttons)
      QVERIFY2(b->parentWidget()->rect().contains(b->geometry()), qPrintable(b->text()));
  }

  void graphicsDialogCloseBoxCancels() {
    Window w;
    w.open("cancel.vsc");
    w.surface->display().refresh();
    w.s.DataDivisor = 6;
    bool closed = false;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(d);
      d->findChild<QLineEdit*>("Text6")->setText("-30");
      for (auto* o : d->findChildren<QRadioButton*>("Option3"))
        if (o->property("index").toInt() == 2) QTest::mouseClick(o, Qt::LeftButton);
      d->close();
      closed = true;
    });
    const int height = w.canvas->height();
    w.surface->changeGraphics();
    QVERIFY(closed);
    QCOMPARE(w.s.DataDivisor, 6.0f);
    QCOMPARE(w.s.SamplingRatio, 4.0f);  // the option took effect at once
    QCOMPARE(w.canvas->height(), height);  // no redraw
    // The dialog is kept and refilled next time.
    QVERIFY(w.surface->graphicsDialog());
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(d);
      QCOMPARE(d->findChild<QLineEdit*>("Text6")->text(), QString(" 6"));
      QTest::mouseClick(d->findChild<QPushButton*>("DONE"), Qt::LeftButton);
    });
    w.surface->changeGraphics();
    QCOMPARE(w.canvas->height(), 50 + 100 + 10);  // 4:1 -> 1000 us per row, 100 ms
  }
};

QTEST_MAIN(TestDisplayPanels)
#include "test_display_panels.moc"
