// Where the windows beside the main window first open.
#include <gtest/gtest.h>

#include "shared/WindowPlacement.h"

using namespace tsly;

namespace {

PlacementRequest onScreen(PlaceRect main, std::vector<PlaceRect> taken, PlaceSize wanted, PlaceSize least) {
  PlacementRequest r;
  r.screen = {0, 0, 1280, 1024};
  r.main = main;
  r.controlsBottom = main.y + 70;
  r.taken = std::move(taken);
  r.wanted = wanted;
  r.least = least;
  return r;
}

bool inside(const PlaceRect& a, const PlaceRect& screen) {
  return a.x >= screen.x && a.y >= screen.y && a.right() <= screen.right() && a.bottom() <= screen.bottom();
}

}  // namespace

TEST(SharedWindowPlacement, TheThreeWindowsShareA1280By1024Screen) {
  // The main window at its design size in the top-left corner; the spectrum
  // first, then the velocity function clear of it (in whichever order they open).
  const PlaceRect main{0, 0, 520, 400};
  const PlaceSize spectrum{1120, 700}, spectrumLeast{640, 360}, function{1040, 460}, functionLeast{480, 260};
  const PlaceRect s = placeBeside(onScreen(main, {}, spectrum, spectrumLeast));
  EXPECT_EQ(s, (PlaceRect{0, 400, 1120, 624}));  // below: more of it than beside
  const PlaceRect f = placeBeside(onScreen(main, {s}, function, functionLeast));
  EXPECT_EQ(f, (PlaceRect{520, 0, 760, 400}));  // beside, down to the spectrum
  for (const PlaceRect& w : {s, f}) {
    EXPECT_FALSE(w.intersects(main));
    EXPECT_TRUE(inside(w, {0, 0, 1280, 1024}));
  }
  EXPECT_FALSE(s.intersects(f));
  // A main window in the middle of the screen: beside it, right first.
  const PlaceRect mid{300, 200, 500, 400};
  const PlaceRect r = placeBeside(onScreen(mid, {}, {400, 300}, {300, 200}));
  EXPECT_EQ(r, (PlaceRect{800, 200, 400, 300}));
}

TEST(SharedWindowPlacement, NoRoomLeavesTheMenusAndControlsInView) {
  // A main window filling the screen: the bottom-right corner, below its controls.
  const PlaceRect main{0, 0, 1280, 1000};
  const PlaceRect w = placeBeside(onScreen(main, {}, {1120, 1100}, {640, 360}));
  EXPECT_EQ(w, (PlaceRect{160, 70, 1120, 954}));
  // The next goes where it covers least of that one.
  const PlaceRect big{60, 48, 1140, 660};
  const PlaceRect s = placeBeside(onScreen(big, {}, {1120, 700}, {640, 360}));
  EXPECT_EQ(s, (PlaceRect{160, 324, 1120, 700}));
  EXPECT_EQ(placeBeside(onScreen(big, {s}, {1040, 460}, {400, 200})), (PlaceRect{0, 118, 1040, 460}));
}
