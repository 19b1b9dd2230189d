#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <boost/container/small_vector.hpp>

#include "M2SplittingGenerator.h"
#include "Oxlen/Cad/Triangulation/MTrimmer.h"

namespace trimming::detail {

/// The scores of the 2-splittings of one triangle, counted without building them.
///
/// A cut from edge point p of edge k to the opposite corner gives each segment end the child
/// that `M2SplittingGenerator::Generate2Splitting` would: a corner or an edge point goes to the
/// child that holds it (the first child first), any other point to the nearer child. From
/// those, the segments each child gets and the crossings the cut makes are counted, which is
/// all the score needs; only the winning cut is then built. Where the location of every point
/// is known once for the triangle, a candidate costs a pass over the segments and allocates
/// nothing.
class MCutScorer {
 public:
  using MTrimmer = MCadTriangulator::MTrimmer;
  using MScore = MTrimmer::M2SplittingGenerator::MScore;

  /// Locates every edge point and inner point of `triangle` and every segment end.
  /// @param[in] triangle the triangle whose cuts are scored; must outlive the scorer.
  /// @param[in] result   the mesh under construction (positions); must outlive the scorer.
  MCutScorer(const MTrimmer::MTriangleToTrim& triangle, const MTrimmer::MTriangles& result);

  /// The score `M2SplittingGenerator::Score` gives the cut at `p` on edge `k`; empty when the
  /// cut is not an ordinary one (p is not on edge k, or p or the corners coincide), which the
  /// caller then builds in full to get its score or its exception.
  /// @throws std::logic_error "MTrimmer: too many vertices" as building the cut would.
  std::optional<MScore> Score(int k, std::int32_t p);

  /// Whether the cut at `p` on edge `k` runs along one of the triangle's segments (the score's
  /// `newEdgeIsSegment`), found without counting; empty when the cut is not an ordinary one.
  std::optional<bool> RunsAlongSegment(int k, std::int32_t p);

  /// The score of the cut at `p` on edge `k` when it creates no vertex; when a segment crosses
  /// it, counting stops there and the score returned only has `newVertexCount` 1. Empty when the
  /// cut is not an ordinary one.
  std::optional<MScore> ScoreUnlessCrossed(int k, std::int32_t p);

 private:
  // Where a point of the triangle lies: on edge `edge` at `position` of its list, or (edge -1)
  // among the inner points at `position`.
  struct MPlace {
    std::int32_t vertex = 0;
    int edge = 0;
    std::size_t position = 0;
  };
  // The places of one vertex, as a range of m_places.
  using MPlaceRange = std::pair<std::size_t, std::size_t>;

  // The child (0 or 1) a segment end goes to under the cut described by the members below.
  // Sets up the cut at `p` on edge `k` in the members below; false when it is not an ordinary
  // cut (p not on edge k, or p or the corners coinciding).
  bool SelectCut(int k, std::int32_t p);
  // Whether a segment end is an end of the selected cut (p or the opposite corner).
  bool OnCut(std::int32_t vertex) const;
  // Counts the selected cut; with `stopAtCrossing`, only up to the first segment crossing it.
  MScore Count(bool stopAtCrossing);
  int ChildOf(std::int32_t vertex, const MPlaceRange& places);
  int NearerChild(std::int32_t vertex, const MPlaceRange& places);

  const MTrimmer::MTriangleToTrim& m_triangle;
  const MTrimmer::MTriangles& m_result;
  // Held in place for the few dozen points a triangle usually carries.
  boost::container::small_vector<MPlace, 32> m_places;  // sorted by vertex
  boost::container::small_vector<std::pair<MPlaceRange, MPlaceRange>, 32> m_segmentEnds;
  boost::container::small_vector<signed char, 32> m_innerChild;  // -1 until computed for a cut

  // The cut being scored: its edge, the position of p on it, and the two children.
  int m_edge = 0;
  std::size_t m_at = 0;
  MTrimmer::MTriangleToTrim m_children[2];
};

}  // namespace trimming::detail
