#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"

// How the border corner cleanup marks what it removes until the final compaction sweeps it out:
// a removed vertex has a quiet NaN as its x coordinate, a removed triangle and a removed border
// edge have SIZE_MAX as their first index.

namespace geometry::detail {

/// The first index of a removed triangle or border edge, and the new index of a removed vertex.
inline constexpr std::size_t kRemoved = std::numeric_limits<std::size_t>::max();

/// Marks a vertex removed (x becomes a quiet NaN).
inline void mark_removed(Oxlen::Math::point<double, 3>& vertex) {
  vertex[0] = std::numeric_limits<double>::quiet_NaN();
}

/// Whether a vertex is marked removed.
inline bool is_removed(const Oxlen::Math::point<double, 3>& vertex) {
  return std::isnan(vertex[0]);
}

/// Marks a triangle removed (SIZE_MAX as first index).
inline void mark_removed(std::array<std::size_t, 3>& triangle) {
  triangle[0] = kRemoved;
}

/// Whether a triangle is marked removed.
inline bool is_removed(const std::array<std::size_t, 3>& triangle) {
  return triangle[0] == kRemoved;
}

/// Marks a border edge removed (SIZE_MAX as first index).
inline void mark_removed(MCadTriangulator::border_edge& edge) {
  edge.first = kRemoved;
}

/// Whether a border edge is marked removed.
inline bool is_removed(const MCadTriangulator::border_edge& edge) {
  return edge.first == kRemoved;
}

}  // namespace geometry::detail
