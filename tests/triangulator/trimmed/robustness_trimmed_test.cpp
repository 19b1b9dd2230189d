// Random and adversarial loops at face level: holes touching the outer loop, holes smaller than a
// quad or than the tolerance, slivers, hundreds of holes. The call never crashes or hangs: it
// returns a well-formed mesh, or throws one of the library's documented exception kinds.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "trimmed_faces.h"

namespace trimmed_test {
namespace {

const KnownLoop kBorder = RectangleLoop({0, 0}, {100, 80});

TrimmedFace OnPlate(const std::string& name, std::vector<KnownLoop> loops) {
  return MakeFace(name, std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 80.0),
                  std::move(loops), 100.0);
}

// A uniform double in [lo, hi) from the top 53 bits of the generator (the same on every platform).
double Uniform(std::mt19937_64& random, double lo, double hi) {
  return lo + (hi - lo) * static_cast<double>(random() >> 11) * 0x1.0p-53;
}

// A star-shaped polygon around `center`: `n` corners at evenly spaced angles jittered by up to
// 0.3 of a step, radii in [rMin, rMax], counter-clockwise (clockwise for a hole).
KnownLoop RandomStar(std::mt19937_64& random, const Point2& center, double rMin, double rMax, int n,
                     bool clockwise) {
  std::vector<Point2> corners;
  for (int i = 0; i < n; ++i) {
    const double angle = 2 * kPi * (i + Uniform(random, -0.3, 0.3)) / n;
    const double r = Uniform(random, rMin, rMax);
    corners.push_back(center + Point2{r * std::cos(angle), r * std::sin(angle)});
  }
  if (clockwise)
    std::reverse(corners.begin(), corners.end());
  return PolygonLoop(corners);
}

// Well-formed triangles and border edges, unless the call throws a documented kind of exception.
void ExpectWellFormedOrDocumentedThrow(const TrimmedFace& face, double tolerance) {
  try {
    const Result mesh = MeshTrimmed(face, tolerance);
    EXPECT_EQ(CountEdges(mesh).malformed, 0u);
    for (const auto& e : mesh.border_edges)
      EXPECT_TRUE(e.first < mesh.vertices.size() && e.second < mesh.vertices.size() &&
                  e.first != e.second);
  } catch (const std::logic_error&) {
  } catch (const std::runtime_error&) {
  }
}

// Random star-shaped outer loops with up to four random star-shaped holes (apart from each other
// and inside the outer loop), at two tolerances and with and without an edge length limit.
TEST(TrimmingRobustness, RandomStarShapedFaces) {
  std::mt19937_64 random(20240611);
  for (int trial = 0; trial < 40; ++trial) {
    std::vector<KnownLoop> loops{RandomStar(random, {50, 40}, 25, 38, 8 + trial % 26, false)};
    const int holes = static_cast<int>(random() % 5);
    const double phase = Uniform(random, 0.0, 2 * kPi);
    for (int h = 0; h < holes; ++h) {
      const double angle = phase + 2 * kPi * h / holes;
      loops.push_back(RandomStar(random, {50 + 12 * std::cos(angle), 40 + 12 * std::sin(angle)}, 1,
                                 5, 3 + static_cast<int>(random() % 8), true));
    }
    const TrimmedFace face = OnPlate("random star " + std::to_string(trial), std::move(loops));
    const double tolerance = trial % 2 == 0 ? 0.05 : 0.01;
    SCOPED_TRACE(face.name);
    const Result mesh = MeshTrimmed(face, tolerance,
                                    trial % 3 == 0 ? 7.0 : std::numeric_limits<double>::infinity());
    ExpectExactArea(face, mesh, tolerance);
    ExpectFollowsLoops(face, mesh, 1e-9);
  }
}

// Holes far below the quad size or the tolerance, slivers, slits and 200 round holes (twenty loops
// and more switch the size refinement to the loops' spacing) are meshed with their exact area.
// Loops that touch each other are not manifold there: only a well-formed outcome is asked.
TEST(TrimmingRobustness, TinyHolesSliversSlitsManyHolesAndTouchingLoops) {
  std::vector<KnownLoop> manyHoles{kBorder};
  for (int i = 0; i < 20; ++i)
    for (int j = 0; j < 10; ++j)
      manyHoles.push_back(CircleLoop({2.5 + 5.0 * i, 4.0 + 8.0 * j}, 1.5, true));
  const std::vector<TrimmedFace> valid{
      OnPlate("tiny holes inside one quad and one below the tolerance",
              {kBorder, CircleLoop({20.3, 30.7}, 0.05, true),
               PolygonLoop({{70.1, 50.2}, {70.1, 50.202}, {70.102, 50.2}}),
               CircleLoop({33.3, 44.4}, 0.004, true)}),
      OnPlate("sliver hole", {kBorder, PolygonLoop({{10, 40}, {90, 40.001}, {90, 40}})}),
      OnPlate("outer loop with a slit",
              {PolygonLoop(
                  {{0, 0}, {100, 0}, {100, 80}, {50.001, 80}, {50, 10}, {49.999, 80}, {0, 80}})}),
      OnPlate("200 round holes", manyHoles),
  };
  const std::vector<TrimmedFace> touching{
      OnPlate("hole touching the outer loop at a grid vertex",
              {kBorder, PolygonLoop({{50, 0}, {40, 10}, {50, 20}, {60, 10}})}),
      OnPlate("hole touching the outer loop between grid vertices",
              {kBorder, PolygonLoop({{30, 0}, {20, 10}, {30, 20}, {40, 10}})}),
      OnPlate("notch: a hole along the outer loop",
              {kBorder, RectangleLoop({40, 0}, {60, 20}, true)}),
      OnPlate("two holes touching at a point",
              {kBorder, PolygonLoop({{20, 40}, {30, 50}, {40, 40}, {30, 30}}),
               PolygonLoop({{40, 40}, {50, 50}, {60, 40}, {50, 30}})}),
  };
  for (const double tolerance : {0.05, 0.01}) {
    for (const TrimmedFace& face : valid) {
      SCOPED_TRACE(face.name + " @ " + std::to_string(tolerance));
      const Result mesh = MeshTrimmed(face, tolerance);
      EXPECT_EQ(CountEdges(mesh).malformed, 0u);
      ExpectExactArea(face, mesh, tolerance);
    }
    for (const TrimmedFace& face : touching) {
      SCOPED_TRACE(face.name + " @ " + std::to_string(tolerance));
      ExpectWellFormedOrDocumentedThrow(face, tolerance);
    }
  }
  // The mesh keeps every one of the 200 holes.
  const EdgeCensus census = CountEdges(MeshTrimmed(valid.back(), 0.01));
  EXPECT_EQ(census.badEdges, 0u);
  EXPECT_EQ(census.loops, 201u);
}

}  // namespace
}  // namespace trimmed_test
