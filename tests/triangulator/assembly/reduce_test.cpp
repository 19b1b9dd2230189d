// Thinning of the loop vertices inside one quad's local mesh. The meshes lie in the plane z = 0,
// viewed along the quad normal (0, 0, 1); the kept region lies below a loop chain that runs from
// right to left (the loop has the face on its left).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <limits>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "triangulator/MInternal.h"

namespace {

using MInternal = MCadTriangulator::MInternal;
using Point3 = Oxlen::Math::point<double, 3>;
using Edge = std::pair<std::size_t, std::size_t>;
using Triangle = std::array<std::size_t, 3>;
using BorderEdges = std::map<Edge, int>;
constexpr std::size_t kRemoved = std::numeric_limits<std::size_t>::max();
const Point3 kNormal{0.0, 0.0, 1.0};

struct LocalMesh {
  Oxlen::Geometry::triangle_surface mesh;
  std::set<Edge> segments;
  BorderEdges border;

  void Reduce(double distance) { MInternal::Reduce(mesh, segments, kNormal, border, distance); }

  std::vector<Triangle> Live() const {
    std::vector<Triangle> live;
    std::copy_if(mesh.triangles.begin(), mesh.triangles.end(), std::back_inserter(live),
                 [](const Triangle& t) { return t[0] != kRemoved; });
    return live;
  }

  bool Uses(std::size_t v) const {
    for (const Triangle& t : Live())
      if (std::find(t.begin(), t.end(), v) != t.end())
        return true;
    return false;
  }

  // Twice the area of each live triangle, signed by its winding about the normal.
  std::vector<double> Areas() const {
    std::vector<double> areas;
    for (const Triangle& t : Live()) {
      const Point3& a = mesh.vertices[t[0]];
      areas.push_back(dot(cross(mesh.vertices[t[1]] - a, mesh.vertices[t[2]] - a), kNormal));
    }
    return areas;
  }
  bool AllWoundAlongNormal() const {
    const std::vector<double> areas = Areas();
    return std::all_of(areas.begin(), areas.end(), [](double a) { return a > 0.0; });
  }
};

// A, B are the quad's bottom corners; the loop enters the quad at R on the right side, passes
// the free vertex M and leaves at L on the left side.
enum { A, B, R, M, L };

LocalMesh OneVertexChain(const Point3& m, int tagRM, int tagML, bool againstWinding = false) {
  LocalMesh local;
  local.mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 0.5, 0}, m, {0, 0.5, 0}};
  local.mesh.triangles = {{A, B, M}, {B, R, M}, {A, M, L}};
  local.segments = againstWinding ? std::set<Edge>{{M, R}, {L, M}} : std::set<Edge>{{R, M}, {M, L}};
  if (tagRM != 0)
    local.border[{R, M}] = tagRM;
  if (tagML != 0)
    local.border[{M, L}] = tagML;
  return local;
}

