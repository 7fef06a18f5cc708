// The splash window cpyright: topmost, over the main window, centred, its
// picture, the 4-second wait with events running, OK and Pause.
#include <QtTest>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>

#include "startup/SplashWindow.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::startup;
using tsly::test::ScriptedUi;

namespace {

void pressAt(SplashWindow& s, double x, double y) {
  QTest::mouseClick(s.picture(), Qt::LeftButton, {}, QPoint(static_cast<int>(x), static_cast<int>(y)));
}

// Runs f from the splash's own event loop once `ready` holds (polled every
// 10 ms; at once when it already holds).
void when(std::function<bool()> ready, std::function<void()> f) {
  QTimer::singleShot(0, [ready, f] {
    if (ready())
      f();
    else
      QTimer::singleShot(10, [ready, f] { when(ready, f); });
  });
}
// Runs f as soon as the splash's event loop runs.
void soon(std::function<void()> f) {
  when([] { return true; }, std::move(f));
}

}  // namespace

class StartupSplashTest : public QObject {
  Q_OBJECT
 private slots:
  void windowIsTopmostAndNamed();
  void mainWindowFirstThenCentredSplash();
  void pictureShowsBoxesWordsAndDisclaimer();
  void okEndsTheWaitAtOnce();
  void pauseHoldsUntilOk();
  void topEdgeCountsForOkNotForPause();
  void pressElsewhereDoesNothing();
  void waitEndsByItselfAfterFourSecondsWhileEventsRun();
};

