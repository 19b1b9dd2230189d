#include "Oxlen/Nurbs/M3dNurbsSurface.h"

#include "platform/nurbs/NurbsTestShapes.h"

namespace {

using nurbs_test::ExpectInvalid;
using nurbs_test::Point3;
using nurbs_test::Uniform;
using Oxlen::Math::distance;
using Oxlen::Math::length;

TEST(M3dNurbsSurface, CylinderTorusAndElevatedPlaneMatchTheirClosedForms) {
  const double r = 1.75, height = 4.0, bigR = 3.0, a = 1.25;
  const M3dNurbsSurface cylinder = nurbs_test::Cylinder(r, height);
  const M3dNurbsSurface torus = nurbs_test::Torus(bigR, a);
  // Control point (iu, iv) is controlPoints[iu * countV + iv].
  EXPECT_EQ(cylinder.GetControlPoints()[2 * 2 + 1], Point3(0.0, r, height));
  for (int i = 0; i <= 80; ++i) {
    for (int j = 0; j <= 8; ++j) {
      const double u = i / 80.0, v = j / 8.0, angle = nurbs_test::CircleAngle(u);
      const Point3 expected(r * std::cos(angle), r * std::sin(angle), height * v);
      EXPECT_LT(distance(cylinder.Evaluate(u, v), expected), 1e-13 * r) << u << " " << v;
      // The torus band lies on the torus, above z = 0.
      const Point3 p = torus.Evaluate(u, v);
      EXPECT_NEAR(std::hypot(std::hypot(p[0], p[1]) - bigR, p[2]), a, 1e-13);
      EXPECT_GE(p[2], -1e-15);
    }
  }
  // z = 0.5 x - 2 y + 1 over [0, 2] x [-1, 3] as a cubic x quadratic with uneven interior knots:
  // control points at the Greville abscissae give S(u, v) = (u, v, z), with any constant weight.
  const std::vector<double> knotsU{0, 0, 0, 0, 0.3, 1.5, 2, 2, 2, 2};
  const std::vector<double> knotsV{-1, -1, -1, 0.2, 0.4, 3, 3, 3};
  auto plane = [](double x, double y) { return Point3(x, y, 0.5 * x - 2.0 * y + 1.0); };
  std::vector<Point3> points;
  for (int i = 0; i < 30; ++i)
    points.push_back(plane((knotsU[i / 5 + 1] + knotsU[i / 5 + 2] + knotsU[i / 5 + 3]) / 3.0,
                           (knotsV[i % 5 + 1] + knotsV[i % 5 + 2]) / 2.0));
  const M3dNurbsSurface elevated(4, 3, 6, 5, knotsU, knotsV, points);
  const M3dNurbsSurface weighted(4, 3, 6, 5, knotsU, knotsV, points, std::vector<double>(30, 3.5));
  std::mt19937_64 rng(7);
  for (int i = 0; i < 300; ++i) {
    const double x = Uniform(rng, 0, 2), y = Uniform(rng, -1, 3);
    for (const M3dNurbsSurface* s : {&elevated, &weighted}) {
      const M3dNurbsSurface::MDerivatives d = s->EvaluateDerivatives(x, y);
      EXPECT_LT(distance(s->Evaluate(x, y), plane(x, y)), 1e-13);
      EXPECT_LT(distance(d.su, Point3(1, 0, 0.5)) + distance(d.sv, Point3(0, 1, -2)), 1e-12);
      EXPECT_LT(length(d.suu) + length(d.suv) + length(d.svv), 1e-10);
    }
  }
  // Corners interpolate the corner control points; out-of-domain and NaN parameters are clamped.
  EXPECT_EQ(elevated.Evaluate(2.0, -1.0), elevated.GetControlPoint(5, 0));
  EXPECT_EQ(elevated.Evaluate(-5.0, 10.0), elevated.GetControlPoint(0, 4));
  EXPECT_EQ(elevated.Evaluate(NAN, 0.5), elevated.Evaluate(0.0, 0.5));
}

TEST(M3dNurbsSurface, DerivativesMatchFiniteDifferences) {
  const double h = 1e-5;
  for (const M3dNurbsSurface& s : {nurbs_test::RandomRationalSurface(11),
                                   nurbs_test::Torus(3.0, 1.0), nurbs_test::Cylinder(2, 3)}) {
    std::mt19937_64 rng(99);
    for (int i = 0; i < 40; ++i) {
      // Parameters at least 2h inside a knot span: the second derivatives jump across knots.
      double u = Uniform(rng, s.GetStartU() + 2 * h, s.GetEndU() - 2 * h);
      double v = Uniform(rng, s.GetStartV() + 2 * h, s.GetEndV() - 2 * h);
      for (double k : s.GetDistinctKnotsU())
        u = std::abs(u - k) < 2 * h ? k + 2 * h : u;
      for (double k : s.GetDistinctKnotsV())
        v = std::abs(v - k) < 2 * h ? k + 2 * h : v;
      const auto d = s.EvaluateDerivatives(u, v);
      const auto up = s.EvaluateDerivatives(u + h, v), um = s.EvaluateDerivatives(u - h, v);
      const auto vp = s.EvaluateDerivatives(u, v + h), vm = s.EvaluateDerivatives(u, v - h);
      const double k = 1 / (2 * h);  // central differences
      const Point3 pairs[][2] = {{s.Evaluate(u, v), d.s},      {(up.s - um.s) * k, d.su},
                                 {(vp.s - vm.s) * k, d.sv},    {(up.su - um.su) * k, d.suu},
                                 {(vp.su - vm.su) * k, d.suv}, {(up.sv - um.sv) * k, d.suv},
                                 {(vp.sv - vm.sv) * k, d.svv}};
      for (const auto& [difference, exact] : pairs)
        EXPECT_LT(distance(difference, exact), 1e-5 * (1.0 + length(exact))) << u << ", " << v;
    }
  }
}

TEST(M3dNurbsSurface, RejectsMalformedInput) {
  using Knots = std::vector<double>;
  const Knots k{0, 0, 1, 1};
  const std::vector<Point3> four{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 1}};
  const auto make = [&](int orderU, int orderV, int countU, const Knots& knotsU,
                        const Knots& knotsV, const std::vector<Point3>& points,
                        const Knots& weights) {
    return [=] { M3dNurbsSurface(orderU, orderV, countU, 2, knotsU, knotsV, points, weights); };
  };
  EXPECT_NO_THROW(make(2, 2, 2, k, k, four, {1, 2, 3, 4})());
  ExpectInvalid("orderU", make(0, 2, 2, {0, 1}, k, four, {}));
  ExpectInvalid("countU", make(2, 2, 1, {0, 0, 1}, k, four, {}));
  ExpectInvalid("knotsU", make(2, 2, 2, {0, 0, 1}, k, four, {}));
  ExpectInvalid("knotsV", make(2, 2, 2, k, {0, 1, 0, 1}, four, {}));
  ExpectInvalid("controlPoints", make(2, 2, 2, k, k, {four[0], four[1], four[2]}, {}));
  ExpectInvalid("controlPoints", make(2, 2, 2, k, k, {four[0], four[1], four[2], {0, NAN, 0}}, {}));
  for (const Knots& bad : {Knots{1, 1, 0, 1}, {1, 1, 1}})
    ExpectInvalid("weights", make(2, 2, 2, k, k, four, bad));
  // Coordinates near 1e300 would invert to (0, 0) and mesh to an infinite area: rejected beyond
  // 1e100, knots alike.
  for (const double huge : {1e300, -1e300, 1.0001e100}) {
    ExpectInvalid("controlPoints",
                  make(2, 2, 2, k, k, {four[0], four[1], four[2], {0, 0, huge}}, {}));
    ExpectInvalid("knotsV", make(2, 2, 2, k, {0, 0, huge, huge}, four, {}));
  }
  EXPECT_NO_THROW(make(2, 2, 2, k, k, {four[0], four[1], four[2], {1e100, -1e100, 1e100}}, {})());
}

