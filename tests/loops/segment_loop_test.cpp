#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>

#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "loops/loop_fixtures.h"

namespace {

using namespace loops_test;

const Matrix kIdentity = Matrix::identity();

MSegmentedLoop Segment(const MCADLoop& loop, std::optional<std::vector<int>> tags, double tolerance,
                       const Matrix& placement = kIdentity) {
  return MLoopSegmenter::SegmentLoop(loop, std::move(tags), placement, tolerance, PlaneIsolines(),
                                     PlacedBox(placement, {0, 0, 0}, {100, 100, 0}));
}

// Closed, in chain order, every step no longer than the longest chord within a fin.
void ExpectClosedChain(const MSegmentedLoop& loop, double tolerance) {
  ASSERT_TRUE(loop.tags);
  ASSERT_EQ(loop.tags->size(), loop.points.size());
  EXPECT_LT(Oxlen::Math::distance(loop.points.front().point, loop.points.back().point), tolerance);
  EXPECT_LE(LongestStep(loop), LongestChord(loop) + 1e-12);
}

TEST(SegmentLoop, RoundHoleStaysWithinTheToleranceOfItsCircle) {
  const Matrix placement = Placement(0.7, Point3(5, -3, 2));
  const Point3 centre = placement.transform_point(Point3(50, 30, 0));
  const double radius = 10.0;
  for (double tolerance : {0.1, 0.01, 0.001}) {
    const auto hole = MCADLoopBuilder(Plane()).Circle({50, 30}, radius, /*clockwise=*/true).Build();
    const MSegmentedLoop loop = Segment(*hole, std::vector<int>{4}, tolerance, placement);
    const auto& p = loop.points;
    ExpectClosedChain(loop, 1e-9);
    // Not much finer than needed: a sagitta of a quarter of the tolerance at most doubles the
    // chord count of the ideal polygon.
    const double ideal = kPi / std::acos(1.0 - tolerance / radius);
    EXPECT_LE(p.size(), 2.5 * ideal + 8) << tolerance;
    double area = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
      const MPointOnLoop& q = p[(i + 1) % p.size()];
      EXPECT_NEAR(Oxlen::Math::distance(p[i].point, centre), radius, 1e-9);
      const double sagitta = radius - Oxlen::Math::distance((p[i].point + q.point) * 0.5, centre);
      EXPECT_LT(sagitta, 1.01 * tolerance);
      ASSERT_TRUE(p[i].uv);
      const Point3 onPlane = placement.transform_point(Point3((*p[i].uv)[0], (*p[i].uv)[1], 0.0));
      EXPECT_LT(Oxlen::Math::distance(onPlane, p[i].point), 1e-9);
      area += Oxlen::Math::cross(*p[i].uv, *q.uv);
      EXPECT_EQ((*loop.tags)[i], 4);
    }
    EXPECT_LT(area, 0.0) << "a hole runs clockwise";
  }
}

// A slot around the segment from (30, 50) to (70, 50) with radius 10: two lines and two half
// circles, counter-clockwise.
struct SlotFin {
  std::shared_ptr<MCAD2DVCurve> forward, backward;  // along and against the loop
  Point2 centre;                                    // arcs: their centre
  bool arc;
};

std::vector<SlotFin> SlotFins() {
  auto arc = [](Point2 c, double from, double to) {
    const Point3 c3(c[0], c[1], 0.0);
    return SlotFin{std::make_shared<MCAD2DNurbsCurve>(
                       M3dNurbsCurve::Arc(c3, 10.0, Point3(1, 0, 0), Point3(0, 1, 0), from, to)),
                   std::make_shared<MCAD2DNurbsCurve>(
                       M3dNurbsCurve::Arc(c3, 10.0, Point3(1, 0, 0), Point3(0, -1, 0), -to, -from)),
                   c, true};
  };
  auto line = [](Point2 a, Point2 b) {
    return SlotFin{std::make_shared<MCAD2DLineSegment>(a, b),
                   std::make_shared<MCAD2DLineSegment>(b, a),
                   {},
                   false};
  };
  return {line({30, 40}, {70, 40}), arc({70, 50}, -kPi / 2, kPi / 2), line({70, 60}, {30, 60}),
          arc({30, 50}, kPi / 2, 3 * kPi / 2)};
}

