#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <tuple>

#include "Oxlen/Geometry/stitch_points.h"
#include "tests/platform/geometry/mesh_test_support.h"

namespace {

using namespace Oxlen::Geometry;
using mesh_test::Point;
using Table = std::vector<size_t>;

// The distance the merge uses: overflow-safe, scaled by the largest component.
double Distance(const Point& p, const Point& q) {
  std::array<double, 3> d{std::abs(p[0] - q[0]), std::abs(p[1] - q[1]), std::abs(p[2] - q[2])};
  if (std::isinf(d[0]) || std::isinf(d[1]) || std::isinf(d[2]))
    return std::numeric_limits<double>::infinity();
  std::sort(d.begin(), d.end());
  const double m = d[2];
  if (m == 0.0)
    return 0.0;
  return m * std::sqrt(1.0 + (d[0] / m) * (d[0] / m) + (d[1] / m) * (d[1] / m));
}

// The clustering rule done the slow way: every vertex is compared with every representative.
Table BruteForceTable(const std::vector<Point>& points, double tolerance) {
  std::vector<size_t> representatives;
  Table table(points.size());
  for (size_t v = 0; v < points.size(); ++v) {
    size_t joined = points.size();
    if (Oxlen::Math::is_finite(points[v])) {
      for (const size_t r : representatives) {
        if (Distance(points[v], points[r]) <= tolerance) {
          joined = r;
          break;
        }
      }
    }
    if (joined == points.size()) {
      table[v] = representatives.size();
      representatives.push_back(v);
    } else {
      table[v] = table[joined];
    }
  }
  return table;
}

// Clusters of near-duplicates around random centres: offsets of 0, 0.3, 1 and 2 tolerances
// per component, so points fall on both sides of the tolerance, plus exact copies.
std::vector<Point> NearDuplicates(std::mt19937_64& rng, size_t count, Point origin, double extent,
                                  double tolerance) {
  std::vector<Point> centres(count / 8);
  for (Point& c : centres)
    for (int i = 0; i < 3; ++i)
      c[i] = origin[i] + extent * (mesh_test::Unit(rng) - 0.5);
  std::vector<Point> points;
  for (size_t k = 0; k < count; ++k) {
    Point p = centres[rng() % centres.size()];
    const double spread = std::array<double, 4>{0.0, 0.3, 1.0, 2.0}[rng() % 4] * tolerance;
    for (int i = 0; i < 3; ++i)
      p[i] += spread * (mesh_test::Unit(rng) - 0.5);
    points.push_back(p);
    if (rng() % 5 == 0)
      points.push_back(p);
  }
  return points;
}

// Runs stitch_points on a mesh over the points and checks it against the brute force rule.
void ExpectMatchesBruteForce(const std::vector<Point>& points, double tolerance) {
  triangle_surface mesh;
  mesh.vertices = points;
  for (size_t i = 0; i + 2 < points.size(); i += 3)
    mesh.triangles.push_back({i, i + 1, i + 2});
  const triangle_surface before = mesh;
  const auto [changed, table] = stitch_points(mesh, tolerance, false);
  const Table expected = BruteForceTable(points, tolerance);
  ASSERT_EQ(table, expected);
  const size_t count =
      expected.empty() ? 0 : *std::max_element(expected.begin(), expected.end()) + 1;
  EXPECT_EQ(changed, count < points.size());
  EXPECT_TRUE(changed);  // every input here holds duplicates
  EXPECT_GT(count, 1u);
  ASSERT_EQ(mesh.vertices.size(), count);
  for (size_t v = 0; v < points.size(); ++v) {
    const bool firstMember = std::find(expected.begin(), expected.end(), expected[v]) ==
                             expected.begin() + static_cast<std::ptrdiff_t>(v);
    if (firstMember && Oxlen::Math::is_finite(points[v])) {
      EXPECT_EQ(mesh.vertices[expected[v]], points[v]);
    }
  }
  ASSERT_EQ(mesh.triangles.size(), before.triangles.size());
  for (size_t t = 0; t < mesh.triangles.size(); ++t)
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(mesh.triangles[t][i], expected[before.triangles[t][i]]);
}

TEST(StitchPoints, MatchesBruteForceClusteringAtManyScales) {
  std::mt19937_64 rng(99);
  struct Case {
    double scale;
    double tolerance;
  };
  for (const Case c : {Case{1.0, 0.01}, Case{1e-200, 1e-203}, Case{1e200, 1e197}, Case{1.0, 1e-300},
                       Case{1e5, 1e-4}, Case{1.0, 0.0}}) {
    SCOPED_TRACE(testing::Message() << c.scale << " " << c.tolerance);
    ExpectMatchesBruteForce(NearDuplicates(rng, 2000, Point(0, 0, 0), c.scale, c.tolerance),
                            c.tolerance);
  }
  // Coordinates so large that the tolerance is a few rounding steps, across a power of two.
  const double base = 0x1p41;
  for (const double tolerance : {1e-3, 0.0}) {
    std::vector<Point> points;
    for (int k = 0; k < 1500; ++k) {
      Point p;
      for (int i = 0; i < 3; ++i)
        p[i] = base + double(int(rng() % 41) - 20) * 0x1p-12 * (i == 2 ? -1.0 : 1.0);
      points.push_back(p);
    }
    ExpectMatchesBruteForce(points, tolerance);
  }
  // Points around the origin, crossing zero, with subnormal coordinates.
  ExpectMatchesBruteForce(NearDuplicates(rng, 1000, Point(0, 0, 0), 1e-3, 1e-4), 1e-4);
  ExpectMatchesBruteForce(NearDuplicates(rng, 500, Point(0, 0, 0), 1e-310, 1e-311), 1e-311);
}

TEST(StitchPoints, ChainsDoNotDragPointsTogether) {
  triangle_surface mesh;
  for (int i = 0; i < 10; ++i)
    mesh.vertices.push_back(Point(0.9 * i, 0, 0));
  const auto [changed, table] = stitch_points(mesh, 1.0, false);
  EXPECT_TRUE(changed);
  EXPECT_EQ(table, (Table{0, 0, 1, 1, 2, 2, 3, 3, 4, 4}));
  ASSERT_EQ(mesh.vertices.size(), 5u);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(mesh.vertices[i], Point(0.9 * (2 * i), 0, 0));
}

TEST(StitchPoints, ExactDuplicatesNonFiniteVerticesAndAveraging) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double next = std::nextafter(1.0, 2.0);
  triangle_surface mesh;
  mesh.vertices = {Point(1, 2, 3),    Point(nan, 0, 0),  Point(1, 2, 3),
                   Point(next, 2, 3), Point(nan, 0, 0),  Point(inf, 0, 0),
                   Point(inf, 0, 0),  Point(-0.0, 0, 0), Point(0, 0, 0)};
  mesh.triangles = {{0, 2, 3}, {1, 4, 8}, {5, 6, 7}};
  auto [changed, table] = stitch_points(mesh, 0.0, false);
  EXPECT_TRUE(changed);
  EXPECT_EQ(table, (Table{0, 1, 0, 2, 3, 4, 5, 6, 6}));
  EXPECT_EQ(mesh.triangles, (std::vector<std::array<size_t, 3>>{{0, 0, 2}, {1, 3, 6}, {4, 5, 6}}));
  EXPECT_TRUE(std::isnan(mesh.vertices[1][0]) && std::isnan(mesh.vertices[3][0]));

