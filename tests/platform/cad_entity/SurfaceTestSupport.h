#pragma once

// Helpers for the analytic surface tests: closed-form references, a brute-force nearest-point
// search, and inversion checks.

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "platform/platform_test_support.h"

namespace SurfaceTest {

using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;
using platform_test::ExpectInvalid;

constexpr double kPi = std::numbers::pi, kHalfPi = kPi / 2, kTwoPi = 2 * kPi;
constexpr double kInternalScale = 10000.0;

// A frame tilted against every world axis and placed away from the world origin.
inline MCADFrame TiltedFrame() {
  return MCADFrame(Point3{1.5, -2.25, 0.75}, Point3{1.0, 2.0, 2.0}, Point3{2.0, -1.0, 0.3});
}

// The internal-unit point at local model coordinates (a, b, c) of the frame.
inline Point3 ExpectedPoint(const MCADFrame& f, double a, double b, double c) {
  return (f.origin + a * f.xAxis + b * f.yAxis + c * f.zAxis) * kInternalScale;
}

inline Point3 Evaluate(const MCADUVSurface& s, const Point2& uv) {
  Point3 p;
  s.EvaluatePoint(uv, p);
  return p;
}

inline Point2 LowerCorner(const MCADUVSurface& s) {
  return {s.GetExtremesUV(eInU).GetMin(), s.GetExtremesUV(eInV).GetMin()};
}

inline Point2 UpperCorner(const MCADUVSurface& s) {
  return {s.GetExtremesUV(eInU).GetMax(), s.GetExtremesUV(eInV).GetMax()};
}

inline bool InLimits(const MCADUVSurface& s, const Point2& uv) {
  const Point2 lo = LowerCorner(s), hi = UpperCorner(s);
  return uv[0] >= lo[0] && uv[0] <= hi[0] && uv[1] >= lo[1] && uv[1] <= hi[1];
}

// Distance from p to the nearest point of the patch found by brute force: the best point of a
// dense parameter sample, polished by a compass search that stays within the limits.
inline double BruteForceDistance(const MCADUVSurface& s, const Point3& p) {
  const Point2 lo = LowerCorner(s), hi = UpperCorner(s);
  const auto at = [&](const Point2& uv) { return Oxlen::Math::distance(Evaluate(s, uv), p); };
  Point2 best = lo, step = (hi - lo) / 100.0;
  double bestDistance = at(lo);
  const auto consider = [&](const Point2& uv) {
    const double d = at(uv);
    return d < bestDistance ? (bestDistance = d, best = uv, true) : false;
  };
  for (int i = 0; i < 101 * 101; ++i)
    consider({lo[0] + step[0] * (i / 101), lo[1] + step[1] * (i % 101)});
  for (int iteration = 0; iteration < 5000 && step[0] + step[1] > 1e-14; ++iteration) {
    bool moved = false;
    for (const Point2& d :
         {Point2{step[0], 0}, Point2{-step[0], 0}, Point2{0, step[1]}, Point2{0, -step[1]}})
      moved |= consider(
          {std::clamp(best[0] + d[0], lo[0], hi[0]), std::clamp(best[1] + d[1], lo[1], hi[1])});
    step = moved ? step : step * 0.5;
  }
  return bestDistance;
}

// The inversion of p lies within the limits, and no point of the patch is nearer to p than the
// point it designates.
inline void ExpectNearestPoint(const MCADUVSurface& s, const Point3& p,
                               double tolerance = 1e-3 * kInternalScale) {
  const Point2 uv = s.InvertPoint(p, tolerance);
  ASSERT_TRUE(InLimits(s, uv)) << uv[0] << ", " << uv[1];
  EXPECT_LE(Oxlen::Math::distance(Evaluate(s, uv), p), BruteForceDistance(s, p) + 1e-6)
      << "p = " << p[0] << ", " << p[1] << ", " << p[2] << "; uv = " << uv[0] << ", " << uv[1];
}

// The surface point at uv inverts to uv, and the inverted parameters evaluate to the same point.
inline void ExpectRoundTrip(const MCADUVSurface& s, const Point2& uv, double uvTolerance) {
  const Point3 p = Evaluate(s, uv);
  const Point2 back = s.InvertPoint(p, 1e-3 * kInternalScale);
  EXPECT_LT(std::max(std::abs(back[0] - uv[0]), std::abs(back[1] - uv[1])), uvTolerance);
  EXPECT_LT(Oxlen::Math::distance(Evaluate(s, back), p), 1e-6);
}

}  // namespace SurfaceTest