double DistanceToSlotFin(const SlotFin& fin, const Point3& p) {
  if (fin.arc)
    return std::fabs(std::hypot(p[0] - fin.centre[0], p[1] - fin.centre[1]) - 10.0);
  Point2 a, b;
  fin.forward->EvaluatePoint(0.0, a);
  fin.forward->EvaluatePoint(1.0, b);
  return geometry::ComputeDistanceBetweenPointAndSegment(p, {{a[0], a[1], 0}, {b[0], b[1], 0}});
}

TEST(SegmentLoop, ScrambledAndReversedSlotFinsComeOutAsOneClosedChain) {
  const std::vector<SlotFin> slot = SlotFins();
  const double tolerance = 0.01;
  std::mt19937_64 random(11);
  for (int trial = 0; trial < 12; ++trial) {
    std::vector<int> order{0, 1, 2, 3};
    std::shuffle(order.begin(), order.end(), random);
    MCADLoopBuilder builder(Plane());
    std::vector<int> tags;
    for (int shape : order) {
      // Each fin is stored in one of four ways: along the loop, against it with sameSense false
      // (both proper), or against the loop without saying so (two ways).
      const int way = static_cast<int>(random() % 4);
      builder.Curve(way == 0 || way == 3 ? slot[shape].forward : slot[shape].backward,
                    /*sameSense=*/way == 0 || way == 2);
      tags.push_back(100 + shape);
    }
    const MSegmentedLoop loop = Segment(*builder.Build(), tags, tolerance);
    ExpectClosedChain(loop, 1e-9);
    const auto& p = loop.points;
    for (std::size_t i = 0; i < p.size(); ++i) {
      // Every point lies on the fin its tag names, and every chord keeps to the slot.
      ASSERT_TRUE(p[i].uv);
      EXPECT_LT(DistanceToSlotFin(slot[(*loop.tags)[i] - 100], p[i].point), 1e-9);
      const Point3 mid = (p[i].point + p[(i + 1) % p.size()].point) * 0.5;
      double toSlot = 1e300;
      for (const SlotFin& fin : slot)
        toSlot = std::min(toSlot, DistanceToSlotFin(fin, mid));
      EXPECT_LT(toSlot, 1.01 * tolerance);
    }
  }
}

// Dense samples of a fin's exact curve in model space.
std::vector<Point3> DenseCurve(const MCAD3DVUVSurfaceCurve& curve, const Matrix& placement) {
  std::vector<Point3> samples;
  for (int k = 0; k <= 4000; ++k) {
    Point3 p;
    curve.EvaluatePoint(k / 4000.0, p);
    samples.push_back(placement.transform_point(p / 10000.0));
  }
  return samples;
}

TEST(SegmentLoop, NurbsAndLineFinsOnACylinderStayWithinTheTolerance) {
  const auto cylinder =
      std::make_shared<MCADUVCylinder>(MCADFrame(), 20.0, 0.0, 2 * kPi, 0.0, 50.0);
  const Matrix placement = Placement(-0.3, Point3(1, 2, 3));
  const std::vector<double> knots{0, 0, 0, 0, 0.25, 0.5, 0.75, 1, 1, 1, 1};
  const auto lower = std::make_shared<MCAD2DNurbsCurve>(
      4, knots,
      std::vector<Point2>{{1, 10}, {1.5, 20}, {2, 5}, {2.5, 25}, {3, 5}, {3.5, 15}, {4, 10}});
  const auto upper = std::make_shared<MCAD2DNurbsCurve>(
      3, std::vector<double>{0, 0, 0, 1, 1, 1}, std::vector<Point2>{{4, 40}, {2.5, 48}, {1, 40}});
  const auto loop = MCADLoopBuilder(cylinder)
                        .Curve(lower)
                        .Line({4, 10}, {4, 40})
                        .Curve(upper)
                        .Line({1, 40}, {1, 10})
                        .Build();
  MSurfaceIsolines isolines;
  for (int k = 0; k <= 16; ++k)
    isolines.u.push_back(2 * kPi * k / 16);
  for (int k = 0; k <= 10; ++k)
    isolines.v.push_back(5.0 * k);
  const Box box = PlacedBox(placement, {-20, -20, 0}, {20, 20, 50});
  for (double tolerance : {0.05, 0.002}) {
    const MSegmentedLoop segmented = MLoopSegmenter::SegmentLoop(
        *loop, std::vector<int>{0, 1, 2, 3}, placement, tolerance, isolines, box);
    ExpectClosedChain(segmented, 1e-9);
    std::vector<std::vector<Point3>> exact;
    for (const MCADFin& fin : loop->Fins())
      exact.push_back(DenseCurve(*fin.curve, placement));
    const auto& p = segmented.points;
    for (std::size_t i = 0; i < p.size(); ++i) {
      ASSERT_TRUE(p[i].uv);
      Point3 onSurface;
      cylinder->EvaluatePoint(*p[i].uv, onSurface);
      EXPECT_LT(Oxlen::Math::distance(placement.transform_point(onSurface / 10000.0), p[i].point),
                1e-9);
      const int fin = (*segmented.tags)[i];
      if ((*segmented.tags)[(i + 1) % p.size()] == fin) {
        const Point3 mid = (p[i].point + p[(i + 1) % p.size()].point) * 0.5;
        EXPECT_LT(DistanceToSamples(mid, exact[fin]), 1.01 * tolerance);
      }
    }
    // And the other way round: no stretch of a curve strays from the polyline.
    for (const auto& curve : exact)
      for (std::size_t k = 0; k < curve.size(); k += 7)
        EXPECT_LT(DistanceToPolyline(curve[k], p), 1.05 * tolerance);
  }
}

