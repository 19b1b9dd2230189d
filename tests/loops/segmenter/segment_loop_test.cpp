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
#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
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
using Oxlen::Math::distance;
constexpr double kPi = std::numbers::pi;
const Matrix kIdentity = Matrix::identity();
const auto kPlane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 100.0);
const Box kPlaneBox({0, 0, 0}, {100, 100, 0});

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

/// A loop of the given space curves.
template <typename... Curves>
std::shared_ptr<MCADLoop> SpaceLoop(Curves... curves) {
  MCADLoopBuilder builder(kPlane);
  (builder.SpaceCurve(std::make_shared<FunctionCurve>(curves)), ...);
  return builder.Build();
}

/// A fin through `points`, with UV (x, y) if asked.
MFinPoints Fin(const std::vector<Point3>& points, bool uv = false) {
  MFinPoints fin;
  for (const Point3& p : points)
    fin.push_back(uv ? MPointOnLoop(p, Point2(p[0], p[1])) : MPointOnLoop(p));
  return fin;
}

MFinPoints Reversed(MFinPoints fin) {
  std::reverse(fin.begin(), fin.end());
  return fin;
}

// Whether two fins have the same points.
const auto SameFin = [](const MFinPoints& a, const MFinPoints& b) {
  return std::ranges::equal(a, b, {}, &MPointOnLoop::point, &MPointOnLoop::point);
};

