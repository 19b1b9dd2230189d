#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
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
// per quad: each sample's surface point against the nearer of its quad's two triangles (split
// along the diagonal from corner 1 to corner 3).
double MeasureGridDeviation(const MQuads& grid, const MAnalyticalSurface& surface) {
  constexpr int kSteps = 8;
  double worst = 0.0;
  for (int i = 0; i < grid.GetQuadsCount(MQuads::U); ++i) {
    for (int j = 0; j < grid.GetQuadsCount(MQuads::V); ++j) {
      const auto c = grid.GetQuadVertices({i, j});
      const MTriangle<double, 3> first(grid.GetVertex3d(c[0]), grid.GetVertex3d(c[1]),
                                       grid.GetVertex3d(c[3]));
      const MTriangle<double, 3> second(grid.GetVertex3d(c[3]), grid.GetVertex3d(c[1]),
                                        grid.GetVertex3d(c[2]));
      const Point2 lo = grid.GetVertexUV(c[0]);
      const Point2 hi = grid.GetVertexUV(c[2]);
      for (int a = 0; a <= kSteps; ++a) {
        for (int b = 0; b <= kSteps; ++b) {
          const Point3 p = surface.Evaluate(
              {lo[0] + (hi[0] - lo[0]) * a / kSteps, lo[1] + (hi[1] - lo[1]) * b / kSteps});
          const double squared =
              std::min(geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, first, nullptr),
                       geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, second, nullptr));
          worst = std::max(worst, std::sqrt(squared));
        }
      }
    }
  }
  return worst;
}

// The largest distance between the surface and the crossing edges of a strip, by dense sampling
// of the surface along each edge's UV segment.
double BruteForceStripDeviation(const MQuads& grid, const MAnalyticalSurface& surface,
                                MQuads::EAxis axis, int i) {
  constexpr int kSamples = 4000;
  const MQuads::EAxis other = axis == MQuads::U ? MQuads::V : MQuads::U;
  double worst = 0.0;
  for (int k = 0; k < grid.GetIsolinesCount(other); ++k) {
    const MVertexIndex from = axis == MQuads::U ? MVertexIndex(i, k) : MVertexIndex(k, i);
    const MVertexIndex to = axis == MQuads::U ? MVertexIndex(i + 1, k) : MVertexIndex(k, i + 1);
    const geometry::MSegment chord{grid.GetVertex3d(from), grid.GetVertex3d(to)};
    const Point2 uvA = grid.GetVertexUV(from);
    const Point2 uvB = grid.GetVertexUV(to);
    for (int s = 0; s <= kSamples; ++s) {
      const double t = static_cast<double>(s) / kSamples;
      const Point3 p = surface.Evaluate(uvA + t * (uvB - uvA));
      worst = std::max(worst, geometry::ComputeDistanceBetweenPointAndSegment(p, chord));
    }
  }
  return worst;
}

void ExpectStripDeviationsNearBruteForce(const MQuads& grid, const MAnalyticalSurface& surface) {
  for (const MQuads::EAxis axis : {MQuads::U, MQuads::V}) {
    const std::vector<double>& values = grid.GetIsolines(axis);
    for (int i = 0; i + 1 < grid.GetIsolinesCount(axis); ++i) {
      const auto [deviation, parameter] =
          MInternal::GetStripDeviation(grid, surface, axis, i, 1e-3);
      const double truth = BruteForceStripDeviation(grid, surface, axis, i);
      SCOPED_TRACE(testing::Message() << "axis " << axis << " strip " << i);
      EXPECT_LE(deviation, truth * (1.0 + 1e-6) + 1e-12);
      EXPECT_GE(deviation, 0.97 * truth - 1e-12);
      EXPECT_GE(parameter, values[i]);
      EXPECT_LE(parameter, values[i + 1]);
    }
  }
}

