#include "loop_edge_index.h"

#include <algorithm>

namespace trimming::detail {

MLoopEdgeIndex::MLoopEdgeIndex(const std::vector<MSegmentFromLoop>& segments) {
  m_byEnds.reserve(segments.size());
  for (const MSegmentFromLoop& s : segments)
    Add(s);
}

std::size_t MLoopEdgeIndex::MKeyHash::operator()(std::uint64_t key) const noexcept {
  // A 64-bit mix (the finaliser of MurmurHash3), so that neighbouring vertex pairs spread.
  key ^= key >> 33;
  key *= 0xff51afd7ed558ccdULL;
  key ^= key >> 33;
  key *= 0xc4ceb9fe1a85ec53ULL;
  key ^= key >> 33;
  return static_cast<std::size_t>(key);
}

std::uint64_t MLoopEdgeIndex::KeyOf(std::int32_t first, std::int32_t second) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(first)) << 32) |
         static_cast<std::uint64_t>(static_cast<std::uint32_t>(second));
}

void MLoopEdgeIndex::Add(const MSegmentFromLoop& segment) {
  m_byEnds[KeyOf(segment.first, segment.second)].push_back(segment);
}

void MLoopEdgeIndex::Remove(const MSegmentFromLoop& segment) {
  const auto found = m_byEnds.find(KeyOf(segment.first, segment.second));
  if (found == m_byEnds.end())
    return;
  auto& list = found->second;
  list.erase(std::remove(list.begin(), list.end(), segment), list.end());
  if (found->second.empty())
    m_byEnds.erase(found);
}

const MLoopEdgeIndex::MSegmentFromLoop* MLoopEdgeIndex::FindFirst(std::int32_t first,
                                                                  std::int32_t second) const {
  const auto found = m_byEnds.find(KeyOf(first, second));
  return found == m_byEnds.end() ? nullptr : &found->second.front();
}

}  // namespace trimming::detail