TEST(SegmentLoop, SpaceCurveFinsHaveNoUVAndRunAgainstTheirCurveWhenSameSenseIsFalse) {
  const Point3 centre(50, 50, 0);
  const auto upper = std::make_shared<MCAD3DNurbsCurve>(
      M3dNurbsCurve::Arc(centre, 20, Point3(1, 0, 0), Point3(0, 1, 0), 0, kPi));
  // The lower half drawn clockwise from (70, 50) to (30, 50), used against its direction.
  const auto lower = std::make_shared<MCAD3DNurbsCurve>(
      M3dNurbsCurve::Arc(centre, 20, Point3(1, 0, 0), Point3(0, -1, 0), 0, kPi));
  MCADLoop loop;
  loop.AddFin(upper);
  loop.AddFin(lower, /*sameSense=*/false);
  const MSegmentedLoop segmented = Segment(loop, std::vector<int>{7, 9}, 0.01);
  ExpectClosedChain(segmented, 1e-9);
  const auto first9 = std::find(segmented.tags->begin(), segmented.tags->end(), 9);
  ASSERT_NE(first9, segmented.tags->end());
  const std::size_t start = first9 - segmented.tags->begin();
  EXPECT_LT(Oxlen::Math::distance(segmented.points[start].point, Point3(30, 50, 0)), 1e-9);
  EXPECT_LT(Oxlen::Math::distance(segmented.points.back().point, Point3(70, 50, 0)), 1e-9);
  for (std::size_t i = 0; i < segmented.points.size(); ++i) {
    EXPECT_FALSE(segmented.points[i].uv);
    const double y = segmented.points[i].point[1];
    if (std::fabs(y - 50) > 1e-9) {
      EXPECT_EQ(y > 50, (*segmented.tags)[i] == 7);
    }
  }
  // Without tags the result has none.
  EXPECT_FALSE(Segment(loop, std::nullopt, 0.01).tags);
}

