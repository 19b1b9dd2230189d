#pragma once

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"

namespace loop_test {

using MQuads = MCadTriangulator::MQuads;
using MSegmentedLoop = MCadTriangulator::MSegmentedLoop;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using P2 = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;
inline constexpr double kPi = std::numbers::pi;

/// n + 1 evenly spaced values from lo to hi.
inline std::vector<double> Spaced(double lo, double hi, int n) {
  std::vector<double> values;
  for (int k = 0; k <= n; ++k)
    values.push_back(k == n ? hi : lo + (hi - lo) * k / n);
  return values;
}

/// A face with its grid over the face's surface (identity placement unless given).
struct FaceGrid {
  MCADFace face;
  MCadTriangulator::MAnalyticalSurface surface;
  MQuads quads;
  FaceGrid(std::shared_ptr<const MCADUVSurface> s, std::vector<double> u, std::vector<double> v)
      : face(std::move(s)),
        surface(*face.GetSurface(), Oxlen::Math::matrix4x4<double>::identity()),
        quads(surface, {std::move(u), std::move(v)}) {
    quads.CloseExactlyIfClosed(1e-6);
  }
};

/// A 10 x 10 plane over [0, 10]^2 cut into n x n quads.
inline FaceGrid PlaneGrid(int n) {
  return FaceGrid(std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 10.0, 0.0, 10.0),
                  Spaced(0, 10, n), Spaced(0, 10, n));
}

/// A full cylinder of radius 5 and height 10 with an m x n grid.
inline FaceGrid CylinderGrid(int m, int n) {
  return FaceGrid(std::make_shared<MCADUVCylinder>(MCADFrame(), 5.0, 0.0, 2 * kPi, 0.0, 10.0),
                  Spaced(0, 2 * kPi, m), Spaced(0, 10, n));
}

/// The surface point at uv, in model units.
inline P3 At(const FaceGrid& g, const P2& uv) {
  return g.surface.Evaluate(uv);
}

/// A circle of UV points around `center`, counter-clockwise (clockwise when `clockwise`),
/// lifted onto the surface; the UVs are kept only when `withUV`.
inline MSegmentedLoop Circle(const FaceGrid& g, P2 center, double radius, bool clockwise,
                             bool withUV, int n = 64) {
  MSegmentedLoop loop;
  for (int k = 0; k < n; ++k) {
    const double a = (clockwise ? -2 : 2) * kPi * k / n;
    const P2 uv(center[0] + radius * std::cos(a), center[1] + radius * std::sin(a));
    loop.points.push_back(withUV ? MPointOnLoop(At(g, uv), uv) : MPointOnLoop(At(g, uv)));
  }
  return loop;
}

}  // namespace loop_test