TEST(M3dNurbsSurface, ContinuityNeedsOrderTwoAndNoFullMultiplicityInnerKnotInEitherDirection) {
  using Knots = std::vector<double>;
  // (orderU, knotsU, countU) x (orderV, knotsV, countV); V is bilinear unless given.
  struct Case {
    int orderU;
    Knots knotsU;
    int countU;
    int orderV;
    Knots knotsV;
    bool continuous;
  };
  const Case cases[] = {
      {2, {0, 0, 1, 1}, 2, 2, {0, 0, 1, 1}, true},
      {3, {0, 0, 0, 0.5, 0.5, 1, 1, 1}, 5, 2, {0, 0, 1, 1}, true},
      {2, {0, 0, 0.5, 0.5, 1, 1}, 4, 2, {0, 0, 1, 1}, false},  // a tear along u = 0.5
      {1, {0, 0.5, 1}, 2, 2, {0, 0, 1, 1}, false},             // order 1 along U
      {2, {0, 0, 1, 1}, 2, 1, {0, 0.5, 1}, false},             // order 1 along V
      {2, {0, 0, 1, 1}, 2, 2, {0, 0, 0.3, 0.3, 1, 1}, false},  // a tear along v = 0.3
  };
  for (const Case& c : cases) {
    const int countV = static_cast<int>(c.knotsV.size()) - c.orderV;
    std::vector<Point3> net;
    for (int iu = 0; iu < c.countU; ++iu)
      for (int iv = 0; iv < countV; ++iv)
        net.emplace_back(iu, iv, (iu * iv) % 2);
    const M3dNurbsSurface surface(c.orderU, c.orderV, c.countU, countV, c.knotsU, c.knotsV, net);
    EXPECT_EQ(surface.IsContinuous(), c.continuous) << &c - cases;
  }
}

}  // namespace
