#pragma once

#include <vector>

#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/point.h"
#include "spatial/M3DObjectTree.h"

namespace long_edges {

/// One straight piece of a face's border, from `start` to `end` (model space).
struct segment {
  Oxlen::Math::point<double, 3> start;
  Oxlen::Math::point<double, 3> end;
};

/// Answers whether a point lies near a face's border (its contour), given as segments.
///
/// A bounding-volume tree with leaves of 4 segments holds the segments. Queries usually come in
/// runs along one mesh edge that stay near the same piece of border, so the query remembers the
/// last segment it found and tests that one before searching the tree. Building the tree over
/// 1000 segments or more runs in parallel in the caller's task arena; the tree's shape, and so
/// every answer, does not depend on the number of threads. Not copyable nor movable; queries
/// change the remembered segment, so one query object serves one thread.
class contour_distance_query {
 public:
  /// The box of a segment: the componentwise minimum and maximum of its two points, not enlarged.
  struct bb_calculator {
    Oxlen::Math::boundingbox<double, 3> operator()(const segment& piece) const;
  };

  /// Takes the segments over and builds the tree over them; no segment is remembered yet.
  /// @param[in] segments the border segments (any number, none included); their points should be
  ///                     finite.
  /// @throws std::runtime_error "Too many objects" for more than 4294967295 segments.
  explicit contour_distance_query(std::vector<segment> segments);

  contour_distance_query(const contour_distance_query&) = delete;
  contour_distance_query& operator=(const contour_distance_query&) = delete;

  /// Whether some segment lies within squared distance `squaredRadius` of `point` (inclusive),
  /// measured to the segment's closest point (a segment shorter than 2^-13 counts as its
  /// midpoint). Tests the segment found last first; otherwise searches the tree and remembers
  /// the segment it finds, or that it found none.
  /// @param[in] point         the query point.
  /// @param[in] squaredRadius the squared search radius.
  /// @return false when there are no segments.
  bool is_within(const Oxlen::Math::point<double, 3>& point, double squaredRadius);

 private:
  using Box = Oxlen::Math::boundingbox<double, 3>;
  using Accessor = MeshQueries::ObjectTreeDefaultAccessor<segment, Box>;
  using Tree = MeshQueries::detail::M3DObjectTree<
      MeshQueries::detail::M3DObjectTreeParams<segment, double, 3, Accessor, std::vector<segment>>>;

  /// The tree owns the segments (in its leaf order).
  Tree m_tree;
  /// The segment found by the last search, or null.
  const segment* m_lastFound = nullptr;
};

}  // namespace long_edges
