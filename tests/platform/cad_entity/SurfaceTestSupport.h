#pragma once

// Helpers for the analytic surface tests: closed-form references, a brute-force nearest-point
// search and a check of argument validation messages.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"

namespace SurfaceTest {

using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;
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
  double bestDistance = std::numeric_limits<double>::infinity();
  for (int i = 0; i <= 100; ++i)
    for (int j = 0; j <= 100; ++j)
      if (const Point2 uv{lo[0] + step[0] * i, lo[1] + step[1] * j}; at(uv) < bestDistance)
        bestDistance = at(uv), best = uv;
  for (int iteration = 0; iteration < 5000 && step[0] + step[1] > 1e-14; ++iteration) {
    bool moved = false;
    for (const Point2& d :
         {Point2{step[0], 0}, Point2{-step[0], 0}, Point2{0, step[1]}, Point2{0, -step[1]}}) {
      const Point2 uv{std::clamp(best[0] + d[0], lo[0], hi[0]),
                      std::clamp(best[1] + d[1], lo[1], hi[1])};
      if (at(uv) < bestDistance)
        bestDistance = at(uv), best = uv, moved = true;
    }
    if (!moved)
      step = step * 0.5;
  }
  return bestDistance;
}

// The inversion of p lies within the limits, and no point of the patch is nearer to p than the
// point it designates.
inline void ExpectNearestPoint(const MCADUVSurface& s, const Point3& p) {
  const Point2 uv = s.InvertPoint(p, 1e-3 * kInternalScale);
  ASSERT_TRUE(InLimits(s, uv)) << uv[0] << ", " << uv[1];
  EXPECT_LE(Oxlen::Math::distance(Evaluate(s, uv), p), BruteForceDistance(s, p) + 1e-6)
      << "p = " << p[0] << ", " << p[1] << ", " << p[2] << "; uv = " << uv[0] << ", " << uv[1];
}

// The surface point at uv inverts to uv, and the inverted parameters evaluate to the same point.
inline void ExpectRoundTrip(const MCADUVSurface& s, const Point2& uv, double uvTolerance) {
  const Point3 p = Evaluate(s, uv);
  const Point2 back = s.InvertPoint(p, 1e-3 * kInternalScale);
  EXPECT_NEAR(back[0], uv[0], uvTolerance);
  EXPECT_NEAR(back[1], uv[1], uvTolerance);
  EXPECT_LT(Oxlen::Math::distance(Evaluate(s, back), p), 1e-6);
}

// `f` throws std::invalid_argument whose message starts with `name` + ":".
template <class F>
void ExpectInvalid(const std::string& name, F&& f) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected one naming " << name;
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()).rfind(name + ":", 0), 0u) << e.what();
  }
}

}  // namespace SurfaceTest