TEST(StripDeviation, IsALowerBoundCloseToTheTrueDeviation) {
  const MCADUVCylinder cylinder(MCADFrame({1, 2, 3}, {0, 1, 1}, {1, 0, 0}), 4.0, 0.0, 2 * kPi, -1.0,
                                2.0);
  const MAnalyticalSurface tube(cylinder, matrix4x4<double>::identity());
  const MQuads ring(tube, {Spaced(0.0, 2 * kPi, 6), Spaced(-1.0, 2.0, 2)});
  ExpectStripDeviationsNearBruteForce(ring, tube);
  // Chords of a circle: the sagitta r (1 - cos(step / 2)), at the middle of the strip.
  const auto [sagitta, where] = MInternal::GetStripDeviation(ring, tube, MQuads::U, 1, 1e-3);
  EXPECT_NEAR(sagitta, 4.0 * (1.0 - std::cos(kPi / 6)), 1e-12);
  EXPECT_NEAR(where, 3 * kPi / 6, 1e-12);
  // The straight V strips do not deviate.
  EXPECT_LT(MInternal::GetStripDeviation(ring, tube, MQuads::V, 0, 1e-3).first, 1e-12);

  const MCADUVSphere ball(MCADFrame(), 3.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MAnalyticalSurface sphere(ball, matrix4x4<double>::translation({0, 0, 7}));
  const MQuads globe(sphere, {Spaced(0.0, 2 * kPi, 8), Spaced(-kPi / 2, kPi / 2, 4)});
  ExpectStripDeviationsNearBruteForce(globe, sphere);
}

TEST(StripDeviation, NothingToMeasureGivesZero) {
  const MCADUVCylinder cylinder(MCADFrame(), 1.0, 0.0, kPi, 0.0, 1.0);
  const MAnalyticalSurface tube(cylinder, matrix4x4<double>::identity());
  const MQuads noV(tube, {Spaced(0.0, kPi, 2), {}});
  EXPECT_EQ(MInternal::GetStripDeviation(noV, tube, MQuads::U, 0, 1e-3), std::make_pair(0.0, 0.0));

  // In the plane z = 0 every measured point lies exactly on the grid: the quad deviation is
  // then its floor, the square root of the smallest normal double.
  const MCADUVPlane level(MCADFrame(), 0.0, 3.0, 0.0, 2.0);
  const MAnalyticalSurface ground(level, matrix4x4<double>::identity());
  const MQuads exact(ground, {{0.0, 1.5, 3.0}, {0.0, 2.0}});
  EXPECT_EQ(MInternal::GetStripDeviation(exact, ground, MQuads::V, 0, 1e-3),
            std::make_pair(0.0, 0.0));
  EXPECT_EQ(MInternal::GetQuadDeviation(exact, ground, {1, 0}),
            std::sqrt(std::numeric_limits<double>::min()));

  // A tilted plane deviates only by rounding: the chordal stage inserts nothing.
  const MCADUVPlane plane(MCADFrame({0, 0, 0}, {1, 1, 1}, {1, 0, 0}), 0.0, 3.0, 0.0, 2.0);
  const MAnalyticalSurface flat(plane, matrix4x4<double>::identity());
  MQuads grid(flat, {{0.0, 1.5, 3.0}, {0.0, 2.0}});
  EXPECT_LT(MInternal::GetStripDeviation(grid, flat, MQuads::V, 0, 1e-3).first, 1e-12);
  EXPECT_LT(MInternal::GetQuadDeviation(grid, flat, {1, 0}), 1e-12);
  MInternal::RefineByTolerance(grid, flat, 1e-6, 100000, kNoCancel);
  EXPECT_EQ(grid.GetIsolines().u, (std::vector<double>{0.0, 1.5, 3.0}));
  EXPECT_EQ(grid.GetIsolines().v, (std::vector<double>{0.0, 2.0}));
}

TEST(QuadDeviation, MeasuresTheCentreAgainstTheTwoTriangles) {
  // A cylinder quad is a flat rectangle; its centre point lies the sagitta away from it.
  const MCADUVCylinder cylinder(MCADFrame(), 2.0, 0.0, kPi, 0.0, 1.0);
  const MAnalyticalSurface tube(cylinder, matrix4x4<double>::identity());
  const MQuads grid(tube, {Spaced(0.0, kPi, 3), {0.0, 1.0}});
  EXPECT_NEAR(MInternal::GetQuadDeviation(grid, tube, {1, 0}), 2.0 * (1.0 - std::cos(kPi / 6)),
              1e-12);
}

struct RefinementCase {
  const char* name;
  const MCADUVSurface* surface;
};

TEST(RefineByTolerance, GridFollowsTheSurfaceWithinTheTolerance) {
  const MCADUVCylinder cylinder(MCADFrame({0, 0, 0}, {0, 1, 0}, {1, 0, 0}), 10.0, 0.0, 2 * kPi, 0.0,
                                5.0);
  const MCADUVSphere sphere(MCADFrame(), 5.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const double halfAngle = kPi / 6;
  const MCADUVCone cone(MCADFrame(), 4.0, halfAngle, 0.5, 5.0, -4.0 / std::sin(halfAngle), 3.0);
  // A biquadratic dome over 10 x 10.
  std::vector<Point3> net;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      net.emplace_back(5.0 * i, 5.0 * j, i == 1 && j == 1 ? 8.0 : 0.0);
  const MCADUVNurbsSurface dome(
      M3dNurbsSurface(3, 3, 3, 3, {0, 0, 0, 1, 1, 1}, {0, 0, 0, 1, 1, 1}, net));

  for (const RefinementCase& c :
       {RefinementCase{"cylinder", &cylinder}, RefinementCase{"sphere", &sphere},
        RefinementCase{"cone", &cone}, RefinementCase{"nurbs", &dome}}) {
    SCOPED_TRACE(c.name);
    const MAnalyticalSurface surface(*c.surface, matrix4x4<double>::identity());
    double previous = std::numeric_limits<double>::infinity();
    std::size_t previousQuads = 0;
    for (const double tolerance : {0.05, 0.01, 0.002}) {
      MQuads grid(surface, MInternal::GetInitialIsolines(surface));
      MInternal::RefineByTolerance(grid, surface, tolerance, 1000000, kNoCancel);
      ASSERT_TRUE(grid.IsValid());
      const double deviation = MeasureGridDeviation(grid, surface);
      // The strip stage bounds the deviation along the grid edges and the quad stage at the quad
      // centres; inside a doubly curved quad the surface may bend a little beyond both, hence
      // the 20 % margin.
      EXPECT_LE(deviation, 1.2 * tolerance) << "tolerance " << tolerance;
      EXPECT_LT(deviation, previous);
      EXPECT_GT(grid.GetQuadsCount(), previousQuads);
      previous = deviation;
      previousQuads = grid.GetQuadsCount();
    }
  }
}

TEST(RefineByTolerance, QuadBudgetBoundsTheInsertions) {
  const MCADUVSphere ball(MCADFrame(), 5.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const MAnalyticalSurface sphere(ball, matrix4x4<double>::identity());
  const MSurfaceIsolines initial = MInternal::GetInitialIsolines(sphere);
  for (const std::size_t budget : {std::size_t{0}, MQuads(sphere, initial).GetQuadsCount()}) {
    MQuads grid(sphere, initial);
    MInternal::RefineByTolerance(grid, sphere, 1e-3, budget, kNoCancel);
    EXPECT_EQ(grid.GetIsolines().u, initial.u);
    EXPECT_EQ(grid.GetIsolines().v, initial.v);
  }
  MQuads grid(sphere, initial);
  MInternal::RefineByTolerance(grid, sphere, 1e-3, 50, kNoCancel);
  EXPECT_GE(grid.GetQuadsCount(), 50u);
  // One insertion may overshoot the budget by a row or a column (the quad stage by both).
  EXPECT_LT(grid.GetQuadsCount(),
            50u + grid.GetIsolinesCount(MQuads::U) + grid.GetIsolinesCount(MQuads::V));
}

TEST(RefineByTolerance, CancellationStopsTheChordalStage) {
  // A surface of revolution whose radius bulges between its two initial V isolines: the V pass
  // brings in the wide middle, so that a second pass has more U isolines to insert.
  const FunctionSurface bulge(
      [](double u, double v) {
        const double radius = 1.0 + 8.0 * v * (1.0 - v);
        return Point3(radius * std::cos(u), radius * std::sin(u), v);
      },
      {0.0, kPi}, {0.0, 1.0});
  const MAnalyticalSurface surface(bulge, matrix4x4<double>::identity());
  const MSurfaceIsolines initial{{0.0, kPi}, {0.0, 1.0}};

  int calls = 0;
  MQuads untouched(surface, initial);
  MInternal::RefineByTolerance(untouched, surface, 1e-3, 1000000, [&calls] {
    ++calls;
    return true;
  });
  EXPECT_EQ(calls, 2);  // before the first strip pass, and at once in the quad stage
  EXPECT_EQ(untouched.GetQuadsCount(), 1u);

  // Cancelled after the first strip pass: more quads than none, fewer than a full refinement.
  calls = 0;
  MQuads partial(surface, initial);
  MInternal::RefineByTolerance(partial, surface, 1e-3, 1000000, [&calls] { return ++calls > 1; });
  EXPECT_EQ(calls, 3);
  MQuads full(surface, initial);
  MInternal::RefineByTolerance(full, surface, 1e-3, 1000000, kNoCancel);
  EXPECT_GT(partial.GetQuadsCount(), untouched.GetQuadsCount());
  EXPECT_LT(partial.GetQuadsCount(), full.GetQuadsCount());
}

// The quad stage without a cache: every quad measured again on every round.
void RefineByQuadDeviationFromScratch(MQuads& grid, const MAnalyticalSurface& surface,
                                      double tolerance, std::size_t maxQuads) {
  while (grid.GetQuadsCount() < maxQuads && grid.GetQuadsCount() > 0) {
    double worst = 0.0;
    MQuadIndex worstQuad;
    for (int i = 0; i < grid.GetQuadsCount(MQuads::U); ++i) {
      for (int j = 0; j < grid.GetQuadsCount(MQuads::V); ++j) {
        const double deviation = MInternal::GetQuadDeviation(grid, surface, {i, j});
        if (deviation > worst) {
          worst = deviation;
          worstQuad = {i, j};
        }
      }
    }
    if (tolerance > worst)
      return;
    const std::vector<double>& u = grid.GetIsolines(MQuads::U);
    grid.InsertIsoline(MQuads::U, (u[worstQuad.u] + u[worstQuad.u + 1]) * 0.5);
    const std::vector<double>& v = grid.GetIsolines(MQuads::V);
    grid.InsertIsoline(MQuads::V, (v[worstQuad.v] + v[worstQuad.v + 1]) * 0.5);
  }
}

TEST(RefineByQuadDeviation, MeasuresOnlyTheSplitRowsAndColumnsAgain) {
  // A paraboloid with different curvatures along U and V, so that the worst quad moves around.
  const FunctionSurface bowl(
      [](double u, double v) { return Point3(u, v, u * u + 0.3 * v * v + 0.1 * u * v); },
      {-1.0, 1.5}, {-1.0, 1.0});
  const MAnalyticalSurface surface(bowl, matrix4x4<double>::identity());
  const MSurfaceIsolines initial{Spaced(-1.0, 1.5, 4), Spaced(-1.0, 1.0, 4)};

  // Two rounds (cancelled before the third): every evaluation is a vertex of an inserted
  // isoline or the centre of a quad measured.
  MQuads grid(surface, initial);
  int calls = 0;
  bowl.evaluations = 0;
  MInternal::RefineByQuadDeviation(grid, surface, 1e-9, 1000000, [&calls] { return ++calls > 2; });
  const std::size_t firstRound = 16 + 5 + 6;              // all 4 x 4 quads, a U and a V isoline
  const std::size_t secondRound = 2 * 5 + 2 * 3 + 6 + 7;  // two rows and two columns of 5 x 5
  EXPECT_EQ(bowl.evaluations, firstRound + secondRound);
  EXPECT_EQ(grid.GetQuadsCount(), 36u);

  // The cached stage makes the same decisions as measuring everything every round.
  for (const double tolerance : {1e-2, 1e-3}) {
    MQuads cached(surface, initial);
    MInternal::RefineByQuadDeviation(cached, surface, tolerance, 20000, kNoCancel);
    MQuads scratch(surface, initial);
    RefineByQuadDeviationFromScratch(scratch, surface, tolerance, 20000);
    EXPECT_EQ(cached.GetIsolines().u, scratch.GetIsolines().u);
    EXPECT_EQ(cached.GetIsolines().v, scratch.GetIsolines().v);
    EXPECT_GT(cached.GetQuadsCount(), 16u);
  }
}

}  // namespace
