// Loop segmentation: fins chained and joined into one loop, then refined within the tolerance.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"

namespace {

using MLoopSegmenter = MCadTriangulator::MLoopSegmenter;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using MSegmentedLoop = MCadTriangulator::MSegmentedLoop;
using MSurfaceIsolines = MCadTriangulator::MSurfaceIsolines;
using MFinPoints = MLoopSegmenter::MFinPoints;
using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;
using Box = Oxlen::Math::boundingbox<double, 3>;
using Matrix = Oxlen::Math::matrix4x4<double>;
using Tags = std::optional<std::vector<int>>;
using BadLoop = MLoopSegmenter::MExceptionBadLoop;
constexpr double kPi = std::numbers::pi;
const Matrix kIdentity = Matrix::identity();
const auto kPlane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 100.0);
const Box kPlaneBox({0, 0, 0}, {100, 100, 0});
using Oxlen::Math::distance;

/// A curve given by a function over [0, 1] that lists `parameters`: a space curve in model
/// units (evaluated, like every curve of the CAD entity layer, in internal units) or a UV curve.
template <typename Base, typename Point, double kScale>
class FunctionCurveOf : public Base {
 public:
  FunctionCurveOf(std::function<Point(double)> f, std::vector<double> parameters = {0.0, 1.0})
      : m_f(std::move(f)), m_parameters(std::move(parameters)) {}
  void EvaluatePoint(double t, Point& result) const override { result = m_f(t) * kScale; }
  void GetParameterList(MCADParameterList_1d& list) const override {
    list.parameters.assign(m_parameters.begin(), m_parameters.end());
  }

 private:
  std::function<Point(double)> m_f;
  std::vector<double> m_parameters;
};
using FunctionCurve = FunctionCurveOf<MCAD3DVUVSurfaceCurve, Point3, 10000.0>;
using FunctionUVCurve = FunctionCurveOf<MCAD2DVCurve, Point2, 1.0>;

/// A fin along a straight segment from a to b with `count` points, with UV (x, y) if asked.
MFinPoints Straight(const Point3& a, const Point3& b, int count = 2, bool uv = false) {
  MFinPoints fin;
  for (int k = 0; k < count; ++k) {
    fin.emplace_back(Oxlen::Math::lerp(a, b, static_cast<double>(k) / (count - 1)));
    if (uv)
      fin.back().uv = Point2(fin.back().point[0], fin.back().point[1]);
  }
  return fin;
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

/// Expects `call` to throw an E whose message starts with `prefix`.
template <typename E = std::invalid_argument, typename Call>
void ExpectThrowWith(Call call, const std::string& prefix) {
  try {
    call();
    ADD_FAILURE() << "no exception: " << prefix;
  } catch (const E& e) {
    EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
  }
}

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
  }

  // A triangle A B C whose fin 0 runs A -> B while the other two are stored against the loop.
  // Chaining forward from fin 0 would reverse two fins of three, so the loop runs the other way.
  const Point3 a(0, 0, 0), b(10, 0, 0), c(5, 8, 0);
  std::vector<MFinPoints> fins{Straight(a, b), Straight(c, b), Straight(a, c)};
  Tags tags = std::vector<int>{0, 1, 2};
  MLoopSegmenter::OrderFins(fins, tags, 0.01);
  EXPECT_EQ(*tags, (std::vector<int>{0, 2, 1}));
  EXPECT_TRUE(SameFin(fins[0], Straight(b, a)) && SameFin(fins[1], Straight(a, c)) &&
              SameFin(fins[2], Straight(c, b)));

  // Bad input is refused.
  std::vector<MFinPoints> square = Polygon(4);
  Tags none;
  Tags tag = std::vector<int>{3};
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
  for (int k = 0; k < 400; ++k)
    fins.push_back(Straight({jitter(), jitter(), jitter()}, {jitter(), jitter(), 0.02}));
  const std::vector<MFinPoints> given = fins;
  std::vector<int> ids(400);
  std::iota(ids.begin(), ids.end(), 0);
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