std::vector<int> Ids(int n) {
  std::vector<int> ids(n);
  std::iota(ids.begin(), ids.end(), 0);
  return ids;
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

TEST(OrderFins, ScrambledAndReversedFinsAreChainedAgainWithFinZeroFirst) {
  std::mt19937_64 random(21);
  for (int n : {2, 7, 300}) {
    // A regular polygon of n straight fins, counter-clockwise; side 5 % n becomes fin 0, the
    // others are scrambled and some are stored against the loop (fewer than half, so the loop
    // keeps the polygon's sense).
    const auto at = [n](int k) {
      return Point3(50 * std::cos(2 * kPi * k / n), 50 * std::sin(2 * kPi * k / n), 0);
    };
    std::vector<MFinPoints> polygon, fins;
    for (int k = 0; k < n; ++k)
      polygon.push_back(Fin({at(k), (at(k) + at(k + 1)) * 0.5, at(k + 1)}));
    std::vector<int> sides = Ids(n);
    std::shuffle(sides.begin(), sides.end(), random);
    std::swap(sides[0], *std::find(sides.begin(), sides.end(), 5 % n));
    for (int side : sides)
      fins.push_back(side != 5 % n && random() % 10 < 3 ? Reversed(polygon[side]) : polygon[side]);
    Tags tags = sides;
    MLoopSegmenter::OrderFins(fins, tags, 0.01);
    // The loop runs around the polygon from fin 0 forward, and each tag went with its fin.
    ASSERT_EQ(fins.size(), polygon.size());
    for (int k = 0; k < n; ++k) {
      EXPECT_EQ((*tags)[k], (5 + k) % n) << n << k;
      EXPECT_TRUE(SameFin(fins[k], polygon[(5 + k) % n])) << n << k;
    }
  }

  // A triangle A B C whose fin 0 runs A -> B while the other two are stored against the loop.
  // Chaining forward from fin 0 would reverse two fins of three, so the loop runs the other way.
  const Point3 a(0, 0, 0), b(10, 0, 0), c(5, 8, 0);
  std::vector<MFinPoints> fins{Fin({a, b}), Fin({c, b}), Fin({a, c})};
  Tags tags = Ids(3);
  MLoopSegmenter::OrderFins(fins, tags, 0.01);
  EXPECT_EQ(*tags, (std::vector<int>{0, 2, 1}));
  EXPECT_TRUE(
      std::ranges::equal(fins, std::vector{Fin({b, a}), Fin({a, c}), Fin({c, b})}, SameFin));

  // Bad input is refused.
  Tags none, tag = std::vector<int>{3};
  ExpectThrowWith([&] { MLoopSegmenter::OrderFins(fins, tag, 0.1); }, "tags");
  fins.emplace_back();
  ExpectThrowWith([&] { MLoopSegmenter::OrderFins(fins, none, 0.1); }, "fins");

  // 400 tiny fins whose ends all lie within twice the tolerance of one another: every fin is a
  // candidate after every other, and the search space has no end in practice. The call returns
  // promptly with a reordering of the fins (some maybe reversed), the tags following them.
  auto jitter = [&] { return ((random() >> 11) * 0x1.0p-53) * 0.01; };
  std::vector<MFinPoints> crowd;
  for (int k = 0; k < 400; ++k)
    crowd.push_back(Fin({{jitter(), jitter(), jitter()}, {jitter(), jitter(), 0.02}}));
  const std::vector<MFinPoints> given = crowd;
  tags = Ids(400);
  MLoopSegmenter::OrderFins(crowd, tags, 1.0);
  ASSERT_EQ(crowd.size(), given.size());
  EXPECT_TRUE(std::is_permutation(tags->begin(), tags->end(), Ids(400).begin()));
  EXPECT_EQ((*tags)[0], 0);
  for (std::size_t k = 0; k < crowd.size(); ++k) {
    const MFinPoints& original = given[(*tags)[k]];
    EXPECT_TRUE(SameFin(crowd[k], original) || SameFin(crowd[k], Reversed(original)));
  }
}

TEST(JoinFins, RepairsJunctionsWithinTheTolerance) {
  // A short sideways end next to a small gap moves onto its neighbour, uv included.
  MFinPoints a = Fin({{0, 0, 0}, {3, 0, 0}, {3, 0.05, 0}}, true);
  MFinPoints b = Fin({{3.03, 0.02, 0}, {3.03, 8, 0}}, true);
  MLoopSegmenter::JoinFins(a, b, 0.1);
  EXPECT_LT(distance(a.back().point, Point3(3.03, 0.02, 0)), 1e-12);
  EXPECT_LT(distance(*a.back().uv, Point2(3.03, 0.02)), 1e-12);
  EXPECT_LT(distance(b.front().point, Point3(3.03, 0.02, 0)), 1e-12);
  // A gap that continues a fin's end direction is left open.
  const auto c = Fin({{0, 0, 0}, {10, 0, 0}}), d = Fin({{10.05, 0.0001, 0}, {10.05, 10, 0}});
  MFinPoints e = c, f = d;
  MLoopSegmenter::JoinFins(e, f, 0.1);
  EXPECT_TRUE(SameFin(e, c));
  EXPECT_TRUE(SameFin(f, d));
  // A loop of one fin: a square whose last leg, shorter than the tolerance, misses the start
  // by less than the tolerance is closed by the junction with itself.
  MFinPoints square =
      Fin({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0.3, 0}, {0.25, 0.3, 0}});
  MLoopSegmenter::JoinFins(square, square, 0.5);
  EXPECT_TRUE(square.back().point == Point3(0, 0, 0));
  EXPECT_TRUE(square.front().point == Point3(0, 0, 0));
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
  ASSERT_TRUE(loop.tags->size() == loop.points.size());
  const auto& p = loop.points;
  EXPECT_LT(distance(p.front().point, p.back().point), gap);
  double across = 0.0, within = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const std::size_t j = (i + 1) % p.size();
    double& longest = (*loop.tags)[i] == (*loop.tags)[j] ? within : across;
    longest = std::max(longest, distance(p[i].point, p[j].point));
  }
  EXPECT_LE(across, within + 1e-12);
}

// Distance from p to the closed polyline `curve` (to the open one when `open`).
double ToPolyline(const Point3& p, const std::vector<Point3>& curve, bool open) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i + open < curve.size(); ++i)
    best = std::min(best, geometry::ComputeDistanceBetweenPointAndSegment(
                              p, geometry::MSegment{curve[i], curve[(i + 1) % curve.size()]}));
  return best;
}

