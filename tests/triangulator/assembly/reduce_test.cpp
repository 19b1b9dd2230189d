// Thinning of the loop vertices inside one quad's local mesh. The meshes lie in the plane z = 0,
// viewed along the quad normal (0, 0, 1); the kept region lies below a loop chain that runs from
// right to left (the loop has the face on its left).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "triangulator/MInternal.h"

namespace {

using Point3 = Oxlen::Math::point<double, 3>;
using Edge = std::pair<std::size_t, std::size_t>;
using Triangle = std::array<std::size_t, 3>;
using BorderEdges = std::map<Edge, int>;

struct LocalMesh {
  Oxlen::Geometry::triangle_surface mesh;
  std::set<Edge> segments;
  BorderEdges border;

  void Reduce(double distance) {
    MCadTriangulator::MInternal::Reduce(mesh, segments, {0, 0, 1}, border, distance);
  }
  std::vector<Triangle> Live() const {
    std::vector<Triangle> live;
    for (const Triangle& t : mesh.triangles)
      if (t[0] != std::numeric_limits<std::size_t>::max())
        live.push_back(t);
    return live;
  }
  bool Uses(std::size_t v) const {
    for (const Triangle& t : Live())
      if (std::count(t.begin(), t.end(), v))
        return true;
    return false;
  }
  // Twice the summed area of the live triangles; NaN when one is not wound along the normal.
  double Area() const {
    double sum = 0.0;
    for (const Triangle& t : Live()) {
      const Point3& a = mesh.vertices[t[0]];
      const double area = cross(mesh.vertices[t[1]] - a, mesh.vertices[t[2]] - a)[2];
      sum += area > 0.0 ? area : std::numeric_limits<double>::quiet_NaN();
    }
    return sum;
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
  for (const auto& [edge, tag] : {std::pair{Edge{R, M}, tagRM}, std::pair{Edge{M, L}, tagML}})
    if (tag != 0)
      local.border[edge] = tag;
  return local;
}

TEST(Reduce, ChainVertexGoesUnlessTheDistanceTheAngleOrTheTagsForbid) {
  const double d = 0.001;
  struct Case {
    const char* what;
    double y;  // of M, at x = 0.5 unless next to L
    int tagRM, tagML;
    double distance;
    bool removed;
    BorderEdges border;  // after the reduction
  };
  const Case cases[] = {
      {"straight, one tag", 0.5, 3, 3, d, true, {{{R, L}, 3}}},
      {"within the limit", 0.5 - 0.9 * d, 4, 4, d, true, {{{R, L}, 4}}},
      {"beyond it", 0.5 - 1.1 * d, 4, 4, d, false, {{{R, M}, 4}, {{M, L}, 4}}},
      // Within a generous distance limit the bend atan(2 offset) at L decides, against the limit
      // 3.14 / 180 = 0.017444 rad.
      {"bent by 0.0160 rad", 0.5 - 0.008, 0, 0, 0.05, true, {}},
      {"bent by 0.0190 rad", 0.5 - 0.0095, 0, 0, 0.05, false, {}},
      {"between different tags", 0.5, 1, 2, d, false, {{{R, M}, 1}, {{M, L}, 2}}},
      // Nothing forbids the collapse; the tagged edge shrinks to a point and is dropped.
      {"one tagged edge, one untagged segment", 0.5, 1, 0, d, true, {}},
      // The chain ends lie on the quad border: however close the free vertex, they stay.
      {"next to the chain end", -1.0, 0, 0, d, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LocalMesh local =
        OneVertexChain(c.y < 0 ? Point3{0.0001, 0.5, 0} : Point3{0.5, c.y, 0}, c.tagRM, c.tagML);
    local.Reduce(c.distance);
    EXPECT_EQ(local.Uses(M), !c.removed);
    for (const std::size_t fixed : {A, B, R, L})
      EXPECT_TRUE(local.Uses(fixed));
    EXPECT_FALSE(std::isnan(local.Area()));
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
// and a distance limit far too small for the chain test. T is the fixed vertex below L: straight
// below it every triangle keeps facing along the normal when M moves onto L; under M it puts L
// beyond the line T X, so that triangle (T, X, M) would turn over.
TEST(Reduce, ShortEdgeCollapsesUnlessItFlipsOrJoinsTags) {
  enum { kL, kT, kX, kK, kM };
  for (const auto& [tx, tagML, removed] :
       {std::tuple{-0.0002, 6, true}, std::tuple{-0.00005, 6, false},
        std::tuple{-0.0002, 7, false}}) {
    SCOPED_TRACE(testing::Message() << tx << " " << tagML);
    LocalMesh local;
    local.mesh.vertices = {{-0.0002, 0, 0}, {tx, -0.0001, 0}, {1, -1, 0}, {1, 0.5, 0}, {0, 0, 0}};
    local.mesh.triangles = {{kL, kT, kM}, {kT, kX, kM}, {kX, kK, kM}};
    local.segments = {{kK, kM}, {kM, kL}};
    local.border = {{{kK, kM}, 6}, {{kM, kL}, tagML}};
    ASSERT_FALSE(std::isnan(local.Area()));
    local.Reduce(1e-9);
    EXPECT_EQ(local.Uses(kM), !removed);
    EXPECT_FALSE(std::isnan(local.Area()));
    EXPECT_TRUE(!removed || local.Live() == (std::vector<Triangle>{{kT, kX, kL}, {kX, kK, kL}}));
    const BorderEdges kept{{{kK, kM}, 6}, {{kM, kL}, tagML}};
    EXPECT_EQ(local.border, removed ? (BorderEdges{{{kK, kL}, 6}}) : kept);
  }
  // Vertices on the quad's border stay however short their edges: E lies on the bottom side,
  // 0.0001 from corner A; no loop runs through the quad.
  LocalMesh quad;
  quad.mesh.vertices = {{0, 0, 0}, {0.0001, 0, 0}, {1, 0, 0}, {1, 0.5, 0}, {1, 1, 0}, {0, 1, 0}};
  quad.mesh.triangles = {{0, 1, 5}, {1, 2, 3}, {1, 3, 4}, {1, 4, 5}};
  const auto before = quad.mesh.triangles;
  quad.Reduce(0.1);
  EXPECT_EQ(quad.mesh.triangles, before);
}

// A long chain from R (1, 0.5) to L (0, 0.5) through random points jittered across the line,
// fanned from corner A. Jitter within half the distance limit keeps every free vertex within
// the limit of any chord of its chain and bends the chain less than the angle limit (the points
// are 1/11 apart: atan(2 * 0.45 * 0.0005 / 0.09) < 0.006): all of them go. A larger jitter keeps
// some; in both cases the fixed vertices stay, every triangle still faces along the normal, the
// area barely changes, and the loop edges still run as one chain from R to L.
TEST(Reduce, JitteredChainKeepsItsInvariants) {
  std::mt19937_64 rng(20240611);
  const double d = 0.0005;
  const std::size_t l = 13;  // R = 2, ten free vertices, L
  for (const double jitter : {0.45, 3.0}) {
    for (int round = 0; round < 20; ++round) {
      LocalMesh local;
      local.mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 0.5, 0}};  // A, B, R
      for (std::size_t k = 1; k <= 10; ++k) {
        const double unit = static_cast<double>(rng() >> 11) * 0x1.0p-53;
        local.mesh.vertices.push_back({1.0 - k / 11.0, 0.5 + jitter * d * (2.0 * unit - 1.0), 0});
      }
      local.mesh.vertices.push_back({0, 0.5, 0});  // L
      local.mesh.triangles.push_back({0, 1, 2});
      for (std::size_t k = 2; k < l; ++k) {
        local.mesh.triangles.push_back({0, k, k + 1});
        local.segments.insert({k, k + 1});
        local.border[{k, k + 1}] = 5;
      }
      const double before = local.Area();
      local.Reduce(d);
      for (const std::size_t fixed : {std::size_t{0}, std::size_t{1}, std::size_t{2}, l})
        EXPECT_TRUE(local.Uses(fixed));
      EXPECT_NEAR(local.Area(), before, 2.0 * jitter * d);  // and every triangle wound along
      // Walk the loop edges from R: each step reaches a used vertex, and the walk ends at L.
      std::size_t at = 2, steps = 0;
      for (auto it = local.border.lower_bound({at, 0});
           it != local.border.end() && it->first.first == at;
           it = local.border.lower_bound({at, 0}), ++steps) {
        EXPECT_EQ(it->second, 5);
        at = it->first.second;
        EXPECT_TRUE(local.Uses(at));
        ASSERT_LT(steps, local.border.size());
      }
      EXPECT_EQ(at, l);
      EXPECT_EQ(steps, local.border.size());
      EXPECT_TRUE(jitter > 0.5 || local.border.size() == 1u);
    }
  }
}

}  // namespace
