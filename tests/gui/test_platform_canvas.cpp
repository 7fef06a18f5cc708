// The real canvas Picture1: pixels read back from its persistent image. The
// raster's own pixel rules are checked in the core tests (test_platform_raster).
#include <QtTest>

#include "qt/ImageCanvas.h"

using namespace tsly;

namespace {
QRgb rgbAt(ImageCanvas& c, int x, int y) { return c.image().pixel(x, y) & 0xffffff; }
constexpr QRgb White = 0xffffff;
constexpr QRgb Red = 0xff0000;
constexpr QRgb Black = 0x000000;
}  // namespace

class PlatformCanvasTest : public QObject {
  Q_OBJECT
 private slots:
  void namedAndWhite() {
    ImageCanvas c;
    QCOMPARE(c.objectName(), QString("Picture1"));
    c.setSize(120, 80);
    QCOMPARE(c.width(), 120);
    QCOMPARE(c.height(), 80);
    QCOMPARE(c.QWidget::width(), 120);
    QCOMPARE(rgbAt(c, 5, 5), White);
    QVERIFY(c.logicalDpiX() > 0);
  }

  void xorLineIsRedOnWhiteAndErasedByASecondDraw() {
    for (bool reuse : {true, false}) {
      ImageCanvas c;
      c.setPainterReuse(reuse);
      c.setSize(300, 200);
      c.setPenMode(PenMode::Xor);
      c.setPenWidth(2);
      c.setPenColor({0, 255, 255});
      c.moveTo(180, 150);
      c.lineTo(280, 150);
      const QImage once = c.image().copy();
      int redRows = 0;
      for (int y = 145; y <= 155; ++y) redRows += (once.pixel(230, y) & 0xffffff) == Red;
      QCOMPARE(redRows, 2);
      QCOMPARE(once.pixel(230, 150) & 0xffffff, Red);
      QCOMPARE(once.pixel(170, 150) & 0xffffff, White);
      QCOMPARE(once.pixel(290, 150) & 0xffffff, White);
      c.moveTo(180, 150);
      c.lineTo(280, 150);
      for (int y = 140; y <= 160; ++y)
        for (int x = 170; x <= 290; ++x) QCOMPARE(rgbAt(c, x, y), White);
    }
  }

  void copyPenDrawsInThePenColourAndClearWhitens() {
    ImageCanvas c;
    c.setSize(100, 100);
    c.moveTo(10, 20);
    c.lineTo(90, 20);
    QCOMPARE(rgbAt(c, 50, 20), Black);
    QCOMPARE(rgbAt(c, 50, 21), White);  // width 1
    c.clear();
    QCOMPARE(rgbAt(c, 50, 20), White);
  }

  void polylineAndFilledLobe() {
    ImageCanvas c;
    c.setSize(100, 100);
    c.polyline({{50, 10}, {70, 30}, {50, 50}});
    QCOMPARE(rgbAt(c, 60, 20), Black);
    QCOMPARE(rgbAt(c, 55, 30), White);  // inside the lobe, not filled
    c.fillPolygon({{50, 10}, {70, 30}, {50, 50}});
    QCOMPARE(rgbAt(c, 55, 30), Black);
    QCOMPARE(rgbAt(c, 45, 30), White);
    // Kept wiggles are drawn in the pen they were drawn with.
    c.polyline({{10, 60}, {10, 90}});
    c.setPenColor({255, 0, 0});
    c.polyline({{20, 60}, {20, 90}});
    QCOMPARE(rgbAt(c, 10, 70), Black);
    QCOMPARE(rgbAt(c, 20, 70), Red);
  }

  void textAndMetrics() {
    ImageCanvas c;
    c.setSize(200, 60);
    QVERIFY(c.textWidth(" 1500") > c.textWidth("0"));
    QVERIFY(c.textHeight("0") > 0);
    c.textOut(10, 10, " 1500");
    int dark = 0;
    const QImage& img = c.image();
    for (int y = 10; y < 10 + c.textHeight("0"); ++y)
      for (int x = 10; x < 10 + c.textWidth(" 1500"); ++x) dark += (img.pixel(x, y) & 0xffffff) != White;
    QVERIFY(dark > 10);
  }

  void resizeKeepsWhatWasDrawn() {
    ImageCanvas c;
    c.setSize(100, 50);
    c.moveTo(0, 10);
    c.lineTo(99, 10);
    c.setSize(100, 400);
    QCOMPARE(rgbAt(c, 50, 10), Black);
    QCOMPARE(rgbAt(c, 50, 300), White);
    c.setSize(100000, -5);  // limited, never a crash
    QCOMPARE(c.width(), ImageCanvas::MaxSide);
    QCOMPARE(c.height(), 1);
  }

  void lobeFillMatchesThePainterFill() {
    const std::vector<PointI> lobe{{50, 10}, {55, 11}, {70, 15}, {80, 16}, {62, 25}, {50, 28}};
    int counts[2] = {0, 0};
    for (int fast : {0, 1}) {
      ImageCanvas c;
      c.setFastPaths(fast != 0);
      c.setSize(120, 40);
      c.fillPolygon(lobe);
      const QImage& img = c.image();
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) counts[fast] += (img.pixel(x, y) & 0xffffff) == Black;
      QCOMPARE(rgbAt(c, 60, 16), Black);
      QCOMPARE(rgbAt(c, 49, 16), White);
      QCOMPARE(rgbAt(c, 85, 16), White);
    }
    // Same area within the edge pixels.
    QVERIFY(std::abs(counts[0] - counts[1]) < 60);
  }

  void persistentFlagIsKept() {
    ImageCanvas c;
    QVERIFY(!c.persistent());
    c.setPersistent(true);
    QVERIFY(c.persistent());
  }

  void pressReportsCanvasPixels() {
    ImageCanvas c;
    c.setSize(300, 300);
    c.show();
    QList<QVariantList> got;
    connect(&c, &ImageCanvas::pressed, this,
            [&](int b, int, double x, double y) { got.append({b, x, y}); });
    QTest::mousePress(&c, Qt::RightButton, {}, QPoint(230, 150));
    QCOMPARE(got.size(), 1);
    QCOMPARE(got[0][0].toInt(), static_cast<int>(Qt::RightButton));
    QCOMPARE(got[0][1].toDouble(), 230.0);
    QCOMPARE(got[0][2].toDouble(), 150.0);
  }

  void pressKeepsTheFractionOfThePosition() {
    // Qt hands over positions between pixels (high-density screens, tablets):
    // the canvas passes them on as they are, not cut to whole pixels.
    ImageCanvas c;
    c.setSize(300, 300);
    c.show();
    QList<QPointF> got;
    connect(&c, &ImageCanvas::pressed, this, [&](int, int, double x, double y) { got.append({x, y}); });
    const QPointF at(230.25, 150.75);
    QMouseEvent press(QEvent::MouseButtonPress, at, c.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&c, &press);
    QCOMPARE(got.size(), 1);
    QCOMPARE(got[0], at);
  }
};

QTEST_MAIN(PlatformCanvasTest)
#include "test_platform_canvas.moc"
