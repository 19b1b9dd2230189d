#include "self_crossing_repair.h"

#include <algorithm>
#include <cstddef>
#include <deque>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "edge_key.h"
#include "part_uncrossing.h"
#include "spatial/numeric_helpers.h"
#include "splitting_points_by_edge.h"

namespace loops::detail {

namespace {

using MQuads = MCadTriangulator::MQuads;
using MQuadIndex = MQuads::MQuadIndex;
using MVertexIndex = MQuads::MVertexIndex;
using MLoopPart = MCadTriangulator::MLoopsOnQuads::MLoopPart;

// The entry of `map` under `key`; a missing entry is an inconsistent part set.
template <class Map>
const typename Map::mapped_type& Require(const Map& map, const typename Map::key_type& key) {
  const auto it = map.find(key);
  if (it == map.end())
    throw std::out_of_range("invalid map<K, T> key");
  return it->second;
}

// A part of the set: its quad and its position in the quad's list.
struct PartRef {
  MQuadIndex quad;
  std::size_t index = 0;
};

using Cycle = std::vector<PartRef>;

const MLoopPart& PartOf(const MLoopPartSet& set, const PartRef& ref) {
  return set.parts.at(ref.quad)[ref.index];
}

// The parts regrouped into cycles, each followed from its first unvisited part (quads in key
// order, parts in list order) through `end` to the part that starts there.
std::vector<Cycle> CollectCycles(const MLoopPartSet& set) {
  std::map<int, PartRef> byStart;
  std::map<MQuadIndex, std::vector<bool>> visited;
  for (const auto& [quad, parts] : set.parts) {
    for (std::size_t i = 0; i < parts.size(); ++i)
      byStart.emplace(parts[i].start, PartRef{quad, i});
    visited[quad].assign(parts.size(), false);
  }
  std::vector<Cycle> cycles;
  for (const auto& [quad, parts] : set.parts) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (visited[quad][i])
        continue;
      Cycle cycle;
      PartRef ref{quad, i};
      while (!visited[ref.quad][ref.index]) {
        visited[ref.quad][ref.index] = true;
        cycle.push_back(ref);
        ref = Require(byStart, PartOf(set, ref).end);
      }
      cycles.push_back(std::move(cycle));
    }
  }
  return cycles;
}

// Length of a part's polyline from its start crossing through its points to its end crossing.
double PartLength(const MQuads& quads, const MLoopPartSet& set, const MLoopPart& part) {
  double length = 0.0;
  Oxlen::Math::point<double, 3> previous = quads.LocatePointOnEdge(
      set.splittingPoints[static_cast<std::size_t>(part.start)].pointOnEdge);
  for (const auto& p : part.points) {
    length += geometry::detail::overflow_safe_distance(previous, p);
    previous = p;
  }
  return length +
         geometry::detail::overflow_safe_distance(
             previous, quads.LocatePointOnEdge(
                           set.splittingPoints[static_cast<std::size_t>(part.end)].pointOnEdge));
}

// The longest cycle, the first one on equal lengths.
std::size_t LongestCycle(const MQuads& quads, const MLoopPartSet& set,
                         const std::vector<Cycle>& cycles) {
  std::size_t longest = 0;
  double longestLength = -1.0;
  for (std::size_t c = 0; c < cycles.size(); ++c) {
    double length = 0.0;
    for (const PartRef& ref : cycles[c])
      length += PartLength(quads, set, PartOf(set, ref));
    if (length > longestLength) {
      longestLength = length;
      longest = c;
    }
  }
  return longest;
}

// Checks that the crossings along every grid edge alternate in direction, in a flood over the
// grid's vertices from the start crossing of the longest cycle, and drops every cycle whose
// crossing breaks the alternation.
class AlternationCheck {
 public:
  AlternationCheck(const MQuads& quads, const MLoopPartSet& set,
                   const SplittingPointsByEdge& byEdge, const std::vector<Cycle>& cycles)
      : quads_(quads),
        set_(set),
        byEdge_(byEdge),
        nU_(quads.GetIsolinesCount(MQuads::EAxis::U)),
        nV_(quads.GetIsolinesCount(MQuads::EAxis::V)),
        dropped_(cycles.size(), false),
        labels_(static_cast<std::size_t>(nU_) * static_cast<std::size_t>(nV_), 0),
        walked_(2 * labels_.size(), false) {
    for (std::size_t c = 0; c < cycles.size(); ++c)
      for (const PartRef& ref : cycles[c])
        cycleOf_[PartOf(set, ref).start] = static_cast<int>(c);
  }

