#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Math/point.h"

namespace loops::detail {

/// Where the current loop segment crosses a grid edge: the parameter of the edge point nearest to
/// the straight 3D segment p -> q, cached per edge for the duration of one segment.
///
/// The cache holds one double per plain edge key (`PlainEdgeKey`), -1.0 for "not computed". Its
/// storage belongs to the caller and is reused from one finder to the next: setting a new segment,
/// and destroying the finder, refill only the range of keys written since the previous segment, so
/// that the storage is all -1.0 again between finders and a walk pays for the edges it asks
/// about, not for the size of the grid.
class MEdgeCrossingFinder {
 public:
  using MQuads = MCadTriangulator::MQuads;
  using Point3 = Oxlen::Math::point<double, 3>;

  /// A finder over `grid` (which must outlive it), with no segment (p = q = origin), whose cache
  /// lives in `storage` (which must outlive it too). Storage of another size than 2 nU nV is
  /// resized and filled with -1.0; storage of that size must hold only -1.0, as a previous
  /// finder leaves it.
  MEdgeCrossingFinder(const MQuads& grid, std::vector<double>& storage);
  ~MEdgeCrossingFinder();
  MEdgeCrossingFinder(const MEdgeCrossingFinder&) = delete;
  MEdgeCrossingFinder& operator=(const MEdgeCrossingFinder&) = delete;

  /// Makes p -> q the current segment and forgets every cached parameter.
  void SetSegment(const Point3& p, const Point3& q);

  /// The parameter on `edge` (0 at its smaller vertex, 1 at its larger) of the point nearest to
  /// the current segment, from the cache when it was asked before for this segment.
  ///
  /// With a -> b the edge's stored positions from the smaller vertex to the larger: when the
  /// segment runs along the edge (the cosine of their directions above 0.999 and both segment end
  /// points within squared distance 1e-6 of the edge's line), q's projection parameter clamped to
  /// [0, 1]; otherwise the parameter on ab of the closest points of the segments pq and ab.
  /// @param[in] edge an edge of the grid, in either direction.
  double GetParameter(const MQuads::MQuadEdge& edge);

  /// Number of cache entries (2 nU nV).
  std::size_t GetCacheSize() const { return cache_.size(); }

  /// The cached value under a plain edge key: -1.0 when it is not computed for this segment.
  double GetCachedValue(std::int64_t plainKey) const {
    return cache_[static_cast<std::size_t>(plainKey)];
  }

  /// Number of parameters computed (cache misses) since construction.
  std::size_t GetComputedCount() const { return computed_; }

  /// Number of cache entries the last `SetSegment` refilled.
  std::size_t GetLastResetCount() const { return lastReset_; }

 private:
  double Compute(const MQuads::MQuadEdge& edge) const;
  // Refills the range of keys written since the last reset with -1.0 and empties it; returns the
  // number of entries refilled.
  std::size_t ResetWrittenRange();

  const MQuads& grid_;
  Point3 p_;
  Point3 q_;
  std::vector<double>& cache_;
  // The range of keys written since the last reset; empty while lowest_ > highest_.
  std::size_t lowest_;
  std::size_t highest_ = 0;
  std::size_t computed_ = 0;
  std::size_t lastReset_ = 0;
};

}  // namespace loops::detail
