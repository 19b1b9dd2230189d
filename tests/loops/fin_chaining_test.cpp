#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

#include "loops/loop_fixtures.h"

namespace {

using namespace loops_test;

// A regular polygon of n straight fins of 3 points each, counter-clockwise.
std::vector<MFinPoints> Polygon(int n, double radius = 50.0) {
  std::vector<MFinPoints> fins;
  for (int k = 0; k < n; ++k) {
    const double a = 2 * kPi * k / n, b = 2 * kPi * (k + 1) / n;
    fins.push_back(Straight(Point3(radius * std::cos(a), radius * std::sin(a), 0),
                            Point3(radius * std::cos(b), radius * std::sin(b), 0), 3));
  }
  return fins;
}

MFinPoints Reversed(MFinPoints fin) {
  std::reverse(fin.begin(), fin.end());
  return fin;
}

bool SameFin(const MFinPoints& a, const MFinPoints& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](const MPointOnLoop& p, const MPointOnLoop& q) {
                                              return p.point == q.point;
                                            });
}

TEST(OrderFins, ScrambledAndReversedFinsAreChainedAgainWithFinZeroFirst) {
  std::mt19937_64 random(21);
  for (int n : {2, 3, 7, 300}) {
    const std::vector<MFinPoints> polygon = Polygon(n);
    // Scramble all fins but fin 0 (polygon side 5 % n) and store some against the loop.
    std::vector<int> sides(n);
    std::iota(sides.begin(), sides.end(), 0);
    std::shuffle(sides.begin(), sides.end(), random);
    std::swap(sides[0], *std::find(sides.begin(), sides.end(), 5 % n));
    std::vector<MFinPoints> fins;
    std::vector<bool> flipped;
    for (int side : sides) {
      flipped.push_back(side != 5 % n && random() % 10 < 3);
      fins.push_back(flipped.back() ? Reversed(polygon[side]) : polygon[side]);
    }
    ASSERT_LE(std::count(flipped.begin(), flipped.end(), true), n / 2);
    std::optional<std::vector<int>> tags = sides;
    MLoopSegmenter::OrderFins(fins, tags, 0.01);
    // The loop runs around the polygon from fin 0 forward, and each tag went with its fin.
    ASSERT_EQ(fins.size(), static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
      EXPECT_EQ((*tags)[k], (5 + k) % n);
      EXPECT_TRUE(SameFin(fins[k], polygon[(5 + k) % n])) << n << " " << k;
    }
    EXPECT_TRUE(MLoopSegmenter::AreFinsChained(fins));
  }
}

TEST(OrderFins, SingleAndChainedLoopsAreLeftAsTheyAre) {
  // One fin is never reordered, even with its ends far apart.
  std::vector<MFinPoints> one{Straight({0, 0, 0}, {10, 0, 0}, 4)};
  std::optional<std::vector<int>> tag = std::vector<int>{3};
  MLoopSegmenter::OrderFins(one, tag, 0.1);
  EXPECT_TRUE(SameFin(one[0], Straight({0, 0, 0}, {10, 0, 0}, 4)));
  EXPECT_EQ(*tag, std::vector<int>{3});
  // Chained fins are kept even when another order would be as good.
  std::vector<MFinPoints> square = Polygon(4);
  std::optional<std::vector<int>> none;
  MLoopSegmenter::OrderFins(square, none, 0.1);
  for (int k = 0; k < 4; ++k)
    EXPECT_TRUE(SameFin(square[k], Polygon(4)[k]));
  EXPECT_FALSE(none);

  EXPECT_FALSE(MLoopSegmenter::AreFinsChained({}));
  EXPECT_TRUE(MLoopSegmenter::AreFinsChained(Polygon(4)));
  std::vector<MFinPoints> open = Polygon(4);
  open[2].back().point[0] += 1.0;
  EXPECT_FALSE(MLoopSegmenter::AreFinsChained(open));

  EXPECT_THROW(MLoopSegmenter::OrderFins(square, tag, 0.1), std::invalid_argument);  // 1 tag
  std::vector<MFinPoints> withEmpty{Straight({0, 0, 0}, {1, 0, 0}), {}};
  EXPECT_THROW(MLoopSegmenter::OrderFins(withEmpty, none, 0.1), std::invalid_argument);
}

