// Trace scaling and wiggle painting on the recording canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "shared/Paint.h"
#include "support/RecordingCanvas.h"

using namespace tsly;
using tsly::test::RecordingCanvas;

TEST(SharedPaint, NormalizerDividesOnlyTheCountGiven) {
  std::vector<float> s{2, -4, 8, 16};
  EXPECT_EQ(normalizer(s.data(), 0.5f, 3), 0);
  EXPECT_EQ(s, (std::vector<float>{4, -8, 16, 16}));
}

TEST(SharedPaint, NormalizerRefusesAZeroOrInfiniteDivisor) {
  std::vector<float> s{1, 2};
  EXPECT_EQ(normalizer(s.data(), 0.0f, 2), -1);
  EXPECT_EQ(normalizer(s.data(), INFINITY, 2), -1);
  EXPECT_EQ(s, (std::vector<float>{1, 2}));
  EXPECT_EQ(normalizer(s.data(), 2.0f, 0), 0);
  EXPECT_EQ(s, (std::vector<float>{1, 2}));
}

TEST(SharedPaint, OnePointPerSampleAtItsRowForEachRatio) {
  std::vector<float> s(40);
  for (int i = 0; i < 40; ++i) s[i] = static_cast<float>(i % 3) - 1.0f;
  struct Case {
    float ratio;
    int rows;
    int expectPoints;
    int lastRow;
  } cases[] = {{1, 20, 20, 19}, {2, 10, 20, 10}, {4, 5, 20, 5}, {0.5f, 40, 20, 38}};
  for (const Case& c : cases) {
    RecordingCanvas dc;
    dc.setSize(200, 200);
    int drawn = rapidpaint(s.data(), 20, dc, 60, 50, c.rows, 0, c.ratio);
    ASSERT_EQ(dc.polylines.size(), 1u) << c.ratio;
    const auto& pts = dc.polylines[0];
    EXPECT_EQ(drawn, c.expectPoints) << c.ratio;
    ASSERT_EQ(static_cast<int>(pts.size()), c.expectPoints) << c.ratio;
    EXPECT_EQ(pts.front().y, 50);
    EXPECT_EQ(pts.back().y, 50 + c.lastRow) << c.ratio;
    EXPECT_EQ(pts[0].x, 60 - 1);
    EXPECT_EQ(pts[1].x, 60);
    EXPECT_EQ(pts[2].x, 61);
    EXPECT_TRUE(dc.polygons.empty());
  }
}

TEST(SharedPaint, NeverReadsPastTheSamplesItIsGiven) {
  // Window of 100 rows, but the trace has only 7 samples: 7 points.
  std::vector<float> s(7, 3.0f);
  RecordingCanvas dc;
  dc.setSize(100, 200);
  EXPECT_EQ(rapidpaint(s.data(), 7, dc, 10, 0, 100, 1, 1.0f), 7);
  ASSERT_EQ(dc.polylines.size(), 1u);
  EXPECT_EQ(dc.polylines[0].size(), 7u);
  EXPECT_EQ(rapidpaint(s.data(), 0, dc, 10, 0, 100, 1, 1.0f), 0);
  EXPECT_EQ(rapidpaint(nullptr, 7, dc, 10, 0, 100, 1, 1.0f), 0);
}

TEST(SharedPaint, FillsEachPositiveLobeFromTheZeroLine) {
  // + + 0 - - + : two positive lobes.
  std::vector<float> s{4, 6, -2, -4, -2, 2, 4, -4};
  RecordingCanvas dc;
  dc.setSize(100, 100);
  rapidpaint(s.data(), 8, dc, 20, 10, 8, 1, 1.0f);
  ASSERT_EQ(dc.polygons.size(), 2u);
  const auto& a = dc.polygons[0];
  EXPECT_EQ(a.front().x, 20);
  EXPECT_EQ(a.front().y, 10);
  EXPECT_EQ(a[1].x, 24);
  EXPECT_EQ(a[2].x, 26);
  EXPECT_EQ(a.back().x, 20);
  // 6 -> -2 crosses zero three quarters of the way from row 1 to row 2.
  EXPECT_EQ(a.back().y, 10 + 2);
  const auto& b = dc.polygons[1];
  EXPECT_EQ(b.front().x, 20);
  EXPECT_EQ(b.front().y, 10 + 4);  // -2 -> 2 crosses half way between rows 4 and 5 (4.5 -> 4)
  EXPECT_EQ(b.back().y, 10 + 6);   // 4 -> -4 half way between rows 6 and 7 (6.5 -> 6)
  for (const auto& poly : dc.polygons)
    for (const auto& p : poly) EXPECT_GE(p.x, 20);
}

TEST(SharedPaint, NoFillWithoutTheFlagAndWildValuesStayBounded) {
  std::vector<float> s{1e30f, NAN, -1e30f};
  RecordingCanvas dc;
  dc.setSize(10, 10);
  rapidpaint(s.data(), 3, dc, 5, 0, 3, 0, 1.0f);
  ASSERT_EQ(dc.polylines.size(), 1u);
  EXPECT_EQ(dc.polylines[0][0].x, 5 + 1000000);
  EXPECT_EQ(dc.polylines[0][1].x, 5);
  EXPECT_EQ(dc.polylines[0][2].x, 5 - 1000000);
  EXPECT_TRUE(dc.polygons.empty());
}
