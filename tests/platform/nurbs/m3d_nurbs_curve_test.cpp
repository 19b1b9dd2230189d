#include "Oxlen/Nurbs/M3dNurbsCurve.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/nurbs/NurbsTestShapes.h"

namespace {

using nurbs_test::ExpectInvalid;
using nurbs_test::Point3;
using nurbs_test::Uniform;
using Oxlen::Math::distance;
using Oxlen::Math::length;

TEST(M3dNurbsCurve, FullCircleAndArcsAreExact) {
  // xAxis is not unit length: the frame is normalised. The angle runs from xAxis (= Z) towards
  // yAxis (= X) as the closed form of the parametrisation says.
  const Point3 center(1, -2, 3);
  const double r = 2.5, pi = std::numbers::pi;
  const M3dNurbsCurve circle = M3dNurbsCurve::Circle(center, r, Point3(0, 0, 2), Point3(1, 0, .5));
  EXPECT_EQ(circle.GetDistinctKnots(), (std::vector<double>{0.0, 0.25, 0.5, 0.75, 1.0}));
  for (int i = 0; i <= 400; ++i) {
    const double a = nurbs_test::CircleAngle(i / 400.0);
    const Point3 expected = center + Point3(r * std::sin(a), 0, r * std::cos(a));
    EXPECT_LT(distance(circle.Evaluate(i / 400.0), expected), 1e-12 * r) << i;
  }
  // Arcs: 2 pieces per quarter turn, on the circle; the equal pieces put the middle angle at
  // t = 0.5, which fixes the sense of rotation. A full turn is a valid sweep.
  const double arcs[][3] = {{0.2, 0.2 + pi / 2, 1}, {1.0, 6.0, 4}, {0, 2 * pi, 4}};
  for (const auto& [start, end, pieces] : arcs) {
    const M3dNurbsCurve arc =
        M3dNurbsCurve::Arc(center, r, Point3(1, 0, 0), Point3(0, 1, 0), start, end);
    EXPECT_EQ(arc.GetCount(), 2 * pieces + 1);
    for (int i = 0; i <= 200; ++i) {
      const double t = i / 200.0, a = start + t * (end - start);
      const Point3 d = arc.Evaluate(t) - center;
      EXPECT_LT(std::abs(length(d) - r) + std::abs(d[2]), 1e-12 * r);
      EXPECT_TRUE(i % 100 != 0 || distance(d, r * Point3(std::cos(a), std::sin(a), 0)) < 1e-12);
    }
  }
}

TEST(M3dNurbsCurve, DerivativesMatchFiniteDifferences) {
  // A random rational quadratic: derivatives up to the fourth against central differences of the
  // one below, away from the knots where the second derivative jumps.
  std::mt19937_64 rng(1);
  std::vector<Point3> points(6);
  std::vector<double> weights;
  for (Point3& p : points) {
    p = Point3(Uniform(rng, -2, 2), Uniform(rng, -2, 2), Uniform(rng, -2, 2));
    weights.push_back(Uniform(rng, 0.4, 2.5));
  }
  const M3dNurbsCurve curve(3, {0, 0, 0, 0.2, 0.5, 0.6, 1, 1, 1}, points, weights);
  const double h = 1e-5;
  for (int i = 0; i < 100; ++i) {
    double t = Uniform(rng, 0.01, 0.99);
    for (double knot : curve.GetDistinctKnots())
      t = std::abs(t - knot) < 3 * h ? knot + 3 * h : t;
    const std::vector<Point3> d = curve.EvaluateDerivatives(t, 4);
    ASSERT_EQ(d.size(), 5u);
    EXPECT_LT(distance(d[0], curve.Evaluate(t)), 1e-14);
    for (int k = 1; k <= 4; ++k) {
      const Point3 fd = (curve.EvaluateDerivatives(t + h, k - 1)[k - 1] -
                         curve.EvaluateDerivatives(t - h, k - 1)[k - 1]) /
                        (2 * h);
      EXPECT_LT(distance(fd, d[k]), 1e-5 * (1.0 + length(d[k]))) << t << " " << k;
    }
  }
}

TEST(M3dNurbsCurve, DomainClampingAndMalformedInput) {
  // Unclamped uniform quadratic: the domain is [knots[2], knots[5]]; parameters outside it and
  // NaN are clamped; at a knot the curve is the midpoint of two control points.
  const Point3 o, x(1, 0, 0), y(0, 1, 0), nan(NAN, 0, 0);
  const std::vector<Point3> pts{o, {1, 2, 0}, {3, 2, 1}, {4, 0, 0}, {6, 1, 1}};
  const M3dNurbsCurve curve(3, {0, 1, 2, 3, 4, 5, 6, 7}, pts);
  EXPECT_EQ(curve.GetDistinctKnots(), (std::vector<double>{2, 3, 4, 5}));
  EXPECT_EQ(curve.Evaluate(-10.0), curve.Evaluate(2.0));
  EXPECT_EQ(curve.Evaluate(std::numeric_limits<double>::quiet_NaN()), curve.Evaluate(2.0));
  EXPECT_LT(distance(curve.Evaluate(3.0), (pts[1] + pts[2]) * 0.5), 1e-15);
  // A repeated end knot inside the knot vector: the end is evaluated on the span before it.
  const M3dNurbsCurve polyline(2, {0, 0, 1, 1, 1}, {pts[0], pts[1], pts[2]});
  EXPECT_EQ(polyline.Evaluate(1.0), pts[1]);
  EXPECT_EQ(polyline.GetDistinctKnots(), (std::vector<double>{0, 1}));

  const std::vector<Point3> three{o, x, y};
  const std::vector<double> k{0, 0, 0, 1, 1, 1};
  // Knots: too few, decreasing, not finite, an empty domain; then one case per other rule.
  const std::vector<double> knots[] = {
      {0, 0, 0, 1, 1}, {0, 0, 1, 0.5, 1, 1}, {0, 0, NAN, 1, 1, 1}, {1, 1, 1, 1, 1, 1}};
  for (const auto& bad : knots)
    ExpectInvalid("knots", [&] { M3dNurbsCurve(3, bad, three); });
  for (const std::vector<double>& bad : {std::vector<double>{1, 0, 1}, {1, 1}})
    ExpectInvalid("weights", [&] { M3dNurbsCurve(3, k, three, bad); });
  ExpectInvalid("order", [&] { M3dNurbsCurve(0, {0, 1, 2}, three); });
  ExpectInvalid("controlPoints", [&] { M3dNurbsCurve(3, k, {o, nan, x}); });
  ExpectInvalid("b", [&] { M3dNurbsCurve::Line(o, nan); });
  // Derivative counts beyond the documented maximum, for a polynomial and a rational curve.
  for (const int count : {-1, M3dNurbsCurve::kMaxDerivativeCount + 1, INT_MAX}) {
    ExpectInvalid("count", [&] { M3dNurbsCurve::Line(o, x).EvaluateDerivatives(0, count); });
    ExpectInvalid("count", [&] {
      M3dNurbsCurve(3, k, three, {1, 2, 1}).EvaluateDerivatives(0, count);
    });
  }
  // The maximum itself: derivatives above the degree are zero on a polynomial curve.
  const std::vector<Point3> all =
      M3dNurbsCurve(3, k, three).EvaluateDerivatives(0.3, M3dNurbsCurve::kMaxDerivativeCount);
  ASSERT_EQ(all.size(), static_cast<std::size_t>(M3dNurbsCurve::kMaxDerivativeCount) + 1);
  EXPECT_TRUE(
      std::all_of(all.begin() + 3, all.end(), [](const Point3& p) { return p == Point3(); }));
  // Coordinates whose squares overflow (and parameters alike) are rejected by name.
  for (const double huge : {1e300, 1.0001e100, -1e150}) {
    ExpectInvalid("controlPoints", [&] { M3dNurbsCurve(3, k, {o, x, Point3(0, huge, 0)}); });
    ExpectInvalid("knots", [&] { M3dNurbsCurve(3, {0, 0, 0, 1, 1, huge}, three); });
    ExpectInvalid("b", [&] { M3dNurbsCurve::Line(o, Point3(huge, 0, 0)); });
    ExpectInvalid("center", [&] { M3dNurbsCurve::Circle(Point3(0, 0, huge), 1, x, y); });
    ExpectInvalid("radius", [&] { M3dNurbsCurve::Circle(o, std::fabs(huge), x, y); });
  }
  ExpectInvalid("radius", [&] { M3dNurbsCurve::Circle(Point3(0, 0.6e100, 0), 0.3e100, x, y); });
  EXPECT_NO_THROW(M3dNurbsCurve::Circle(Point3(0, 0.3e100, 0), 0.3e100, x, y));
  EXPECT_NO_THROW(M3dNurbsCurve(3, k, {o, x, Point3(0, 1e100, -1e100)}));
  ExpectInvalid("endAngle", [&] { M3dNurbsCurve::Arc(o, 1, x, y, 0.0, 7.0); });
  ExpectInvalid("startAngle", [&] { M3dNurbsCurve::Arc(o, 1, x, y, NAN, 1.0); });
  ExpectInvalid("radius", [&] { M3dNurbsCurve::Circle(o, 0.0, x, y); });
  ExpectInvalid("xAxis", [&] { M3dNurbsCurve::Circle(o, 1, o, y); });
  ExpectInvalid("yAxis", [&] { M3dNurbsCurve::Circle(o, 1, x, x * -2.0); });
  EXPECT_NO_THROW(M3dNurbsCurve(3, k, three, {1, 2, 1}));
}

TEST(M3dNurbsCurve, ContinuityNeedsOrderTwoAndNoFullMultiplicityInnerKnot) {
  const Point3 o, x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
  struct Case {
    int order;
    std::vector<double> knots;
    std::size_t points;
    bool continuous;
  };
  const Case cases[] = {
      {2, {0, 0, 1, 1}, 2, true},                        // a line
      {3, {0, 0, 0, 0.5, 0.5, 1, 1, 1}, 5, true},        // inner knot of multiplicity 2 < order 3
      {3, {0, 0, 0, 0.5, 0.5, 0.5, 1, 1, 1}, 6, false},  // multiplicity 3 = order: a jump
      {2, {0, 0, 0.5, 0.5, 1, 1}, 4, false},             // multiplicity 2 = order 2
      {1, {0, 1}, 1, false},                             // order 1: a constant piece
      {1, {0, 0.5, 1}, 2, false},                        // order 1: constant pieces
      {3, {0, 0, 0, 1, 1, 1, 1}, 4, true},               // a repeated knot at the domain's end only
      {2, {0, 0, 0, 1, 1}, 3, true},                     // ...and at its start
  };
  const std::vector<Point3> net{o, x, y, z, x + y, y + z};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "order " << c.order << ", " << c.knots.size() << " knots");
    const M3dNurbsCurve curve(c.order, c.knots, {net.begin(), net.begin() + c.points});
    EXPECT_EQ(curve.IsContinuous(), c.continuous);
  }
  EXPECT_TRUE(M3dNurbsCurve::Circle(o, 1, x, y).IsContinuous());
}

}  // namespace
