// The initial grid and its chordal refinement: strip and quad deviations and the refinement
// they drive.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "grid/grid_fixtures.h"
#include "triangulator/MInternal.h"

namespace {

using namespace grid_test;
using MInternal = MCadTriangulator::MInternal;
using Oxlen::Math::matrix4x4;

const std::function<bool()> kNoCancel;

// The largest distance between the surface and the grid's quads, sampled on a 9 x 9 UV lattice
// per quad against the nearer of the quad's two triangles (split from corner 1 to corner 3).
double MeasureGridDeviation(const MQuads& grid, const MAnalyticalSurface& surface) {
  constexpr int kSteps = 8;
  double worst = 0.0;
  for (int i = 0; i < grid.GetQuadsCount(MQuads::U); ++i) {
    for (int j = 0; j < grid.GetQuadsCount(MQuads::V); ++j) {
      const auto c = grid.GetQuadVertices({i, j});
      const auto at = [&](int k) { return grid.GetVertex3d(c[k]); };
      const MTriangle<double, 3> first(at(0), at(1), at(3));
      const MTriangle<double, 3> second(at(3), at(1), at(2));
      const Point2 lo = grid.GetVertexUV(c[0]);
      const Point2 hi = grid.GetVertexUV(c[2]);
      for (int a = 0; a <= kSteps; ++a) {
        for (int b = 0; b <= kSteps; ++b) {
          const Point3 p = surface.Evaluate(
              {lo[0] + (hi[0] - lo[0]) * a / kSteps, lo[1] + (hi[1] - lo[1]) * b / kSteps});
          worst = std::max(
              worst,
              std::sqrt(std::min(
                  geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, first, nullptr),
                  geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, second, nullptr))));
        }
      }
    }
  }
  return worst;
}

TEST(Deviation, StripAndQuadDeviationsAreTheSagittaOfACircle) {
  const MCADUVCylinder cylinder(MCADFrame({1, 2, 3}, {0, 1, 1}, {1, 0, 0}), 4.0, 0.0, 2 * kPi, -1.0,
                                2.0);
  const MAnalyticalSurface tube(cylinder, matrix4x4<double>::identity());
  const MQuads ring(tube, {Spaced(0.0, 2 * kPi, 6), Spaced(-1.0, 2.0, 2)});
  // Chords of a circle: the sagitta r (1 - cos(step / 2)) at the middle of the strip, both for
  // the strip and for a quad (a flat rectangle whose centre point is the deepest).
  const double sagitta = 4.0 * (1.0 - std::cos(kPi / 6));
  const auto [deviation, where] = MInternal::GetStripDeviation(ring, tube, MQuads::U, 1, 1e-3);
  EXPECT_NEAR(deviation, sagitta, 1e-12);
  EXPECT_NEAR(where, 3 * kPi / 6, 1e-12);
  EXPECT_NEAR(MInternal::GetQuadDeviation(ring, tube, {1, 0}), sagitta, 1e-12);
  EXPECT_LT(MInternal::GetStripDeviation(ring, tube, MQuads::V, 0, 1e-3).first, 1e-12);
}

TEST(RefineByTolerance, PlanarFaceGetsNothingInserted) {
  // A tilted plane deviates only by rounding.
  const MCADUVPlane plane(MCADFrame({0, 0, 0}, {1, 1, 1}, {1, 0, 0}), 0.0, 3.0, 0.0, 2.0);
  const MAnalyticalSurface flat(plane, matrix4x4<double>::identity());
  MQuads grid(flat, {{0.0, 1.5, 3.0}, {0.0, 2.0}});
  MInternal::RefineByTolerance(grid, flat, 1e-6, 100000, kNoCancel);
  EXPECT_EQ(grid.GetIsolines().u, (std::vector<double>{0.0, 1.5, 3.0}));
  EXPECT_EQ(grid.GetIsolines().v, (std::vector<double>{0.0, 2.0}));
}

