// The raster: one-pixel lines, wiggles and lobes drawn straight into a buffer
// of pixels, pixel for pixel, also when kept and drawn together band by band.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "platform/Raster.h"

using namespace tsly;

namespace {

constexpr std::uint32_t White = 0xffffff;
constexpr std::uint32_t Black = 0x000000;
constexpr std::uint32_t Red = 0xff0000;

// A white image in memory, its rows padded as an image's may be.
struct Image {
  int w, h;
  std::vector<std::uint32_t> px;
  Image(int width, int height) : w(width), h(height), px(static_cast<std::size_t>((width + 3) * height), 0xffffffffu) {}
  RasterTarget pen(std::uint32_t rgb = Black, bool xorMode = false) {
    const auto bytesPerLine = static_cast<std::ptrdiff_t>((w + 3) * 4);
    return {reinterpret_cast<std::uint8_t*>(px.data()), bytesPerLine, w, h, rgb | 0xff000000u, xorMode};
  }
  std::uint32_t at(int x, int y) const { return px[static_cast<std::size_t>(y * (w + 3) + x)] & 0xffffff; }
  void clear() { std::fill(px.begin(), px.end(), 0xffffffffu); }
  bool operator==(const Image& o) const { return px == o.px; }
};

// A pseudo-random sequence the same on every run.
struct Sequence {
  std::uint32_t seed;
  int operator()(int n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
  }
};

}  // namespace

TEST(PlatformRaster, LinesReachBothEndsAndClipAtTheEdges) {
  Image im(200, 200);
  // Mostly horizontal, mostly vertical and diagonal lines, both end points drawn.
  const int lines[][4] = {{10, 10, 150, 13}, {20, 30, 24, 180}, {100, 100, 60, 60}, {190, 5, 5, 6}};
  for (const auto& l : lines) {
    Raster::line(im.pen(), l[0], l[1], l[2], l[3]);
    EXPECT_EQ(im.at(l[0], l[1]), Black);
    EXPECT_EQ(im.at(l[2], l[3]), Black);
    // Every row between the ends has a pixel of the line near the ideal x.
    for (int y = std::min(l[1], l[3]); y <= std::max(l[1], l[3]); ++y) {
      const double ideal = l[0] + (l[2] - l[0]) * (l[1] == l[3] ? 0.0 : double(y - l[1]) / (l[3] - l[1]));
      bool near = false;
      for (int x = std::max(0, int(ideal) - 40); x <= std::min(199, int(ideal) + 40); ++x) near |= im.at(x, y) == Black;
      EXPECT_TRUE(near) << "row " << y;
    }
  }
  // Far outside: clipped, quick, nothing outside drawn wrongly.
  im.clear();
  Raster::polyline(im.pen(), {{100, 0}, {1000100, 1}, {-1000000, 2}, {100, 3}});
  auto darkInColumn = [&](int x) {
    return int(im.at(x, 0) == 0) + (im.at(x, 1) == 0) + (im.at(x, 2) == 0) + (im.at(x, 3) == 0);
  };
  EXPECT_GE(darkInColumn(0), 1);
  EXPECT_GE(darkInColumn(199), 2);
  EXPECT_EQ(im.at(100, 3), Black);
  EXPECT_EQ(im.at(100, 10), White);
}

// Row r of a line with steps adx > ady takes the steps k whose ideal row
// k*ady/adx rounds (halves down) to r. Every slope up to 40 x 12, in all four
// directions, pixel for pixel.
TEST(PlatformRaster, MostlyHorizontalLinesTakeTheRoundedRows) {
  Image im(100, 40);
  for (int adx = 1; adx <= 40; ++adx)
    for (int ady = 0; ady < adx && ady <= 12; ++ady)
      for (int dir = 0; dir < 4; ++dir) {
        const int sx = dir & 1 ? -1 : 1, sy = dir & 2 ? -1 : 1;
        const int x0 = sx > 0 ? 5 : 90, y0 = sy > 0 ? 5 : 30;
        im.clear();
        Raster::line(im.pen(), x0, y0, x0 + sx * adx, y0 + sy * ady);
        std::set<std::pair<int, int>> want;
        for (int k = 0; k <= adx; ++k) {
          int r = 0;
          while (r < ady && 2 * k * ady >= (2 * r + 1) * adx) ++r;
          want.insert({x0 + sx * k, y0 + sy * r});
        }
        // The line's box and a pixel around it.
        const int xa = std::min(x0, x0 + sx * adx) - 1, xb = std::max(x0, x0 + sx * adx) + 1;
        const int ya = std::min(y0, y0 + sy * ady) - 1, yb = std::max(y0, y0 + sy * ady) + 1;
        for (int y = ya; y <= yb; ++y)
          for (int x = xa; x <= xb; ++x)
            ASSERT_EQ(im.at(x, y) == Black, want.count({x, y}) == 1)
                << "line " << adx << " x " << ady << " dir " << dir << ": pixel " << x << "," << y;
      }
}

