#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "NurbsTestShapes.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

namespace {

using nurbs_test::ExpectInvalid;
using nurbs_test::Point3;
using nurbs_test::Uniform;

TEST(M3dNurbsSurface, CylinderMatchesCosineAndSine) {
  const double r = 1.75;
  const double height = 4.0;
  const M3dNurbsSurface cylinder = nurbs_test::Cylinder(r, height);
  EXPECT_TRUE(cylinder.IsRational());
  EXPECT_EQ(cylinder.GetOrderU(), 3);
  EXPECT_EQ(cylinder.GetOrderV(), 2);
  EXPECT_EQ(cylinder.GetCountU(), 9);
  EXPECT_EQ(cylinder.GetCountV(), 2);
  EXPECT_EQ(cylinder.GetKnotsU(), nurbs_test::CircleKnots());
  EXPECT_EQ(cylinder.GetDistinctKnotsU(), (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
  EXPECT_EQ(cylinder.GetDistinctKnotsV(), (std::vector<double>{0, 1}));
  // Control point (iu, iv) is controlPoints[iu * countV + iv].
  EXPECT_EQ(cylinder.GetControlPoint(2, 1), Point3(0.0, r, height));
  EXPECT_EQ(cylinder.GetControlPoints()[2 * 2 + 1], Point3(0.0, r, height));
  EXPECT_EQ(cylinder.Evaluate(0.25, 1.0), Point3(0.0, r, height));

  for (int i = 0; i <= 80; ++i) {
    for (int j = 0; j <= 8; ++j) {
      const double u = i / 80.0;
      const double v = j / 8.0;
      const double angle = nurbs_test::CircleAngle(u);
      const Point3 expected(r * std::cos(angle), r * std::sin(angle), height * v);
      EXPECT_LT(Oxlen::Math::distance(cylinder.Evaluate(u, v), expected), 1e-13 * r)
          << u << " " << v;
    }
  }
}

TEST(M3dNurbsSurface, BilinearPatchAndDegreeElevatedPlane) {
  const Point3 p00(0, 0, 0), p01(1, 0, 1), p10(0, 2, -1), p11(3, 3, 2);
  const M3dNurbsSurface bilinear(2, 2, 2, 2, {0, 0, 1, 1}, {0, 0, 1, 1}, {p00, p01, p10, p11});
  EXPECT_FALSE(bilinear.IsRational());

  // z = 0.5 x - 2 y + 1 over [0, 2] x [-1, 3], as a cubic x quadratic with uneven interior knots.
  // Control points at the Greville abscissae give the linear parametrisation S(u, v) = (u, v, z).
  const std::vector<double> knotsU{0, 0, 0, 0, 0.3, 1.5, 2, 2, 2, 2};
  const std::vector<double> knotsV{-1, -1, -1, 0.2, 0.4, 3, 3, 3};
  auto plane = [](double x, double y) { return 0.5 * x - 2.0 * y + 1.0; };
  std::vector<Point3> points;
  for (int i = 0; i < 6; ++i) {
    const double x = (knotsU[i + 1] + knotsU[i + 2] + knotsU[i + 3]) / 3.0;
    for (int j = 0; j < 5; ++j) {
      const double y = (knotsV[j + 1] + knotsV[j + 2]) / 2.0;
      points.emplace_back(x, y, plane(x, y));
    }
  }
  const M3dNurbsSurface elevated(4, 3, 6, 5, knotsU, knotsV, points);
  // With constant weights the rational form is the same surface.
  const M3dNurbsSurface weighted(4, 3, 6, 5, knotsU, knotsV, points, std::vector<double>(30, 3.5));

  std::mt19937_64 rng(7);
  for (int i = 0; i < 300; ++i) {
    const double u = Uniform(rng, 0, 1);
    const double v = Uniform(rng, 0, 1);
    const Point3 expected =
        p00 * ((1 - u) * (1 - v)) + p01 * ((1 - u) * v) + p10 * (u * (1 - v)) + p11 * (u * v);
    EXPECT_LT(Oxlen::Math::distance(bilinear.Evaluate(u, v), expected), 1e-14);
    const double x = Uniform(rng, 0, 2);
    const double y = Uniform(rng, -1, 3);
    const Point3 onPlane(x, y, plane(x, y));
    EXPECT_LT(Oxlen::Math::distance(elevated.Evaluate(x, y), onPlane), 1e-13);
    EXPECT_LT(Oxlen::Math::distance(weighted.Evaluate(x, y), onPlane), 1e-13);
    const M3dNurbsSurface::MDerivatives d = elevated.EvaluateDerivatives(x, y);
    EXPECT_LT(Oxlen::Math::distance(d.su, Point3(1, 0, 0.5)), 1e-12);
    EXPECT_LT(Oxlen::Math::distance(d.sv, Point3(0, 1, -2)), 1e-12);
    EXPECT_LT(Oxlen::Math::length(d.suu) + Oxlen::Math::length(d.suv) + Oxlen::Math::length(d.svv),
              1e-10);
  }
  // Corners interpolate the corner control points of the net.
  EXPECT_EQ(elevated.Evaluate(2.0, -1.0), elevated.GetControlPoint(5, 0));
  EXPECT_EQ(elevated.Evaluate(0.0, 3.0), elevated.GetControlPoint(0, 4));
  // Out-of-domain and NaN parameters are clamped.
  EXPECT_EQ(elevated.Evaluate(-5.0, 10.0), elevated.Evaluate(0.0, 3.0));
  EXPECT_EQ(elevated.Evaluate(std::numeric_limits<double>::quiet_NaN(), 0.5),
            elevated.Evaluate(0.0, 0.5));
}

TEST(M3dNurbsSurface, TorusPatchStaysOnTheTorus) {
  const double bigR = 3.0;
  const double a = 1.25;
  const M3dNurbsSurface torus = nurbs_test::TorusPatch(bigR, a);
  for (int i = 0; i <= 40; ++i) {
    for (int j = 0; j <= 40; ++j) {
      const Point3 p = torus.Evaluate(i / 40.0, j / 40.0);
      const double rho = std::hypot(p[0], p[1]);
      EXPECT_NEAR(std::hypot(rho - bigR, p[2]), a, 1e-13);
      EXPECT_GE(p[0], -1e-15);
      EXPECT_GE(p[1], -1e-15);
      EXPECT_GE(p[2], -1e-15);
    }
  }
}

TEST(M3dNurbsSurface, DerivativesMatchFiniteDifferences) {
  const double h = 1e-5;
  const M3dNurbsSurface shapes[] = {nurbs_test::RandomRationalSurface(11),
                                    nurbs_test::RandomRationalSurface(12),
                                    nurbs_test::TorusPatch(3.0, 1.0), nurbs_test::Cylinder(2, 3)};
  for (const M3dNurbsSurface& s : shapes) {
    std::mt19937_64 rng(99);
    const std::vector<double> ku = s.GetDistinctKnotsU();
    const std::vector<double> kv = s.GetDistinctKnotsV();
    for (int i = 0; i < 40; ++i) {
      // Parameters at least 2h inside a knot span: the second derivatives jump across knots.
      double u = Uniform(rng, ku.front() + 2 * h, ku.back() - 2 * h);
      double v = Uniform(rng, kv.front() + 2 * h, kv.back() - 2 * h);
      for (double k : ku)
        if (std::abs(u - k) < 2 * h)
          u = k + 2 * h;
      for (double k : kv)
        if (std::abs(v - k) < 2 * h)
          v = k + 2 * h;
      const M3dNurbsSurface::MDerivatives d = s.EvaluateDerivatives(u, v);
      const M3dNurbsSurface::MDerivatives up = s.EvaluateDerivatives(u + h, v);
      const M3dNurbsSurface::MDerivatives um = s.EvaluateDerivatives(u - h, v);
      const M3dNurbsSurface::MDerivatives vp = s.EvaluateDerivatives(u, v + h);
      const M3dNurbsSurface::MDerivatives vm = s.EvaluateDerivatives(u, v - h);
      auto expectNear = [&](const Point3& fd, const Point3& exact, const char* what) {
        EXPECT_LT(Oxlen::Math::distance(fd, exact), 1e-5 * (1.0 + Oxlen::Math::length(exact)))
            << what << " at " << u << ", " << v;
      };
      EXPECT_LT(Oxlen::Math::distance(d.s, s.Evaluate(u, v)), 1e-13);
      expectNear((s.Evaluate(u + h, v) - s.Evaluate(u - h, v)) / (2 * h), d.su, "su");
      expectNear((s.Evaluate(u, v + h) - s.Evaluate(u, v - h)) / (2 * h), d.sv, "sv");
      expectNear((up.su - um.su) / (2 * h), d.suu, "suu");
      expectNear((vp.su - vm.su) / (2 * h), d.suv, "suv");
      expectNear((up.sv - um.sv) / (2 * h), d.suv, "svu");
      expectNear((vp.sv - vm.sv) / (2 * h), d.svv, "svv");
    }
  }
}

TEST(M3dNurbsSurface, RejectsMalformedInput) {
  const std::vector<double> k{0, 0, 1, 1};
  const std::vector<Point3> four{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 1}};
  EXPECT_NO_THROW(M3dNurbsSurface(2, 2, 2, 2, k, k, four, {1, 2, 3, 4}));
  ExpectInvalid([&] { M3dNurbsSurface(0, 2, 2, 2, {0, 1}, k, four); }, "orderU");
  ExpectInvalid([&] { M3dNurbsSurface(2, 0, 2, 2, k, {0, 1}, four); }, "orderV");
  ExpectInvalid(
      [&] {
        M3dNurbsSurface(2, 2, 1, 4, {0, 0, 1}, {0, 0, 1, 2, 3, 3}, four);
      },
      "countU");
  ExpectInvalid([&] { M3dNurbsSurface(2, 2, 2, -1, k, k, four); }, "countV");
  ExpectInvalid([&] { M3dNurbsSurface(2, 2, 2, 2, {0, 0, 1}, k, four); }, "knotsU");
  ExpectInvalid([&] { M3dNurbsSurface(2, 2, 2, 2, k, {0, 1, 0, 1}, four); }, "knotsV");
  ExpectInvalid([&] { M3dNurbsSurface(2, 2, 2, 2, k, {0, 0, NAN, 1}, four); }, "knotsV");
  ExpectInvalid([&] { M3dNurbsSurface(2, 2, 2, 2, {2, 2, 2, 2}, k, four); }, "knotsU");
  ExpectInvalid(
      [&] {
        M3dNurbsSurface(2, 2, 2, 2, k, k, {four[0], four[1], four[2]});
      },
      "controlPoints");
  ExpectInvalid(
      [&] {
        M3dNurbsSurface(2, 2, 2, 2, k, k, {four[0], four[1], four[2], Point3(0, NAN, 0)});
      },
      "controlPoints");
  ExpectInvalid([&] { M3dNurbsSurface(2, 2, 2, 2, k, k, four, {1, 1, 0, 1}); }, "weights");
  ExpectInvalid([&] { M3dNurbsSurface(2, 2, 2, 2, k, k, four, {1, 1, -2, 1}); }, "weights");
  ExpectInvalid([&] { M3dNurbsSurface(2, 2, 2, 2, k, k, four, {1, INFINITY, 1, 1}); }, "weights");
  ExpectInvalid([&] { M3dNurbsSurface(2, 2, 2, 2, k, k, four, {1, 1, 1}); }, "weights");
}

}  // namespace
