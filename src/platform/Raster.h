// One-pixel drawing straight into an image's rows of pixels: lines, connected
// lines and the wiggle lobes, drawn at once (Raster) or recorded and drawn
// later, tile by tile (TiledPicture). The canvas on Qt (qt/ImageCanvas)
// records everything it is asked to draw in a TiledPicture and writes a tile
// only when it is shown, handed out or the program is idle; the core tests
// draw into a plain buffer.
//
// Rules:
//  - A pixel is a 32-bit word 0xffRRGGBB (Qt's Format_RGB32); rows lie
//    `bytesPerLine` apart. Copy mode sets a pixel to the pen colour; XOR flips
//    its colour bits with the pen's (the top byte stays 0xff), so that anything
//    drawn twice in XOR leaves the image as it was.
//  - A line includes both end points and takes the pixels Bresenham chooses: a
//    mostly horizontal line gives row r the steps whose ideal row rounds (halves
//    down) to r. A line reaching outside the image is clipped to it first.
//  - A connected line draws its first point, then each segment without its
//    first pixel, so no joint is drawn twice (XOR leaves no gaps).
//  - A lobe (first and last point on one vertical line x0, the points between
//    running downwards) fills each of its rows from x0 to the farthest x its
//    chain reaches in that row.
//  - Tiles: a recorded drawing is written into each tile it reaches, restricted
//    to that tile, in the order the drawings were recorded. A drawing's pixels
//    do not depend on where the tiles fall, and each tile sees every drawing
//    that reaches it in order, so a tile brought up to date holds the very
//    pixels drawing everything at once gives, XOR and pen changes included,
//    whenever and in whatever order the tiles are brought up to date.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Canvas.h"

namespace tsly {

// The pixels drawn into, and the pen.
struct RasterTarget {
  std::uint8_t* bits = nullptr;
  std::ptrdiff_t bytesPerLine = 0;
  int width = 0, height = 0;
  std::uint32_t colour = 0xff000000u;  // 0xffRRGGBB
  bool xorMode = false;
};

// Columns left..right-1 and rows top..bottom-1 (empty when either range is).
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return left >= right || top >= bottom; }
};

class Raster {
 public:
  // Largest side of an image, in pixels (a pixel coordinate is a 16-bit value).
  static constexpr int MaxSide = 32767;

  static void line(const RasterTarget& target, int x0, int y0, int x1, int y1);
  static void polyline(const RasterTarget& target, const std::vector<PointI>& points);
  static bool isLobe(const std::vector<PointI>& points);
  // Lobes one below the other on one zero line: lobe k (each isLobe) from
  // points[starts[k]] up to the next start, the first at 0, the rows never
  // decreasing through all the points.
  static bool areLobes(const std::vector<PointI>& points, const std::vector<std::uint32_t>& starts);
  static void fillLobe(const RasterTarget& target, const std::vector<PointI>& points);  // isLobe(points)
  // The same, writing only the pixels within `clip`. With firstIsJoint the
  // line goes on from a part drawn before: points[0] only starts its first
  // segment (its pixel is the end of the segment before).
  static void polyline(const RasterTarget& target, const PointI* points, std::size_t n, bool firstIsJoint,
                       const PixelRect& clip);
  static void fillLobe(const RasterTarget& target, const PointI* points, std::size_t n, const PixelRect& clip);
};

// Drawings recorded in order and written into the image tile by tile when
// asked. After startWhite() no pixel of the image is written until its tile is
// brought up to date (the tile is whitened first); drawings the raster does
// not draw itself (text, wide lines, other polygons) are the owner's, drawn
// back through DrawOwn with the tile as the clip.
class TiledPicture {
 public:
  static constexpr int TileWidth = 128;
  static constexpr int TileHeight = 64;

  // Draws the owner's drawing `id` (as given to own()) within `clip` only.
  using DrawOwn = std::function<void(std::uint32_t id, const PixelRect& clip)>;

  // A width x height image that is to be all white; nothing recorded.
  void startWhite(int width, int height);
  // A width x height image whose pixels are as they stand; nothing recorded.
  void startAsIs(int width, int height);

