// The raster: one-pixel lines, wiggles and lobes drawn straight into a buffer
// of pixels, pixel for pixel, also when recorded and written tile by tile.
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

// A connected line steps a row at a time nearly always (a wiggle): those
// steps take the pixels of the whole line between their points, at the edges
// of the image as well.
TEST(PlatformRaster, OneRowStepsOfAConnectedLineAreItsLines) {
  for (int dy = 0; dy <= 1; ++dy)
    for (int dx = -45; dx <= 45; ++dx)
      for (int x0 : {0, 20, 50, 79}) {
        Image connected(80, 4), line(80, 4);
        Raster::polyline(connected.pen(), {{x0, 1}, {x0 + dx, 1 + dy}});
        Raster::line(line.pen(), x0, 1, x0 + dx, 1 + dy);
        ASSERT_TRUE(connected == line) << "from " << x0 << " by " << dx << "," << dy;
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

// Drawings recorded in a TiledPicture and written tile by tile, in whatever
// order and at whatever moments the tiles are brought up to date (many at a
// time on two threads), give the picture drawing each at once gives: pen
// changes, XOR, lines over the tile edges and the image's edges, lobes, and
// the owner's own drawings included.
struct Scene {
  struct Item {
    enum Kind { Line, Polyline, Lobes, Own } kind;
    std::uint32_t colour;
    bool xorMode;
    std::vector<PointI> points;
    std::vector<std::uint32_t> starts;  // Lobes
  };
  std::vector<Item> items;
};

Scene randomScene(std::uint32_t seed, int w, int h) {
  Scene sc;
  Sequence rnd{seed};
  const std::uint32_t colours[] = {Black, 0xc80000, 0x00ffff};
  for (int t = 0; t < 160; ++t) {
    const std::uint32_t colour = colours[rnd(3)];
    const bool xorMode = rnd(4) == 0;
    const int x = rnd(w);
    switch (rnd(5)) {
      case 0: {  // a wiggle, mostly one row per point, now and then a long step or a wild swing
        std::vector<PointI> l;
        int y = rnd(40) - 10;
        for (int i = 0; i < 120; ++i) {
          l.push_back({rnd(30) == 0 ? x + rnd(4 * w) - 2 * w : x + rnd(41) - 20, y});
          y += rnd(6) == 0 ? rnd(90) : rnd(2);
        }
        sc.items.push_back({Scene::Item::Polyline, colour, xorMode, l, {}});
        break;
      }
      case 1:  // a line anywhere, reaching out of the image now and then
        sc.items.push_back(
            {Scene::Item::Line, colour, xorMode, {{rnd(w + 200) - 100, rnd(h + 200) - 100}, {rnd(w), rnd(h)}}, {}});
        break;
      case 2: {  // a connected line whose rows go up and down
        std::vector<PointI> l;
        for (int i = 0; i < 6; ++i) l.push_back({rnd(w), rnd(h)});
        sc.items.push_back({Scene::Item::Polyline, colour, xorMode, l, {}});
        break;
      }
      case 3: {  // the lobes of a trace, one below the other
        std::vector<PointI> pts;
        std::vector<std::uint32_t> starts;
        for (int y = rnd(30); y < h + 20;) {
          starts.push_back(static_cast<std::uint32_t>(pts.size()));
          pts.push_back({x, y});
          const int len = 1 + rnd(25);
          for (int k = 0; k < len; ++k) pts.push_back({x + rnd(60), y += rnd(3)});
          pts.push_back({x, ++y});
          y += rnd(15);
        }
        sc.items.push_back({Scene::Item::Lobes, colour, false, pts, starts});
        break;
      }
      default:  // the owner's own drawing: a box
        sc.items.push_back({Scene::Item::Own, colour, xorMode, {{x, rnd(h)}, {x + rnd(90), rnd(h)}}, {}});
    }
  }
  return sc;
}

// The owner's box, drawn within a clip.
void ownBox(const RasterTarget& im, const PointI& a, const PointI& b, const PixelRect& clip) {
  for (int y = std::max({std::min(a.y, b.y), clip.top, 0}); y < std::min({std::max(a.y, b.y) + 1, clip.bottom, im.height}); ++y)
    for (int x = std::max({std::min(a.x, b.x), clip.left, 0}); x < std::min({std::max(a.x, b.x) + 1, clip.right, im.width}); ++x) {
      auto* px = reinterpret_cast<std::uint32_t*>(im.bits + y * im.bytesPerLine) + x;
      *px = im.xorMode ? (*px ^ im.colour) | 0xff000000u : im.colour;
    }
}

void drawAtOnce(Image& im, const Scene& sc) {
  for (const auto& it : sc.items) {
    const RasterTarget pen = im.pen(it.colour, it.xorMode);
    switch (it.kind) {
      case Scene::Item::Line: Raster::line(pen, it.points[0].x, it.points[0].y, it.points[1].x, it.points[1].y); break;
      case Scene::Item::Polyline: Raster::polyline(pen, it.points); break;
      case Scene::Item::Lobes:
        for (std::size_t k = 0; k < it.starts.size(); ++k) {
          const std::size_t end = k + 1 < it.starts.size() ? it.starts[k + 1] : it.points.size();
          Raster::fillLobe(pen, std::vector<PointI>(it.points.begin() + it.starts[k], it.points.begin() + end));
        }
        break;
      case Scene::Item::Own: ownBox(pen, it.points[0], it.points[1], {0, 0, im.w, im.h}); break;
    }
  }
}

// How the tiles are brought up to date: every so many drawings (0: only at
// the end), a random part, or the tiles nearest a random spot, a few at a time.
struct Schedule {
  int every;
  bool nearest;
};

class PlatformRasterTiles : public ::testing::TestWithParam<Schedule> {};

TEST_P(PlatformRasterTiles, DrawTheSamePixelsAsDrawingAtOnce) {
  const Schedule sch = GetParam();
  for (std::uint32_t seed : {1u, 7u, 12345u}) {
    const int w = 700, h = 450;
    const Scene sc = randomScene(seed, w, h);
    Image once(w, h), tiled(w, h);
    drawAtOnce(once, sc);
    for (int y = 0; y < h; ++y)  // never shown: every tile is whitened first
      std::fill_n(tiled.px.begin() + y * (w + 3), w, 0x12345678u);
    TiledPicture pic;
    pic.startWhite(w, h);
    const RasterTarget im = tiled.pen();
    const auto own = [&](std::uint32_t id, const PixelRect& clip) {
      const auto& it = sc.items[id];
      ownBox(tiled.pen(it.colour, it.xorMode), it.points[0], it.points[1], clip);
    };
    Sequence rnd{seed + 1};
    for (std::size_t i = 0; i < sc.items.size(); ++i) {
      const auto& it = sc.items[i];
      switch (it.kind) {
        case Scene::Item::Line: pic.line(it.colour | 0xff000000u, it.xorMode, it.points[0].x, it.points[0].y, it.points[1].x, it.points[1].y); break;
        case Scene::Item::Polyline: pic.polyline(it.colour | 0xff000000u, it.xorMode, it.points); break;
        case Scene::Item::Lobes: pic.lobes(it.colour | 0xff000000u, false, it.points, it.starts); break;
        case Scene::Item::Own: {
          const PointI a = it.points[0], b = it.points[1];
          // Half of them may be drawn on the worker thread that writes many tiles.
          pic.own(static_cast<std::uint32_t>(i),
                  {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1}, i % 2 == 0);
          break;
        }
      }
      if (sch.every != 0 && i % static_cast<std::size_t>(sch.every) == 0) {
        const int x = rnd(w), y = rnd(h);
        if (sch.nearest) pic.bringNearestUpToDate(im, {x, y, x + 1, y + 1}, 3, own);
        else pic.bringUpToDate(im, {x, y, x + rnd(300), y + rnd(200)}, own);
      }
    }
    EXPECT_FALSE(pic.upToDate());
    if (sch.nearest) {
      while (pic.bringNearestUpToDate(im, {w / 2, h / 2, w / 2 + 1, h / 2 + 1}, 5, own) > 0) {
      }
    } else {
      pic.bringUpToDate(im, {0, 0, w, h}, own);  // dozens of tiles: on two threads
    }
    EXPECT_TRUE(pic.upToDate());
    EXPECT_TRUE(tiled == once) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Schedules, PlatformRasterTiles,
                         ::testing::Values(Schedule{0, false}, Schedule{1, false}, Schedule{7, false},
                                           Schedule{1, true}, Schedule{13, true}));

// XOR drawn twice leaves the image white, also when the tiles were brought up
// to date between the two; a picture forgotten when up to date starts afresh.
TEST(PlatformRaster, TiledXorTwiceLeavesNoTraceAndForgetKeepsThePixels) {
  const Scene sc = randomScene(99, 400, 300);
  Image im(400, 300);
  TiledPicture pic;
  pic.startWhite(400, 300);
  EXPECT_TRUE(pic.blank());
  for (int twice = 0; twice < 2; ++twice) {
    for (const auto& it : sc.items)
      if (it.kind == Scene::Item::Polyline) pic.polyline(0xff00ffffu, true, it.points);
    pic.bringUpToDate(im.pen(), {0, 0, 200, 150}, {});
  }
  EXPECT_FALSE(pic.blank());
  pic.bringUpToDate(im.pen(), {0, 0, 400, 300}, {});
  ASSERT_TRUE(pic.upToDate());
  EXPECT_TRUE(im == Image(400, 300));
  pic.forget();
  EXPECT_EQ(pic.recorded(), 0u);
  pic.line(0xff000000u, false, 0, 10, 399, 10);
  EXPECT_EQ(pic.tilesBehind(), static_cast<std::size_t>((400 + TiledPicture::TileWidth - 1) / TiledPicture::TileWidth));
  pic.bringUpToDate(im.pen(), {0, 0, 400, 300}, {});
  EXPECT_EQ(im.at(200, 10), Black);
  EXPECT_EQ(im.at(200, 11), White);
}

// A line drawn part by part (each part clipped, the later ones going on from
// the point before) is the line drawn whole.
TEST(PlatformRaster, ClippedPartsOfALineMakeTheWholeLine) {
  std::vector<PointI> l;
  Sequence rnd{5};
  for (int y = 0; y < 200; y += rnd(3)) l.push_back({100 + rnd(61) - 30, y});
  Image whole(200, 200), parts(200, 200);
  Raster::polyline(whole.pen(0x00ffff, true), l);
  for (int top = 0; top < 200; top += 64) {
    const PixelRect clip{0, top, 200, top + 64};
    // From the segment that reaches the part's first row to the one that
    // leaves its last.
    std::size_t from = 0, to = 0;
    while (from + 1 < l.size() && l[from + 1].y < top) ++from;
    while (to < l.size() && l[to].y < clip.bottom) ++to;
    to = std::min(to + 1, l.size());
    Raster::polyline(parts.pen(0x00ffff, true), l.data() + from, to - from, from != 0, clip);
  }
  EXPECT_TRUE(parts == whole);
}
