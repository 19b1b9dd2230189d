#pragma once

// The working structures the stages of the stitcher share: the pairs of fin chains to zip, the
// vertex-to-triangles and vertex-to-fins maps, the removal markers, and the stitcher's internal
// exceptions.

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <vector>

#include <boost/container/flat_set.hpp>

#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

namespace geometry::detail {

/// A pair of fins of one CAD edge, to be zipped: the chain of the fin numbered k (k >= 0) in its
/// direction and the chain of the fin numbered -k in its own direction, which runs from the
/// pair's end back to its start. The classes name the model vertices at the pair's two ends.
struct common_fin {
  std::size_t start_class = 0;
  std::size_t end_class = 0;
  std::vector<std::size_t> chain;
  std::vector<std::size_t> opposite_chain;
};

/// Per vertex, the common fins (by index) whose chains pass through it.
using vertex_fins_map = std::vector<boost::container::flat_set<std::size_t>>;

/// Everything the mesh-changing stages work on.
struct stitch_state {
  Oxlen::Geometry::triangle_surface& surface;
  std::vector<std::size_t>& per_triangle;
  std::vector<common_fin> fins;
  /// Filled for border vertices only (those named by an edge record); kept exact for them.
  Oxlen::Geometry::vertex_triangles_map vertex_triangles;
  vertex_fins_map vertex_fins;
};

/// The delegate asked to stop.
class cancelled : public std::runtime_error {
 public:
  cancelled() : std::runtime_error("Operation was canceled by the user") {}
};

/// A fin chain arrived at a vertex where no segment starts.
class hanging_edge_exception : public std::runtime_error {
 public:
  hanging_edge_exception() : std::runtime_error("MHangingEdgeException: hanging edge found") {}
};

/// The removal markers: a removed vertex has a NaN x coordinate, a removed triangle SIZE_MAX as
/// its first index.
inline constexpr std::size_t kRemovedTriangle = std::numeric_limits<std::size_t>::max();
inline bool is_removed(const Oxlen::Math::point<double, 3>& vertex) {
  return std::isnan(vertex[0]);
}
inline bool is_removed(const std::array<std::size_t, 3>& triangle) {
  return triangle[0] == kRemovedTriangle;
}
inline void mark_removed(Oxlen::Math::point<double, 3>& vertex) {
  vertex[0] = std::numeric_limits<double>::quiet_NaN();
}
inline void mark_removed(std::array<std::size_t, 3>& triangle) {
  triangle[0] = kRemovedTriangle;
}

}  // namespace geometry::detail
