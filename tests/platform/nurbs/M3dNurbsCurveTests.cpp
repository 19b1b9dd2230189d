#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "NurbsTestShapes.h"
#include "Oxlen/Nurbs/M3dNurbsCurve.h"

namespace {

using nurbs_test::ExpectInvalid;
using nurbs_test::Point3;
using nurbs_test::Uniform;

const double kPi = std::numbers::pi;

M3dNurbsCurve RandomRationalCubic(std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<Point3> points;
  std::vector<double> weights;
  for (int i = 0; i < 7; ++i) {
    points.emplace_back(Uniform(rng, -2, 2), Uniform(rng, -2, 2), Uniform(rng, -2, 2));
    weights.push_back(Uniform(rng, 0.4, 2.5));
  }
  return M3dNurbsCurve(4, {0, 0, 0, 0, 0.2, 0.5, 0.6, 1, 1, 1, 1}, points, weights);
}

TEST(M3dNurbsCurve, FullCircleIsExact) {
  // xAxis is not unit length: the frame is normalised. All quarter points are representable.
  const Point3 center(1.0, -2.0, 3.0);
  const double r = 2.5;
  const M3dNurbsCurve circle =
      M3dNurbsCurve::Circle(center, r, Point3(0.0, 0.0, 2.0), Point3(1.0, 0.0, 0.5));
  EXPECT_EQ(circle.GetOrder(), 3);
  EXPECT_EQ(circle.GetDegree(), 2);
  EXPECT_EQ(circle.GetCount(), 9);
  EXPECT_TRUE(circle.IsRational());
  EXPECT_EQ(circle.GetStartParameter(), 0.0);
  EXPECT_EQ(circle.GetEndParameter(), 1.0);
  EXPECT_EQ(circle.GetDistinctKnots(), (std::vector<double>{0.0, 0.25, 0.5, 0.75, 1.0}));

  EXPECT_EQ(circle.Evaluate(0.0), Point3(1.0, -2.0, 5.5));
  EXPECT_EQ(circle.Evaluate(0.25), Point3(3.5, -2.0, 3.0));
  EXPECT_EQ(circle.Evaluate(0.5), Point3(1.0, -2.0, 0.5));
  EXPECT_EQ(circle.Evaluate(0.75), Point3(-1.5, -2.0, 3.0));
  EXPECT_EQ(circle.Evaluate(1.0), Point3(1.0, -2.0, 5.5));

  for (int i = 0; i <= 1000; ++i) {
    const double t = i / 1000.0;
    const Point3 d = circle.Evaluate(t) - center;
    EXPECT_NEAR(Oxlen::Math::length(d), r, 1e-12 * r) << t;
    EXPECT_NEAR(d[1], 0.0, 1e-12 * r);
    // Angle from xAxis (= Z) towards yAxis (= X) against the closed form of the parametrisation.
    const double angle = nurbs_test::CircleAngle(t);
    EXPECT_NEAR(d[2], r * std::cos(angle), 1e-12 * r) << t;
    EXPECT_NEAR(d[0], r * std::sin(angle), 1e-12 * r) << t;
  }
}

TEST(M3dNurbsCurve, ArcsSweepTheirAnglesOnTheCircle) {
  const Point3 center(0.5, 0.25, -1.0);
  const Point3 x(1.0, 0.0, 0.0);
  const Point3 y(0.0, 1.0, 0.0);
  const double r = 3.0;
  const struct {
    double start, end;
    int pieces;
  } cases[] = {{0.2, 0.2 + kPi / 2, 1}, {-1.0, 1.5, 2}, {1.0, 1.0 + 5.0, 4}, {0.0, 2 * kPi, 4}};
  for (const auto& c : cases) {
    const M3dNurbsCurve arc = M3dNurbsCurve::Arc(center, r, x, y, c.start, c.end);
    EXPECT_EQ(arc.GetCount(), 2 * c.pieces + 1);
    auto onCircle = [&](double angle) {
      return center + x * (r * std::cos(angle)) + y * (r * std::sin(angle));
    };
    EXPECT_LT(Oxlen::Math::distance(arc.Evaluate(0.0), onCircle(c.start)), 1e-12);
    EXPECT_LT(Oxlen::Math::distance(arc.Evaluate(1.0), onCircle(c.end)), 1e-12);
    double previous = c.start;
    for (int i = 1; i <= 200; ++i) {
      const Point3 d = arc.Evaluate(i / 200.0) - center;
      EXPECT_NEAR(Oxlen::Math::length(d), r, 1e-12 * r);
      EXPECT_NEAR(d[2], 0.0, 1e-12);
      // Unwrap the angle relative to the previous one: it must grow monotonically to the end.
      double angle = std::atan2(d[1], d[0]);
      angle += 2 * kPi * std::round((previous - angle) / (2 * kPi));
      EXPECT_GT(angle, previous - 1e-12);
      previous = angle;
    }
    EXPECT_NEAR(previous, c.end, 1e-9);
  }
  ExpectInvalid([&] { M3dNurbsCurve::Arc(center, r, x, y, 1.0, 1.0); }, "endAngle");
  ExpectInvalid([&] { M3dNurbsCurve::Arc(center, r, x, y, 0.0, 7.0); }, "endAngle");
  ExpectInvalid([&] { M3dNurbsCurve::Arc(center, r, x, y, NAN, 1.0); }, "startAngle");
  ExpectInvalid([&] { M3dNurbsCurve::Circle(center, 0.0, x, y); }, "radius");
  ExpectInvalid([&] { M3dNurbsCurve::Circle(center, r, Point3(), y); }, "xAxis");
  ExpectInvalid([&] { M3dNurbsCurve::Circle(center, r, x, x * -2.0); }, "yAxis");
  ExpectInvalid([&] { M3dNurbsCurve::Circle(Point3(NAN, 0, 0), r, x, y); }, "center");
}

TEST(M3dNurbsCurve, LinesAndDegreeElevatedLinesAreLinear) {
  const Point3 a(1.0, 2.0, 3.0);
  const Point3 b(-4.0, 0.5, 7.0);
  const M3dNurbsCurve line = M3dNurbsCurve::Line(a, b);
  EXPECT_FALSE(line.IsRational());
  EXPECT_EQ(line.Evaluate(0.0), a);
  EXPECT_EQ(line.Evaluate(1.0), b);
  // The same line raised to degree 5: equally spaced Bezier control points keep the linear
  // parametrisation, with a constant first and no second derivative.
  std::vector<Point3> points;
  for (int i = 0; i <= 5; ++i)
    points.push_back(Oxlen::Math::lerp(a, b, i / 5.0));
  const M3dNurbsCurve quintic(6, {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}, points);
  for (int i = 0; i <= 50; ++i) {
    const double t = i / 50.0;
    EXPECT_LT(Oxlen::Math::distance(line.Evaluate(t), Oxlen::Math::lerp(a, b, t)), 1e-14);
    EXPECT_LT(Oxlen::Math::distance(quintic.Evaluate(t), Oxlen::Math::lerp(a, b, t)), 1e-14);
    const std::vector<Point3> d = quintic.EvaluateDerivatives(t, 3);
    EXPECT_LT(Oxlen::Math::distance(d[1], b - a), 1e-12);
    EXPECT_LT(Oxlen::Math::length(d[2]), 1e-10);
  }
}

TEST(M3dNurbsCurve, DerivativesMatchFiniteDifferences) {
  const double h = 1e-5;
  for (std::uint64_t seed = 1; seed <= 3; ++seed) {
    const M3dNurbsCurve curve = RandomRationalCubic(seed);
    std::mt19937_64 rng(seed * 77);
    for (int i = 0; i < 40; ++i) {
      // Stay away from the knots, where the third derivative jumps.
      double t = Uniform(rng, 0.01, 0.99);
      for (double knot : curve.GetDistinctKnots())
        if (std::abs(t - knot) < 3 * h)
          t = knot + 3 * h;
      const std::vector<Point3> d = curve.EvaluateDerivatives(t, 4);
      ASSERT_EQ(d.size(), 5u);
      EXPECT_LT(Oxlen::Math::distance(d[0], curve.Evaluate(t)), 1e-14);
      for (int k = 1; k <= 4; ++k) {
        const Point3 fd = (curve.EvaluateDerivatives(t + h, k - 1)[k - 1] -
                           curve.EvaluateDerivatives(t - h, k - 1)[k - 1]) /
                          (2 * h);
        const double scale = 1.0 + Oxlen::Math::length(d[k]);
        EXPECT_LT(Oxlen::Math::distance(fd, d[k]), 1e-5 * scale) << "seed " << seed << " k " << k;
      }
    }
  }
  // A polynomial curve has no derivatives above its degree; a rational one does.
  const M3dNurbsCurve line = M3dNurbsCurve::Line(Point3(0, 0, 0), Point3(1, 2, 3));
  EXPECT_EQ(line.EvaluateDerivatives(0.3, 3)[2], Point3());
  EXPECT_EQ(line.EvaluateDerivatives(0.3, 3)[3], Point3());
  const M3dNurbsCurve circle =
      M3dNurbsCurve::Circle(Point3(), 1.0, Point3(1, 0, 0), Point3(0, 1, 0));
  const std::vector<Point3> c = circle.EvaluateDerivatives(0.1, 3);
  EXPECT_NEAR(Oxlen::Math::dot(c[0], c[1]), 0.0, 1e-12);  // tangent is orthogonal to the radius
  EXPECT_GT(Oxlen::Math::length(c[3]), 1e-3);
  EXPECT_TRUE(circle.EvaluateDerivatives(0.1, 0).size() == 1u);
  ExpectInvalid([&] { circle.EvaluateDerivatives(0.1, -1); }, "count");
}

TEST(M3dNurbsCurve, DomainKnotsAndClamping) {
  // Unclamped uniform quadratic: the domain is [knots[2], knots[5]].
  const std::vector<Point3> pts{{0, 0, 0}, {1, 2, 0}, {3, 2, 1}, {4, 0, 0}, {6, 1, 1}};
  const M3dNurbsCurve curve(3, {0, 1, 2, 3, 4, 5, 6, 7}, pts);
  EXPECT_EQ(curve.GetStartParameter(), 2.0);
  EXPECT_EQ(curve.GetEndParameter(), 5.0);
  EXPECT_EQ(curve.GetDistinctKnots(), (std::vector<double>{2, 3, 4, 5}));
  EXPECT_EQ(curve.Evaluate(-10.0), curve.Evaluate(2.0));
  EXPECT_EQ(curve.Evaluate(1e300), curve.Evaluate(5.0));
  EXPECT_EQ(curve.Evaluate(std::numeric_limits<double>::quiet_NaN()), curve.Evaluate(2.0));
  // Uniform quadratic B-spline at a knot: the midpoint of two control points.
  EXPECT_LT(Oxlen::Math::distance(curve.Evaluate(3.0), (pts[1] + pts[2]) * 0.5), 1e-15);

  // A repeated end knot inside the knot vector: the last span is empty and the end of the domain
  // is evaluated on the span before it.
  const M3dNurbsCurve polyline(2, {0, 0, 1, 1, 1}, {{0, 0, 0}, {1, 1, 0}, {5, 5, 5}});
  EXPECT_EQ(polyline.GetEndParameter(), 1.0);
  EXPECT_EQ(polyline.Evaluate(1.0), Point3(1, 1, 0));
  EXPECT_EQ(polyline.GetDistinctKnots(), (std::vector<double>{0, 1}));

  // Interior knots of any multiplicity are listed once; a Bezier piece lists its two ends.
  const M3dNurbsCurve doubled(3, {0, 0, 0, 0.5, 0.5, 2, 2, 2},
                              {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {2, 2, 0}});
  EXPECT_EQ(doubled.GetDistinctKnots(), (std::vector<double>{0, 0.5, 2}));
  EXPECT_EQ(doubled.Evaluate(0.5), Point3(1, 1, 0));
  const M3dNurbsCurve bezier(4, {3, 3, 3, 3, 4, 4, 4, 4}, {pts[0], pts[1], pts[2], pts[3]});
  EXPECT_EQ(bezier.GetDistinctKnots(), (std::vector<double>{3, 4}));
  // Order 1: a piecewise constant curve.
  const M3dNurbsCurve steps(1, {0, 1, 2}, {pts[0], pts[1]});
  EXPECT_EQ(steps.Evaluate(0.5), pts[0]);
  EXPECT_EQ(steps.Evaluate(2.0), pts[1]);
}

TEST(M3dNurbsCurve, RejectsMalformedInput) {
  const std::vector<Point3> three{{0, 0, 0}, {1, 0, 0}, {2, 1, 0}};
  const std::vector<double> knots{0, 0, 0, 1, 1, 1};
  EXPECT_NO_THROW(M3dNurbsCurve(3, knots, three, {1, 2, 1}));
  ExpectInvalid([&] { M3dNurbsCurve(0, {0, 1, 2}, three); }, "order");
  ExpectInvalid([&] { M3dNurbsCurve(-3, knots, three); }, "order");
  ExpectInvalid([&] { M3dNurbsCurve(4, {0, 0, 0, 0, 1, 1, 1}, three); }, "controlPoints");
  ExpectInvalid([&] { M3dNurbsCurve(3, {0, 0, 0, 1, 1}, three); }, "knots");
  ExpectInvalid([&] { M3dNurbsCurve(3, {0, 0, 0, 1, 1, 1, 1}, three); }, "knots");
  ExpectInvalid([&] { M3dNurbsCurve(3, {0, 0, 1, 0.5, 1, 1}, three); }, "knots");
  ExpectInvalid([&] { M3dNurbsCurve(3, {0, 0, 0, 1, 1, INFINITY}, three); }, "knots");
  ExpectInvalid([&] { M3dNurbsCurve(3, {0, 0, NAN, 1, 1, 1}, three); }, "knots");
  ExpectInvalid([&] { M3dNurbsCurve(3, {1, 1, 1, 1, 1, 1}, three); }, "knots");
  ExpectInvalid(
      [&] {
        M3dNurbsCurve(3, knots, {{0, 0, 0}, {NAN, 0, 0}, {1, 1, 1}});
      },
      "controlPoints");
  ExpectInvalid(
      [&] {
        M3dNurbsCurve(3, knots, {{0, 0, 0}, {INFINITY, 0, 0}, {1, 1, 1}});
      },
      "controlPoints");
  ExpectInvalid([&] { M3dNurbsCurve(3, knots, three, {1, 0, 1}); }, "weights");
  ExpectInvalid([&] { M3dNurbsCurve(3, knots, three, {1, -1, 1}); }, "weights");
  ExpectInvalid([&] { M3dNurbsCurve(3, knots, three, {1, NAN, 1}); }, "weights");
  ExpectInvalid([&] { M3dNurbsCurve(3, knots, three, {1, 1}); }, "weights");
  ExpectInvalid([&] { M3dNurbsCurve::Line(Point3(0, 0, 0), Point3(NAN, 0, 0)); }, "b");
}

}  // namespace
