#pragma once

#include <cstdint>
#include <vector>

#include <boost/container/small_vector.hpp>
#include <boost/unordered/unordered_flat_map.hpp>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"

namespace trimming::detail {

/// The loop segments that have become mesh edges (`MTrimmer::MTriangles::segments`), looked up by
/// their directed vertex pair in constant expected time instead of a scan of the whole list. It
/// mirrors the list: every append and every removal of the list must also be made here.
class MLoopEdgeIndex {
 public:
  using MSegmentFromLoop = MCadTriangulator::MTrimmer::MSegmentFromLoop;

  /// An index of the segments in `segments`, in list order.
  explicit MLoopEdgeIndex(const std::vector<MSegmentFromLoop>& segments);

  /// Records a segment appended to the list.
  void Add(const MSegmentFromLoop& segment);

  /// Records the removal from the list of every segment equal to `segment` (ends and tag).
  void Remove(const MSegmentFromLoop& segment);

  /// The first segment of the list, in list order, that runs from `first` to `second`; null when
  /// there is none. The pointer is valid until the next change of the index.
  const MSegmentFromLoop* FindFirst(std::int32_t first, std::int32_t second) const;

 private:
  struct MKeyHash {
    std::size_t operator()(std::uint64_t key) const noexcept;
  };
  static std::uint64_t KeyOf(std::int32_t first, std::int32_t second);

  // Per directed vertex pair, its segments in list order (almost always one, held in place).
  boost::unordered_flat_map<std::uint64_t, boost::container::small_vector<MSegmentFromLoop, 1>,
                            MKeyHash>
      m_byEnds;
};

}  // namespace trimming::detail
