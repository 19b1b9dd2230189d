// Thinning of the loop vertices inside one quad's local mesh. The meshes lie in the plane z = 0,
// viewed along the quad normal (0, 0, 1); the kept region lies below a loop chain that runs from
// right to left (the loop has the face on its left).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <map>
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
    for (const Triangle& t : mesh.triangles)
      if (t[0] != kRemoved)
        live.push_back(t);
    return live;
  }

  bool Uses(std::size_t v) const {
    for (const Triangle& t : Live())
      if (std::find(t.begin(), t.end(), v) != t.end())
        return true;
    return false;
  }

  // Twice the area of the live triangles, each counted with the sign of its winding about the
  // normal.
  double SignedArea() const {
    double area = 0.0;
    for (const Triangle& t : Live()) {
      const Point3& a = mesh.vertices[t[0]];
      area += dot(cross(mesh.vertices[t[1]] - a, mesh.vertices[t[2]] - a), kNormal);
    }
    return area;
  }

  bool AllWoundAlongNormal() const {
    for (const Triangle& t : Live()) {
      const Point3& a = mesh.vertices[t[0]];
      if (!(dot(cross(mesh.vertices[t[1]] - a, mesh.vertices[t[2]] - a), kNormal) > 0.0))
        return false;
    }
    return true;
  }
};

// Indices of the single-vertex chain: A, B are the quad's bottom corners, the loop enters the
// quad at R on the right side, passes the free vertex M and leaves at L on the left side.
enum { A, B, R, M, L };

LocalMesh OneVertexChain(const Point3& m, int tagRM, int tagML) {
  LocalMesh local;
  local.mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 0.5, 0}, m, {0, 0.5, 0}};
  local.mesh.triangles = {{A, B, M}, {B, R, M}, {A, M, L}};
  local.segments = {{R, M}, {M, L}};
  if (tagRM != 0)
    local.border[{R, M}] = tagRM;
  if (tagML != 0)
    local.border[{M, L}] = tagML;
  return local;
}

TEST(Reduce, StraightChainCollapsesOntoItsEnds) {
  // Two free vertices on the straight chain R -> M2 -> M1 -> L.
  LocalMesh local;
  local.mesh.vertices = {{0, 0, 0},     {1, 0, 0},     {1, 0.5, 0},
                         {0.6, 0.5, 0}, {0.3, 0.5, 0}, {0, 0.5, 0}};
  enum { a, b, r, m2, m1, l };
  local.mesh.triangles = {{a, b, m2}, {b, r, m2}, {a, m2, m1}, {a, m1, l}};
  local.segments = {{r, m2}, {m2, m1}, {m1, l}};
  local.border = {{{r, m2}, 3}, {{m2, m1}, 3}, {{m1, l}, 3}};
  const double area = local.SignedArea();

  local.Reduce(0.001);
  EXPECT_FALSE(local.Uses(m1));
  EXPECT_FALSE(local.Uses(m2));
  for (const std::size_t fixed : {a, b, r, l})
    EXPECT_TRUE(local.Uses(fixed));
  EXPECT_EQ(local.Live().size(), 2u);
  EXPECT_NEAR(local.SignedArea(), area, 1e-15);
  EXPECT_TRUE(local.AllWoundAlongNormal());
  // The loop edges follow the kept vertices; the ones that shrank to a point are gone.
  EXPECT_EQ(local.border, (BorderEdges{{{r, l}, 3}}));
  // Vertices are never moved or dropped from the list: removal is by triangle only.
  EXPECT_EQ(local.mesh.vertices.size(), 6u);
  EXPECT_EQ(local.mesh.triangles.size(), 4u);

  // Loop segments against the winding of the kept triangles (the kept side on the loop's right)
  // free the same vertices.
  LocalMesh against = local;
  against.mesh.triangles = {{a, b, m2}, {b, r, m2}, {a, m2, m1}, {a, m1, l}};
  against.segments = {{m2, r}, {m1, m2}, {l, m1}};
  against.border.clear();
  against.Reduce(0.001);
  EXPECT_FALSE(against.Uses(m1));
  EXPECT_FALSE(against.Uses(m2));
}

// M joins two fans that touch only there (a loop touching itself): four boundary neighbours, so
// no chain runs through M; only a collapse shorter than 0.0003 could remove it. M lies 0.0001
// above the straight line A B, well within the distance limit of that chord.
TEST(Reduce, VertexWithMoreThanTwoBoundaryNeighboursStays) {
  LocalMesh local;
  local.mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 0.0001, 0}};
  enum { a, b, c, dd, m };
  local.mesh.triangles = {{a, b, m}, {c, dd, m}};
  local.segments = {{b, m}, {m, a}, {dd, m}, {m, c}};
  const auto before = local.mesh.triangles;
  local.Reduce(0.001);
  EXPECT_EQ(local.mesh.triangles, before);
}