TEST(JoinFins, RepairsJunctionsWithinTheTolerance) {
  // A short sideways end next to a small gap moves onto its neighbour, uv included.
  MFinPoints a = Straight({0, 0, 0}, {3, 0, 0}, 2, true);
  a.push_back(MPointOnLoop(Point3(3, 0.05, 0), Point2(3, 0.05)));
  MFinPoints b = Straight({3.03, 0.02, 0}, {3.03, 8, 0}, 2, true);
  MLoopSegmenter::JoinFins(a, b, 0.1);
  EXPECT_LT(distance(a.back().point, Point3(3.03, 0.02, 0)), 1e-12);
  EXPECT_LT(distance(*a.back().uv, Point2(3.03, 0.02)), 1e-12);
  EXPECT_LT(distance(b.front().point, Point3(3.03, 0.02, 0)), 1e-12);
  // A gap that continues a fin's end direction is left open.
  const MFinPoints c = Straight({0, 0, 0}, {10, 0, 0});
  const MFinPoints d = Straight({10.05, 0.0001, 0}, {10.05, 10, 0});
  MFinPoints e = c, f = d;
  MLoopSegmenter::JoinFins(e, f, 0.1);
  EXPECT_TRUE(SameFin(e, c) && SameFin(f, d));
  // A loop of one fin: a square whose last leg, shorter than the tolerance, misses the start
  // by less than the tolerance is closed by the junction with itself.
  MFinPoints square = Straight({0, 0, 0}, {10, 0, 0});
  for (const Point3& p :
       {Point3(10, 10, 0), Point3(0, 10, 0), Point3(0, 0.3, 0), Point3(0.25, 0.3, 0)})
    square.emplace_back(p);
  MLoopSegmenter::JoinFins(square, square, 0.5);
  EXPECT_TRUE(square.back().point == Point3(0, 0, 0) && square.front().point == Point3(0, 0, 0));
}

// n + 1 even steps from 0 to hi.
std::vector<double> Steps(double hi, int n) {
  std::vector<double> steps;
  for (int k = 0; k <= n; ++k)
    steps.push_back(hi * k / n);
  return steps;
}
const MSurfaceIsolines kPlaneIsolines{Steps(100, 10), Steps(100, 10)};

MSegmentedLoop Segment(const MCADLoop& loop, Tags tags, double tolerance,
                       const MSurfaceIsolines& isolines = kPlaneIsolines) {
  return MLoopSegmenter::SegmentLoop(loop, std::move(tags), kIdentity, tolerance, isolines,
                                     kPlaneBox);
}

// Closed within `gap` and in chain order: no step, the closing one included, is longer than the
// longest step between two points of the same fin.
void ExpectClosedChain(const MSegmentedLoop& loop, double gap) {
  ASSERT_TRUE(loop.tags);
  ASSERT_EQ(loop.tags->size(), loop.points.size());
  const auto& p = loop.points;
  EXPECT_LT(distance(p.front().point, p.back().point), gap);
  double longest = 0.0;
  double longestInFin = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const std::size_t j = (i + 1) % p.size();
    const double step = distance(p[i].point, p[j].point);
    longest = std::max(longest, step);
    if ((*loop.tags)[i] == (*loop.tags)[j])
      longestInFin = std::max(longestInFin, step);
  }
  EXPECT_LE(longest, longestInFin + 1e-12);
}

// Distance from p to the closed polyline `curve` (to the open one when `open`).
double ToPolyline(const Point3& p, const std::vector<Point3>& curve, bool open) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i + open < curve.size(); ++i)
    best = std::min(best, geometry::ComputeDistanceBetweenPointAndSegment(
                              p, geometry::MSegment{curve[i], curve[(i + 1) % curve.size()]}));
  return best;
}

