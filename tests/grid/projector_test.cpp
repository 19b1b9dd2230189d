#include <gtest/gtest.h>

#include <oneapi/tbb/global_control.h>

#include <algorithm>
#include <limits>
#include <memory>
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

// A surface with its closed grid.
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

Grid Sphere() {
  return Grid(std::make_shared<MCADUVSphere>(MCADFrame(), 10.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2),
              Spaced(0, 2 * kPi, 24), Spaced(-kPi / 2, kPi / 2, 13));
}

TEST(MPointToQuadProjector, FindsTheNearestQuadWhateverTheThreadCount) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const Grid& grid :
       {Grid(std::make_shared<MCADUVCylinder>(MCADFrame(), 10.0, 0.0, 2 * kPi, 0.0, 30.0),
             Spaced(0, 2 * kPi, 37), Spaced(0, 30, 11)),
        Sphere()}) {
    // Points on, inside and outside the surface, poles and seam included.
    const auto& v = grid.quads.GetIsolines(MQuads::V);
    std::vector<Point3> points(1000);
    for (Point3& p : points) {
      grid.uvSurface->EvaluatePoint(
          {2 * kPi * unit(rng), v.front() + (v.back() - v.front()) * unit(rng)}, p);
      p = p / 10000.0 * (0.8 + 0.4 * unit(rng));
    }
    std::vector<MQuadIndex> found;
    for (int threads : {1, 2, 8}) {
      tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
      const Projector projector(grid.quads, 1e-3);
      std::vector<MQuadIndex> answers;
      for (const Point3& p : points)
        answers.push_back(projector.Project(p));
      if (found.empty())
        found = answers;
      EXPECT_EQ(answers, found) << threads << " threads";
    }
    for (std::size_t k = 0; k < points.size(); ++k) {
      double nearest = std::numeric_limits<double>::infinity();
      for (int i = 0; i < grid.quads.GetQuadsCount(MQuads::U); ++i)
        for (int j = 0; j < grid.quads.GetQuadsCount(MQuads::V); ++j)
          nearest = std::min(nearest, grid.quads.ComputeSquaredDistanceBetweenQuadAndPoint(
                                          {i, j}, points[k], nullptr));
      ASSERT_TRUE(found[k].u >= 0);
      ASSERT_TRUE(found[k].v >= 0);
      EXPECT_EQ(grid.quads.ComputeSquaredDistanceBetweenQuadAndPoint(found[k], points[k], nullptr),
                nearest);
    }
  }
}
TEST(MPointToQuadProjector, LocatesParametersByTheIsolines) {
  const Grid grid = Sphere();
  const Projector projector(grid.quads, 1e-3);
  const auto& U = grid.quads.GetIsolines(MQuads::U);
  const auto& V = grid.quads.GetIsolines(MQuads::V);
  // The last isoline strictly below the value, within the quad range: on an interior isoline the
  // quad below or left of it.
  const auto scan = [](const std::vector<double>& w, double x) {
    const std::ptrdiff_t below = std::lower_bound(w.begin(), w.end(), x) - w.begin() - 1;
    return static_cast<int>(std::clamp<std::ptrdiff_t>(below, 0, std::ssize(w) - 2));
  };
  std::vector<Point2> uvs{{U.front(), V.front()}, {U.back(), V.back()}, {U[5], V[7]}};
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> uu(U.front(), U.back()), vv(V.front(), V.back());
  for (int k = 0; k < 1000; ++k)
    uvs.emplace_back(uu(rng), vv(rng));
  // A far-away 3D position shows that a located UV is never checked in 3D.
  const Point3 far(1e6, 1e6, 1e6);
  for (const Point2& uv : uvs)
    EXPECT_EQ(projector.Project(MPointOnLoop(far, uv)), MQuadIndex(scan(U, uv[0]), scan(V, uv[1])));
  // Slightly outside the parameter box, or without UV: located in 3D instead.
  Point3 p;
  grid.uvSurface->EvaluatePoint({1.0, 0.3}, p);
  p = p / 10000.0;
  EXPECT_EQ(projector.Project(MPointOnLoop(p, {U.back() + 1e-9, 0.3})), projector.Project(p));
  EXPECT_EQ(projector.Project(MPointOnLoop(p)), projector.Project(p));
}

}  // namespace