TEST(PlatformRaster, XorPolylineTwiceLeavesNoTrace) {
  Image im(100, 100);
  const std::vector<PointI> wiggle{{50, 10}, {60, 11}, {40, 12}, {50, 30}, {50, 40}};
  Raster::polyline(im.pen(0x00ffff, true), wiggle);
  EXPECT_EQ(im.at(60, 11), Red);
  EXPECT_EQ(im.at(50, 35), Red);
  Raster::polyline(im.pen(0x00ffff, true), wiggle);
  EXPECT_TRUE(im == Image(100, 100));
}

// Kept wiggles are drawn band by band (two threads for many of them): the
// picture segment-by-segment drawing gives, also across a pen change and with
// lines over the band edges and the image's bottom edge.
TEST(PlatformRaster, KeptWigglesDrawTheSamePixelsAsSegments) {
  std::vector<std::vector<PointI>> lines;
  Sequence rnd{12345};
  for (int t = 0; t < 400; ++t) {
    std::vector<PointI> l;
    const int x = 5 + t * 3;
    int y = rnd(20);
    for (int i = 0; i < 70; ++i) {
      l.push_back({std::clamp(x + rnd(41) - 20, 0, 1249), y});
      y += rnd(4) == 0 ? rnd(40) : rnd(3);  // mostly one row per point, now and then a long step
    }
    if (t % 50 == 7) l.push_back({x, 2000});  // past the bottom edge: not kept, drawn at once
    lines.push_back(l);
  }
  Image kept(1250, 700), segments(1250, 700);
  Raster raster;
  std::uint32_t colour = Black;
  for (std::size_t t = 0; t < lines.size(); ++t) {
    if (t == 250) raster.flush(kept.pen(colour)), colour = 0xc80000;  // a pen change part-way
    const auto& l = lines[t];
    if (!raster.keepWiggle(l, kept.w, kept.h)) Raster::polyline(kept.pen(colour), l);
    Raster::line(segments.pen(colour), l[0].x, l[0].y, l[0].x, l[0].y);
    for (std::size_t i = 1; i < l.size(); ++i)
      Raster::line(segments.pen(colour), l[i - 1].x, l[i - 1].y, l[i].x, l[i].y);
  }
  raster.flush(kept.pen(colour));
  EXPECT_FALSE(raster.holdsAny());
  EXPECT_TRUE(kept == segments);
  // XOR: every line drawn twice leaves the image white.
  Image x(1250, 700);
  for (int twice = 0; twice < 2; ++twice)
    for (const auto& l : lines)
      if (!raster.keepWiggle(l, x.w, x.h)) Raster::polyline(x.pen(0x00ffff, true), l);
  raster.flush(x.pen(0x00ffff, true));
  EXPECT_TRUE(x == Image(1250, 700));
}

// Lobes are filled band by band of rows as well: the same lobe moved down by
// any number of rows (across band edges) gives the same picture moved.
TEST(PlatformRaster, KeptLobesFillTheSameRowsWhereverTheBandsFall) {
  const std::vector<PointI> lobe{{50, 10}, {55, 11}, {70, 15}, {80, 16}, {62, 25}, {61, 60}, {90, 61}, {50, 90}};
  ASSERT_TRUE(Raster::isLobe(lobe));
  std::vector<std::uint32_t> base;
  for (int d = 0; d <= 40; ++d) {
    std::vector<PointI> moved = lobe;
    for (PointI& p : moved) p.y += d;
    Image im(120, 160);
    Raster raster;
    raster.keepLobe(moved);
    raster.flush(im.pen());
    std::vector<std::uint32_t> rows;
    for (int y = d; y < d + 110; ++y)
      for (int x = 0; x < 120; ++x) rows.push_back(im.at(x, y));
    if (d == 0) base = rows;
    ASSERT_TRUE(rows == base) << "moved by " << d;
  }
  EXPECT_EQ(base[40 * 120 + 60], Black);
  EXPECT_EQ(base[16 * 120 + 85], White);
}

// Many lobes kept together (two threads) fill what each one kept alone fills.
TEST(PlatformRaster, ManyKeptLobesMatchLobesFilledOneByOne) {
  Image together(900, 600), oneByOne(900, 600);
  Raster all, one;
  Sequence rnd{99};
  for (int t = 0; t < 300; ++t) {
    const int x = 5 + t * 3;
    int y = rnd(30);
    while (y < 580) {
      std::vector<PointI> lobe{{x, y}};
      const int len = 2 + rnd(30);
      for (int k = 0; k < len; ++k) lobe.push_back({x + rnd(25), y += rnd(3)});
      lobe.push_back({x, ++y});
      y += 1 + rnd(20);
      all.keepLobe(lobe);
      one.keepLobe(lobe);
      one.flush(oneByOne.pen());
    }
  }
  all.flush(together.pen());
  EXPECT_TRUE(together == oneByOne);
}