// Segments `loop` (placed by `placement` on `surface`) with two tolerances and checks the result
// against dense samples of its fins' exact curves.
void ExpectWithinTolerance(const MCADLoop& loop, const MCADUVSurface& surface,
                           const Matrix& placement = kIdentity,
                           const MSurfaceIsolines& isolines = kPlaneIsolines,
                           const Box& box = kPlaneBox) {
  std::vector<std::vector<Point3>> exact;
  for (const MCADFin& fin : loop.Fins()) {
    MCADParameterList_1d list;
    fin.curve->GetParameterList(list);
    exact.emplace_back();
    for (int k = 0; k <= 3000; ++k) {
      Point3 p;
      fin.curve->EvaluatePoint(
          std::lerp(list.parameters.front(), list.parameters.back(), k / 3000.0), p);
      exact.back().push_back(placement.transform_point(p / 10000.0));
    }
  }
  for (double tolerance : {0.05, 0.002}) {
    const MSegmentedLoop segmented = MLoopSegmenter::SegmentLoop(
        loop, Ids(static_cast<int>(exact.size())), placement, tolerance, isolines, box);
    ExpectClosedChain(segmented, 1e-9);
    const auto& p = segmented.points;
    std::vector<Point3> polyline;
    for (std::size_t i = 0; i < p.size(); ++i) {
      polyline.push_back(p[i].point);
      ASSERT_TRUE(p[i].uv);
      Point3 onSurface;
      surface.EvaluatePoint(*p[i].uv, onSurface);
      EXPECT_LT(distance(placement.transform_point(onSurface / 10000.0), p[i].point), 1e-9);
      // The middle of every chord lies within the tolerance of its own fin's curve.
      const int fin = (*segmented.tags)[i], j = (i + 1) % p.size();
      if ((*segmented.tags)[j] == fin) {
        EXPECT_LT(ToPolyline((p[i].point + p[j].point) * 0.5, exact[fin], true), 1.01 * tolerance);
      }
    }
    // And the other way round: no stretch of a curve strays from the polyline.
    for (const auto& curve : exact)
      for (std::size_t k = 0; k < curve.size(); k += 7)
        EXPECT_LT(ToPolyline(curve[k], polyline, false), 1.05 * tolerance);
  }
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
  MCADLoopBuilder band(cylinder);
  band.Curve(lower).Line({4, 10}, {4, 40}).Curve(upper, false).Line({1, 40}, {1, 10});
  const double c = std::cos(0.3), s = std::sin(0.3);
  ExpectWithinTolerance(*band.Build(), *cylinder,
                        Matrix::from_axes({c, -s, 0}, {s, c, 0}, {0, 0, 1}, {1, 2, 3}),
                        {Steps(2 * kPi, 16), Steps(50, 10)}, Box({-30, -30, 0}, {30, 30, 60}));
  ExpectWithinTolerance(*MCADLoopBuilder(kPlane).Circle({50, 50}, 20).Build(), *kPlane);
}