TEST(Reduce, ChainDistanceAndAngleDecide) {
  const double d = 0.001;
  // Off the chord of its neighbours by less than the distance limit: removed, onto R (the first
  // boundary neighbour met).
  LocalMesh near = OneVertexChain({0.5, 0.5 - 0.9 * d, 0}, 4, 4);
  near.Reduce(d);
  EXPECT_FALSE(near.Uses(M));
  EXPECT_EQ(near.border, (BorderEdges{{{R, L}, 4}}));
  EXPECT_EQ(near.Live(), (std::vector<Triangle>{{A, B, R}, {A, R, L}}));

  // Beyond it: kept, and nothing changes.
  LocalMesh far = OneVertexChain({0.5, 0.5 - 1.1 * d, 0}, 4, 4);
  const LocalMesh before = far;
  far.Reduce(d);
  EXPECT_EQ(far.mesh.triangles, before.mesh.triangles);
  EXPECT_EQ(far.border, before.border);

  // Within a generous distance limit, the angle at the far neighbour decides: the chain bends by
  // atan(2 offset) at L, against the limit 3.14 / 180 = 0.017444 rad.
  LocalMesh flat = OneVertexChain({0.5, 0.5 - 0.008, 0}, 0, 0);  // 0.0160 rad
  flat.Reduce(0.05);
  EXPECT_FALSE(flat.Uses(M));
  LocalMesh bent = OneVertexChain({0.5, 0.5 - 0.0095, 0}, 0, 0);  // 0.0190 rad
  bent.Reduce(0.05);
  EXPECT_TRUE(bent.Uses(M));
}

TEST(Reduce, VertexBetweenLoopEdgesOfDifferentTagsStays) {
  LocalMesh mixed = OneVertexChain({0.5, 0.5, 0}, 1, 2);
  mixed.Reduce(0.001);
  EXPECT_TRUE(mixed.Uses(M));
  EXPECT_EQ(mixed.border, (BorderEdges{{{R, M}, 1}, {{M, L}, 2}}));

  // One tagged edge and one untagged segment: nothing forbids the collapse; the tagged edge
  // shrinks to a point and is dropped.
  LocalMesh single = OneVertexChain({0.5, 0.5, 0}, 1, 0);
  single.Reduce(0.001);
  EXPECT_FALSE(single.Uses(M));
  EXPECT_TRUE(single.border.empty());
}

// A free vertex M 0.0002 right of the chain end L, with the chain bent sharply at M (towards K)
// and a distance limit far too small for the chain test. T is the fixed vertex below L.
enum { kL, kT, kX, kK, kM };
LocalMesh ShortEdge(const Point3& t, int tagKM, int tagML) {
  LocalMesh local;
  local.mesh.vertices = {{-0.0002, 0, 0}, t, {1, -1, 0}, {1, 0.5, 0}, {0, 0, 0}};
  local.mesh.triangles = {{kL, kT, kM}, {kT, kX, kM}, {kX, kK, kM}};
  local.segments = {{kK, kM}, {kM, kL}};
  local.border = {{{kK, kM}, tagKM}, {{kM, kL}, tagML}};
  return local;
}

TEST(Reduce, ShortEdgeCollapsesUnlessItFlipsOrJoinsTags) {
  // T straight below L: moving M onto L keeps every triangle facing along the normal.
  LocalMesh plain = ShortEdge({-0.0002, -0.0001, 0}, 6, 6);
  ASSERT_TRUE(plain.AllWoundAlongNormal());
  plain.Reduce(1e-9);
  EXPECT_FALSE(plain.Uses(kM));
  EXPECT_EQ(plain.Live(), (std::vector<Triangle>{{kT, kX, kL}, {kX, kK, kL}}));
  EXPECT_EQ(plain.border, (BorderEdges{{{kK, kL}, 6}}));
  EXPECT_TRUE(plain.AllWoundAlongNormal());

  // T moved right, under M: L lies beyond the line T X, so triangle (T, X, M) would turn over.
  LocalMesh flipping = ShortEdge({-0.00005, -0.0001, 0}, 6, 6);
  ASSERT_TRUE(flipping.AllWoundAlongNormal());
  flipping.Reduce(1e-9);
  EXPECT_TRUE(flipping.Uses(kM));
  EXPECT_TRUE(flipping.AllWoundAlongNormal());

  // The loop edges at M carry different tags.
  LocalMesh tagged = ShortEdge({-0.0002, -0.0001, 0}, 6, 7);
  tagged.Reduce(1e-9);
  EXPECT_TRUE(tagged.Uses(kM));
  EXPECT_EQ(tagged.border.size(), 2u);
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

  // The ends of a loop chain lie on the quad's border too: however close the chain's free
  // vertex, the ends stay and the free vertex goes.
  LocalMesh chain = OneVertexChain({0.0001, 0.5, 0}, 0, 0);
  chain.Reduce(0.001);
  EXPECT_TRUE(chain.Uses(L));
  EXPECT_TRUE(chain.Uses(R));
  EXPECT_FALSE(chain.Uses(M));
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
  for (const double jitter : {0.45, 3.0}) {
    for (int round = 0; round < 20; ++round) {
      const double d = 0.0005;
      const int n = 10;
      LocalMesh local;
      local.mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 0.5, 0}};  // A, B, R
      for (int k = 1; k <= n; ++k)
        local.mesh.vertices.push_back(
            {1.0 - k / (n + 1.0), 0.5 + jitter * d * (2.0 * unit() - 1.0), 0.0});
      local.mesh.vertices.push_back({0, 0.5, 0});  // L
      const std::size_t l = n + 3;
      local.mesh.triangles.push_back({0, 1, 2});
      for (std::size_t k = 2; k < l; ++k) {
        local.mesh.triangles.push_back({0, k, k + 1});
        local.segments.insert({k, k + 1});
        local.border[{k, k + 1}] = 5;
      }
      const double area = local.SignedArea();
      local.Reduce(d);

      for (const std::size_t fixed : {std::size_t{0}, std::size_t{1}, std::size_t{2}, l})
        EXPECT_TRUE(local.Uses(fixed));
      EXPECT_TRUE(local.AllWoundAlongNormal());
      EXPECT_NEAR(local.SignedArea(), area, 2.0 * jitter * d);
      // Walk the loop edges from R: each step leaves a used vertex, and the walk ends at L.
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
