#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"

namespace geometry::detail {

/// Finds the first border edge a->b of a list in logarithmic time, and keeps the list and the
/// index in step while edges are redirected, removed (marked with SIZE_MAX as first index) and
/// appended.
class border_edge_index {
 public:
  /// Indexes the edges of `edges` that are not marked removed. The index refers to the list,
  /// which must outlive it and change only through it.
  /// @param[in,out] edges the border edges.
  explicit border_edge_index(std::vector<MCadTriangulator::border_edge>& edges);

  /// The position of the first edge from `first` to `second` that is not removed, if any.
  std::optional<std::size_t> find(std::size_t first, std::size_t second) const;

  /// Makes edge i run from `first` to `second`, keeping its tag and its position.
  void redirect(std::size_t i, std::size_t first, std::size_t second);

  /// Marks edge i removed (SIZE_MAX as first index); it stays in the list until compaction.
  void remove(std::size_t i);

  /// Appends an edge to the list.
  void append(const MCadTriangulator::border_edge& edge);

 private:
  using Key = std::pair<std::size_t, std::size_t>;

  void forget(std::size_t i);

  std::vector<MCadTriangulator::border_edge>& m_edges;
  /// The positions of the edges that are not removed, under their (first, second).
  std::map<Key, std::set<std::size_t>> m_positions;
};

}  // namespace geometry::detail