TEST(OrderFins, NoOrderReversingMoreThanHalfOfTheFinsIsAccepted) {
  // A triangle A B C whose fin 0 runs A -> B while the other two are stored against the loop
  // (C -> B and A -> C). Chaining them forward from fin 0 would reverse two fins of three, so
  // the loop runs the other way round: B -> A, A -> C, C -> B.
  const Point3 a(0, 0, 0), b(10, 0, 0), c(5, 8, 0);
  std::vector<MFinPoints> fins{Straight(a, b), Straight(c, b), Straight(a, c)};
  std::optional<std::vector<int>> tags = std::vector<int>{0, 1, 2};
  MLoopSegmenter::OrderFins(fins, tags, 0.01);
  EXPECT_EQ(*tags, (std::vector<int>{0, 2, 1}));
  EXPECT_TRUE(SameFin(fins[0], Straight(b, a)));
  EXPECT_TRUE(SameFin(fins[1], Straight(a, c)));
  EXPECT_TRUE(SameFin(fins[2], Straight(c, b)));
}

TEST(OrderFins, ManyFinsCrowdedTogetherReturnPromptly) {
  // 400 tiny fins whose ends all lie within twice the tolerance of one another: every fin is a
  // candidate after every other, and the search space has no end in practice.
  std::mt19937_64 random(8);
  auto jitter = [&] { return ((random() >> 11) * 0x1.0p-53) * 0.01; };
  std::vector<MFinPoints> fins;
  std::vector<int> ids;
  for (int k = 0; k < 400; ++k) {
    fins.push_back(Straight({jitter(), jitter(), jitter()}, {jitter(), jitter(), 0.02}, 2));
    ids.push_back(k);
  }
  const std::vector<MFinPoints> given = fins;
  std::optional<std::vector<int>> tags = ids;
  MLoopSegmenter::OrderFins(fins, tags, 1.0);
  // Whatever order came out, it is a reordering of the fins (some maybe reversed) with the tags
  // following them, and fin 0 is first.
  ASSERT_EQ(fins.size(), given.size());
  std::vector<int> seen = *tags;
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, ids);
  EXPECT_EQ((*tags)[0], 0);
  for (std::size_t k = 0; k < fins.size(); ++k) {
    const MFinPoints& original = given[(*tags)[k]];
    EXPECT_TRUE(SameFin(fins[k], original) || SameFin(fins[k], Reversed(original)));
  }
}

TEST(GetEndSegment, FindsAReliableDirectionAtTheStart) {
  // One point: (last, last).
  const auto [p, q] = MLoopSegmenter::GetEndSegment({MPointOnLoop(Point3(1, 2, 3))}, 0.1);
  EXPECT_EQ(p.point, Point3(1, 2, 3));
  EXPECT_EQ(q.point, Point3(1, 2, 3));
  // Points crowding the start are passed over up to the first point beyond the tolerance.
  const MFinPoints line = Straight({0, 0, 0}, {1, 0, 0}, 101);
  EXPECT_EQ(MLoopSegmenter::GetEndSegment(line, 0.1).second.point, line[10].point);
  // A point between that strays more than 1/100 of the length is not allowed: the segment
  // reaches on until the stray point is close enough relative to it.
  MFinPoints bent = line;
  bent[3].point[1] = 0.00235;
  EXPECT_EQ(MLoopSegmenter::GetEndSegment(bent, 0.1).second.point, line[24].point);
  // No qualifying point at all (a sharp corner right after a short first step): (P0, P1).
  const MFinPoints corner{MPointOnLoop(Point3(0, 0, 0)), MPointOnLoop(Point3(0.05, 0, 0)),
                          MPointOnLoop(Point3(0.05, 1, 0)), MPointOnLoop(Point3(-5, 1, 0))};
  EXPECT_EQ(MLoopSegmenter::GetEndSegment(corner, 0.1).second.point, Point3(0.05, 0, 0));
  EXPECT_THROW(MLoopSegmenter::GetEndSegment({}, 0.1), std::invalid_argument);
}

MFinPoints WithUV(MFinPoints fin) {
  for (MPointOnLoop& p : fin)
    p.uv = Point2(p.point[0], p.point[1]);
  return fin;
}

