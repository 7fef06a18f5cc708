// The "Velocity Function" window: its table rows and check texts, its plot with
// 0, 1, 2 and 20 picks, and that it stays modeless.
#include <QtTest>

#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QTableWidget>

#include "picks/VelocityFunctionWindow.h"
#include "support/PickFixtures.h"

using namespace tsly;
using namespace tsly::test;

namespace {

CdpPicks picksOf(std::initializer_list<std::pair<float, int>> tv) {
  CdpPicks r;
  std::int16_t panel = 1;
  for (auto [t, v] : tv) addPick(r, t, static_cast<std::int16_t>(v), panel++);
  return r;
}

QString cell(const VelocityFunctionWindow& w, int row, int col) {
  const QTableWidgetItem* item = w.table()->item(row, col);
  return item ? item->text() : QString("<none>");
}

// Pixels of a colour in the drawn plot.
int pixelsOf(const QImage& img, const QColor& c) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xffffff) == (c.rgb() & 0xffffff)) ++n;
  return n;
}

QImage drawn(VelocityFunctionWindow& w) { return w.plot()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace

class VelocityFunctionTest : public QObject {
  Q_OBJECT
 private slots:
  void namesAndModeless() {
    VelocityFunctionWindow w;
    QCOMPARE(w.objectName(), QString("VelocityFunction"));
    QCOMPARE(w.windowTitle(), QString("Velocity Function"));
    QVERIFY(w.isWindow());
    QCOMPARE(w.windowModality(), Qt::NonModal);
    QCOMPARE(w.table()->objectName(), QString("velocityTable"));
    QCOMPARE(w.plot()->objectName(), QString("velocityPlot"));
    QStringList headers;
    for (int c = 0; c < w.table()->columnCount(); ++c) headers << w.table()->horizontalHeaderItem(c)->text();
    QCOMPARE(headers, QStringList({"Time (ms)", "RMS velocity", "Interval velocity", "Thickness (ms)", "Check"}));
    QCOMPARE(w.heading()->text(), QString("No CDP shown"));
  }

  void rowsAndCheckTexts() {
    VelocityFunctionWindow w;
    w.show();
    // Made out of time order; an inversion that gives an imaginary interval,
    // a pick at the same time, and one 10 ms below the last.
    w.setCdp(101, picksOf({{1100, 2000}, {1000, 3000}, {1100, 2100}, {1500, 2500}, {1510, 2700}}));
    QCOMPARE(w.heading()->text(), QString("CDP 101: 5 picks, 3 flagged"));
    QCOMPARE(w.table()->rowCount(), 5);
    const QStringList times = {"1000", "1100", "1100", "1500", "1510"};
    for (int r = 0; r < 5; ++r) QCOMPARE(cell(w, r, VelocityFunctionWindow::ColTime), times[r]);
    QCOMPARE(cell(w, 0, VelocityFunctionWindow::ColRms), QString("3000"));
    QCOMPARE(cell(w, 0, VelocityFunctionWindow::ColInterval), QString(""));
    QCOMPARE(cell(w, 0, VelocityFunctionWindow::ColThickness), QString(""));
    QCOMPARE(cell(w, 0, VelocityFunctionWindow::ColCheck), QString(""));
    QCOMPARE(cell(w, 1, VelocityFunctionWindow::ColInterval), QString("-"));
    QCOMPARE(cell(w, 1, VelocityFunctionWindow::ColThickness), QString("100"));
    QCOMPARE(cell(w, 1, VelocityFunctionWindow::ColCheck), QString("velocity inversion; imaginary interval velocity"));
    QCOMPARE(cell(w, 2, VelocityFunctionWindow::ColCheck), QString("equal times"));
    QCOMPARE(cell(w, 3, VelocityFunctionWindow::ColInterval), QString("3363"));
    QCOMPARE(cell(w, 3, VelocityFunctionWindow::ColThickness), QString("400"));
    QCOMPARE(cell(w, 3, VelocityFunctionWindow::ColCheck), QString(""));
    QCOMPARE(cell(w, 4, VelocityFunctionWindow::ColCheck), QString("interval velocity outside 1000..8000 m/s"));
    // Flagged rows are tinted, the others not.
    QVERIFY(w.table()->item(1, 0)->background().color() != w.table()->item(3, 0)->background().color());
    QCOMPARE(w.table()->item(1, 0)->background().color(), w.table()->item(4, 4)->background().color());
    // Another CDP replaces everything.
    w.setCdp(111, picksOf({{200, 1600}}));
    QCOMPARE(w.heading()->text(), QString("CDP 111: 1 pick"));
    QCOMPARE(w.table()->rowCount(), 1);
    w.clearCdp();
    QCOMPARE(w.table()->rowCount(), 0);
    QCOMPARE(w.heading()->text(), QString("No CDP shown"));
  }

  void plotDrawsForAnyNumberOfPicks_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("0") << 0;
    QTest::newRow("1") << 1;
    QTest::newRow("2") << 2;
    QTest::newRow("20") << 20;
  }
  void plotDrawsForAnyNumberOfPicks() {
    QFETCH(int, count);
    VelocityFunctionWindow w;
    w.resize(700, 400);
    w.show();
    CdpPicks r;
    for (int k = 0; k < count; ++k)
      addPick(r, 100.0f * static_cast<float>(k + 1), static_cast<std::int16_t>(1500 + 60 * k + (k % 3) * 40),
              static_cast<std::int16_t>(k + 1));
    w.setCdp(101, r);
    QCOMPARE(w.table()->rowCount(), count);
    const QImage img = drawn(w);
    QVERIFY(!img.isNull());
    const int rms = pixelsOf(img, VelocityPlot::rmsColour());
    const int interval = pixelsOf(img, VelocityPlot::intervalColour());
    QVERIFY2(count == 0 ? rms == 0 : rms > 0, qPrintable(QString::number(rms)));
    // With one pick only the legend shows the interval colour; intervals add to it.
    VelocityFunctionWindow one;
    one.resize(700, 400);
    one.show();
    one.setCdp(101, picksOf({{100, 1500}}));
    const int legend = pixelsOf(drawn(one), VelocityPlot::intervalColour());
    QVERIFY(legend > 0);
    if (count == 0) QCOMPARE(interval, 0);
    if (count == 1) QCOMPARE(interval, legend);
    if (count >= 2) QVERIFY2(interval > legend, qPrintable(QString("%1 %2").arg(interval).arg(legend)));
  }

  void plotPutsLaterTimesLower() {
    VelocityFunctionWindow w;
    w.resize(700, 400);
    w.show();
    w.setCdp(101, picksOf({{100, 1500}, {900, 1500}}));
    const QImage img = drawn(w);
    // The RMS curve is a vertical line at one velocity; its markers lie at the
    // top (100 ms) and near the bottom (900 ms).
    int top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if ((img.pixel(x, y) & 0xffffff) == (VelocityPlot::rmsColour().rgb() & 0xffffff)) {
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    QVERIFY(top < img.height() / 3);
    QVERIFY(bottom > img.height() / 2);
  }

  void absurdIntervalVelocitiesStayOnThePlot() {
    VelocityFunctionWindow w;
    w.resize(700, 400);
    w.show();
    // Picks a fraction of a ms apart: an interval velocity far beyond the plot.
    w.setCdp(101, picksOf({{1000, 2000}, {1000.25f, 3000}}));
    QVERIFY(w.rows()[1].intervalVelocity > 50000);
    const QImage img = drawn(w);
    QVERIFY(pixelsOf(img, VelocityPlot::rmsColour()) > 0);
  }
};

QTEST_MAIN(VelocityFunctionTest)
#include "test_picks_velocity_function.moc"