  // Nothing to merge: the identity, nothing touched.
  const auto vertices = mesh.vertices;
  std::tie(changed, table) = stitch_points(mesh, 0.0, true);
  EXPECT_FALSE(changed);
  EXPECT_EQ(table, (Table{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(mesh.vertices.size(), vertices.size());

  // Averaging: the merged vertex takes the mean of its members.
  triangle_surface cluster;
  cluster.vertices = {Point(0, 0, 0), Point(5, 5, 5), Point(0.3, 0, 0), Point(0, 0.6, 0)};
  std::tie(changed, table) = stitch_points(cluster, 1.0, true);
  EXPECT_EQ(table, (Table{0, 1, 0, 0}));
  EXPECT_NEAR(cluster.vertices[0][0], 0.1, 1e-15);
  EXPECT_NEAR(cluster.vertices[0][1], 0.2, 1e-15);
  EXPECT_EQ(cluster.vertices[1], Point(5, 5, 5));
}

TEST(StitchPoints, IsDeterministicAndValidatesItsInput) {
  std::mt19937_64 rng(5);
  triangle_surface mesh;
  mesh.vertices = NearDuplicates(rng, 20000, Point(3, -4, 5), 10.0, 1e-2);
  for (size_t i = 0; i + 2 < mesh.vertices.size(); i += 3)
    mesh.triangles.push_back({i, i + 1, i + 2});
  triangle_surface copy = mesh;
  const auto first = stitch_points(mesh, 1e-2, true);
  const auto second = stitch_points(copy, 1e-2, true);
  EXPECT_EQ(first, second);
  EXPECT_EQ(mesh.triangles, copy.triangles);
  ASSERT_EQ(mesh.vertices.size(), copy.vertices.size());
  for (size_t v = 0; v < mesh.vertices.size(); ++v)
    EXPECT_EQ(std::memcmp(&mesh.vertices[v], &copy.vertices[v], sizeof(Point)), 0);

  const triangle_surface before = mesh;
  EXPECT_THROW(stitch_points(mesh, -1e-9, false), std::invalid_argument);
  EXPECT_THROW(stitch_points(mesh, std::nan(""), false), std::invalid_argument);
  mesh.triangles.push_back({0, 1, mesh.vertices.size()});
  EXPECT_THROW(stitch_points(mesh, 1.0, false), std::invalid_argument);
  EXPECT_EQ(mesh.vertices.size(), before.vertices.size());
}

}  // namespace