  // Recording. The pen is the colour 0xffRRGGBB and copy or XOR. Each returns
  // the part of the image the drawing may touch (empty when none).
  PixelRect line(std::uint32_t colour, bool xorMode, int x0, int y0, int x1, int y1);
  PixelRect polyline(std::uint32_t colour, bool xorMode, const std::vector<PointI>& points);
  PixelRect lobes(std::uint32_t colour, bool xorMode, const std::vector<PointI>& points,
                  const std::vector<std::uint32_t>& starts);  // Raster::areLobes
  // An owner's drawing that may touch the pixels of `box` (clipped to the
  // image), or of any of `count` parts. It is drawn on the thread that brings
  // its tiles up to date unless `anyThread`: then also on a worker thread,
  // alongside others (it must touch nothing but the clip's pixels).
  PixelRect own(std::uint32_t id, const PixelRect& box, bool anyThread = false);
  PixelRect own(std::uint32_t id, const PixelRect* parts, std::size_t count, bool anyThread = false);

  int width() const { return width_; }
  int height() const { return height_; }
  // Nothing recorded since startWhite(): the image is to be all white.
  bool blank() const { return blank_; }
  // Every tile holds every drawing that reaches it.
  bool upToDate() const { return behind_ == 0; }
  std::size_t tilesBehind() const { return behind_; }
  std::size_t recorded() const { return drawings_.size(); }

  // Brings up to date every tile that meets `area`. With many tiles to write,
  // a worker thread takes some (tiles are disjoint pixels); the owner's
  // drawings not marked anyThread are drawn on the calling thread only.
  void bringUpToDate(const RasterTarget& image, const PixelRect& area, const DrawOwn& own);
  // Brings up to date at most `count` of the tiles behind, those nearest to
  // `focus` first; returns how many it brought.
  std::size_t bringNearestUpToDate(const RasterTarget& image, const PixelRect& focus, std::size_t count,
                                   const DrawOwn& own);
  // When up to date: forgets every recorded drawing (the image holds them all).
  // The owner's ids start again from what it chooses.
  void forget();

 private:
  // Tiles to write before a second thread is worth starting.
  static constexpr std::size_t MinTilesForTwoThreads = 8;

  enum class Kind : std::uint8_t { Line, Polyline, Wiggle, Lobes, Own, OwnAnyThread };
  struct Drawing {
    Kind kind;
    bool xorMode;
    std::uint32_t colour;
    std::uint32_t begin, end;            // points_[begin, end), or the owner's id in begin
    std::uint32_t partsBegin, partsEnd;  // Lobes: lobeStarts_[partsBegin, partsEnd), one per lobe
  };
  struct Tile {
    std::vector<std::uint32_t> drawings;  // indices into drawings_, in order
    std::uint32_t done = 0;               // how many of them the image holds
    bool white = false;                   // to be whitened before drawing
  };

  void start(int width, int height, bool white);
  std::uint32_t add(Kind kind, std::uint32_t colour, bool xorMode, const std::vector<PointI>& points);
  void assign(std::uint32_t drawing, int colLo, int colHi, int rowLo, int rowHi);
  PixelRect assignByBands(std::uint32_t drawing, const PointI* pts, std::size_t n, bool rowsSorted,
                          const int* lobeX0);
  bool needsCaller(std::size_t tile) const;
  void bringTile(const RasterTarget& image, std::size_t tile, const DrawOwn& own);
  void bringTiles(const RasterTarget& image, const std::vector<std::size_t>& tiles, const DrawOwn& own);
  void draw(const RasterTarget& image, const Drawing& d, const PixelRect& clip, const DrawOwn& own) const;
  PixelRect tileRect(std::size_t tile) const;

  int width_ = 0, height_ = 0, cols_ = 0, rows_ = 0;
  bool blank_ = true;
  std::size_t behind_ = 0;
  std::vector<Tile> tiles_;
  std::vector<Drawing> drawings_;
  std::vector<PointI> points_;
  std::vector<std::uint32_t> lobeStarts_;  // where each lobe of a group begins in points_
  std::vector<int> bandLo_, bandHi_;  // assignByBands' x range per band of tiles
};

}  // namespace tsly