TEST(Reduce, ChainVertexGoesUnlessTheDistanceTheAngleOrTheTagsForbid) {
  const double d = 0.001;
  struct Case {
    const char* what;
    Point3 m;
    int tagRM, tagML;
    double distance;
    bool removed;
    BorderEdges border;  // after the reduction
  };
  const Case cases[] = {
      {"straight, one tag", {0.5, 0.5, 0}, 3, 3, d, true, {{{R, L}, 3}}},
      {"within the limit", {0.5, 0.5 - 0.9 * d, 0}, 4, 4, d, true, {{{R, L}, 4}}},
      {"beyond it", {0.5, 0.5 - 1.1 * d, 0}, 4, 4, d, false, {{{R, M}, 4}, {{M, L}, 4}}},
      // Within a generous distance limit the bend atan(2 offset) at L decides, against the limit
      // 3.14 / 180 = 0.017444 rad.
      {"bent by 0.0160 rad", {0.5, 0.5 - 0.008, 0}, 0, 0, 0.05, true, {}},
      {"bent by 0.0190 rad", {0.5, 0.5 - 0.0095, 0}, 0, 0, 0.05, false, {}},
      {"between different tags", {0.5, 0.5, 0}, 1, 2, d, false, {{{R, M}, 1}, {{M, L}, 2}}},
      // Nothing forbids the collapse; the tagged edge shrinks to a point and is dropped.
      {"one tagged edge, one untagged segment", {0.5, 0.5, 0}, 1, 0, d, true, {}},
      // The chain ends lie on the quad border: however close the free vertex, they stay.
      {"next to the chain end", {0.0001, 0.5, 0}, 0, 0, d, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LocalMesh local = OneVertexChain(c.m, c.tagRM, c.tagML);
    local.Reduce(c.distance);
    EXPECT_EQ(local.Uses(M), !c.removed);
    for (const std::size_t fixed : {A, B, R, L})
      EXPECT_TRUE(local.Uses(fixed));
    EXPECT_TRUE(local.AllWoundAlongNormal());
    EXPECT_EQ(local.border, c.border);
    // Vertices are never moved or dropped from the list: removal is by triangle only.
    EXPECT_EQ(local.mesh.vertices.size(), 5u);
    EXPECT_EQ(local.mesh.triangles.size(), 3u);
  }
  // The vertex goes onto R, the first boundary neighbour met.
  LocalMesh near = OneVertexChain({0.5, 0.5 - 0.9 * d, 0}, 4, 4);
  near.Reduce(d);
  EXPECT_EQ(near.Live(), (std::vector<Triangle>{{A, B, R}, {A, R, L}}));
  // Loop segments against the winding of the kept triangles free the vertex all the same.
  LocalMesh against = OneVertexChain({0.5, 0.5, 0}, 0, 0, true);
  against.Reduce(d);
  EXPECT_FALSE(against.Uses(M));
}

// A free vertex M 0.0002 right of the chain end L, with the chain bent sharply at M (towards K)
// and a distance limit far too small for the chain test. T is the fixed vertex below L.
TEST(Reduce, ShortEdgeCollapsesUnlessItFlipsOrJoinsTags) {
  enum { kL, kT, kX, kK, kM };
  struct Case {
    const char* what;
    double tx;
    int tagML;
    bool removed;
  };
  // T straight below L keeps every triangle facing along the normal when M moves onto L; T
  // under M puts L beyond the line T X, so that triangle (T, X, M) would turn over.
  for (const Case& c : {Case{"plain", -0.0002, 6, true}, Case{"flipping", -0.00005, 6, false},
                        Case{"different tags", -0.0002, 7, false}}) {
    SCOPED_TRACE(c.what);
    LocalMesh local;
    local.mesh.vertices = {{-0.0002, 0, 0}, {c.tx, -0.0001, 0}, {1, -1, 0}, {1, 0.5, 0}, {0, 0, 0}};
    local.mesh.triangles = {{kL, kT, kM}, {kT, kX, kM}, {kX, kK, kM}};
    local.segments = {{kK, kM}, {kM, kL}};
    local.border = {{{kK, kM}, 6}, {{kM, kL}, c.tagML}};
    ASSERT_TRUE(local.AllWoundAlongNormal());
    local.Reduce(1e-9);
    EXPECT_EQ(local.Uses(kM), !c.removed);
    EXPECT_TRUE(local.AllWoundAlongNormal());
    if (c.removed) {
      EXPECT_EQ(local.Live(), (std::vector<Triangle>{{kT, kX, kL}, {kX, kK, kL}}));
      EXPECT_EQ(local.border, (BorderEdges{{{kK, kL}, 6}}));
    } else {
      EXPECT_EQ(local.border.size(), 2u);
    }
  }
}

TEST(Reduce, QuadBorderVerticesStay) {
  // E is on the quad's bottom side, 0.0001 from corner A and on the straight line A B; F is the
  // middle of the right side. No loop runs through the quad.
  LocalMesh local;
  local.mesh.vertices = {{0, 0, 0}, {0.0001, 0, 0}, {1, 0, 0}, {1, 0.5, 0}, {1, 1, 0}, {0, 1, 0}};
  enum { a, e, b, f, c, dd };
  local.mesh.triangles = {{a, e, dd}, {e, b, f}, {e, f, c}, {e, c, dd}};
  const auto before = local.mesh.triangles;
  local.Reduce(0.1);
  EXPECT_EQ(local.mesh.triangles, before);
}

// A long chain from R (1, 0.5) to L (0, 0.5) through random points jittered across the line,
// fanned from corner A. Jitter within half the distance limit keeps every free vertex within
// the limit of any chord of its chain and bends the chain less than the angle limit (the points
// are 1/11 apart: atan(2 * 0.45 * 0.0005 / 0.09) < 0.006): all of them go. A larger jitter keeps
// some; in both cases the fixed vertices stay, every triangle still faces along the normal, and
// the loop edges still run as one chain from R to L.
TEST(Reduce, JitteredChainKeepsItsInvariants) {
  std::mt19937_64 rng(20240611);
  const auto unit = [&rng] { return static_cast<double>(rng() >> 11) * 0x1.0p-53; };
  const double d = 0.0005;
  const std::size_t n = 10;
  const std::size_t l = n + 3;
  for (const double jitter : {0.45, 3.0}) {
    for (int round = 0; round < 20; ++round) {
      LocalMesh local;
      local.mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 0.5, 0}};  // A, B, R
      for (std::size_t k = 1; k <= n; ++k)
        local.mesh.vertices.push_back(
            {1.0 - k / (n + 1.0), 0.5 + jitter * d * (2.0 * unit() - 1.0), 0.0});
      local.mesh.vertices.push_back({0, 0.5, 0});  // L
      local.mesh.triangles.push_back({0, 1, 2});
      for (std::size_t k = 2; k < l; ++k) {
        local.mesh.triangles.push_back({0, k, k + 1});
        local.segments.insert({k, k + 1});
        local.border[{k, k + 1}] = 5;
      }
      const std::vector<double> before = local.Areas();
      local.Reduce(d);

      for (const std::size_t fixed : {std::size_t{0}, std::size_t{1}, std::size_t{2}, l})
        EXPECT_TRUE(local.Uses(fixed));
      EXPECT_TRUE(local.AllWoundAlongNormal());
      const std::vector<double> after = local.Areas();
      EXPECT_NEAR(std::accumulate(after.begin(), after.end(), 0.0),
                  std::accumulate(before.begin(), before.end(), 0.0), 2.0 * jitter * d);
      // Walk the loop edges from R: each step reaches a used vertex, and the walk ends at L.
      std::size_t at = 2;
      std::size_t steps = 0;
      for (auto it = local.border.lower_bound({at, 0});
           it != local.border.end() && it->first.first == at;
           it = local.border.lower_bound({at, 0})) {
        EXPECT_EQ(it->second, 5);
        at = it->first.second;
        EXPECT_TRUE(local.Uses(at));
        ASSERT_LE(++steps, local.border.size());
      }
      EXPECT_EQ(at, l);
      EXPECT_EQ(steps, local.border.size());
      if (jitter < 0.5) {
        EXPECT_EQ(local.border.size(), 1u);
      }
    }
  }
}

}  // namespace
