// Flat triangles: where a loop runs along a grid line, the quads on its two sides may not share
// their vertices along it, and the trimmer closes the T-junction with a triangle whose third
// vertex lies on its longest side. Such a triangle has no usable normal. It is mended by
// splitting the triangle across that side at the T-vertex (which is flipping the side), or, on
// the mesh border, by dropping it; border edges along the split side are split with it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "spatial/numeric_helpers.h"
#include "triangulator/MInternal.h"

namespace {

using P3 = Oxlen::Math::point<double, 3>;
using Triangle = std::array<std::size_t, 3>;
constexpr std::size_t kRemoved = std::numeric_limits<std::size_t>::max();

// Twice the area below this share of the longest side squared: a height below 1e-6 of it.
constexpr double kFlatHeight = 1e-6;

bool IsFlat(const std::vector<P3>& vertices, const Triangle& t) {
  double longest = 0.0;
  for (int k = 0; k < 3; ++k)
    longest = std::max(longest, geometry::detail::overflow_safe_distance(vertices[t[k]],
                                                                         vertices[t[(k + 1) % 3]]));
  const P3 normal = cross(vertices[t[1]] - vertices[t[0]], vertices[t[2]] - vertices[t[0]]);
  return geometry::detail::overflow_safe_length(normal) < kFlatHeight * longest * longest;
}

// The triangle rotated so that its longest side runs from [0] to [1].
Triangle LongestSideFirst(const std::vector<P3>& vertices, const Triangle& t) {
  int best = 0;
  double longest = -1.0;
  for (int k = 0; k < 3; ++k) {
    const double d = squared_distance(vertices[t[k]], vertices[t[(k + 1) % 3]]);
    if (d > longest) {
      longest = d;
      best = k;
    }
  }
  return {t[best], t[(best + 1) % 3], t[(best + 2) % 3]};
}

class FlatTriangleMender {
 public:
  explicit FlatTriangleMender(MCadTriangulator::triangulation_result& mesh)
      : m_mesh(mesh), m_triangles(mesh.vertices.size()) {
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
      for (const std::size_t v : mesh.triangles[t])
        m_triangles[v].push_back(t);
  }

  // Mends triangle t if it is still flat; leaves it when the mend would make another flat
  // triangle or the side is shared by more than two triangles.
  void Mend(std::size_t t) {
    if (m_mesh.triangles[t][0] == kRemoved || !IsFlat(m_mesh.vertices, m_mesh.triangles[t]))
      return;
    const Triangle abc = LongestSideFirst(m_mesh.vertices, m_mesh.triangles[t]);
    const std::size_t a = abc[0], b = abc[1], c = abc[2];
    std::vector<std::size_t> across = TrianglesWithSide(a, b, t);
    if (across.size() > 1)
      return;
    if (across.empty()) {
      Replace(t, {kRemoved, kRemoved, kRemoved});
      SplitBorderEdges(a, b, c);
      return;
    }
    const std::size_t n = across[0];
    const Triangle& other = m_mesh.triangles[n];
    // The neighbour runs along the side the other way, b -> a -> d.
    std::size_t d = kRemoved;
    for (int k = 0; k < 3; ++k)
      if (other[k] == b && other[(k + 1) % 3] == a)
        d = other[(k + 2) % 3];
    if (d == kRemoved || d == c)
      return;
    const Triangle first{b, c, d}, second{c, a, d};
    if (IsFlat(m_mesh.vertices, first) || IsFlat(m_mesh.vertices, second))
      return;
    Replace(t, first);
    Replace(n, second);
    SplitBorderEdges(a, b, c);
  }

 private:
  std::vector<std::size_t> TrianglesWithSide(std::size_t a, std::size_t b, std::size_t t) const {
    std::vector<std::size_t> found;
    for (const std::size_t s : m_triangles[a]) {
      const Triangle& tri = m_mesh.triangles[s];
      if (s != t && std::find(tri.begin(), tri.end(), b) != tri.end())
        found.push_back(s);
    }
    return found;
  }

  void Replace(std::size_t t, const Triangle& with) {
    for (const std::size_t v : m_mesh.triangles[t])
      std::erase(m_triangles[v], t);
    m_mesh.triangles[t] = with;
    if (with[0] == kRemoved)
      return;
    for (const std::size_t v : with)
      m_triangles[v].push_back(t);
  }

  // A border edge along a -> b (or b -> a) now passes through c: split it there, keeping its
  // tag and direction.
  void SplitBorderEdges(std::size_t a, std::size_t b, std::size_t c) {
    auto& edges = m_mesh.border_edges;
    for (std::size_t i = 0; i < edges.size(); ++i) {
      const auto e = edges[i];
      if ((e.first == a && e.second == b) || (e.first == b && e.second == a)) {
        edges[i].second = c;
        edges.insert(edges.begin() + static_cast<std::ptrdiff_t>(i) + 1, {c, e.second, e.tag});
        ++i;
      }
    }
  }

  MCadTriangulator::triangulation_result& m_mesh;
  std::vector<std::vector<std::size_t>> m_triangles;  // per vertex, the triangles that use it
};

}  // namespace

void MCadTriangulator::MInternal::MendFlatTriangles(triangulation_result& mesh) {
  std::vector<std::size_t> flat;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
    if (IsFlat(mesh.vertices, mesh.triangles[t]))
      flat.push_back(t);
  if (flat.empty())
    return;
  FlatTriangleMender mender(mesh);
  for (const std::size_t t : flat)
    mender.Mend(t);
  std::erase_if(mesh.triangles, [](const Triangle& t) { return t[0] == kRemoved; });
}
