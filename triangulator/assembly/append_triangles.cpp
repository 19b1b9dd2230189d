// Appending one quad's local mesh to the face mesh.
#include <limits>
#include <vector>

#include "triangulator/MInternal.h"

namespace {

// Maps local vertex indices to face vertex indices, appending a local vertex to the face the
// first time it is met.
class VertexMapper {
 public:
  VertexMapper(std::vector<Oxlen::Math::point<double, 3>>& faceVertices,
               const std::vector<Oxlen::Math::point<double, 3>>& localVertices)
      : m_face(faceVertices), m_local(localVertices), m_map(localVertices.size(), kUnmapped) {}

  std::size_t operator()(std::size_t local) {
    std::size_t& mapped = m_map.at(local);
    if (mapped == kUnmapped) {
      mapped = m_face.size();
      m_face.push_back(m_local[local]);
    }
    return mapped;
  }

 private:
  static constexpr std::size_t kUnmapped = std::numeric_limits<std::size_t>::max();
  std::vector<Oxlen::Math::point<double, 3>>& m_face;
  const std::vector<Oxlen::Math::point<double, 3>>& m_local;
  std::vector<std::size_t> m_map;  // face index per local vertex, kUnmapped until met
};

}  // namespace

void MCadTriangulator::MInternal::AppendTriangles(
    triangulation_result& faceMesh, const Oxlen::Geometry::triangle_surface& local,
    const std::map<std::pair<std::size_t, std::size_t>, int>& borderEdges, bool reversed) {
  VertexMapper map(faceMesh.vertices, local.vertices);
  for (const std::array<std::size_t, 3>& t : local.triangles) {
    if (t[0] == std::numeric_limits<std::size_t>::max())
      continue;  // removed by the reduction
    std::array<std::size_t, 3> mapped{map(t[0]), map(t[1]), map(t[2])};
    if (reversed)
      std::swap(mapped[0], mapped[2]);
    faceMesh.triangles.push_back(mapped);
  }
  for (const auto& [edge, tag] : borderEdges) {
    std::size_t first = map(edge.first);
    std::size_t second = map(edge.second);
    if (reversed)
      std::swap(first, second);
    faceMesh.border_edges.push_back({first, second, tag});
  }
}