TEST(SegmentLoop, GapsAndOvershootsBetweenFinsAreRepaired) {
  // A square [10, 20]^2 whose sides overshoot or fall short of the corners by up to 0.04.
  const double tolerance = 0.1;
  const auto loop = MCADLoopBuilder(Plane())
                        .Line({9.97, 10}, {20.04, 10})   // overshoots (20, 10)
                        .Line({20, 9.96}, {20, 19.98})   // starts before it, ends short
                        .Line({19.97, 20}, {10.03, 20})  // starts short, ends short
                        .Line({10, 20.02}, {10, 9.95})
                        .Build();
  const MSegmentedLoop segmented = Segment(*loop, std::vector<int>{0, 1, 2, 3}, tolerance);
  ExpectClosedChain(segmented, tolerance);
  // The overshooting junctions are cut back to the exact corners, uv included.
  const auto& p = segmented.points;
  std::vector<Point3> corners;
  for (std::size_t i = 0; i + 1 < p.size(); ++i)
    if ((*segmented.tags)[i] != (*segmented.tags)[i + 1]) {
      EXPECT_LT(Oxlen::Math::distance(p[i].point, p[i + 1].point), tolerance);
      corners.push_back(p[i + 1].point);
    }
  ASSERT_EQ(corners.size(), 3u);
  EXPECT_LT(Oxlen::Math::distance(corners[0], Point3(20, 10, 0)), 1e-12);
  EXPECT_LT(Oxlen::Math::distance(p.back().point, Point3(10, 10, 0)), 1e-12);
  EXPECT_LT(Oxlen::Math::distance(p.front().point, Point3(10, 10, 0)), 1e-12);
  EXPECT_LT(std::fabs((*p.front().uv)[0] - 10.0) + std::fabs((*p.front().uv)[1] - 10.0), 1e-12);
}

TEST(SegmentLoop, LoopsThatCannotBeSegmentedThrow) {
  // A curve far outside the grid's box.
  const auto far = MCADLoopBuilder(Plane()).Circle({5000, 0}, 10).Build();
  EXPECT_THROW(Segment(*far, std::nullopt, 0.01), MLoopSegmenter::MExceptionBadLoop);
  // A loop whose points span a box of diagonal below 0.0001; one a little larger is fine.
  const auto tiny = MCADLoopBuilder(Plane()).Circle({50, 50}, 0.00003).Build();
  EXPECT_THROW(Segment(*tiny, std::nullopt, 1e-6), MLoopSegmenter::MExceptionBadLoop);
  const auto small = MCADLoopBuilder(Plane()).Circle({50, 50}, 0.00004).Build();
  EXPECT_NO_THROW(Segment(*small, std::nullopt, 1e-6));
  // No fins, or a curve that lists no parameter.
  EXPECT_THROW(Segment(MCADLoop(), std::nullopt, 0.01), MLoopSegmenter::MExceptionBadLoop);
  MCADLoop silent;
  silent.AddFin(
      std::make_shared<FunctionCurve>([](double) { return Point3(); }, std::vector<double>{}));
  EXPECT_THROW(Segment(silent, std::nullopt, 0.01), MLoopSegmenter::MExceptionBadLoop);
  try {
    MLoopSegmenter::SegmentLoop(*far, std::nullopt, kIdentity, 0.01, PlaneIsolines(), Box());
    ADD_FAILURE() << "an empty box holds no curve";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "MLoopSegmenter: incorrect loop");
  }

  // Malformed arguments.
  const auto square = MCADLoopBuilder(Plane()).Rectangle({10, 10}, {20, 20}).Build();
  auto expectInvalid = [](auto call, const std::string& name) {
    try {
      call();
      ADD_FAILURE() << name;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()).rfind(name, 0), 0u) << e.what();
    }
  };
  expectInvalid([&] { Segment(*square, std::vector<int>{1, 2}, 0.01); }, "tags");
  expectInvalid([&] { Segment(*square, std::nullopt, std::nan("")); }, "tolerance");
  expectInvalid([&] { Segment(*square, std::nullopt, -1.0); }, "tolerance");
  MSurfaceIsolines broken = PlaneIsolines();
  broken.u.push_back(std::nan(""));
  expectInvalid(
      [&] {
        MLoopSegmenter::SegmentLoop(*square, std::nullopt, kIdentity, 0.01, broken,
                                    Box({0, 0, 0}, {100, 100, 0}));
      },
      "isolines");
}

