#include "Oxlen/Geometry/stitch_points.h"

#include "platform/geometry/mesh_test_support.h"

namespace {

using namespace Oxlen::Geometry;
using mesh_test::Point;
using mesh_test::Uniform;
using Table = std::vector<size_t>;

// The clustering rule done the slow way: each finite vertex joins the first representative
// within the tolerance (overflow-safe distance scaled by the largest component), or becomes one.
Table BruteForceTable(const std::vector<Point>& points, double tolerance) {
  const auto near = [&](const Point& p, const Point& q) {
    std::array<double, 3> d{std::abs(p[0] - q[0]), std::abs(p[1] - q[1]), std::abs(p[2] - q[2])};
    std::sort(d.begin(), d.end());
    const double m = d[2] == 0.0 ? 1.0 : d[2];
    return d[2] * std::sqrt(1.0 + (d[0] / m) * (d[0] / m) + (d[1] / m) * (d[1] / m)) <= tolerance;
  };
  std::vector<size_t> representatives;
  Table table(points.size());
  for (size_t v = 0; v < points.size(); ++v) {
    const auto r = std::find_if(representatives.begin(), representatives.end(), [&](size_t r) {
      return Oxlen::Math::is_finite(points[v]) && near(points[v], points[r]);
    });
    table[v] = r == representatives.end() ? representatives.size() : table[*r];
    if (r == representatives.end())
      representatives.push_back(v);
  }
  return table;
}

// Clusters of near-duplicates around random centres: offsets of 0, 0.3, 1 and 2 tolerances per
// component, so points fall on both sides of the tolerance, plus exact copies; in triangles.
triangle_surface NearDuplicates(std::mt19937_64& rng, size_t count, double extent, double tol) {
  std::vector<Point> centres(count / 8);
  for (Point& c : centres)
    c = Point(Uniform(rng) - 0.5, Uniform(rng) - 0.5, Uniform(rng)) * extent;
  triangle_surface mesh;
  for (size_t k = 0; k < count; ++k) {
    Point p = centres[rng() % centres.size()];
    const double spread = std::array{0.0, 0.3, 1.0, 2.0}[rng() % 4] * tol;
    for (int i = 0; i < 3; ++i)
      p[i] += spread * (Uniform(rng) - 0.5);
    mesh.vertices.insert(mesh.vertices.end(), rng() % 5 == 0 ? 2 : 1, p);
  }
  for (size_t i = 0; i + 2 < mesh.vertices.size(); i += 3)
    mesh.triangles.push_back({i, i + 1, i + 2});
  return mesh;
}

// Runs stitch_points and checks table, kept vertices and corners against the brute-force rule.
void ExpectMatchesBruteForce(const triangle_surface& before, double tolerance) {
  triangle_surface mesh = before;
  const auto [changed, table] = stitch_points(mesh, tolerance, false);
  ASSERT_EQ(table, BruteForceTable(before.vertices, tolerance));
  EXPECT_TRUE(changed);  // every input here holds duplicates
  ASSERT_EQ(mesh.vertices.size(), *std::max_element(table.begin(), table.end()) + 1);
  for (size_t v = 0, next = 0; v < table.size(); ++v)  // a cluster keeps its first member
    if (table[v] == next && ++next && Oxlen::Math::is_finite(before.vertices[v])) {
      EXPECT_EQ(mesh.vertices[table[v]], before.vertices[v]);
    }
  for (size_t t = 0; t < mesh.triangles.size(); ++t)
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(mesh.triangles[t][i], table[before.triangles[t][i]]);
}

TEST(StitchPoints, MatchesBruteForceClusteringAtManyScales) {
  std::mt19937_64 rng(99);
  const std::pair<double, double> cases[] = {{1.0, 0.01}, {1e-200, 1e-203}, {1e200, 1e197},
                                             {1e5, 1e-4}, {1.0, 0.0},       {1e-310, 1e-311}};
  for (const auto& [scale, tolerance] : cases) {
    SCOPED_TRACE(testing::Message() << scale << " " << tolerance);
    ExpectMatchesBruteForce(NearDuplicates(rng, 1000, scale, tolerance), tolerance);
  }
  // Coordinates so large that the tolerance is a few rounding steps, across a power of two.
  for (const double tolerance : {1e-3, 0.0}) {
    triangle_surface mesh{std::vector<Point>(1500), {}};
    for (Point& p : mesh.vertices)
      for (int i = 0; i < 3; ++i)
        p[i] = 0x1p41 + double(int(rng() % 41) - 20) * 0x1p-12 * (i == 2 ? -1.0 : 1.0);
    ExpectMatchesBruteForce(mesh, tolerance);
  }
}

TEST(StitchPoints, NonFiniteVerticesAveragingDeterminismAndValidation) {
  // Tolerance 0: exact duplicates only (-0 equals 0); NaN and infinite vertices stay apart.
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = HUGE_VAL;
  triangle_surface mesh{
      {Point(1, 2, 3), Point(nan, 0, 0), Point(1, 2, 3), Point(std::nextafter(1.0, 2.0), 2, 3),
       Point(nan, 0, 0), Point(inf, 0, 0), Point(inf, 0, 0), Point(-0.0, 0, 0), Point(0, 0, 0)},
      {{0, 2, 3}, {1, 4, 8}, {5, 6, 7}}};
  EXPECT_EQ(stitch_points(mesh, 0.0, false), std::pair(true, Table{0, 1, 0, 2, 3, 4, 5, 6, 6}));
  EXPECT_EQ(mesh.triangles, (std::vector<std::array<size_t, 3>>{{0, 0, 2}, {1, 3, 6}, {4, 5, 6}}));
  // Nothing left to merge: the identity.
  EXPECT_EQ(stitch_points(mesh, 0.0, true), std::pair(false, Table{0, 1, 2, 3, 4, 5, 6}));
  // Averaging: the merged vertex takes the mean of its members.
  triangle_surface cluster{{Point(0, 0, 0), Point(5, 5, 5), Point(0.3, 0, 0), Point(0, .6, 0)}, {}};
  EXPECT_EQ(stitch_points(cluster, 1.0, true).second, (Table{0, 1, 0, 0}));
  EXPECT_LT(Oxlen::Math::distance(cluster.vertices[0], Point(0.1, 0.2, 0)), 1e-15);
  EXPECT_EQ(cluster.vertices[1], Point(5, 5, 5));
  // The same input gives the same output, bit for bit.
  std::mt19937_64 rng(5);
  triangle_surface big = NearDuplicates(rng, 5000, 10.0, 1e-2), copy = big;
  EXPECT_EQ(stitch_points(big, 1e-2, true), stitch_points(copy, 1e-2, true));
  EXPECT_TRUE(big.triangles == copy.triangles);
  EXPECT_TRUE(big.vertices == copy.vertices);
  // Invalid tolerances and corners throw and change nothing.
  const size_t vertices = big.vertices.size();
  EXPECT_THROW(stitch_points(big, -1e-9, false), std::invalid_argument);
  EXPECT_THROW(stitch_points(big, nan, false), std::invalid_argument);
  big.triangles.push_back({0, 1, big.vertices.size()});
  EXPECT_THROW(stitch_points(big, 1.0, false), std::invalid_argument);
  EXPECT_EQ(big.vertices.size(), vertices);
}

}  // namespace
