// Thinning of the vertices that trimming leaves along a loop inside one quad.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include <boost/container/flat_set.hpp>
#include <boost/container/small_vector.hpp>

#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "spatial/numeric_helpers.h"
#include "triangulator/MInternal.h"

namespace {

using Oxlen::Math::point;
using Edge = std::pair<std::size_t, std::size_t>;
using Triangle = std::array<std::size_t, 3>;

constexpr std::size_t kRemoved = std::numeric_limits<std::size_t>::max();
// Below this length two vertices are collapsed whatever the shape of the chain.
constexpr double kMinimalEdgeLength = 0.0003;
// Largest angle at the far neighbour between the chain through the vertex and the chord without
// it: one degree, counted with pi as 3.14 (0.0174444 rad), as the collapses of every mesh so far
// were decided.
constexpr double kChainAngle = 3.14 / 180.0;
const double kCosChainAngle = std::cos(kChainAngle);

bool IsLive(const Triangle& t) {
  return t[0] != kRemoved;
}

bool Contains(const Triangle& t, std::size_t v) {
  return t[0] == v || t[1] == v || t[2] == v;
}

// The local mesh under reduction: its triangles, the live triangles of every vertex, and the
// vertices that must stay (those on the quad's own border).
class Reducer {
 public:
  Reducer(Oxlen::Geometry::triangle_surface& mesh, const std::set<Edge>& segments,
          const point<double, 3>& normal, std::map<Edge, int>& borderEdges, double distance)
      : m_mesh(mesh),
        m_normal(normal),
        m_borderEdges(borderEdges),
        m_distance(distance),
        m_fixed(mesh.vertices.size(), false),
        m_triangles(mesh.vertices.size()),
        m_borderEdgesAt(mesh.vertices.size()) {
    FixQuadBorderVertices(segments);
    BuildAdjacency();
    IndexBorderEdges();
  }

  void Run() {
    bool collapsed = true;
    while (collapsed) {
      collapsed = false;
      for (std::size_t v = 0; v < m_mesh.vertices.size(); ++v) {
        if (m_fixed[v] || m_triangles[v].empty())
          continue;
        collapsed |= TryCollapse(v);
      }
    }
  }

 private:
  // Boundary edges are the directed edges whose reverse belongs to no triangle; those that are
  // not loop segments (in either direction) lie on the quad's border and fix their ends.
  void FixQuadBorderVertices(const std::set<Edge>& segments) {
    std::vector<Edge> directed;
    for (const Triangle& t : m_mesh.triangles)
      if (IsLive(t))
        for (int k = 0; k < 3; ++k)
          directed.push_back({t[k], t[(k + 1) % 3]});
    std::sort(directed.begin(), directed.end());
    for (const Edge& e : directed) {
      if (std::binary_search(directed.begin(), directed.end(), Edge(e.second, e.first)))
        continue;
      if (segments.count(e) || segments.count({e.second, e.first}))
        continue;
      m_fixed[e.first] = m_fixed[e.second] = true;
    }
  }

  void BuildAdjacency() {
    for (std::size_t t = 0; t < m_mesh.triangles.size(); ++t)
      if (IsLive(m_mesh.triangles[t]))
        for (std::size_t v : m_mesh.triangles[t])
          m_triangles[v].insert(t);
  }

  // The other ends of the edges at v that only one live triangle of v holds, in the order met
  // around v's triangles (ascending triangle index, corners in order). Counting through a sorted
  // copy keeps the cost near-linear in v's triangles: a vertex that many splittings used as a
  // corner can hold thousands of them.
  // The lists are scratch buffers kept across calls: this runs for every vertex in every pass.
  const std::vector<std::size_t>& Candidates(std::size_t v) {
    m_met.clear();
    for (std::size_t t : m_triangles[v])
      for (std::size_t x : m_mesh.triangles[t])
        if (x != v)
          m_met.push_back(x);
    m_sorted.assign(m_met.begin(), m_met.end());
    std::sort(m_sorted.begin(), m_sorted.end());
    m_candidates.clear();
    for (std::size_t x : m_met) {
      const auto [first, last] = std::equal_range(m_sorted.begin(), m_sorted.end(), x);
      if (last - first == 1)
        m_candidates.push_back(x);
    }
    return m_candidates;
  }

  bool TryCollapse(std::size_t v) {
    const std::vector<std::size_t>& candidates = Candidates(v);
    for (std::size_t w : candidates) {
      if (CanCollapse(v, w, candidates) && UpdateBorderEdges(w, v)) {
        Collapse(v, w);
        return true;
      }
    }
    return false;
  }

  const point<double, 3>& P(std::size_t v) const { return m_mesh.vertices[v]; }