TEST(SegmentLoop, CurvesWithNaNOrInfinitePointsThrow) {
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {nan, inf}) {
    // A 3D curve that is broken on a stretch in the middle, one that is broken at its end only,
    // and a UV curve that is broken in the middle.
    MCADLoop middle, end, uv;
    middle.AddFin(std::make_shared<FunctionCurve>([bad](double t) {
      return Point3(10 + 10 * std::cos(2 * kPi * t), 10 + 10 * std::sin(2 * kPi * t),
                    t > 0.4 && t < 0.45 ? bad : 0.0);
    }));
    end.AddFin(std::make_shared<FunctionCurve>(
        [bad](double t) { return Point3(10 * t, t == 1.0 ? bad : 0.0, 0.0); }));
    const auto uvLoop =
        MCADLoopBuilder(Plane())
            .Curve(std::make_shared<FunctionUVCurve>(
                [bad](double t) {
                  return Point2(t > 0.6 && t < 0.65 ? bad : 50 + 10 * std::cos(2 * kPi * t),
                                50 + 10 * std::sin(2 * kPi * t));
                },
                std::vector<double>{0, 0.25, 0.5, 0.75, 1}))
            .Build();
    EXPECT_THROW(Segment(middle, std::nullopt, 0.01), MLoopSegmenter::MExceptionBadLoop);
    EXPECT_THROW(Segment(end, std::nullopt, 0.01), MLoopSegmenter::MExceptionBadLoop);
    EXPECT_THROW(Segment(*uvLoop, std::nullopt, 0.01), MLoopSegmenter::MExceptionBadLoop);
  }
}

TEST(SegmentLoop, RefinementEndsOnCurvesThatJumpOrHaveNoLimit) {
  // A curve that jumps by 5 at t = 0.3: chords across the jump keep their length.
  const auto jump = std::make_shared<FunctionCurve>(
      [](double t) { return Point3(10 + 40 * t, t < 0.3 ? 10.0 : 15.0, 0.0); });
  // A curve that hops, by the bits of t, between 16 points around a moving circle: the probe of
  // a chord strays from it whenever it hops to a third point, down to the last bit of t.
  const auto noise = std::make_shared<FunctionCurve>([](double t) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(t) * 0x9E3779B97F4A7C15ull;
    const double angle = 2 * kPi * static_cast<double>(bits >> 60) / 16;
    return Point3(10 + 40 * t + std::cos(angle), 30 + std::sin(angle), 0.0);
  });
  for (const auto& curve : {jump, noise}) {
    MCADLoop loop;
    loop.AddFin(curve);
    loop.AddFin(
        std::make_shared<FunctionCurve>([](double t) { return Point3(50 - 40 * t, 10, 0); }));
    const MSegmentedLoop segmented = Segment(loop, std::vector<int>{0, 1}, 0.01);
    EXPECT_LE(segmented.points.size(), MLoopSegmenter::kMaxChordInsertionsPerFin + 100);
    EXPECT_GT(segmented.points.size(),
              curve == jump ? 4 : MLoopSegmenter::kMaxChordInsertionsPerFin);
  }
  // A zero tolerance asks for chords down to 1.5e-8 on a line of length 40 (some 2^32 of
  // them); the fin keeps what it has after the insertion limit.
  const auto line = MCADLoopBuilder(Plane()).Rectangle({10, 10}, {50, 20}).Build();
  const MSegmentedLoop fine = Segment(*line, std::vector<int>{0, 1, 2, 3}, 0.0);
  EXPECT_GT(fine.points.size(), MLoopSegmenter::kMaxChordInsertionsPerFin);
  EXPECT_LE(fine.points.size(), 4 * (MLoopSegmenter::kMaxChordInsertionsPerFin + 2));
  ExpectClosedChain(fine, 1e-9);
}

TEST(SegmentFin, SingleSampleAndStraightFins) {
  const auto plane = Plane();
  // A curve that lists a single parameter gives that one point.
  FunctionCurve single([](double) { return Point3(3, 4, 0); }, {0.5});
  const MFinPoints one = MLoopSegmenter::SegmentFin(MCADFin{&single, true}, kIdentity, 0.01,
                                                    PlaneIsolines(), Box({0, 0, 0}, {100, 100, 0}));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].point, Point3(3, 4, 0));
  // A straight fin decimates to its end points and needs no chordal point, even across many
  // isolines.
  const auto line = MCADLoopBuilder(plane).Line({1, 2}, {93, 88}).Build();
  const MFinPoints two = MLoopSegmenter::SegmentFin(
      line->Fins().front(), kIdentity, 0.001, PlaneIsolines(1.0), Box({0, 0, 0}, {100, 100, 0}));
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].point, Point3(1, 2, 0));
  EXPECT_EQ(two[1].point, Point3(93, 88, 0));
  EXPECT_EQ(*two[1].uv, Point2(93, 88));
}

}  // namespace