TEST(SegmentLoop, LoopsStayWithinTheToleranceOfTheirCurves) {
  // NURBS and line fins on a placed cylinder, the upper curve used against its direction; a
  // circle on the plane.
  const auto cylinder =
      std::make_shared<MCADUVCylinder>(MCADFrame(), 20.0, 0.0, 2 * kPi, 0.0, 50.0);
  const auto lower = std::make_shared<MCAD2DNurbsCurve>(
      4, std::vector<double>{0, 0, 0, 0, 0.25, 0.5, 0.75, 1, 1, 1, 1},
      std::vector<Point2>{{1, 10}, {1.5, 20}, {2, 5}, {2.5, 25}, {3, 5}, {3.5, 15}, {4, 10}});
  const auto upper = std::make_shared<MCAD2DNurbsCurve>(
      3, std::vector<double>{0, 0, 0, 1, 1, 1}, std::vector<Point2>{{1, 40}, {2.5, 48}, {4, 40}});
  struct Case {
    std::shared_ptr<MCADLoop> loop;
    const MCADUVSurface* surface;
    Matrix placement = kIdentity;
    MSurfaceIsolines isolines = kPlaneIsolines;
    Box box = kPlaneBox;
  };
  const Case cases[] = {
      {MCADLoopBuilder(cylinder)
           .Curve(lower)
           .Line({4, 10}, {4, 40})
           .Curve(upper, /*sameSense=*/false)
           .Line({1, 40}, {1, 10})
           .Build(),
       cylinder.get(),
       Matrix::from_axes(Point3(std::cos(0.3), -std::sin(0.3), 0.0),
                         Point3(std::sin(0.3), std::cos(0.3), 0.0), Point3(0.0, 0.0, 1.0),
                         Point3(1, 2, 3)),
       {Steps(2 * kPi, 16), Steps(50, 10)},
       Box({-30, -30, 0}, {30, 30, 60})},
      {MCADLoopBuilder(kPlane).Circle({50, 50}, 20).Build(), kPlane.get()},
  };
  for (const Case& c : cases) {
    // Dense samples of each fin's exact curve in model space.
    std::vector<std::vector<Point3>> exact;
    for (const MCADFin& fin : c.loop->Fins()) {
      MCADParameterList_1d list;
      fin.curve->GetParameterList(list);
      exact.emplace_back();
      for (int k = 0; k <= 3000; ++k) {
        Point3 p;
        fin.curve->EvaluatePoint(
            std::lerp(list.parameters.front(), list.parameters.back(), k / 3000.0), p);
        exact.back().push_back(c.placement.transform_point(p / 10000.0));
      }
    }
    std::vector<int> tags(exact.size());
    std::iota(tags.begin(), tags.end(), 0);
    for (double tolerance : {0.05, 0.002}) {
      const MSegmentedLoop segmented =
          MLoopSegmenter::SegmentLoop(*c.loop, tags, c.placement, tolerance, c.isolines, c.box);
      ExpectClosedChain(segmented, 1e-9);
      const auto& p = segmented.points;
      std::vector<Point3> polyline;
      for (std::size_t i = 0; i < p.size(); ++i) {
        polyline.push_back(p[i].point);
        ASSERT_TRUE(p[i].uv);
        Point3 onSurface;
        c.surface->EvaluatePoint(*p[i].uv, onSurface);
        EXPECT_LT(distance(c.placement.transform_point(onSurface / 10000.0), p[i].point), 1e-9);
        // The middle of every chord lies within the tolerance of its own fin's curve.
        const int fin = (*segmented.tags)[i];
        if ((*segmented.tags)[(i + 1) % p.size()] == fin) {
          const Point3 mid = (p[i].point + p[(i + 1) % p.size()].point) * 0.5;
          EXPECT_LT(ToPolyline(mid, exact[fin], true), 1.01 * tolerance);
        }
      }
      // And the other way round: no stretch of a curve strays from the polyline.
      for (const auto& curve : exact)
        for (std::size_t k = 0; k < curve.size(); k += 7)
          EXPECT_LT(ToPolyline(curve[k], polyline, false), 1.05 * tolerance);
    }
  }
  EXPECT_FALSE(Segment(*cases[1].loop, std::nullopt, 0.01).tags);  // without tags, none
}