TEST(RefineByTolerance, GridFollowsTheSurfaceWithinTheTolerance) {
  const MCADUVCylinder cylinder(MCADFrame({0, 0, 0}, {0, 1, 0}, {1, 0, 0}), 10.0, 0.0, 2 * kPi, 0.0,
                                5.0);
  const MCADUVSphere sphere(MCADFrame(), 5.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MCADUVCone cone(MCADFrame(), 4.0, kPi / 6, 0.5, 5.0, -8.0, 3.0);
  std::vector<Point3> net;  // a biquadratic dome over 10 x 10
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      net.emplace_back(5.0 * i, 5.0 * j, i == 1 && j == 1 ? 8.0 : 0.0);
  const MCADUVNurbsSurface dome(
      M3dNurbsSurface(3, 3, 3, 3, {0, 0, 0, 1, 1, 1}, {0, 0, 0, 1, 1, 1}, net));

  const std::pair<const char*, const MCADUVSurface*> kinds[] = {
      {"cylinder", &cylinder}, {"sphere", &sphere}, {"cone", &cone}, {"nurbs", &dome}};
  for (const auto& [name, kind] : kinds) {
    const MAnalyticalSurface surface(*kind, matrix4x4<double>::identity());
    double previous = std::numeric_limits<double>::infinity();
    for (const double tolerance : {0.05, 0.005}) {
      SCOPED_TRACE(testing::Message() << name << " tolerance " << tolerance);
      MQuads grid(surface, MInternal::GetInitialIsolines(surface));
      MInternal::RefineByTolerance(grid, surface, tolerance, 1000000, kNoCancel);
      ASSERT_TRUE(grid.IsValid());
      // The strip stage bounds the deviation along the grid edges and the quad stage at the quad
      // centres; inside a doubly curved quad the surface may bend a little beyond both.
      const double deviation = MeasureGridDeviation(grid, surface);
      EXPECT_LE(deviation, 1.2 * tolerance);
      EXPECT_LT(deviation, previous);
      previous = deviation;
    }
  }
}

TEST(RefineByTolerance, QuadBudgetBoundsTheInsertions) {
  const MCADUVSphere ball(MCADFrame(), 5.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MAnalyticalSurface sphere(ball, matrix4x4<double>::identity());
  const MSurfaceIsolines initial = MInternal::GetInitialIsolines(sphere);
  // A budget the initial grid already reaches inserts nothing.
  MQuads full(sphere, initial);
  MInternal::RefineByTolerance(full, sphere, 1e-3, full.GetQuadsCount(), kNoCancel);
  EXPECT_EQ(full.GetIsolines().u, initial.u);
  EXPECT_EQ(full.GetIsolines().v, initial.v);
  MQuads grid(sphere, initial);
  MInternal::RefineByTolerance(grid, sphere, 1e-3, 50, kNoCancel);
  EXPECT_GE(grid.GetQuadsCount(), 50u);
  // One insertion may overshoot the budget by a row or a column (the quad stage by both).
  EXPECT_LT(grid.GetQuadsCount(),
            50u + grid.GetIsolinesCount(MQuads::U) + grid.GetIsolinesCount(MQuads::V));
}

TEST(RefineByTolerance, CancellationStopsTheChordalStage) {
  // A surface of revolution bulging between its two initial V isolines: the V pass brings in the
  // wide middle, so that a second pass has more U isolines to insert.
  const FunctionSurface bulge(
      [](double u, double v) {
        const double radius = 1.0 + 8.0 * v * (1.0 - v);
        return Point3(radius * std::cos(u), radius * std::sin(u), v);
      },
      {0.0, kPi}, {0.0, 1.0});
  const MAnalyticalSurface surface(bulge, matrix4x4<double>::identity());
  const MSurfaceIsolines initial{{0.0, kPi}, {0.0, 1.0}};
  const auto refine = [&](int cancelAfter, int& calls) {
    MQuads grid(surface, initial);
    MInternal::RefineByTolerance(grid, surface, 1e-3, 1000000,
                                 [&] { return ++calls > cancelAfter; });
    return grid.GetQuadsCount();
  };
  int calls = 0;
  EXPECT_EQ(refine(0, calls), 1u);
  EXPECT_EQ(calls, 2);  // before the first strip pass, and at once in the quad stage
  calls = 0;
  const std::size_t partial = refine(1, calls);  // cancelled after the first strip pass
  EXPECT_EQ(calls, 3);
  EXPECT_GT(partial, 1u);
  EXPECT_LT(partial, refine(1000000, calls));
}

TEST(RefineByQuadDeviation, MeasuresOnlyTheSplitRowsAndColumnsAgain) {
  const FunctionSurface bowl(
      [](double u, double v) { return Point3(u, v, u * u + 0.3 * v * v + 0.1 * u * v); },
      {-1.0, 1.5}, {-1.0, 1.0});
  const MAnalyticalSurface surface(bowl, matrix4x4<double>::identity());
  MQuads grid(surface, {Spaced(-1.0, 1.5, 4), Spaced(-1.0, 1.0, 4)});
  // Two rounds (cancelled before the third): every evaluation is a vertex of an inserted
  // isoline or the centre of a quad measured.
  int calls = 0;
  bowl.evaluations = 0;
  MInternal::RefineByQuadDeviation(grid, surface, 1e-9, 1000000, [&calls] { return ++calls > 2; });
  const std::size_t firstRound = 16 + 5 + 6;              // all 4 x 4 quads, a U and a V isoline
  const std::size_t secondRound = 2 * 5 + 2 * 3 + 6 + 7;  // two rows and two columns of 5 x 5
  EXPECT_EQ(bowl.evaluations, firstRound + secondRound);
  EXPECT_EQ(grid.GetQuadsCount(), 36u);
}

}  // namespace
