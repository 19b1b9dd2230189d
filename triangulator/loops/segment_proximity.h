#pragma once

// Nearness to a set of straight 3D segments (a loop's polyline, the grid's border edges): a
// bounding-volume tree over the segments answers whether a point lies within a distance of any of
// them, and which segment of a given direction lies nearest.

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/point.h"

namespace triangulator::detail {

class MSegmentProximity {
 public:
  using P3 = Oxlen::Math::point<double, 3>;
  using Segment = std::array<P3, 2>;

  /// @param[in] segments the segments, from [0] to [1]; may be empty (then nothing is near).
  /// @param[in] degenerateLength segments no longer than this have no direction (a loop's
  ///            stretch along a pole); they still count for `IsWithin`.
  MSegmentProximity(std::vector<Segment> segments, double degenerateLength);
  ~MSegmentProximity();
  MSegmentProximity(const MSegmentProximity&) = delete;
  MSegmentProximity& operator=(const MSegmentProximity&) = delete;

  /// The segments as given.
  const std::vector<Segment>& Segments() const { return m_segments; }

  /// Whether x lies within `distance` (inclusive) of some segment.
  bool IsWithin(const P3& x, double distance) const;

  /// The segment nearest to x among those that run along `direction`, within 60 degrees of it
  /// (`direction` not zero; degenerate segments are never chosen); empty when there is none
  /// within `distance`.
  std::optional<std::size_t> NearestAlong(const P3& x, const P3& direction, double distance) const;

 private:
  struct MTree;
  std::vector<Segment> m_segments;
  double m_degenerateLength;
  std::unique_ptr<MTree> m_tree;
};

/// The segments of a closed loop polyline, from each point to the next and from the last back to
/// the first.
std::vector<MSegmentProximity::Segment> LoopSegments(const MCadTriangulator::MSegmentedLoop& loop);

}  // namespace triangulator::detail