TEST(SegmentLoop, GapsAndOvershootsBetweenFinsAreRepaired) {
  // A square [10, 20]^2 whose sides overshoot or fall short of the corners by up to 0.04: the
  // overshooting junctions are cut back to the exact corners, uv included.
  MCADLoopBuilder builder(kPlane);
  builder.Line({9.97, 10}, {20.04, 10}).Line({20, 9.96}, {20, 19.98});
  const auto loop = builder.Line({19.97, 20}, {10.03, 20}).Line({10, 20.02}, {10, 9.95}).Build();
  const MSegmentedLoop segmented = Segment(*loop, Ids(4), 0.1);
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
  // A space curve farther from the grid's box than ten box diagonals; a loop spanning a box of
  // diagonal below 0.0001 (one a little larger is fine, and without tags gives none).
  const auto circle = [](Point2 centre, double radius) {
    return MCADLoopBuilder(kPlane).Circle(centre, radius).Build();
  };
  const auto far = SpaceLoop([](double t) {
    return Point3(5000 + 10 * std::cos(2 * kPi * t), 10 * std::sin(2 * kPi * t), 0.0);
  });
  ExpectThrowWith<BadLoop>([&] { Segment(*far, {}, 0.01); }, "MLoopSegmenter: incorrect loop");
  EXPECT_NO_THROW(Segment(*SpaceLoop([](double t) {
    return Point3(1000 + 10 * std::cos(2 * kPi * t), 10 * std::sin(2 * kPi * t), 0.0);
  }),
                          {}, 0.01));
  EXPECT_THROW(Segment(*circle({50, 50}, 0.00003), std::nullopt, 1e-6), BadLoop);
  EXPECT_FALSE(Segment(*circle({50, 50}, 0.00004), std::nullopt, 1e-6).tags);

  // Curves with NaN points reject the loop, naming the fin: a space curve broken on a stretch in
  // the middle, one broken at its end only, a UV curve broken in the middle, a curve listing a
  // NaN parameter.
  const double bad = std::nan("");
  const auto uv = std::make_shared<FunctionUVCurve>(
      [bad](double t) {
        return Point2(t > 0.6 && t < 0.65 ? bad : 50 + 10 * std::cos(6 * t),
                      50 + 10 * std::sin(6 * t));
      },
      std::vector<double>{0, 0.25, 0.5, 0.75, 1});
  const auto line = [](double t) { return Point3(10 - 10 * t, 0.0, 0.0); };
  const auto nanParameter = std::make_shared<FunctionCurve>(
      [](double t) { return Point3(10 * t, 0.0, 0.0); }, std::vector<double>{0, bad, 1});
  std::vector<std::pair<std::shared_ptr<MCADLoop>, std::string>> brokenLoops = {
      {SpaceLoop([bad](double t) {
         return Point3(10 + 10 * std::cos(2 * kPi * t), 10 + 10 * std::sin(2 * kPi * t),
                       t > 0.4 && t < 0.45 ? bad : 0.0);
       }),
       "loop: fin 0: the curve gives a point that is not finite"},
      {SpaceLoop(line, [bad](double t) { return Point3(10 * t, t == 1.0 ? bad : 0.0, 0.0); }),
       "loop: fin 1: the curve gives a point that is not finite"},
      {MCADLoopBuilder(kPlane).Curve(uv).Build(),
       "loop: fin 0: the curve gives a UV point that is not finite"},
      {SpaceLoop(line), "loop: fin 1: the curve lists a parameter that is not finite"}};
  brokenLoops.back().first->AddFin(nanParameter, true);
  for (const auto& [loop, message] : brokenLoops) {
    SCOPED_TRACE(message);
    try {
      Segment(*loop, std::nullopt, 0.01);
      ADD_FAILURE() << "no exception";
    } catch (const MLoopSegmenter::MExceptionBadFin& e) {
      EXPECT_EQ(std::string(e.what()), message);
      EXPECT_EQ(e.fin, std::optional<std::size_t>(message[10] - '0'));
    }
  }
  // Alone, a fin names no index.
  ExpectThrowWith<MLoopSegmenter::MExceptionBadFin>(
      [&] {
        MLoopSegmenter::SegmentFin(brokenLoops[2].first->Fins().front(), kIdentity, 0.01,
                                   kPlaneIsolines, kPlaneBox);
      },
      "fin: the curve gives a UV point that is not finite");

  // Malformed arguments.
  const auto square = MCADLoopBuilder(kPlane).Rectangle({10, 10}, {20, 20}).Build();
  ExpectThrowWith([&] { Segment(*square, std::vector<int>{1, 2}, 0.01); }, "tags");
  ExpectThrowWith([&] { Segment(*square, std::nullopt, -1.0); }, "tolerance");
  MSurfaceIsolines broken = kPlaneIsolines;
  broken.u.push_back(std::nan(""));
  ExpectThrowWith([&] { Segment(*square, std::nullopt, 0.01, broken); }, "isolines");
}

// The signed area of a segmented loop's UV polygon.
double UVArea(const MSegmentedLoop& loop) {
  double area = 0.0;
  for (std::size_t i = 0; i < loop.points.size(); ++i) {
    const Point2& a = *loop.points[i].uv;
    const Point2& b = *loop.points[(i + 1) % loop.points.size()].uv;
    area += 0.5 * (a[0] * b[1] - a[1] * b[0]);
  }
  return area;
}