TEST(JoinFins, RepairsJunctionsWithinTheTolerance) {
  const double tolerance = 0.1;
  // A short sideways end next to a small gap moves onto its neighbour, uv included.
  MFinPoints a = WithUV(Straight({0, 0, 0}, {3, 0, 0}));
  a.push_back(MPointOnLoop(Point3(3, 0.05, 0), Point2(3, 0.05)));
  MFinPoints b = WithUV(Straight({3.03, 0.02, 0}, {3.03, 8, 0}));
  MLoopSegmenter::JoinFins(a, b, tolerance);
  EXPECT_EQ(a.back().point, b.front().point);
  EXPECT_EQ(*a.back().uv, Point2(3.03, 0.02));

  // Two fins that overshoot each other are cut back to the crossing of their end lines.
  a = WithUV(Straight({0, 0, 0}, {10.05, 0, 0}));
  b = WithUV(Straight({10, -0.04, 0}, {10, 10, 0}));
  MLoopSegmenter::JoinFins(a, b, tolerance);
  EXPECT_LT(Oxlen::Math::distance(a.back().point, Point3(10, 0, 0)), 1e-12);
  EXPECT_LT(Oxlen::Math::distance(b.front().point, Point3(10, 0, 0)), 1e-12);
  EXPECT_LT(Oxlen::Math::distance(*b.front().uv, Point2(10, 0)), 1e-12);
  EXPECT_EQ(b[1].point, Point3(10, 10, 0));

  // A gap that continues a fin's end direction is left open.
  a = Straight({0, 0, 0}, {10, 0, 0});
  b = Straight({10.05, 0.0001, 0}, {10.05, 10, 0});
  MLoopSegmenter::JoinFins(a, b, tolerance);
  EXPECT_EQ(a.back().point, Point3(10, 0, 0));
  EXPECT_EQ(b.front().point, Point3(10.05, 0.0001, 0));

  // Parallel ends (a U-turn) with a small gap: the end of the shorter fin moves.
  a = Straight({5, 0, 0}, {10, 0, 0});
  b = Straight({10, 0.05, 0}, {0, 0.05, 0});
  MLoopSegmenter::JoinFins(a, b, tolerance);
  EXPECT_EQ(a.back().point, Point3(10, 0.05, 0));
  EXPECT_EQ(b.front().point, Point3(10, 0.05, 0));
  // ... but not across a gap of the tolerance or more.
  a = Straight({5, 0, 0}, {10, 0, 0});
  b = Straight({10, 0.5, 0}, {0, 0.5, 0});
  MLoopSegmenter::JoinFins(a, b, tolerance);
  EXPECT_EQ(a.back().point, Point3(10, 0, 0));

  // A cut that would bring the ends no closer is refused: b starts just behind the end of a,
  // but its line meets a's line 0.3 further back.
  a = Straight({0, 0, 0}, {10, 0, 0});
  b = Straight({9.93, 0.03, 0}, {12.23, 0.33, 0});
  MLoopSegmenter::JoinFins(a, b, tolerance);
  EXPECT_EQ(a.back().point, Point3(10, 0, 0));
  EXPECT_EQ(b.front().point, Point3(9.93, 0.03, 0));

  // A loop of one fin: a square whose last leg, shorter than the tolerance, misses the start
  // by less than the tolerance is closed by the junction with itself.
  MFinPoints square{MPointOnLoop(Point3(0, 0, 0)),   MPointOnLoop(Point3(10, 0, 0)),
                    MPointOnLoop(Point3(10, 10, 0)), MPointOnLoop(Point3(0, 10, 0)),
                    MPointOnLoop(Point3(0, 0.3, 0)), MPointOnLoop(Point3(0.25, 0.3, 0))};
  MLoopSegmenter::JoinFins(square, square, 0.5);
  EXPECT_EQ(square.back().point, Point3(0, 0, 0));
  EXPECT_EQ(square.front().point, Point3(0, 0, 0));

  MFinPoints empty;
  MLoopSegmenter::JoinFins(empty, square, tolerance);  // nothing to join
  EXPECT_TRUE(empty.empty());
}

}  // namespace
