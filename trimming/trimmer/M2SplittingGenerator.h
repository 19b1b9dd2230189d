#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Export.h"
#include "loop_edge_index.h"

/// Builds the 2-splittings of a triangle: the cut from one of its edge points p on edge k to the
/// opposite corner, giving the children a = (t[k], p, t[k+2]) and b = (p, t[k+1], t[k+2]).
///
/// Every candidate is scored (counted without being built, see MCutScorer); `SelectBest` prefers a
/// cut that runs along a loop segment, then one that crosses the fewest segments (creates the
/// fewest vertices), then the one that leaves the fewest segments in its busier child. Internal:
/// not exported.
class OXLEN_CAD_TRIANGULATION_LOCAL MCadTriangulator::MTrimmer::M2SplittingGenerator {
 public:
  /// How good a candidate is.
  struct MScore {
    bool newEdgeIsSegment = false;      ///< the cut equals one of the triangle's segments
    std::int32_t newVertexCount = 0;    ///< size of the candidate's `newVertices`
    std::int32_t maxChildSegments = 0;  ///< most segments held by one child
  };

  /// The best candidate over the edge points of edges 0, 1, 2, each edge's list in order; of
  /// equally good candidates the earliest is kept.
  /// @param[in]  triangle the triangle to split.
  /// @param[in]  result   the mesh under construction (positions and loop edges).
  /// @param[out] found    whether there was any candidate (false without edge points; the
  ///                      returned splitting is then empty).
  /// @throws std::logic_error "MTrimmer::M2SplittingGenerator::SelectBest : child triangle
  ///         contains more segments than parent", and the messages of `Generate2Splitting`.
  static MSplitting SelectBest(const MTriangleToTrim& triangle, const MTriangles& result,
                               bool& found);

  /// `SelectBest` with the loop edges of the mesh looked up in `loopEdges`, which mirrors
  /// `result.segments`, instead of scanned: the same splitting.
  static MSplitting SelectBest(const MTriangleToTrim& triangle, const MTriangles& result,
                               const trimming::detail::MLoopEdgeIndex& loopEdges, bool& found);

  /// The splitting `SelectBest` gives when it creates no vertex, found without scoring every
  /// candidate in full: the class the best candidate comes from (cuts along a segment if any,
  /// otherwise all) is known from a look at the segments, only the candidates of that class
  /// that cross no segment are counted, and a candidate stops being looked at once a segment
  /// crosses it.
  /// @param[in] triangle  the triangle to split; it must have edge points.
  /// @param[in] result    the mesh under construction.
  /// @param[in] loopEdges mirrors `result.segments`.
  /// @return the splitting, or empty when the best candidate creates a vertex.
  /// @throws the messages of `SelectBest`.
  static std::optional<MSplitting> SelectBestWithoutNewVertices(
      const MTriangleToTrim& triangle, const MTriangles& result,
      const trimming::detail::MLoopEdgeIndex& loopEdges);

  /// The best of the given candidates (edge number, edge point), in that order; of equally good
  /// candidates the earliest is kept. `SelectBest` is this over every edge point.
  /// @param[out] found whether `candidates` held any (the returned splitting is empty if not).
  /// @throws the messages of `SelectBest`.
  static MSplitting SelectBestAmong(const MTriangleToTrim& triangle, const MTriangles& result,
                                    const std::vector<std::pair<int, std::int32_t>>& candidates,
                                    const trimming::detail::MLoopEdgeIndex* loopEdges, bool& found);

  /// The candidate splitting at edge point `p` of edge `k`: the children, the split of a loop
  /// edge that runs along edge k in the triangle's direction, the inner points by distance, the
  /// edge points (`Generate2Splitting_DistributeEdgePointsBetweenParts`) and the segments, each
  /// cut where it crosses the new edge.
  /// @throws std::invalid_argument "k: not an edge number" unless 0 <= k <= 2.
  /// @throws std::logic_error when `p` is not an edge point of edge k, and the message of
  ///         `FindCommonEdge`.
  static MSplitting Generate2Splitting(const MTriangleToTrim& triangle, const MTriangles& result,
                                       int k, std::int32_t p);

  /// `Generate2Splitting` with the loop edge along edge k looked up in `loopEdges` (which
  /// mirrors `result.segments`) when it is not null, scanned for otherwise: the same splitting.
  static MSplitting Generate2Splitting(const MTriangleToTrim& triangle, const MTriangles& result,
                                       int k, std::int32_t p,
                                       const trimming::detail::MLoopEdgeIndex* loopEdges);

  /// Gives the children of `splitting` the edge points of the triangle's edges: an edge that a
  /// child has in the same direction is copied to it; the divided edge's points before `p` go to
  /// the half from the edge's start to p, those after p to the other half.
  /// @throws std::logic_error "MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts:
  ///         splitting point cannot be found on edge" when p is not on the divided edge, and
  ///         "...: part doesn't touch any half of divided edge" for a child with neither half.
  static void Generate2Splitting_DistributeEdgePointsBetweenParts(const MTriangleToTrim& triangle,
                                                                  std::int32_t p,
                                                                  MSplitting& splitting);

  /// The score of a candidate of `triangle`.
  static MScore Score(const MTriangleToTrim& triangle, const MSplitting& splitting);

  /// Whether `candidate` is strictly better than `best`.
  static bool IsBetter(const MScore& candidate, const MScore& best);
};
