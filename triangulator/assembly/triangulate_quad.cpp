// One quad of the grid as a local mesh, appended to the face mesh.
#include <array>
#include <limits>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "triangulator/MInternal.h"

namespace {

using Edge = std::pair<std::size_t, std::size_t>;
using MTrimmer = MCadTriangulator::MTrimmer;

// The loop vertices a trimming leaves inside a quad are thinned where the loop deviates from the
// chord without them by at most the tolerance divided by this: a tenth, so that the thinning
// spends little of the tolerance the grid and the loops' own chords already use.
constexpr double kReduceToleranceDivisor = 10.0;

// The local mesh of a trimmed quad: the kept triangles and the loop segments, with trimmer
// vertices renumbered in the order they are first met.
struct LocalMesh {
  Oxlen::Geometry::triangle_surface mesh;
  std::set<Edge> segments;
  std::map<Edge, int> borderEdges;
};

LocalMesh BuildLocalMesh(const MTrimmer::MTriangles& trimmed, const std::vector<bool>& keep) {
  LocalMesh local;
  constexpr std::size_t kUnmapped = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> index(trimmed.vertices.size(), kUnmapped);  // local index per vertex
  auto map = [&](std::int32_t v) {
    std::size_t& mapped = index.at(static_cast<std::size_t>(v));
    if (mapped == kUnmapped) {
      mapped = local.mesh.vertices.size();
      local.mesh.vertices.push_back(trimmed.vertices[static_cast<std::size_t>(v)]);
    }
    return mapped;
  };
  for (std::size_t t = 0; t < trimmed.triangles.size(); ++t) {
    if (!keep[t])
      continue;
    const auto& tri = trimmed.triangles[t];
    const std::size_t a = map(tri[0]), b = map(tri[1]), c = map(tri[2]);
    local.mesh.triangles.push_back({a, b, c});
  }
  for (const MTrimmer::MSegmentFromLoop& segment : trimmed.segments) {
    const Edge edge{map(segment.first), map(segment.second)};
    if (segment.tag)
      local.borderEdges[edge] = *segment.tag;
    local.segments.insert(edge);
  }
  return local;
}

// The quad's area vector: the sum of the cross products of consecutive corners.
Oxlen::Math::point<double, 3> QuadNormal(const std::array<MTrimmer::MPoint, 4>& c) {
  return cross(c[0], c[1]) + cross(c[1], c[2]) + cross(c[2], c[3]) + cross(c[3], c[0]);
}

}  // namespace

void MCadTriangulator::MInternal::TriangulateQuad(triangulation_result& faceMesh,
                                                  const MQuadrangulatedSurface& grid,
                                                  const MQuadIndex& quad, bool firstVertexInside,
                                                  double tolerance, bool reversed) {
  const MTrimmer::MQuadToTrim info = FillQuadTrimmingInformation(grid, quad);
  if (info.parts.empty() && info.innerLoops.empty()) {
    if (!firstVertexInside)
      return;
    // An untouched inner quad: its four corners, split along the diagonal from corner 1 to 3,
    // appended as AppendTriangles would append that local mesh (corners in the order the
    // triangles first meet them: 0, 1, 3, 2).
    const std::size_t base = faceMesh.vertices.size();
    for (const int corner : {0, 1, 3, 2})
      faceMesh.vertices.push_back(info.corners[static_cast<std::size_t>(corner)]);
    std::array<std::size_t, 3> first{base, base + 1, base + 2};
    std::array<std::size_t, 3> second{base + 2, base + 1, base + 3};
    if (reversed) {
      std::swap(first[0], first[2]);
      std::swap(second[0], second[2]);
    }
    faceMesh.triangles.push_back(first);
    faceMesh.triangles.push_back(second);
    return;
  }
  const MTrimmer::MTriangles trimmed = MTrimmer::TrimQuad(info);
  const std::vector<bool> keep = MTrimmer::SelectInnerTriangles(trimmed, firstVertexInside);
  LocalMesh local = BuildLocalMesh(trimmed, keep);
  Reduce(local.mesh, local.segments, QuadNormal(info.corners), local.borderEdges,
         tolerance / kReduceToleranceDivisor);
  AppendTriangles(faceMesh, local.mesh, local.borderEdges, reversed);
}
