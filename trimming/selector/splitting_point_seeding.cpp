#include <cstddef>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "geometric_seeding.h"

namespace selector::detail {

namespace {

using MVertexIndex = MQuads::MVertexIndex;
using Point3 = Oxlen::Math::point<double, 3>;

// The nearest crossing seen so far from a vertex: its parameter distance and the status it
// gives.
struct Nearest {
  double distance = 0.0;
  EVertexStatus status = MCadTriangulator::MTrimPartSelector::Inside;
};

// The distinct splitting points at the start or end of a quad's parts, in ascending index order.
std::vector<int> CrossingsOfQuad(
    const std::vector<MCadTriangulator::MLoopsOnQuads::MLoopPart>& parts) {
  std::set<int> distinct;
  for (const auto& part : parts) {
    distinct.insert(part.start);
    distinct.insert(part.end);
  }
  return {distinct.begin(), distinct.end()};
}

class NearestCrossings {
 public:
  NearestCrossings(const MCadTriangulator::MQuadrangulatedSurface& grid, double tolerance)
      : grid_(grid), tolerance_(tolerance) {}

  void AddQuad(const std::vector<MCadTriangulator::MLoopsOnQuads::MLoopPart>& parts) {
    const std::vector<int> crossings = CrossingsOfQuad(parts);
    std::vector<Point3> positions;
    for (const int index : crossings)
      positions.push_back(
          grid_.quads.LocatePointOnEdge(grid_.loops.GetLoopSplittingPoint(index).pointOnEdge));
    for (std::size_t k = 0; k < crossings.size(); ++k)
      AddCrossing(crossings[k], IsReliable(crossings, positions, k));
  }

  SeedMap Seeds() const {
    SeedMap seeds;
    for (const auto& [vertex, nearest] : table_)
      if (!unreliable_.contains(vertex))
        seeds[vertex] = nearest.status;
    return seeds;
  }

 private:
  bool IsReliable(const std::vector<int>& crossings, const std::vector<Point3>& positions,
                  std::size_t k) const {
    const MQuads& quads = grid_.quads;
    const auto& edge = grid_.loops.GetLoopSplittingPoint(crossings[k]).pointOnEdge.edge;
    const Point3& x = positions[k];
    if (quads.IsEdgeOnPeriodicBorder(edge))
      return false;
    for (const MVertexIndex& end : {edge.start, edge.end}) {
      if (quads.IsVertexOnPeriodicBorder(end) &&
          Oxlen::Math::distance(x, quads.GetVertex3d(end)) < tolerance_)
        return false;
    }
    for (std::size_t other = 0; other < crossings.size(); ++other) {
      if (other != k && Oxlen::Math::distance(positions[other], x) < tolerance_)
        return false;
    }
    return true;
  }

  void AddCrossing(int index, bool reliable) {
    const auto& pointOnEdge = grid_.loops.GetLoopSplittingPoint(index).pointOnEdge;
    const double t = pointOnEdge.parameter;
    const bool reversed = pointOnEdge.edge.IsReversed();
    Offer(pointOnEdge.edge.start, reversed ? 1.0 - t : t,
          MCadTriangulator::MTrimPartSelector::Outside, reliable);
    Offer(pointOnEdge.edge.end, reversed ? t : 1.0 - t, MCadTriangulator::MTrimPartSelector::Inside,
          reliable);
  }

  void Offer(const MVertexIndex& vertex, double distance, EVertexStatus status, bool reliable) {
    const auto it = table_.find(vertex);
    if (it != table_.end() && !(it->second.distance > distance))
      return;
    table_[vertex] = Nearest{distance, status};
    if (reliable)
      unreliable_.erase(vertex);
    else
      unreliable_.insert(vertex);
  }

  const MCadTriangulator::MQuadrangulatedSurface& grid_;
  double tolerance_;
  std::map<MVertexIndex, Nearest> table_;
  std::set<MVertexIndex> unreliable_;
};

}  // namespace

SeedMap SeedFromSplittingPoints(const MCadTriangulator::MQuadrangulatedSurface& grid,
                                double tolerance) {
  NearestCrossings nearest(grid, tolerance);
  for (const auto& entry : grid.loops.GetAllLoopParts())
    nearest.AddQuad(entry.second);
  return nearest.Seeds();
}

}  // namespace selector::detail
