#include "quad_walk.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <queue>

#include <boost/unordered/unordered_flat_map.hpp>

#include "edge_key.h"
#include "quad_projection.h"
#include "seam_twin.h"
#include "spatial/numeric_helpers.h"

namespace loops::detail {

namespace {

using MQuads = MCadTriangulator::MQuads;
using MQuadIndex = MQuads::MQuadIndex;
using Point3 = Oxlen::Math::point<double, 3>;

// The cheapest step on top.
struct CostlierThan {
  bool operator()(const MWalkStep& a, const MWalkStep& b) const { return a.cost > b.cost; }
};

using StepHeap = std::priority_queue<MWalkStep, std::vector<MWalkStep>, CostlierThan>;

// For every edge reached so far, the crossing by which it was reached (none for an edge reached
// straight from the start). The end point is recorded under key -1.
using VisitedMap = boost::unordered_flat_map<std::int64_t, std::optional<MLoopSplittingPoint>>;

const Point3& PositionOf(const MWalkNode& node) {
  return std::visit([](const auto& n) -> const Point3& { return n.position; }, node);
}

// The quad a node lies in: its own for an end point, the quad the crossing enters otherwise.
const MQuadIndex& QuadOf(const MWalkNode& node) {
  if (const auto* end = std::get_if<MWalkEndPoint>(&node))
    return end->quad;
  return std::get<MWalkEdgePoint>(node).crossing.nextQuad;
}

std::int64_t KeyOf(const MQuads& quads, const MWalkNode& node) {
  if (const auto* edge = std::get_if<MWalkEdgePoint>(&node))
    return EdgeKey(quads, edge->crossing.pointOnEdge.edge);
  return -1;
}

// Wraps one quad index along an axis; false when it leaves an open axis.
bool WrapIndex(const MQuads& quads, MQuads::EAxis axis, std::int32_t& index) {
  const int quadsCount = quads.GetIsolinesCount(axis) - 1;
  if (index >= 0 && index < quadsCount)
    return true;
  if (!quads.IsClosed(axis))
    return false;
  index = (index + quadsCount) % quadsCount;
  return true;
}

MQuadIndex WrapQuad(const MQuads& quads, MQuadIndex quad) {
  if (!WrapIndex(quads, MQuads::EAxis::U, quad.u) || !WrapIndex(quads, MQuads::EAxis::V, quad.v))
    return MQuads::kInvalidQuadIndex;
  return quad;
}

// The search state of one walk.
class Walk {
 public:
  Walk(const MQuads& quads, MEdgeCrossingFinder& finder, const MQuadIndex& toQuad,
       const Point3& end, MQuadWalkStatistics& statistics)
      : quads_(quads), finder_(finder), toQuad_(toQuad), end_(end), statistics_(statistics) {}

  // Runs the search from the start node to the end point; the visited map then holds the way.
  void Search(const MWalkEndPoint& start) {
    Expand(MWalkStep{start, start, 0.0});
    while (!heap_.empty()) {
      const MWalkStep step = heap_.top();
      heap_.pop();
      ++statistics_.popped;
      const std::int64_t key = KeyOf(quads_, step.to);
      if (visited_.contains(key))
        continue;
      std::optional<MLoopSplittingPoint> via;
      if (const auto* edge = std::get_if<MWalkEdgePoint>(&step.from))
        via = edge->crossing;
      visited_.emplace(key, std::move(via));
      if (std::holds_alternative<MWalkEndPoint>(step.to))
        return;
      Expand(step);
    }
  }

  // The crossings from the start to the end point, each seam crossing followed by its twin.
  std::vector<MLoopSplittingPoint> Path() const {
    std::vector<MLoopSplittingPoint> path;
    const std::optional<MLoopSplittingPoint>* entry = &visited_.at(-1);
    while (entry->has_value()) {
      const MLoopSplittingPoint& crossing = **entry;
      if (quads_.IsEdgeOnPeriodicBorder(crossing.pointOnEdge.edge))
        path.push_back(SeamTwin(quads_, crossing));
      path.push_back(crossing);
      entry = &visited_.at(EdgeKey(quads_, crossing.pointOnEdge.edge));
    }
    std::reverse(path.begin(), path.end());
    return path;
  }

 private:
  void Push(const MWalkNode& from, MWalkNode to, double cost) {
    heap_.push(MWalkStep{from, std::move(to), cost});
    ++statistics_.pushed;
  }

  // Offers the end point when the step's quad is the end quad, then every edge of the quad that
  // is neither reached yet nor on an open border.
  void Expand(const MWalkStep& step) {
    ++statistics_.expanded;
    const Point3& position = PositionOf(step.to);
    const MQuadIndex& quad = QuadOf(step.to);
    if (quad == toQuad_) {
      Push(step.to, MWalkEndPoint{end_, toQuad_},
           step.cost + geometry::detail::overflow_safe_distance(position, end_));
    }
    for (const MQuads::MQuadEdge& edge : quads_.GetQuadEdges(quad)) {
      if (visited_.contains(EdgeKey(quads_, edge)))
        continue;
      if (quads_.IsEdgeOnBorder(edge) && !quads_.IsEdgeOnPeriodicBorder(edge))
        continue;
      const MQuadIndex next = QuadAcrossEdge(quads_, quad, edge);
      if (next == MQuads::kInvalidQuadIndex)
        continue;  // cannot happen for an edge that is not on an open border
      const MQuads::MPointOnEdge pointOnEdge(edge, finder_.GetParameter(edge));
      const Point3 crossingPoint = quads_.LocatePointOnEdge(pointOnEdge);
      Push(step.to, MWalkEdgePoint{crossingPoint, MLoopSplittingPoint{pointOnEdge, next, quad, 0}},
           step.cost + geometry::detail::overflow_safe_distance(position, crossingPoint));
    }
  }

  const MQuads& quads_;
  MEdgeCrossingFinder& finder_;
  MQuadIndex toQuad_;
  Point3 end_;
  MQuadWalkStatistics& statistics_;
  StepHeap heap_;
  VisitedMap visited_;
};

}  // namespace

MQuadIndex QuadAcrossEdge(const MQuads& quads, const MQuadIndex& quad,
                          const MQuads::MQuadEdge& edge) {
  const MQuads::MVertexIndex& m = edge.IsReversed() ? edge.end : edge.start;
  const MQuadIndex a = WrapQuad(quads, MQuadIndex(m.u, m.v));
  const MQuadIndex b = edge.start.u == edge.end.u ? WrapQuad(quads, MQuadIndex(m.u - 1, m.v))
                                                  : WrapQuad(quads, MQuadIndex(m.u, m.v - 1));
  return a == quad ? b : a;
}

std::vector<MLoopSplittingPoint> WalkQuads(const MQuads& quads, MEdgeCrossingFinder& finder,
                                           const Point3& from, const MQuadIndex& fromQuad,
                                           const Point3& to, const MQuadIndex& toQuad,
                                           MQuadWalkStatistics* statistics) {
  finder.SetSegment(from, to);
  const Point3 start = ProjectOntoQuad(quads, fromQuad, from);
  const Point3 end = ProjectOntoQuad(quads, toQuad, to);
  MQuadWalkStatistics local;
  Walk walk(quads, finder, toQuad, end, statistics != nullptr ? *statistics : local);
  walk.Search(MWalkEndPoint{start, fromQuad});
  return walk.Path();
}

}  // namespace loops::detail
