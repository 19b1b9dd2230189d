// The chordal refinement of the grid: strip and quad deviations against closed forms, and the
// quad budget of the refinement they drive (its result on every surface kind, and its
// cancellation, are measured through Triangulate in pipeline/).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "grid/grid_fixtures.h"
#include "triangulator/MInternal.h"

namespace {

using namespace grid_test;
using MInternal = MCadTriangulator::MInternal;
using Oxlen::Math::matrix4x4;

const std::function<bool()> kNoCancel;

TEST(Deviation, StripAndQuadDeviationsAreTheSagittaOfACircleAndZeroOnAPlane) {
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

  // A tilted plane deviates only by rounding: nothing is inserted.
  const MCADUVPlane plane(MCADFrame({0, 0, 0}, {1, 1, 1}, {1, 0, 0}), 0.0, 3.0, 0.0, 2.0);
  const MAnalyticalSurface flat(plane, matrix4x4<double>::identity());
  MQuads planar(flat, {{0.0, 1.5, 3.0}, {0.0, 2.0}});
  MInternal::RefineByTolerance(planar, flat, 1e-6, 100000, kNoCancel);
  EXPECT_EQ(planar.GetQuadsCount(), 2u);
}

// Every insertion happens while the grid holds fewer quads than the budget: a strip insertion
// adds one isoline, the quad stage one U and one V isoline, so a final grid of QU x QV quads holds
// fewer than budget + QU + QV, and (with a tolerance no such grid meets) at least the budget. The
// sphere is refined by its strips, the saddle z = u v (straight isolines) only by the quad stage.
// A budget the initial grid already reaches inserts nothing.
TEST(RefineByTolerance, QuadBudgetBoundsTheInsertions) {
  const MCADUVSphere ball(MCADFrame(), 5.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  const FunctionSurface saddle([](double u, double v) { return Point3(u, v, u * v); }, {0.0, 10.0},
                               {0.0, 10.0});
  for (const MCADUVSurface* kind : std::initializer_list<const MCADUVSurface*>{&ball, &saddle}) {
    const MAnalyticalSurface surface(*kind, matrix4x4<double>::identity());
    const MSurfaceIsolines initial = MInternal::GetInitialIsolines(surface);
    const std::size_t start = MQuads(surface, initial).GetQuadsCount();
    for (const std::size_t budget : {std::size_t{0}, start, std::size_t{37}, std::size_t{400}}) {
      SCOPED_TRACE(budget);
      MQuads grid(surface, initial);
      MInternal::RefineByTolerance(grid, surface, 1e-9, budget, kNoCancel);
      const std::size_t quads = grid.GetQuadsCount(), least = std::max(budget, start);
      EXPECT_TRUE(quads >= least &&
                  quads < least + grid.GetQuadsCount(MQuads::U) + grid.GetQuadsCount(MQuads::V))
          << quads;
      EXPECT_TRUE(budget > start || quads == start);
    }
  }
}

}  // namespace

namespace {

// The estimate that comes back: within the tolerance when the refinement ran to its end, above
// it when the budget stopped it (then it is the largest strip or quad deviation of the final
// grid). At a tolerance of 0 only curved strips are split: a plane keeps its grid, a cylinder is
// split around its axis only, never along it, and no strip of zero width is made.
TEST(RefineByTolerance, ReturnsTheLargestDeviationAndSplitsOnlyWhereTheSurfaceCurves) {
  const MCADUVCylinder half(MCADFrame(), 2.0, 0.0, kPi, 0.0, 3.0);
  const MAnalyticalSurface tube(half, matrix4x4<double>::identity());
  const MSurfaceIsolines initial = MInternal::GetInitialIsolines(tube);
  struct Case {
    double tolerance;
    std::size_t budget;
  };
  for (const Case c : {Case{1e-3, 100000}, Case{1e-3, 8}, Case{0.0, 100}}) {
    SCOPED_TRACE(testing::Message() << c.tolerance << " " << c.budget);
    MQuads grid(tube, initial);
    const double estimate =
        MInternal::RefineByTolerance(grid, tube, c.tolerance, c.budget, kNoCancel);
    // The largest deviation of the final grid is that of its widest U strip: a chord's sagitta.
    const std::vector<double>& u = grid.GetIsolines(MQuads::U);
    double widest = 0.0;
    for (std::size_t i = 0; i + 1 < u.size(); ++i)
      widest = std::max(widest, u[i + 1] - u[i]);
    EXPECT_NEAR(estimate, 2.0 * (1.0 - std::cos(widest / 2)), 1e-9);
    EXPECT_EQ(estimate < c.tolerance, c.budget == 100000);
    EXPECT_EQ(grid.GetIsolinesCount(MQuads::V), 2);
    EXPECT_GT(*std::min_element(u.begin() + 1, u.end()), 0.0);
    for (std::size_t i = 0; i + 1 < u.size(); ++i)
      EXPECT_GT(u[i + 1] - u[i], 1e-3) << i;
  }
  const MCADUVPlane plane(MCADFrame({0, 0, 0}, {1, 1, 1}, {1, 0, 0}), 0.0, 3.0, 0.0, 2.0);
  const MAnalyticalSurface flat(plane, matrix4x4<double>::identity());
  MQuads planar(flat, {{0.0, 1.5, 3.0}, {0.0, 2.0}});
  EXPECT_EQ(MInternal::RefineByTolerance(planar, flat, 0.0, 100000, kNoCancel), 0.0);
  EXPECT_EQ(planar.GetQuadsCount(), 2u);
}

}  // namespace