void StartupSplashTest::windowIsTopmostAndNamed() {
  ScriptedUi ui;
  SplashWindow s(ui);
  QCOMPARE(s.objectName(), QString("cpyright"));
  QVERIFY(s.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  QVERIFY(s.windowFlags().testFlag(Qt::FramelessWindowHint));
  QCOMPARE(s.picture()->size(), QSize(480, 300));
}

void StartupSplashTest::mainWindowFirstThenCentredSplash() {
  ScriptedUi ui;
  QWidget mainWindow;
  mainWindow.setObjectName("tessaly");
  SplashWindow s(ui);
  bool splashVisibleAtStartup = true;
  QPoint posDuringWait;
  bool visibleDuringWait = false, mainVisibleDuringWait = false;
  when([&] { return s.isVisible(); }, [&] {
    posDuringWait = s.pos();
    visibleDuringWait = s.isVisible();
    mainVisibleDuringWait = mainWindow.isVisible();
    pressAt(s, 470, 295);  // OK
  });
  s.run([&] {
    splashVisibleAtStartup = s.isVisible();
    mainWindow.show();
  });
  QVERIFY(!splashVisibleAtStartup);
  QVERIFY(visibleDuringWait);
  QVERIFY(mainVisibleDuringWait);
  const QRect g = s.screen()->geometry();
  QCOMPARE(posDuringWait, QPoint(g.x() + (g.width() - s.width()) / 2, g.y() + (g.height() - s.height()) / 2));
  QVERIFY(!s.isVisible());  // closed after the wait
  QVERIFY(mainWindow.isVisible());
}

void StartupSplashTest::pictureShowsBoxesWordsAndDisclaimer() {
  ScriptedUi ui;
  SplashWindow s(ui);
  QPalette pal = s.palette();
  pal.setColor(QPalette::WindowText, QColor(200, 0, 0));
  pal.setColor(QPalette::Window, Qt::white);
  s.setPalette(pal);
  const QImage img = s.picture()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const SplashBoxes b = s.picture()->boxes();
  auto reddish = [](QRgb c) { return qRed(c) > 120 && qGreen(c) < 90 && qBlue(c) < 90; };
  // Box outlines: the middle of each edge is in the window-text colour.
  for (const SplashBox& box : {b.ok, b.pause}) {
    const int midX = static_cast<int>((box.left + box.right) / 2);
    const int midY = static_cast<int>((box.top + box.bottom) / 2);
    QVERIFY(reddish(img.pixel(midX, static_cast<int>(box.top))));
    QVERIFY(reddish(img.pixel(static_cast<int>(box.left), midY)));
  }
  // Words in the boxes, banner and disclaimer: text pixels in the window-text colour.
  auto inkIn = [&](QRect r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += reddish(img.pixel(x, y));
    return n;
  };
  QVERIFY(inkIn(QRect(QPoint(int(b.ok.left) + 2, int(b.ok.top) + 2), QPoint(int(b.ok.right) - 2, int(b.ok.bottom) - 2))) > 10);
  QVERIFY(inkIn(QRect(QPoint(int(b.pause.left) + 2, int(b.pause.top) + 2), QPoint(int(b.pause.right) - 2, int(b.pause.bottom) - 2))) > 10);
  QVERIFY(inkIn(QRect(0, 0, 480, 100)) > 50);     // banner
  QVERIFY(inkIn(QRect(0, 130, 480, 120)) > 100);  // disclaimer
}

void StartupSplashTest::okEndsTheWaitAtOnce() {
  ScriptedUi ui;
  SplashWindow s(ui);
  soon([&] { pressAt(s, 420, 280); });
  QElapsedTimer t;
  t.start();
  s.waitOut();
  QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
  QCOMPARE(ui.beeps, 0);
  QVERIFY(s.wait().state() == SplashWait::State::Ended);
}

void StartupSplashTest::pauseHoldsUntilOk() {
  ScriptedUi ui;
  SplashWindow s(ui);
  bool stillWaiting = false;
  qint64 okAt = 0;
  QElapsedTimer t;
  soon([&] { pressAt(s, 10, 290); });  // Pause
  when([&] { return t.elapsed() >= 400; }, [&] {
    stillWaiting = s.waiting();  // past the 300 ms the wait had
    okAt = t.elapsed();
    pressAt(s, 479, 299);  // OK
  });
  t.start();
  s.waitOut(300);
  QVERIFY(stillWaiting);
  QCOMPARE(ui.beeps, 1);
  QVERIFY(t.elapsed() >= okAt);
  QVERIFY2(t.elapsed() - okAt < 500, "OK after Pause closes at once");
}

void StartupSplashTest::topEdgeCountsForOkNotForPause() {
  ScriptedUi ui;
  SplashWindow s(ui);
  const SplashBoxes b = s.picture()->boxes();
  QCOMPARE(b.ok.top, 270.0);
  bool heldAfterPauseEdge = false;
  soon([&] {
    pressAt(s, 50, 270);  // on the Pause box's top edge: nothing
    heldAfterPauseEdge = s.wait().state() == SplashWait::State::Held;
    pressAt(s, 460, 270);  // on the OK box's top edge: OK
  });
  QElapsedTimer t;
  t.start();
  s.waitOut();
  QVERIFY(!heldAfterPauseEdge);
  QCOMPARE(ui.beeps, 0);
  QVERIFY(t.elapsed() < 2000);
  QVERIFY(s.wait().state() == SplashWait::State::Ended);
}

void StartupSplashTest::pressElsewhereDoesNothing() {
  ScriptedUi ui;
  SplashWindow s(ui);
  soon([&] {
    pressAt(s, 300, 285);  // between the boxes
    pressAt(s, 460, 100);  // above OK
    pressAt(s, 144, 280);  // the Pause box's right edge
  });
  QElapsedTimer t;
  t.start();
  s.waitOut(400);
  QCOMPARE(ui.beeps, 0);
  QVERIFY(t.elapsed() >= 390);
  QVERIFY(s.wait().state() == SplashWait::State::Running);
}

void StartupSplashTest::waitEndsByItselfAfterFourSecondsWhileEventsRun() {
  ScriptedUi ui;
  QWidget mainWindow;
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
  tick.start(100);
  QElapsedTimer t;
  t.start();
  showSplash(ui, [&] { mainWindow.show(); });
  const qint64 ms = t.elapsed();
  // Four seconds at least; the upper bound only says it ended by itself.
  QVERIFY2(ms >= 3990 && ms < 60000, qPrintable(QString::number(ms)));
  QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));  // events kept running
  bool splashLeft = false;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "cpyright") splashLeft = true;
  QVERIFY(!splashLeft);  // discarded
  QVERIFY(mainWindow.isVisible());
}

QTEST_MAIN(StartupSplashTest)
#include "test_startup_splash.moc"
