#include <gtest/gtest.h>

#include <oneapi/tbb/global_control.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "Oxlen/Cad/Triangulation/MPointToQuadProjector.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "grid/grid_fixtures.h"

namespace {

using namespace grid_test;
using Projector = MCadTriangulator::MPointToQuadProjector;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;

// A surface with its refined, closed grid.
struct Grid {
  std::shared_ptr<MCADUVSurface> uvSurface;
  MAnalyticalSurface surface;
  MQuads quads;
  Grid(std::shared_ptr<MCADUVSurface> s, std::vector<double> u, std::vector<double> v)
      : uvSurface(std::move(s)),
        surface(*uvSurface, Oxlen::Math::matrix4x4<double>::identity()),
        quads(surface, MSurfaceIsolines{std::move(u), std::move(v)}) {
    quads.CloseExactlyIfClosed(1e-3);
    quads.ClosePoles(1e-3);
  }
};

Grid Cylinder() {
  return Grid(std::make_shared<MCADUVCylinder>(MCADFrame(), 10.0, 0.0, 2 * kPi, 0.0, 30.0),
              Spaced(0, 2 * kPi, 37), Spaced(0, 30, 11));
}

Grid Sphere() {
  return Grid(std::make_shared<MCADUVSphere>(MCADFrame(), 10.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2),
              Spaced(0, 2 * kPi, 24), Spaced(-kPi / 2, kPi / 2, 13));
}

// The smallest squared distance from p to any quad, by trying them all.
double BruteForceNearest(const MQuads& grid, const Point3& p) {
  double best = std::numeric_limits<double>::infinity();
  for (int u = 0; u < grid.GetQuadsCount(MQuads::EAxis::U); ++u)
    for (int v = 0; v < grid.GetQuadsCount(MQuads::EAxis::V); ++v)
      best = std::min(best, grid.ComputeSquaredDistanceBetweenQuadAndPoint({u, v}, p, nullptr));
  return best;
}

// The quad index along one axis by a linear scan: the largest i <= count - 2 whose isoline is
// strictly below the value, 0 when there is none.
int ScanAxis(const std::vector<double>& isolines, double value) {
  int index = 0;
  for (int i = 0; i + 1 < static_cast<int>(isolines.size()); ++i)
    if (isolines[static_cast<std::size_t>(i)] < value)
      index = i;
  return index;
}

TEST(MPointToQuadProjector, FindsTheNearestQuadOnCurvedGrids) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (Grid grid : {Cylinder(), Sphere()}) {
    const Projector projector(grid.quads, 1e-3);
    for (int k = 0; k < 2000; ++k) {
      // Points on, inside and outside the surface, poles and seam included.
      const auto& v = grid.quads.GetIsolines(MQuads::EAxis::V);
      Point3 p;
      grid.uvSurface->EvaluatePoint(
          {2 * kPi * unit(rng), v.front() + (v.back() - v.front()) * unit(rng)}, p);
      p = p / 10000.0 * (0.8 + 0.4 * unit(rng));
      const MQuadIndex q = projector.Project(p);
      ASSERT_GE(q.u, 0);
      ASSERT_GE(q.v, 0);
      EXPECT_EQ(grid.quads.ComputeSquaredDistanceBetweenQuadAndPoint(q, p, nullptr),
                BruteForceNearest(grid.quads, p));
    }
  }
}

TEST(MPointToQuadProjector, LocatesParametersByTheIsolines) {
  Grid grid = Sphere();
  const Projector projector(grid.quads, 1e-3);
  const auto& U = grid.quads.GetIsolines(MQuads::EAxis::U);
  const auto& V = grid.quads.GetIsolines(MQuads::EAxis::V);
  const MQuadIndex last(static_cast<int>(U.size()) - 2, static_cast<int>(V.size()) - 2);
  // A far-away 3D position shows that a located UV is never checked in 3D.
  const Point3 far(1e6, 1e6, 1e6);
  EXPECT_EQ(projector.Project(MPointOnLoop(far, {U.front(), V.front()})), MQuadIndex(0, 0));
  EXPECT_EQ(projector.Project(MPointOnLoop(far, {U.back(), V.back()})), last);
  // On an interior isoline: the quad below or left of it.
  EXPECT_EQ(projector.Project(MPointOnLoop(far, {U[5], V[7]})), MQuadIndex(4, 6));
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> uu(U.front(), U.back()), vv(V.front(), V.back());
  for (int k = 0; k < 1000; ++k) {
    const Point2 uv(uu(rng), vv(rng));
    EXPECT_EQ(projector.Project(MPointOnLoop(far, uv)),
              MQuadIndex(ScanAxis(U, uv[0]), ScanAxis(V, uv[1])));
  }
  // Slightly outside the parameter box: located in 3D instead.
  Point3 p;
  grid.uvSurface->EvaluatePoint({1.0, 0.3}, p);
  p = p / 10000.0;
  const Point2 outside(U.back() + 1e-9, 0.3);
  EXPECT_EQ(projector.Project(MPointOnLoop(p, outside)), projector.Project(p));
  EXPECT_EQ(projector.Project(MPointOnLoop(p)), projector.Project(p));
}

TEST(MPointToQuadProjector, DegenerateGridsAndThreadCounts) {
  // One quad row along V: the V index is always 0.
  auto cylinder = std::make_shared<MCADUVCylinder>(MCADFrame(), 5.0, 0.0, kPi, 0.0, 1.0);
  Grid row(cylinder, Spaced(0, kPi, 8), {0.0, 1.0});
  const Projector projector(row.quads, 0.0);
  for (double v : {0.0, 0.5, 1.0})
    EXPECT_EQ(projector.Project(MPointOnLoop(Point3(), {1.0, v})).v, 0);

  // No quads at all: nothing to find.
  Grid line(cylinder, Spaced(0, kPi, 8), {0.5});
  const Projector empty(line.quads, 0.0);
  EXPECT_EQ(empty.Project(Point3(1, 2, 3)), MQuads::kInvalidQuadIndex);

  // The same answers whatever the number of threads the caller allows.
  Grid sphere = Sphere();
  std::vector<MQuadIndex> reference;
  for (int threads : {1, 2, 8}) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
    const Projector p(sphere.quads, 1e-3);
    std::vector<MQuadIndex> answers;
    for (int k = 0; k < 200; ++k)
      answers.push_back(p.Project(Point3(std::cos(k) * 9, std::sin(k) * 9, 10.0 - 0.1 * k)));
    if (reference.empty())
      reference = answers;
    EXPECT_EQ(answers, reference) << threads << " threads";
  }
}

}  // namespace