TEST(SegmentLoop, GapsAndOvershootsBetweenFinsAreRepaired) {
  // A square [10, 20]^2 whose sides overshoot or fall short of the corners by up to 0.04: the
  // overshooting junctions are cut back to the exact corners, uv included.
  const auto loop = MCADLoopBuilder(kPlane)
                        .Line({9.97, 10}, {20.04, 10})
                        .Line({20, 9.96}, {20, 19.98})
                        .Line({19.97, 20}, {10.03, 20})
                        .Line({10, 20.02}, {10, 9.95})
                        .Build();
  const MSegmentedLoop segmented = Segment(*loop, std::vector<int>{0, 1, 2, 3}, 0.1);
  ExpectClosedChain(segmented, 0.1);
  const auto& p = segmented.points;
  const auto second = std::find(segmented.tags->begin(), segmented.tags->end(), 1);
  EXPECT_LT(distance(p[second - segmented.tags->begin()].point, Point3(20, 10, 0)), 1e-12);
  EXPECT_LT(distance(p.front().point, Point3(10, 10, 0)), 1e-12);
  EXPECT_LT(distance(*p.front().uv, Point2(10, 10)), 1e-12);
  // A straight fin decimates to its end points, even across many isolines.
  const MFinPoints two = MLoopSegmenter::SegmentFin(loop->Fins().front(), kIdentity, 0.001,
                                                    {Steps(100, 100), Steps(100, 100)}, kPlaneBox);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(*two[1].uv, Point2(20.04, 10));
}

TEST(SegmentLoop, LoopsThatCannotBeSegmentedThrow) {
  // A curve far outside the grid's box; a loop spanning a box of diagonal below 0.0001 (one a
  // little larger is fine).
  const auto circle = [](Point2 centre, double radius) {
    return MCADLoopBuilder(kPlane).Circle(centre, radius).Build();
  };
  const auto far = circle({5000, 0}, 10);
  ExpectThrowWith<BadLoop>([&] { Segment(*far, {}, 0.01); }, "MLoopSegmenter: incorrect loop");
  EXPECT_THROW(Segment(*circle({50, 50}, 0.00003), std::nullopt, 1e-6), BadLoop);
  EXPECT_NO_THROW(Segment(*circle({50, 50}, 0.00004), std::nullopt, 1e-6));

  // Curves with NaN points: a space curve broken on a stretch in the middle, one broken at its
  // end only, and a UV curve broken in the middle.
  const double bad = std::nan("");
  MCADLoop middle, end;
  middle.AddFin(std::make_shared<FunctionCurve>([bad](double t) {
    return Point3(10 + 10 * std::cos(2 * kPi * t), 10 + 10 * std::sin(2 * kPi * t),
                  t > 0.4 && t < 0.45 ? bad : 0.0);
  }));
  end.AddFin(std::make_shared<FunctionCurve>(
      [bad](double t) { return Point3(10 * t, t == 1.0 ? bad : 0.0, 0.0); }));
  const auto uv = MCADLoopBuilder(kPlane)
                      .Curve(std::make_shared<FunctionUVCurve>(
                          [bad](double t) {
                            return Point2(t > 0.6 && t < 0.65 ? bad : 50 + 10 * std::cos(6 * t),
                                          50 + 10 * std::sin(6 * t));
                          },
                          std::vector<double>{0, 0.25, 0.5, 0.75, 1}))
                      .Build();
  for (const MCADLoop* loop : {&middle, &end, uv.get()})
    EXPECT_THROW(Segment(*loop, std::nullopt, 0.01), BadLoop);

  // Malformed arguments.
  const auto square = MCADLoopBuilder(kPlane).Rectangle({10, 10}, {20, 20}).Build();
  ExpectThrowWith([&] { Segment(*square, std::vector<int>{1, 2}, 0.01); }, "tags");
  ExpectThrowWith([&] { Segment(*square, std::nullopt, -1.0); }, "tolerance");
  MSurfaceIsolines broken = kPlaneIsolines;
  broken.u.push_back(std::nan(""));
  ExpectThrowWith([&] { Segment(*square, std::nullopt, 0.01, broken); }, "isolines");
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
  const std::size_t limit = MLoopSegmenter::kMaxChordInsertionsPerFin;
  for (const auto& curve : {jump, noise}) {
    MCADLoop loop;
    loop.AddFin(curve);
    loop.AddFin(
        std::make_shared<FunctionCurve>([](double t) { return Point3(50 - 40 * t, 10, 0); }));
    const MSegmentedLoop segmented = Segment(loop, std::vector<int>{0, 1}, 0.01);
    EXPECT_LE(segmented.points.size(), limit + 100);
    EXPECT_GT(segmented.points.size(), curve == jump ? 4 : limit);
    EXPECT_FALSE(segmented.points.front().uv);  // space curves carry no UV
  }
}

}  // namespace