  // No triangle of v may turn against the quad's normal when v moves onto w.
  bool KeepsOrientation(std::size_t v, std::size_t w) const {
    for (std::size_t t : m_triangles[v]) {
      Triangle tri = m_mesh.triangles[t];
      if (Contains(tri, w))
        continue;
      for (std::size_t& x : tri)
        if (x == v)
          x = w;
      const point<double, 3> n = cross(P(tri[1]) - P(tri[0]), P(tri[2]) - P(tri[0]));
      if (dot(n, m_normal) < 0.0)
        return false;
    }
    return true;
  }

  bool CanCollapse(std::size_t v, std::size_t w, const std::vector<std::size_t>& candidates) const {
    if (!KeepsOrientation(v, w))
      return false;
    if (geometry::detail::overflow_safe_distance(P(v), P(w)) <= kMinimalEdgeLength)
      return true;
    if (candidates.size() != 2)
      return false;
    const std::size_t u = candidates[0] == w ? candidates[1] : candidates[0];
    const point<double, 3> uv = P(u) - P(v);
    const point<double, 3> uw = P(u) - P(w);
    if (dot(uv, uw) < length(uv) * length(uw) * kCosChainAngle)
      return false;
    const geometry::MSegment chord{P(u), P(w)};
    return geometry::ComputeDistanceBetweenPointAndSegment(P(v), chord) <= m_distance;
  }

  // Moves the tagged loop edges at v onto w; refuses when v joins edges of different tags. The
  // edges at a vertex are found through the index, so a collapse costs the edges it touches, not
  // the whole map.
  bool UpdateBorderEdges(std::size_t w, std::size_t v) {
    boost::container::small_vector<std::pair<Edge, int>, 4> touched;
    for (const Edge& edge : m_borderEdgesAt[v])
      touched.emplace_back(edge, m_borderEdges.at(edge));
    for (const auto& [edge, tag] : touched)
      if (tag != touched.front().second)
        return false;
    for (const auto& [edge, tag] : touched) {
      m_borderEdges.erase(edge);
      Unindex(edge);
    }
    for (const auto& [edge, tag] : touched) {
      const Edge moved{edge.first == v ? w : edge.first, edge.second == v ? w : edge.second};
      if (moved.first == moved.second)
        continue;
      m_borderEdges[moved] = tag;
      Index(moved);
    }
    return true;
  }

  void Index(const Edge& edge) {
    for (const std::size_t end : {edge.first, edge.second})
      if (end < m_borderEdgesAt.size())
        m_borderEdgesAt[end].insert(edge);
  }

  void Unindex(const Edge& edge) {
    for (const std::size_t end : {edge.first, edge.second})
      if (end < m_borderEdgesAt.size())
        m_borderEdgesAt[end].erase(edge);
  }

  // The tagged loop edges at every vertex (ends outside the mesh's vertices are ignored: no
  // collapse can touch them).
  void IndexBorderEdges() {
    for (const auto& [edge, tag] : m_borderEdges)
      Index(edge);
  }

  void Collapse(std::size_t v, std::size_t w) {
    for (std::size_t t : m_triangles[v]) {
      Triangle& tri = m_mesh.triangles[t];
      const bool degenerate = Contains(tri, w);
      for (std::size_t& x : tri)
        if (x == v)
          x = w;
      if (degenerate) {
        for (std::size_t x : tri)
          if (x != v)
            m_triangles[x].erase(t);
        tri[0] = kRemoved;
      } else {
        m_triangles[w].insert(t);
      }
    }
    m_triangles[v].clear();
  }

  Oxlen::Geometry::triangle_surface& m_mesh;
  const point<double, 3> m_normal;
  std::map<Edge, int>& m_borderEdges;
  const double m_distance;
  std::vector<bool> m_fixed;
  // Live triangles per vertex and tagged loop edges per vertex, each in ascending order: a vertex
  // holds a handful, so sorted vectors, held in place, beat tree nodes.
  std::vector<boost::container::flat_set<std::size_t, std::less<>,
                                         boost::container::small_vector<std::size_t, 8>>>
      m_triangles;
  std::vector<
      boost::container::flat_set<Edge, std::less<>, boost::container::small_vector<Edge, 2>>>
      m_borderEdgesAt;
  std::vector<std::size_t> m_met, m_sorted, m_candidates;  // scratch of Candidates
};

}  // namespace

void MCadTriangulator::MInternal::Reduce(
    Oxlen::Geometry::triangle_surface& mesh,
    const std::set<std::pair<std::size_t, std::size_t>>& segments,
    const Oxlen::Math::point<double, 3>& normal,
    std::map<std::pair<std::size_t, std::size_t>, int>& borderEdges, double distance) {
  Reducer(mesh, segments, normal, borderEdges, distance).Run();
}
