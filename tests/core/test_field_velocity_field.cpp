// The velocity field of a line: the deck run's interpolation at known points,
// Dix layers and their flags, the CDP range and the picture's parts.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <variant>

#include "field/core/FieldTexts.h"
#include "field/core/VelocityField.h"
#include "field/core/VelocityFieldPicture.h"
#include "picks/core/VelocityCheck.h"
#include "support/FixedTextMeasure.h"

namespace tsly::field {
namespace {

// Picks as CDP, time, velocity.
std::vector<picks::PickRow> picksOf(std::initializer_list<std::array<double, 3>> list) {
  std::vector<picks::PickRow> rows;
  for (const auto& p : list) {
    picks::PickRow r;
    r.cdp = static_cast<std::int16_t>(p[0]);
    r.timeMs = static_cast<float>(p[1]);
    r.velocity = static_cast<std::int16_t>(p[2]);
    rows.push_back(r);
  }
  return rows;
}

// CDP 100: 500 ms 2000, 1500 ms 3000; CDP 200: 500 ms 2400, 1500 ms 3400.
std::vector<CdpVelocityFunction> twoCdps() {
  return functionsOf(picksOf({{200, 1500.0f, 3400}, {100, 500.0f, 2000}, {200, 500.0f, 2400}, {100, 1500.0f, 3000}}));
}

struct KnownPoint {
  int cdp;
  double timeMs;
  double rms;
};

class FieldVelocityFieldAt : public ::testing::TestWithParam<KnownPoint> {};

TEST_P(FieldVelocityFieldAt, RmsAndTheGridFollowTheDeckRun) {
  const KnownPoint k = GetParam();
  const auto f = twoCdps();
  EXPECT_NEAR(rmsAt(f, k.cdp, k.timeMs), k.rms, 1e-3);
  // The grid over 50..250, 10 ms a row, samples the same function at its rows.
  const Grid g = sampleField(f, 50, 250, 201, 201, 10.0, false);
  const int x = columnOfCdp(k.cdp, 50, 250, 201);
  ASSERT_EQ(cdpOfColumn(x, 50, 250, 201), k.cdp);
  EXPECT_NEAR(g.at(x, static_cast<int>(k.timeMs / 10.0)), k.rms, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Points, FieldVelocityFieldAt,
                         ::testing::Values(KnownPoint{100, 1000, 2500},  // own function, between picks
                                           KnownPoint{150, 1000, 2700},  // halfway between the CDPs
                                           KnownPoint{125, 1500, 3100},  // a quarter of the way
                                           KnownPoint{200, 0, 2400},     // held above the first pick
                                           KnownPoint{250, 2000, 3400},  // beyond the last CDP, below the last pick
                                           KnownPoint{50, 500, 2000}),
                         [](const ::testing::TestParamInfo<KnownPoint>& p) {
                           return "Cdp" + std::to_string(p.param.cdp) + "At" +
                                  std::to_string(static_cast<int>(p.param.timeMs)) + "ms";
                         });  // before the first CDP

TEST(FieldVelocityField, DixLayersOfAPickedCdpAreTheVelocityCheck) {
  const std::vector<picks::PickRow> rows = picksOf({{7, 400, 1800}, {7, 900, 2100}, {7, 1300, 2500}, {7, 2000, 2900}});
  const auto f = functionsOf(rows);
  const std::vector<Layer> layers = layersOf(f, 7);
  std::vector<vcheck::TimeVelocity> tv;
  for (const auto& r : rows) tv.push_back({r.timeMs, r.velocity});
  const auto check = vcheck::analyse(tv);
  ASSERT_EQ(layers.size(), 4u);
  EXPECT_DOUBLE_EQ(layers[0].topMs, 0);
  EXPECT_DOUBLE_EQ(layers[0].interval, 1800);  // the first layer from 0 ms
  for (std::size_t k = 1; k < layers.size(); ++k) {
    EXPECT_DOUBLE_EQ(layers[k].topMs, check[k - 1].timeMs);
    EXPECT_DOUBLE_EQ(layers[k].bottomMs, check[k].timeMs);
    EXPECT_NEAR(layers[k].interval, check[k].intervalVelocity, 1e-9);
    EXPECT_EQ(layers[k].flags, NoFlag);
  }
  // The interval field holds each layer's value over its rows, nothing below the last pick.
  const Grid g = sampleField(f, 7, 7, 1, 250, 10.0, true);
  EXPECT_NEAR(g.at(0, 100), check[2].intervalVelocity, 1e-3);  // 1000 ms: 900..1300
  EXPECT_TRUE(std::isnan(g.at(0, 200)));                       // 2000 ms
  EXPECT_NEAR(g.lo, 1800, 1e-3);
}

TEST(FieldVelocityField, FallingAndUndefinedLayersAreFlagged) {
  // CDP 1: 2000, 2600, 2650 -> intervals 2000, 3085, 3104 ... then 2747 falls.
  // CDP 2: 3000 at 1000 ms then 2000 at 1500 ms: v_int^2 < 0.
  const auto f = functionsOf(picksOf({{1, 500.0f, 2000},
                                      {1, 1000.0f, 2600},
                                      {1, 1500.0f, 2650},
                                      {2, 1000.0f, 3000},
                                      {2, 1500.0f, 2000},
                                      {3, 800.0f, 2000},
                                      {3, 1600.0f, 2500}}));
  const auto one = layersOf(f, 1);
  ASSERT_EQ(one.size(), 3u);
  EXPECT_NEAR(one[1].interval, std::sqrt(9520000.0), 1e-6);
  EXPECT_NEAR(one[2].interval, std::sqrt(7547500.0), 1e-6);
  EXPECT_EQ(one[2].flags, Falling);
  const auto two = layersOf(f, 2);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].flags, Undefined);
  EXPECT_FALSE(two[1].hasInterval);
  EXPECT_EQ(flaggedCdps(f, 1, 3), (std::vector<int>{1, 2}));
  EXPECT_EQ(flaggedCdps(f, 2, 3), (std::vector<int>{2}));
  // The grid carries the flag on the layer's rows only.
  const Grid g = sampleField(f, 1, 3, 3, 200, 10.0, false);
  EXPECT_EQ(g.flagAt(0, 120), Falling);
  EXPECT_EQ(g.flagAt(0, 80), NoFlag);
  EXPECT_EQ(g.flagAt(1, 120), Undefined);
  EXPECT_EQ(g.flagAt(2, 120), NoFlag);
}

TEST(FieldVelocityField, ColumnsCoverTheCdpRange) {
  EXPECT_EQ(fieldColumns(101, 300), 600);  // 3 pixels a CDP
  EXPECT_EQ(fieldColumns(1, 2000), FieldTargetWidth);
  EXPECT_EQ(fieldColumns(5, 5), FieldTargetWidth);
  for (int c : {101, 150, 300}) EXPECT_EQ(cdpOfColumn(columnOfCdp(c, 101, 300, 600), 101, 300, 600), c);
  EXPECT_EQ(columnOfCdp(101, 101, 300, 600), 0);
  EXPECT_EQ(columnOfCdp(300, 101, 300, 600), 597);
  EXPECT_EQ(cdpOfColumn(599, 101, 300, 600), 300);
  EXPECT_EQ(columnOfCdp(100, 101, 300, 600), -1);
  EXPECT_EQ(columnOfCdp(301, 101, 300, 600), -1);
  EXPECT_EQ(cdpOfColumn(719, 1, 2000, 720), 1998);
  // A range beyond the picked CDPs takes their functions; no picks: no values.
  const Grid g = sampleField(twoCdps(), 300, 310, 11, 10, 100.0, false);
  EXPECT_NEAR(g.at(10, 5), 2400, 1e-3);  // CDP 200 at 500 ms
  EXPECT_TRUE(sampleField({}, 1, 10, 10, 10, 1.0, false).values.empty());
  EXPECT_DOUBLE_EQ(shownLengthMs(twoCdps()), 1700);
  EXPECT_DOUBLE_EQ(shownLengthMs({}), 100);
}

TEST(FieldVelocityField, PictureMarksPickedCdpsAndHatchesFlaggedLayers) {
  test::FixedTextMeasure m;
  FieldPictureInput in;
  in.functions =
      functionsOf(picksOf({{10, 500.0f, 2000}, {10, 1000.0f, 3000}, {10, 1500.0f, 2000}, {40, 500.0f, 2100}}));
  in.firstCdp = 1;
  in.lastCdp = 30;  // CDP 40 lies outside: no marker
  in.lengthMs = 2000;
  in.hasShownCdp = true;
  in.shownCdp = 20;
  const FieldPicture p = layOutField(in, m);
  const FieldLayout& L = p.layout;
  EXPECT_EQ(L.columns, 720);
  EXPECT_EQ(L.rows, FieldRows);
  EXPECT_EQ(L.cdpAt(L.plotLeft + 24 * 9 + 3), 10);
  EXPECT_DOUBLE_EQ(L.timeAt(L.plotTop + 240), 1000);
  int triangles = 0, rings = 0, hatch = 0;
  bool title = false, caption = false, legend = false;
  for (const auto& item : p.figure.items) {
    if (const auto* a = std::get_if<Figure::Area>(&item)) triangles += a->points.size() == 3 ? 1 : 0;
    if (std::get_if<Figure::Ring>(&item)) ++rings;
    if (const auto* t = std::get_if<Figure::Text>(&item)) {
      title |= t->text == "RMS velocity, CDP 1-30";
      caption |= t->text == "m/s";
      legend |= t->text == fieldtext::InversionLegend;
    }
    if (const auto* px = std::get_if<Figure::Pixels>(&item); px && px->at.x == L.plotLeft) {
      // The layer 1000..1500 ms of CDP 10 falls: hatched at 1200 ms.
      const int x0 = columnOfCdp(10, 1, 30, 720), r = 288;
      for (int x = x0; x < x0 + 24; ++x) hatch += px->pixels[static_cast<std::size_t>(r) * 720 + x] == HatchColour;
    }
  }
  EXPECT_EQ(triangles, 1 + 1 + 2);  // CDP 10, the CDP shown, the two in the legend
  EXPECT_EQ(rings, 3);
  EXPECT_GT(hatch, 0);
  EXPECT_TRUE(title && caption && legend);
  // Without picks: the note on a grey field.
  FieldPictureInput none;
  none.firstCdp = 1;
  none.lastCdp = 5;
  none.lengthMs = 1000;
  none.note = fieldtext::NoPicks;
  bool note = false;
  for (const auto& item : layOutField(none, m).figure.items)
    if (const auto* t = std::get_if<Figure::Text>(&item)) note |= t->text == fieldtext::NoPicks;
  EXPECT_TRUE(note);
  EXPECT_EQ(fieldtext::pointText(150, 1200.4, false, 2150.3f, NoFlag), "CDP 150, 1200 ms: RMS 2150 m/s");
  EXPECT_EQ(fieldtext::pointText(7, 10, true, NAN, Undefined),
            "CDP 7, 10 ms: no interval velocity; interval velocity undefined");
}

}  // namespace
}  // namespace tsly::field
