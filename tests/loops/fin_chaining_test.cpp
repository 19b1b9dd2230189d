#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "loops/loop_fixtures.h"

namespace {

using namespace loops_test;
using Tags = std::optional<std::vector<int>>;

// A regular polygon of n straight fins of 3 points each, counter-clockwise.
std::vector<MFinPoints> Polygon(int n) {
  std::vector<MFinPoints> fins;
  for (int k = 0; k < n; ++k) {
    const double a = 2 * kPi * k / n, b = 2 * kPi * (k + 1) / n;
    fins.push_back(Straight(Point3(50 * std::cos(a), 50 * std::sin(a), 0),
                            Point3(50 * std::cos(b), 50 * std::sin(b), 0), 3));
  }
  return fins;
}

MFinPoints Reversed(MFinPoints fin) {
  std::reverse(fin.begin(), fin.end());
  return fin;
}

bool SameFin(const MFinPoints& a, const MFinPoints& b) {
  return std::equal(
      a.begin(), a.end(), b.begin(), b.end(),
      [](const MPointOnLoop& p, const MPointOnLoop& q) { return p.point == q.point; });
}

TEST(OrderFins, ScrambledAndReversedFinsAreChainedAgainWithFinZeroFirst) {
  std::mt19937_64 random(21);
  for (int n : {2, 7, 300}) {
    const std::vector<MFinPoints> polygon = Polygon(n);
    // Scramble all fins but fin 0 (polygon side 5 % n) and store some against the loop.
    std::vector<int> sides(n);
    std::iota(sides.begin(), sides.end(), 0);
    std::shuffle(sides.begin(), sides.end(), random);
    std::swap(sides[0], *std::find(sides.begin(), sides.end(), 5 % n));
    std::vector<MFinPoints> fins;
    int flipped = 0;
    for (int side : sides) {
      const bool flip = side != 5 % n && random() % 10 < 3;
      flipped += flip;
      fins.push_back(flip ? Reversed(polygon[side]) : polygon[side]);
    }
    ASSERT_LE(flipped, n / 2);
    Tags tags = sides;
    MLoopSegmenter::OrderFins(fins, tags, 0.01);
    // The loop runs around the polygon from fin 0 forward, and each tag went with its fin.
    ASSERT_EQ(fins.size(), static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
      EXPECT_EQ((*tags)[k], (5 + k) % n);
      EXPECT_TRUE(SameFin(fins[k], polygon[(5 + k) % n])) << n << " " << k;
    }
    EXPECT_TRUE(MLoopSegmenter::AreFinsChained(fins));
  }

  // A triangle A B C whose fin 0 runs A -> B while the other two are stored against the loop.
  // Chaining forward from fin 0 would reverse two fins of three, so the loop runs the other way.
  const Point3 a(0, 0, 0), b(10, 0, 0), c(5, 8, 0);
  std::vector<MFinPoints> fins{Straight(a, b), Straight(c, b), Straight(a, c)};
  Tags tags = std::vector<int>{0, 1, 2};
  MLoopSegmenter::OrderFins(fins, tags, 0.01);
  EXPECT_EQ(*tags, (std::vector<int>{0, 2, 1}));
  EXPECT_TRUE(SameFin(fins[0], Straight(b, a)));
  EXPECT_TRUE(SameFin(fins[1], Straight(a, c)));
  EXPECT_TRUE(SameFin(fins[2], Straight(c, b)));
}

TEST(OrderFins, SingleAndChainedLoopsAreKeptAndBadInputIsRefused) {
  // Chained fins are kept even when another order would be as good.
  Tags tag = std::vector<int>{3};
  std::vector<MFinPoints> square = Polygon(4);
  Tags none;
  MLoopSegmenter::OrderFins(square, none, 0.1);
  for (int k = 0; k < 4; ++k)
    EXPECT_TRUE(SameFin(square[k], Polygon(4)[k]));
  EXPECT_FALSE(none);

  ExpectThrowWith([&] { MLoopSegmenter::OrderFins(square, tag, 0.1); }, "tags");
  std::vector<MFinPoints> withEmpty{Straight({0, 0, 0}, {1, 0, 0}), {}};
  ExpectThrowWith([&] { MLoopSegmenter::OrderFins(withEmpty, none, 0.1); }, "fins");
}

TEST(OrderFins, ManyFinsCrowdedTogetherReturnPromptly) {
  // 400 tiny fins whose ends all lie within twice the tolerance of one another: every fin is a
  // candidate after every other, and the search space has no end in practice.
  std::mt19937_64 random(8);
  auto jitter = [&] { return ((random() >> 11) * 0x1.0p-53) * 0.01; };
  std::vector<MFinPoints> fins;
  std::vector<int> ids(400);
  std::iota(ids.begin(), ids.end(), 0);
  for (int k = 0; k < 400; ++k)
    fins.push_back(Straight({jitter(), jitter(), jitter()}, {jitter(), jitter(), 0.02}));
  const std::vector<MFinPoints> given = fins;
  Tags tags = ids;
  MLoopSegmenter::OrderFins(fins, tags, 1.0);
  // A reordering of the fins (some maybe reversed) with the tags following them, fin 0 first.
  ASSERT_EQ(fins.size(), given.size());
  EXPECT_TRUE(std::is_permutation(tags->begin(), tags->end(), ids.begin()));
  EXPECT_EQ((*tags)[0], 0);
  for (std::size_t k = 0; k < fins.size(); ++k) {
    const MFinPoints& original = given[(*tags)[k]];
    EXPECT_TRUE(SameFin(fins[k], original) || SameFin(fins[k], Reversed(original)));
  }
}

MFinPoints WithUV(MFinPoints fin) {
  for (MPointOnLoop& p : fin)
    p.uv = Point2(p.point[0], p.point[1]);
  return fin;
}

TEST(JoinFins, RepairsJunctionsWithinTheTolerance) {
  struct Junction {
    MFinPoints a, b;
    Point3 aEnd, bStart;  // after the repair
  };
  MFinPoints sideways = WithUV(Straight({0, 0, 0}, {3, 0, 0}));
  sideways.push_back(MPointOnLoop(Point3(3, 0.05, 0), Point2(3, 0.05)));
  const Junction junctions[] = {
      // A short sideways end next to a small gap moves onto its neighbour, uv included.
      {sideways, WithUV(Straight({3.03, 0.02, 0}, {3.03, 8, 0})), {3.03, 0.02, 0}, {3.03, 0.02, 0}},
      // Fins that overshoot each other are cut back to the crossing of their end lines.
      {WithUV(Straight({0, 0, 0}, {10.05, 0, 0})),
       WithUV(Straight({10, -0.04, 0}, {10, 10, 0})),
       {10, 0, 0},
       {10, 0, 0}},
      // A gap that continues a fin's end direction is left open.
      {Straight({0, 0, 0}, {10, 0, 0}),
       Straight({10.05, 0.0001, 0}, {10.05, 10, 0}),
       {10, 0, 0},
       {10.05, 0.0001, 0}},
  };
  for (Junction j : junctions) {
    MLoopSegmenter::JoinFins(j.a, j.b, 0.1);
    EXPECT_LT(Oxlen::Math::distance(j.a.back().point, j.aEnd), 1e-12) << j.aEnd[0];
    EXPECT_LT(Oxlen::Math::distance(j.b.front().point, j.bStart), 1e-12) << j.aEnd[0];
    for (const MPointOnLoop& p : {j.a.back(), j.b.front()})
      if (p.uv) {
        EXPECT_LT(Oxlen::Math::distance(*p.uv, Point2(p.point[0], p.point[1])), 1e-12);
      }
  }

  // A loop of one fin: a square whose last leg, shorter than the tolerance, misses the start
  // by less than the tolerance is closed by the junction with itself.
  MFinPoints square = Straight({0, 0, 0}, {10, 0, 0});
  for (const Point3& p :
       {Point3(10, 10, 0), Point3(0, 10, 0), Point3(0, 0.3, 0), Point3(0.25, 0.3, 0)})
    square.emplace_back(p);
  MLoopSegmenter::JoinFins(square, square, 0.5);
  EXPECT_EQ(square.back().point, Point3(0, 0, 0));
  EXPECT_EQ(square.front().point, Point3(0, 0, 0));
}

}  // namespace