  // Runs the check; the result tells for every cycle whether it is dropped.
  std::vector<bool> Run(const Cycle& seed) {
    std::deque<MVertexIndex> queue;
    queue.push_back(WalkFromSeed(PartOf(set_, seed.front()).start));
    while (!queue.empty()) {
      const MVertexIndex v = queue.front();
      queue.pop_front();
      for (const MVertexIndex& w : Neighbours(v)) {
        std::vector<bool>::reference walked =
            walked_[static_cast<std::size_t>(PlainEdgeKey(quads_, MQuads::MQuadEdge(v, w)))];
        if (walked)
          continue;
        walked = true;
        Label(w) = Walk(SplittingPointsAlong(byEdge_, v, w), MQuads::MQuadEdge(v, w), Label(v));
        queue.push_back(w);
      }
    }
    return dropped_;
  }

 private:
  int& Label(const MVertexIndex& v) {
    return labels_[static_cast<std::size_t>(v.u) * static_cast<std::size_t>(nV_) +
                   static_cast<std::size_t>(v.v)];
  }

  std::vector<MVertexIndex> Neighbours(const MVertexIndex& v) const {
    std::vector<MVertexIndex> neighbours;
    if (v.u > 0)
      neighbours.emplace_back(v.u - 1, v.v);
    if (v.v > 0)
      neighbours.emplace_back(v.u, v.v - 1);
    if (v.u + 1 < nU_)
      neighbours.emplace_back(v.u + 1, v.v);
    if (v.v + 1 < nV_)
      neighbours.emplace_back(v.u, v.v + 1);
    return neighbours;
  }

  // Walks the splitting points `along` an edge travelled as `travel`, starting with flag f: a
  // point whose direction equals the running flag breaks the alternation and drops its cycle;
  // any other point sets the flag. Returns the flag after the last point.
  int Walk(const std::vector<int>& along, const MQuads::MQuadEdge& travel, int f) {
    for (const int index : along) {
      const int cycle = Require(cycleOf_, index);
      if (dropped_[static_cast<std::size_t>(cycle)])
        continue;
      const int d =
          set_.splittingPoints[static_cast<std::size_t>(index)].pointOnEdge.edge == travel ? 0 : 1;
      if (d == f)
        dropped_[static_cast<std::size_t>(cycle)] = true;
      else
        f = d;
    }
    return f;
  }

  // Walks the seed's edge from just after the seed crossing to its larger vertex, which is
  // labelled with the result and returned.
  MVertexIndex WalkFromSeed(int seedIndex) {
    const MQuads::MQuadEdge& seedEdge =
        set_.splittingPoints[static_cast<std::size_t>(seedIndex)].pointOnEdge.edge;
    const MQuads::MQuadEdge edge = Ascending(seedEdge);
    const std::vector<int>& onEdge = Require(byEdge_, edge);
    const auto seedPosition = std::find(onEdge.begin(), onEdge.end(), seedIndex);
    const std::vector<int> after(seedPosition == onEdge.end() ? onEdge.end() : seedPosition + 1,
                                 onEdge.end());
    Label(edge.end) = Walk(after, edge, seedEdge == edge ? 0 : 1);
    return edge.end;
  }

  const MQuads& quads_;
  const MLoopPartSet& set_;
  const SplittingPointsByEdge& byEdge_;
  int nU_;
  int nV_;
  std::map<int, int> cycleOf_;
  std::vector<bool> dropped_;
  std::vector<int> labels_;
  std::vector<bool> walked_;
};

// A cycle as a part set of its own: its parts in cycle order, each starting at its own copy of
// its start crossing and ending at the next part's.
MLoopPartSet CycleAsPartSet(const MLoopPartSet& set, const Cycle& cycle) {
  MLoopPartSet result;
  for (std::size_t j = 0; j < cycle.size(); ++j) {
    const MLoopPart& original = PartOf(set, cycle[j]);
    result.splittingPoints.push_back(set.splittingPoints[static_cast<std::size_t>(original.start)]);
    MLoopPart& part = result.parts[cycle[j].quad].emplace_back(original);
    part.start = static_cast<int>(j);
    part.end = static_cast<int>((j + 1) % cycle.size());
  }
  return result;
}

}  // namespace

std::vector<MLoopPartSet> RepairSelfCrossings(const MQuads& quads, MLoopPartSet set) {
  std::vector<MLoopPartSet> result;
  if (quads.IsClosed(MQuads::EAxis::U) || quads.IsClosed(MQuads::EAxis::V)) {
    result.push_back(std::move(set));
    return result;
  }
  const SplittingPointsByEdge byEdge = CollectSplittingPointsByEdge(set);
  if (!UncrossParts(quads, set, byEdge)) {
    result.push_back(std::move(set));
    return result;
  }
  const std::vector<Cycle> cycles = CollectCycles(set);
  const std::size_t seed = LongestCycle(quads, set, cycles);
  const std::vector<bool> dropped = AlternationCheck(quads, set, byEdge, cycles).Run(cycles[seed]);
  for (std::size_t c = 0; c < cycles.size(); ++c)
    if (!dropped[c])
      result.push_back(CycleAsPartSet(set, cycles[c]));
  return result;
}

}  // namespace loops::detail
