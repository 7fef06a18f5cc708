// The real canvas Picture1: pixels read back from its persistent image.
#include <QtTest>

#include "qt/ImageCanvas.h"
#include "gui/GuiTestMain.h"

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

  void directLinesMatchTheirEndsAndClip() {
    ImageCanvas c;
    c.setSize(200, 200);
    // Mostly horizontal, mostly vertical and diagonal lines, both end points drawn.
    const int lines[][4] = {{10, 10, 150, 13}, {20, 30, 24, 180}, {100, 100, 60, 60}, {190, 5, 5, 6}};
    for (const auto& l : lines) {
      c.moveTo(l[0], l[1]);
      c.lineTo(l[2], l[3]);
      QCOMPARE(rgbAt(c, l[0], l[1]), Black);
      QCOMPARE(rgbAt(c, l[2], l[3]), Black);
      // Every row between the ends has a pixel of the line near the ideal x.
      const int y0 = std::min(l[1], l[3]), y1 = std::max(l[1], l[3]);
      for (int y = y0; y <= y1; ++y) {
        const double ideal = l[0] + (l[2] - l[0]) * (l[1] == l[3] ? 0.0 : double(y - l[1]) / (l[3] - l[1]));
        bool near = false;
        for (int x = int(ideal) - 40; x <= int(ideal) + 40; ++x)
          if (x >= 0 && x < 200 && rgbAt(c, x, y) == Black) near = true;
        QVERIFY2(near, qPrintable(QString("row %1").arg(y)));
      }
    }
    // Far outside: clipped, quick, nothing outside drawn wrongly.
    c.clear();
    c.polyline({{100, 0}, {1000100, 1}, {-1000000, 2}, {100, 3}});
    auto darkInColumn = [&](int x) {
      int n = 0;
      for (int y = 0; y <= 3; ++y) n += rgbAt(c, x, y) == Black;
      return n;
    };
    QVERIFY(darkInColumn(0) >= 1);
    QVERIFY(darkInColumn(199) >= 2);
    QCOMPARE(rgbAt(c, 100, 3), Black);
    QCOMPARE(rgbAt(c, 100, 10), White);
  }

  void xorPolylineTwiceLeavesNoTrace() {
    ImageCanvas c;
    c.setSize(100, 100);
    c.setPenMode(PenMode::Xor);
    c.setPenColor({0, 255, 255});
    const std::vector<PointI> wiggle{{50, 10}, {60, 11}, {40, 12}, {50, 30}, {50, 40}};
    c.polyline(wiggle);
    QCOMPARE(rgbAt(c, 60, 11), Red);
    QCOMPARE(rgbAt(c, 50, 35), Red);
    c.polyline(wiggle);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) QCOMPARE(rgbAt(c, x, y), White);
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

  // Mostly horizontal lines: row r of a line with steps adx > ady takes the
  // steps k whose ideal row k*ady/adx rounds (halves down) to r. Checked for
  // every slope up to 40 x 12 in all four directions, pixel for pixel.
  void directHorizontalLinesTakeTheRoundedRows() {
    ImageCanvas c;
    c.setSize(100, 40);
    for (int adx = 1; adx <= 40; ++adx)
      for (int ady = 0; ady < adx && ady <= 12; ++ady)
        for (int dir = 0; dir < 4; ++dir) {
          const int sx = dir & 1 ? -1 : 1, sy = dir & 2 ? -1 : 1;
          const int x0 = sx > 0 ? 5 : 90, y0 = sy > 0 ? 5 : 30;
          c.clear();
          c.moveTo(x0, y0);
          c.lineTo(x0 + sx * adx, y0 + sy * ady);
          QSet<QPair<int, int>> want;
          for (int k = 0; k <= adx; ++k) {
            int r = 0;
            while (r < ady && 2 * k * ady >= (2 * r + 1) * adx) ++r;
            want.insert({x0 + sx * k, y0 + sy * r});
          }
          const QImage& img = c.image();
          // The line's box and a pixel around it (the rest stays white, as the
          // other tests show).
          const int xa = std::min(x0, x0 + sx * adx) - 1, xb = std::max(x0, x0 + sx * adx) + 1;
          const int ya = std::min(y0, y0 + sy * ady) - 1, yb = std::max(y0, y0 + sy * ady) + 1;
          for (int y = ya; y <= yb; ++y)
            for (int x = xa; x <= xb; ++x) {
              const bool dark = (img.pixel(x, y) & 0xffffff) == Black;
              QVERIFY2(dark == want.contains({x, y}),
                       qPrintable(QString("line %1 x %2 dir %3: pixel %4,%5").arg(adx).arg(ady).arg(dir).arg(x).arg(y)));
            }
        }
  }

  // Wiggle polylines are kept and drawn band by band (two threads for many of
  // them); the picture must be the one segment-by-segment drawing gives, also
  // across a pen change and with lines over the band edges and image edges.
  void keptWigglesDrawTheSamePixelsAsSegments() {
    std::vector<std::vector<PointI>> lines;
    std::uint32_t seed = 12345;
    auto rnd = [&](int n) {
      seed = seed * 1664525u + 1013904223u;
      return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
    };
    for (int t = 0; t < 400; ++t) {
      std::vector<PointI> l;
      const int x = 5 + t * 3;
      int y = rnd(20);
      for (int i = 0; i < 70; ++i) {
        l.push_back({std::clamp(x + rnd(41) - 20, 0, 1249), y});
        y += rnd(4) == 0 ? rnd(40) : rnd(3);  // mostly one row per point, now and then a long step
      }
      if (t % 50 == 7) l.push_back({x, 2000});  // past the bottom edge: drawn at once, clipped
      lines.push_back(l);
    }
    auto draw = [&](ImageCanvas& c, bool segments) {
      c.setSize(1250, 700);
      for (std::size_t t = 0; t < lines.size(); ++t) {
        if (t == 250) c.setPenColor({200, 0, 0});  // a pen change part-way
        const auto& l = lines[t];
        if (!segments) {
          c.polyline(l);
          continue;
        }
        c.moveTo(l[0].x, l[0].y);
        c.lineTo(l[0].x, l[0].y);
        for (std::size_t i = 1; i < l.size(); ++i) c.lineTo(l[i].x, l[i].y);
      }
    };
    ImageCanvas kept, segs;
    draw(kept, false);
    draw(segs, true);
    QCOMPARE(kept.image(), segs.image());
    // XOR: every line drawn twice leaves the image white.
    ImageCanvas x;
    x.setSize(1250, 700);
    x.setPenMode(PenMode::Xor);
    x.setPenColor({0, 255, 255});
    for (int twice = 0; twice < 2; ++twice)
      for (const auto& l : lines) x.polyline(l);
    QImage white(1250, 700, QImage::Format_RGB32);
    white.fill(Qt::white);
    QCOMPARE(x.image(), white);
  }

  // Lobes are filled band by band of rows as well: the same lobe moved down
  // by any number of rows (across band edges) gives the same picture moved.
  void keptLobesFillTheSameRowsWhereverTheBandsFall() {
    const std::vector<PointI> lobe{{50, 10}, {55, 11}, {70, 15}, {80, 16}, {62, 25}, {61, 60}, {90, 61}, {50, 90}};
    QImage base;
    for (int d = 0; d <= 40; ++d) {
      std::vector<PointI> moved = lobe;
      for (PointI& p : moved) p.y += d;
      ImageCanvas c;
      c.setSize(120, 160);
      c.fillPolygon(moved);
      const QImage img = c.image().copy(0, d, 120, 110);
      if (d == 0) base = img;
      else QCOMPARE(img, base);
    }
    QCOMPARE(base.pixel(60, 40) & 0xffffff, Black);
  }

  // Many lobes and wiggles kept together (two threads) fill what each one
  // drawn on its own fills.
  void manyKeptLobesMatchLobesDrawnOneByOne() {
    ImageCanvas together, oneByOne;
    for (ImageCanvas* c : {&together, &oneByOne}) c->setSize(900, 600);
    std::uint32_t seed = 99;
    auto rnd = [&](int n) {
      seed = seed * 1664525u + 1013904223u;
      return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
    };
    for (int t = 0; t < 300; ++t) {
      const int x = 5 + t * 3;
      int y = rnd(30);
      while (y < 580) {
        std::vector<PointI> lobe{{x, y}};
        const int len = 2 + rnd(30);
        for (int k = 0; k < len; ++k) lobe.push_back({x + rnd(25), y += rnd(3)});
        lobe.push_back({x, ++y});
        y += 1 + rnd(20);
        together.fillPolygon(lobe);
        oneByOne.fillPolygon(lobe);
        (void)oneByOne.image();
      }
    }
    QCOMPARE(together.image(), oneByOne.image());
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

TESSALY_GUI_TEST(PlatformCanvasTest)
#include "test_platform_canvas.moc"
