#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <boost/container/static_vector.hpp>
#include <boost/unordered/unordered_flat_map.hpp>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Export.h"

/// Builds the 3-splitting of a triangle T = (t0, t1, t2) at one of its inner points i: child k is
/// (t[k], t[k+1], i); its edge 0 is T's edge k, its edges 1 and 2 are the spokes to i. The spoke
/// from i to t[k] is shared by children k and k - 1. Segments that cross a spoke are cut there.
///
/// With up to four inner points every candidate point is tried and the one creating the fewest
/// vertices wins; from five on, an angular sweep around each corner counts the segments each
/// point's spokes would cross, and only the best point is built. Internal: not exported.
class OXLEN_CAD_TRIANGULATION_LOCAL MCadTriangulator::MTrimmer::M3SplittingGenerator {
 public:
  /// Where a segment crosses a spoke.
  struct MCrossing {
    std::pair<std::int32_t, std::int32_t> spoke;  ///< the spoke as a vertex pair
    MPoint position;                              ///< the crossing point on it
  };

  /// The children of a segment's two ends and the crossings between them.
  struct MSegmentPlacement {
    int firstChild = 0;                                       ///< child of the segment's first end
    int secondChild = 0;                                      ///< child of its second end
    boost::container::static_vector<MCrossing, 2> crossings;  ///< in segment direction
  };

  /// Where an inner point equally near to several children goes.
  enum class EInnerPointTie {
    eLowerChild,  ///< to the lowest-numbered of them
    /// to the one of largest area, then the lowest-numbered: points lying on a spoke or on T's
    /// edge beside a zero-area child (i on an edge of T) go to a child of positive area
    eLargerChild,
  };

  /// The child of every edge point and inner point of T (inner point i excluded).
  using MChildMap = boost::unordered_flat_map<std::int32_t, int>;

  /// Number of inner points from which the crossing score replaces the candidate builds.
  static constexpr std::size_t kSweepThreshold = 5;

  /// Chooses the inner point and returns its splitting.
  /// @param[out] found false only when T has no inner points (the splitting is then empty).
  static MSplitting Generate3Splitting(const MTriangleToTrim& triangle, const MTriangles& result,
                                       bool& found);

  /// The 3-splitting at inner point `i`.
  /// @throws std::logic_error "MTrimmer::Generate3Splitting: non-internal vertex is given" when i
  ///         is not an inner point of T, and the messages of the segment placement.
  static MSplitting Generate3Splitting(const MTriangleToTrim& triangle, const MTriangles& result,
                                       std::int32_t i);

  /// The 3-splitting at inner point `i` with the inner points equally near to several children
  /// given by `tie` (`Generate3Splitting(triangle, result, i)` uses `eLowerChild`).
  /// @throws the messages of `Generate3Splitting(triangle, result, i)`.
  static MSplitting Generate3Splitting(const MTriangleToTrim& triangle, const MTriangles& result,
                                       std::int32_t i, EInnerPointTie tie);

  /// The 3-splitting at inner point `i` if it creates fewer than `limit` vertices: the build
  /// stops at the segment whose crossings reach the limit. The splitting is the one
  /// `Generate3Splitting(triangle, result, i)` gives.
  /// @return the splitting, or empty when it would create `limit` vertices or more.
  /// @throws the messages of `Generate3Splitting(triangle, result, i)` for the segments it
  ///         places before it stops.
  static std::optional<MSplitting> Generate3SplittingBelow(const MTriangleToTrim& triangle,
                                                           const MTriangles& result, std::int32_t i,
                                                           std::size_t limit);

  /// The crossing score of every swept point (inner points and edge points): for each corner, the
  /// number of T's segments that the spoke from that corner to the point crosses, summed. One
  /// entry per point, sorted by point.
  static std::vector<std::pair<std::int32_t, long long>> ComputeCrossingScores(
      const MTriangleToTrim& triangle, const MTriangles& result);

  /// Distributes T's segments over the children of `splitting`: spokes become mesh edges,
  /// segments within one child go there, the others are cut at new vertices on the spokes.
  /// @throws std::logic_error "MTrimmer::Generate3Splitting_PutSegments: no splitting points
  ///         found" when a segment changes child without a crossing, and the messages of the
  ///         classification.
  static void Generate3Splitting_PutSegments(const MTriangleToTrim& triangle,
                                             const MTriangles& result, std::int32_t i,
                                             const MChildMap& childOf, MSplitting& splitting);

  /// `Generate3Splitting_PutSegments` stopping (and returning false) once the new vertices
  /// number `limit`.
  static bool PutSegments(const MTriangleToTrim& triangle, const MTriangles& result, std::int32_t i,
                          const MChildMap& childOf, MSplitting& splitting, std::size_t limit);

  /// The children of a segment's ends and its crossings.
  /// @throws std::logic_error "MTrimmer::Generate3Splitting: a segment touches points outside of
  ///         its triangle" or "MTrimmer::Generate3Splitting: found a segment which is already
  ///         covered by an edge".
  static MSegmentPlacement ClassifySegment(const MTriangleToTrim& triangle,
                                           const MTriangles& result, std::int32_t i,
                                           const MChildMap& childOf, const MSplitting& splitting,
                                           const MSegmentFromLoop& segment);

  /// The child for a segment end at corner `c` whose other end `o` lies in child `co`: co itself
  /// when it holds the corner; otherwise the one of the corner's two children whose spoke to co
  /// is nearer the segment c-o, with one crossing on that spoke appended to `crossings`.
  /// @throws std::logic_error "MTrimmer::Generate3Splitting_SelectPartForVertex: non-vertex was
  ///         given" when c is not a corner of T.
  static int Generate3Splitting_SelectPartForVertex(
      const MTriangleToTrim& triangle, const MTriangles& result, const MSplitting& splitting,
      std::int32_t c, std::int32_t o, int co,
      boost::container::static_vector<MCrossing, 2>& crossings);

  /// The spoke shared by two children: (a's corner k, a's corner k+1) for the first k of the
  /// common-edge lookup.
  /// @throws std::logic_error "MTrimmer::Generate3Splitting_GetCommonEdge: triangles do not share
  ///         an edge".
  static std::pair<std::int32_t, std::int32_t> Generate3Splitting_GetCommonEdge(
      const MTriangleToTrim& a, const MTriangleToTrim& b);
};
