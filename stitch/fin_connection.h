#pragma once

// Rebuilding the fins from the border segments and pairing the two fins of each CAD edge.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <boost/container/flat_map.hpp>

#include "Oxlen/Cad/Triangulation/geometry/cad_stitch.h"
#include "Oxlen/Common/IProgressDelegate.h"
#include "stitch_state.h"

namespace geometry::detail {

/// Per start vertex, the records that start there, in ascending record order.
using start_index = boost::container::flat_map<std::size_t, std::vector<std::size_t>>;

/// The chains of the fins k and -k of one CAD edge, each in its own fin's direction.
struct fin_pair {
  std::vector<std::size_t> chain;           ///< fin k (k >= 0)
  std::vector<std::size_t> opposite_chain;  ///< fin -k
};

/// The start index of the records.
start_index build_start_index(const std::vector<edge_with_topology>& edges);

/// The chain of vertices of the fin that starts with the record `head`: from the head on, each
/// next record is the last not yet visited record of the same fin that starts where the chain
/// arrived. The walk ends where no record of the fin goes on, and visits every record at most
/// once, so it ends on cycles too.
/// @throws hanging_edge_exception when the chain arrives at a vertex where no record starts.
std::vector<std::size_t> walk_fin_chain(const std::vector<edge_with_topology>& edges,
                                        const start_index& starts, std::size_t head);

/// True when the chains a and b (b in the opposite direction) follow the same edge: their first
/// ends meet within `tolerance`, and walking along both, each point of either lies within
/// `tolerance` of the other chain. Chains through a non-finite position never coincide.
bool chains_coincide(const Oxlen::Geometry::triangle_surface& surface,
                     const std::vector<std::size_t>& a, const std::vector<std::size_t>& b,
                     double tolerance);

/// Rebuilds every fin from its records and pairs fin k with fin -k where the chains coincide.
/// A fin that runs once around a closed edge (its records form one cycle) is a closed chain from
/// its first record; two such cycles are turned to start at their nearest pair of vertices, where
/// both pass through the closed edge's own vertex, and a cycle whose partner is an open chain (a
/// face that does not close across its seam) is turned to start where the partner starts.
/// Fins with more than one head, fins whose walk hangs, fins on one side only and INT32_MIN are
/// not paired.
/// @return the pairs in ascending k.
/// @throws cancelled when the delegate asks to stop.
std::vector<fin_pair> connect_edges_into_fins(
    const Oxlen::Geometry::triangle_surface& surface, const std::vector<edge_with_topology>& edges,
    double tolerance, std::shared_ptr<Oxlen::Common::IProgressDelegate> progress);

/// Turns the pairs into common fins and groups the ends of all pairs into vertex classes, one per
/// model vertex: ends that share a vertex are in one class, transitively. A class is named by its
/// smallest end id (2j for the start of pair j, 2j + 1 for its end).
std::vector<common_fin> build_common_fins(std::vector<fin_pair> pairs);

}  // namespace geometry::detail
