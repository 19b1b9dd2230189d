// Random and hostile input: the stitcher never crashes or hangs, and whatever it pairs, a
// successful call leaves a compacted surface (finite vertices, valid distinct-cornered triangles,
// one value per triangle).

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "Oxlen/Cad/Triangulation.h"

namespace {

using geometry::edge_with_topology;

struct MRandomCase {
  Oxlen::Geometry::triangle_surface surface;
  std::vector<std::size_t> perTriangle;
  std::vector<edge_with_topology> edges;
  double tolerance = 0.0;
};

// Vertices on a coarse lattice (so that copies coincide), some removed; random triangles, some
// removed or degenerate; records that partly follow chains along the lattice and partly jump,
// with fin numbers from a small set that includes the extremes.
MRandomCase RandomCase(std::mt19937& random) {
  MRandomCase c;
  std::uniform_int_distribution<int> count(2, 24);
  std::uniform_int_distribution<int> lattice(0, 3);
  const std::size_t n = static_cast<std::size_t>(count(random));
  for (std::size_t i = 0; i < n; ++i) {
    c.surface.vertices.push_back({0.5 * lattice(random), 0.5 * lattice(random), 0.0});
    if (random() % 17 == 0)
      c.surface.vertices.back()[0] = std::numeric_limits<double>::quiet_NaN();
  }
  std::uniform_int_distribution<std::size_t> vertex(0, n - 1);
  const std::size_t triangles = static_cast<std::size_t>(count(random));
  for (std::size_t t = 0; t < triangles; ++t) {
    c.surface.triangles.push_back({vertex(random), vertex(random), vertex(random)});
    if (random() % 13 == 0)
      c.surface.triangles.back()[0] = std::numeric_limits<std::size_t>::max();
    c.perTriangle.push_back(t);
  }
  if (random() % 5 == 0)
    c.perTriangle.push_back(99);  // a longer list is allowed
  const std::vector<std::int32_t> fins{0, 1, -1, 2, -2, 3, -3, INT32_MAX, -INT32_MAX, INT32_MIN};
  std::uniform_int_distribution<std::size_t> fin(0, fins.size() - 1);
  const std::size_t records = static_cast<std::size_t>(count(random));
  std::size_t at = vertex(random);
  for (std::size_t e = 0; e < records; ++e) {
    const std::size_t next = random() % 4 == 0 ? at : vertex(random);
    c.edges.push_back({at, next, fins[fin(random)]});
    at = random() % 3 == 0 ? vertex(random) : next;
  }
  const double tolerances[] = {0.0, 0.3, 1.0, std::numeric_limits<double>::infinity()};
  c.tolerance = tolerances[random() % 4];
  return c;
}

TEST(CadStitchRobustness, RandomRecordsNeverBreakTheCompactedSurface) {
  std::mt19937 random(20261207);
  for (int run = 0; run < 4000; ++run) {
    MRandomCase c = RandomCase(random);
    SCOPED_TRACE("run " + std::to_string(run));
    ASSERT_EQ(geometry::cad_stitch(c.surface, c.perTriangle, c.edges, c.tolerance, nullptr),
              geometry::cad_stitch_return_code::success);
    const auto report = geometry::check_stitched_surface(c.surface, c.perTriangle);
    ASSERT_EQ(report.non_finite_vertices, 0u);
    ASSERT_EQ(report.invalid_triangles, 0u);
    ASSERT_EQ(report.degenerate_triangles, 0u);
    ASSERT_TRUE(report.per_triangle_parallel);
  }
}

}  // namespace
