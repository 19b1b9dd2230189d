#include "Oxlen/Cad/Triangulation/geometry/preprocess_triangulated_surface.h"

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "Oxlen/Geometry/vertex_to_triangles_map.h"
#include "Oxlen/Math/coordinate_limit.h"
#include "avoid_long_triangles_on_border.h"
#include "clean_border_corners.h"
#include "flip_long_edges.h"
#include "repair_orientation.h"

namespace geometry {

namespace {

using Result = MCadTriangulator::triangulation_result;

void RequireVertexIndex(std::size_t index, const Result& result, const std::string& what) {
  if (index >= result.vertices.size())
    throw std::invalid_argument("result: " + what + " names vertex " + std::to_string(index) +
                                " beyond the vertex count " +
                                std::to_string(result.vertices.size()));
}

// Every coordinate finite and within the coordinate limit: the passes square and sum them, and a
// NaN x coordinate is the cleanup's mark of a removed vertex.
void RequireUsableVertices(const Result& result) {
  for (std::size_t v = 0; v < result.vertices.size(); ++v) {
    if (!Oxlen::Math::is_within_coordinate_limit(result.vertices[v]))
      throw std::invalid_argument("result: vertex " + std::to_string(v) +
                                  " is not finite or lies beyond the coordinate limit");
  }
}

void RequireValidResult(const Result& result) {
  RequireUsableVertices(result);
  for (std::size_t t = 0; t < result.triangles.size(); ++t) {
    for (const std::size_t v : result.triangles[t])
      RequireVertexIndex(v, result, "triangle " + std::to_string(t));
  }
  for (std::size_t e = 0; e < result.border_edges.size(); ++e) {
    RequireVertexIndex(result.border_edges[e].first, result, "border edge " + std::to_string(e));
    RequireVertexIndex(result.border_edges[e].second, result, "border edge " + std::to_string(e));
  }
}

void RequireValidArguments(const Result& result, bool improveLongEdges, double bandWidth,
                           double cornerDistance) {
  RequireValidResult(result);
  // The walk along an edge advances by the band width: it must move, and end.
  if (improveLongEdges && !(bandWidth > 0.0 && std::isfinite(bandWidth)))
    throw std::invalid_argument("bandWidth: " + std::to_string(bandWidth) +
                                " is not positive and finite");
  if (!(cornerDistance >= 0.0))
    throw std::invalid_argument("cornerDistance: " + std::to_string(cornerDistance) +
                                " is negative or NaN");
}

}  // namespace

void preprocess_triangulated_surface(Result& result, bool improveLongEdges, double bandWidth,
                                     double cornerDistance) {
  RequireValidArguments(result, improveLongEdges, bandWidth, cornerDistance);
  // 1. The map every pass keeps exact.
  Oxlen::Geometry::vertex_triangles_map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  // 2. Triangles along the border edges.
  if (!result.border_edges.empty())
    repair_orientation(result, map);
  // 3. Shorter edges on flat stretches.
  if (improveLongEdges)
    long_edges::flip_long_edges(result, map);
  // 4. Sliver corners on the border.
  clean_border_corners(result, map, cornerDistance);
  // 5. A vertex where each edge from the border leaves the band.
  if (improveLongEdges)
    long_edges::avoid_long_triangles_on_border(result, map, bandWidth);
}

}  // namespace geometry