TEST(SegmentLoop, UVLoopsAreClippedToTheSurfaceLimitsAtAnyScale) {
  // Squares around the plane [0, 100]^2, from just outside to the coordinate bound, and a strip
  // running far out on the right (both ways round): the clipped UV polygon bounds the loop's
  // region within the limits, its points lie within them and on the surface.
  struct Case {
    std::shared_ptr<MCADLoop> loop;
    double area;
  };
  std::vector<Case> cases;
  for (const double h : {60.0, 1e3, 1e6, 1e9, 1e100})
    cases.push_back(
        {MCADLoopBuilder(kPlane).Rectangle({50 - h, 50 - h}, {50 + h, 50 + h}).Build(), 10000.0});
  cases.push_back({MCADLoopBuilder(kPlane).Rectangle({10, 10}, {1e5, 50}).Build(), 3600.0});
  cases.push_back({MCADLoopBuilder(kPlane).Rectangle({10, 10}, {1e5, 50}, true).Build(), -3600.0});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.area);
    const MSegmentedLoop segmented =
        Segment(*c.loop, Ids(static_cast<int>(c.loop->FinCount())), 0.01);
    EXPECT_NEAR(UVArea(segmented), c.area, 1e-9 * 10000.0);
    for (const MPointOnLoop& p : segmented.points) {
      ASSERT_TRUE(p.uv);
      EXPECT_TRUE((*p.uv)[0] >= 0);
      EXPECT_TRUE((*p.uv)[0] <= 100);
      EXPECT_TRUE((*p.uv)[1] >= 0);
      EXPECT_TRUE((*p.uv)[1] <= 100);
      EXPECT_EQ(p.point, Point3((*p.uv)[0], (*p.uv)[1], 0.0));
    }
  }
  // A loop wholly outside the limits that winds around none of them bounds nothing there, and
  // is a bad loop; one that runs around them is kept (above).
  for (const Point2& centre : {Point2(5000, 50), Point2(-30, -30), Point2(50, 1e90)}) {
    EXPECT_THROW(Segment(*MCADLoopBuilder(kPlane).Circle(centre, 10).Build(), {}, 0.01), BadLoop);
  }
  // Along a periodic direction the loop is not clipped: a square across a cylinder's seam keeps
  // its U values below 0.
  const auto cylinder =
      std::make_shared<MCADUVCylinder>(MCADFrame(), 20.0, 0.0, 2 * kPi, 0.0, 50.0);
  const MSegmentedLoop seam =
      Segment(*MCADLoopBuilder(cylinder).Rectangle({-0.5, -10}, {0.5, 60}).Build(), {}, 0.01);
  double lowestU = 0.0, lowestV = 0.0;
  for (const MPointOnLoop& p : seam.points) {
    lowestU = std::min(lowestU, (*p.uv)[0]);
    lowestV = std::min(lowestV, (*p.uv)[1]);
  }
  EXPECT_EQ(lowestU, -0.5);
  EXPECT_EQ(lowestV, 0.0);
}

TEST(SegmentLoop, DiscontinuousNurbsFinsRejectTheLoop) {
  // An order 1 UV curve (constant pieces) and a space curve with a full-multiplicity inner knot
  // (it jumps from (10, 0) to (10, 5)), each as the second fin of a loop built without the loop
  // builder's own check.
  const auto steps = std::make_shared<MCAD2DNurbsCurve>(1, std::vector<double>{0, 0.5, 1},
                                                        std::vector<Point2>{{10, 10}, {20, 20}});
  const auto jump = std::make_shared<MCAD3DNurbsCurve>(
      M3dNurbsCurve(2, {0, 0, 0.5, 0.5, 1, 1}, {{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}}));
  const auto first = std::make_shared<MCAD3DVUVSurfaceCurve2DBased>(
      kPlane, std::make_shared<MCAD2DLineSegment>(Point2(20, 20), Point2(10, 10)));
  for (const std::shared_ptr<MCAD3DVUVSurfaceCurve>& curve :
       std::vector<std::shared_ptr<MCAD3DVUVSurfaceCurve>>{
           std::make_shared<MCAD3DVUVSurfaceCurve2DBased>(kPlane, steps), jump}) {
    MCADLoop loop;
    loop.AddFin(first, true);
    loop.AddFin(curve, true);
    ExpectThrowWith<MLoopSegmenter::MExceptionBadFin>([&] { Segment(loop, {}, 0.01); },
                                                      "loop: fin 1: the curve is not continuous");
  }
}

TEST(SegmentLoop, RefinementEndsOnCurvesThatJumpOrHaveNoLimit) {
  // A curve that jumps by 5 at t = 0.3: chords across the jump keep their length.
  const auto jump = [](double t) { return Point3(10 + 40 * t, t < 0.3 ? 10.0 : 15.0, 0.0); };
  // A curve that hops, by the bits of t, between 16 points around a moving circle: the probe of
  // a chord strays from it whenever it hops to a third point, down to the last bit of t.
  const auto noise = [](double t) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(t) * 0x9E3779B97F4A7C15ull;
    const double angle = 2 * kPi * static_cast<double>(bits >> 60) / 16;
    return Point3(10 + 40 * t + std::cos(angle), 30 + std::sin(angle), 0.0);
  };
  const auto back = [](double t) { return Point3(50 - 40 * t, 10, 0); };
  const std::size_t limit = MLoopSegmenter::kMaxChordInsertionsPerFin;
  for (const auto& [loop, fewest] : {std::pair(SpaceLoop(jump, back), std::size_t{4}),
                                     std::pair(SpaceLoop(noise, back), limit)}) {
    const MSegmentedLoop segmented = Segment(*loop, Ids(2), 0.01);
    EXPECT_LE(segmented.points.size(), limit + 100);
    EXPECT_GT(segmented.points.size(), fewest);
    EXPECT_FALSE(segmented.points.front().uv);  // space curves carry no UV
  }
}

}  // namespace
