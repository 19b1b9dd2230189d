#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "Oxlen/Cad/Triangulation/MPointToQuadProjector.h"
#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "Oxlen/Math/matrix4x4.h"
#include "grid/grid_fixtures.h"

namespace distribution_test {

// The grid's index types, point aliases, kPi and Spaced come from the grid fixtures.
using namespace grid_test;
using MLoopsOnQuads = MCadTriangulator::MLoopsOnQuads;
using MQuadrangulatedSurface = MCadTriangulator::MQuadrangulatedSurface;
using MSegmentedLoop = MCadTriangulator::MSegmentedLoop;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using Projector = MCadTriangulator::MPointToQuadProjector;
using Polygon = std::vector<Point2>;

/// A uniform double in [lo, hi) from the top 53 bits of the generator (the same on every
/// platform).
inline double Uniform(std::mt19937_64& rng, double lo, double hi) {
  return lo + (hi - lo) * (static_cast<double>(rng() >> 11) * 0x1.0p-53);
}

/// A surface with its closed grid, an empty loop distribution and a projector over the grid.
struct TestGrid {
  std::shared_ptr<MCADUVSurface> uvSurface;
  std::unique_ptr<MAnalyticalSurface> surface;
  std::unique_ptr<MQuadrangulatedSurface> grid;
  std::unique_ptr<Projector> projector;

  TestGrid(std::shared_ptr<MCADUVSurface> s, std::vector<double> u, std::vector<double> v)
      : uvSurface(std::move(s)),
        surface(std::make_unique<MAnalyticalSurface>(*uvSurface,
                                                     Oxlen::Math::matrix4x4<double>::identity())),
        grid(std::make_unique<MQuadrangulatedSurface>(
            *surface, MCadTriangulator::MSurfaceIsolines{std::move(u), std::move(v)})) {
    grid->quads.CloseExactlyIfClosed(1e-3);
    grid->quads.ClosePoles(1e-3);
    projector = std::make_unique<Projector>(grid->quads, 1e-3);
  }

  const MQuads& Quads() const { return grid->quads; }
  MLoopsOnQuads& Loops() { return grid->loops; }
  Point3 At(const Point2& uv) const { return surface->Evaluate(uv); }
  void Add(MSegmentedLoop loop) { grid->loops.AddLoop(grid->quads, std::move(loop), *projector); }
  void Clear() { grid->loops = MLoopsOnQuads(); }
};

/// The plane z = 0 over [0, w] x [0, h], 3D point (u, v, 0), with the given isolines.
inline TestGrid Plane(std::vector<double> u, std::vector<double> v) {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, u.back(), 0.0, v.back());
  return TestGrid(std::move(plane), std::move(u), std::move(v));
}

/// A cylinder of radius 10 and height 30, closed in U.
inline TestGrid Cylinder(int quadsU = 24, int quadsV = 10) {
  return TestGrid(std::make_shared<MCADUVCylinder>(MCADFrame(), 10.0, 0.0, 2 * kPi, 0.0, 30.0),
                  Spaced(0, 2 * kPi, quadsU), Spaced(0, 30, quadsV));
}

/// A sphere of radius 10 between the latitudes vMin and vMax, closed in U.
inline TestGrid Sphere(int quadsU = 24, int quadsV = 12, double vMin = -kPi / 2,
                       double vMax = kPi / 2) {
  return TestGrid(std::make_shared<MCADUVSphere>(MCADFrame(), 10.0, 0.0, 2 * kPi, vMin, vMax),
                  Spaced(0, 2 * kPi, quadsU), Spaced(vMin, vMax, quadsV));
}

/// A torus with radii 10 and 3, closed in U and in V.
inline TestGrid Torus(int quadsU = 16, int quadsV = 8) {
  auto f = [](double u, double v) {
    return Point3((10 + 3 * std::cos(v)) * std::cos(u), (10 + 3 * std::cos(v)) * std::sin(u),
                  3 * std::sin(v));
  };
  return TestGrid(std::make_shared<grid_test::FunctionSurface>(f, MCADDomainLimits(0, 2 * kPi),
                                                               MCADDomainLimits(0, 2 * kPi)),
                  Spaced(0, 2 * kPi, quadsU), Spaced(0, 2 * kPi, quadsV));
}

/// The polygon as a segmented loop on the grid's surface: each side sampled at `perSide` points
/// (its first corner included), optionally with UV (wrapped into [0, 2 pi) when `wrapU`) and
/// with tags (tagBase + side index).
inline MSegmentedLoop PolygonLoop(const TestGrid& g, const Polygon& polygon, int perSide,
                                  bool withUv, bool withTags, int tagBase = 100,
                                  bool wrapU = false) {
  MSegmentedLoop loop;
  if (withTags)
    loop.tags.emplace();
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const Point2& a = polygon[k];
    const Point2& b = polygon[(k + 1) % polygon.size()];
    for (int s = 0; s < perSide; ++s) {
      Point2 uv = Oxlen::Math::lerp(a, b, static_cast<double>(s) / perSide);
      if (wrapU)
        uv[0] = uv[0] - 2 * kPi * std::floor(uv[0] / (2 * kPi));
      const Point3 p = g.At(uv);
      loop.points.push_back(withUv ? MPointOnLoop(p, uv) : MPointOnLoop(p));
      if (withTags)
        loop.tags->push_back(tagBase + static_cast<int>(k));
    }
  }
  return loop;
}

/// An axis-parallel rectangle in UV, counter-clockwise.
inline Polygon Rectangle(double u0, double v0, double u1, double v1) {
  return {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
}

/// A circle in UV with n corners, counter-clockwise.
inline Polygon Circle(const Point2& centre, double radius, int n) {
  Polygon polygon;
  for (int k = 0; k < n; ++k)
    polygon.push_back({centre[0] + radius * std::cos(2 * kPi * k / n),
                       centre[1] + radius * std::sin(2 * kPi * k / n)});
  return polygon;
}

/// A random star-shaped polygon around `centre` with radii in [rMin, rMax], counter-clockwise.
inline Polygon Star(std::mt19937_64& rng, const Point2& centre, double rMin, double rMax, int n) {
  Polygon polygon;
  for (int k = 0; k < n; ++k) {
    const double angle = 2 * kPi * (k + Uniform(rng, -0.3, 0.3)) / n;
    const double radius = Uniform(rng, rMin, rMax);
    polygon.push_back({centre[0] + radius * std::cos(angle), centre[1] + radius * std::sin(angle)});
  }
  return polygon;
}

inline Polygon Reversed(const Polygon& polygon) {
  return {polygon.rbegin(), polygon.rend()};
}

/// Even-odd point-in-polygon test in UV.
inline bool Contains(const Polygon& polygon, const Point2& p) {
  bool inside = false;
  for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const Point2& a = polygon[i];
    const Point2& b = polygon[j];
    if ((a[1] > p[1]) != (b[1] > p[1]) &&
        p[0] < (b[0] - a[0]) * (p[1] - a[1]) / (b[1] - a[1]) + a[0])
      inside = !inside;
  }
  return inside;
}

/// Distance in UV from p to the polygon's boundary.
inline double DistanceToBoundary(const Polygon& polygon, const Point2& p) {
  double best = INFINITY;
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const Point2& a = polygon[k];
    const Point2& b = polygon[(k + 1) % polygon.size()];
    const Point2 d = b - a;
    const double t = std::clamp(dot(p - a, d) / dot(d, d), 0.0, 1.0);
    best = std::min(best, Oxlen::Math::distance(p, a + t * d));
  }
  return best;
}

}  // namespace distribution_test
