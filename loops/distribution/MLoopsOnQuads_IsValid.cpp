#include <cmath>
#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "seam_twin.h"

using MLoopsOnQuads = MCadTriangulator::MLoopsOnQuads;
using MQuads = MCadTriangulator::MQuads;

namespace {

using MQuadIndex = MQuads::MQuadIndex;
using MVertexIndex = MQuads::MVertexIndex;
using MQuadEdge = MQuads::MQuadEdge;
using MLoopSplittingPoint = MLoopsOnQuads::MLoopSplittingPoint;
using MLoopPart = MLoopsOnQuads::MLoopPart;

std::string Name(const MQuadIndex& q) {
  return "quad (" + std::to_string(q.u) + ", " + std::to_string(q.v) + ")";
}

std::string Name(const MQuadEdge& e) {
  return "edge (" + std::to_string(e.start.u) + ", " + std::to_string(e.start.v) + ") -> (" +
         std::to_string(e.end.u) + ", " + std::to_string(e.end.v) + ")";
}

bool IsGridEdge(const MQuads& quads, const MQuadEdge& e) {
  const int du = std::abs(e.start.u - e.end.u);
  const int dv = std::abs(e.start.v - e.end.v);
  return quads.HasVertex(e.start) && quads.HasVertex(e.end) && du + dv == 1;
}

bool IsEdgeOfQuad(const MQuads& quads, const MQuadIndex& q, const MQuadEdge& e) {
  return quads.GetQuadEdgeIndex(q, e) >= 0;
}

// The same crossing on the other copy of a seam edge (tags aside).
bool IsTwinOf(const MQuads& quads, const MLoopSplittingPoint& twin,
              const MLoopSplittingPoint& crossing) {
  const MLoopSplittingPoint expected = loops::detail::SeamTwin(quads, crossing);
  return twin.pointOnEdge == expected.pointOnEdge && twin.nextQuad == expected.nextQuad &&
         twin.previousQuad == expected.previousQuad;
}

// Describes the first broken invariant of a distribution; empty when it has none.
class Checker {
 public:
  Checker(const MQuads& quads,
          const std::map<MQuadIndex, std::vector<MLoopsOnQuads::MInnerLoop>>& innerLoops,
          const std::map<MQuadIndex, std::vector<MLoopPart>>& loopParts,
          const std::vector<MLoopSplittingPoint>& splittingPoints)
      : quads_(quads),
        innerLoops_(innerLoops),
        loopParts_(loopParts),
        splittingPoints_(splittingPoints) {}

  std::string Describe() const {
    std::string fault = CheckSplittingPoints();
    if (fault.empty())
      fault = CheckSeamTwins();
    if (fault.empty())
      fault = CheckInnerLoops();
    if (fault.empty())
      fault = CheckParts();
    if (fault.empty())
      fault = CheckCycles();
    return fault;
  }

 private:
  int Count() const { return static_cast<int>(splittingPoints_.size()); }
  const MLoopSplittingPoint& Point(int i) const {
    return splittingPoints_[static_cast<std::size_t>(i)];
  }

  std::string CheckSplittingPoints() const {
    for (int i = 0; i < Count(); ++i) {
      const MLoopSplittingPoint& s = Point(i);
      const std::string name = "splitting point " + std::to_string(i);
      if (!IsGridEdge(quads_, s.pointOnEdge.edge))
        return name + ": " + Name(s.pointOnEdge.edge) + " is not a grid edge";
      const double t = s.pointOnEdge.parameter;
      if (!(t >= 0.0 && t <= 1.0))
        return name + ": parameter " + std::to_string(t) + " is not in [0, 1]";
      if (!quads_.HasQuad(s.nextQuad) || !quads_.HasQuad(s.previousQuad))
        return name + ": its next or previous quad is not in the grid";
      if (!IsEdgeOfQuad(quads_, s.previousQuad, s.pointOnEdge.edge) &&
          !IsEdgeOfQuad(quads_, s.nextQuad, s.pointOnEdge.edge))
        return name + ": its edge belongs neither to its previous nor to its next quad";
      if (!s.tag)
        return name + ": no tag";
    }
    return {};
  }

  std::string CheckSeamTwins() const {
    for (int i = 0; i < Count(); ++i) {
      if (!quads_.IsEdgeOnPeriodicBorder(Point(i).pointOnEdge.edge))
        continue;
      if (i + 1 >= Count() || !IsTwinOf(quads_, Point(i + 1), Point(i)))
        return "splitting point " + std::to_string(i) + " crosses a seam without its twin";
      ++i;  // the twin
    }
    return {};
  }

  // A quad's entry in a per-quad map: not empty, and a quad of the grid.
  std::string CheckEntry(const MQuadIndex& quad, bool empty, const char* what) const {
    if (empty)
      return Name(quad) + ": empty " + what + " entry";
    if (!quads_.HasQuad(quad))
      return Name(quad) + " holds " + what + "s but is not in the grid";
    return {};
  }

  std::string CheckInnerLoops() const {
    for (const auto& [quad, loops] : innerLoops_) {
      std::string fault = CheckEntry(quad, loops.empty(), "inner loop");
      if (!fault.empty())
        return fault;
      for (const auto& loop : loops) {
        if (loop.points.empty())
          return Name(quad) + ": inner loop without points";
        if (loop.tags && loop.tags->size() != loop.points.size())
          return Name(quad) + ": inner loop with a tag count other than its point count";
      }
    }
    return {};
  }

  std::string CheckPart(const MQuadIndex& quad, const MLoopPart& part) const {
    const std::string name =
        Name(quad) + ", part " + std::to_string(part.start) + " -> " + std::to_string(part.end);
    if (part.start < 0 || part.start >= Count() || part.end < 0 || part.end >= Count())
      return name + ": splitting point index out of range";
    const MLoopSplittingPoint& start = Point(part.start);
    const MLoopSplittingPoint& end = Point(part.end);
    if (start.nextQuad != quad || !IsEdgeOfQuad(quads_, quad, start.pointOnEdge.edge))
      return name + ": does not enter its quad through one of its edges";
    if (end.previousQuad != quad || !IsEdgeOfQuad(quads_, quad, end.pointOnEdge.edge))
      return name + ": does not leave its quad through one of its edges";
    if (part.tags && part.tags->size() != part.points.size())
      return name + ": tag count other than its point count";
    return {};
  }

  std::string CheckParts() const {
    std::vector<bool> started(splittingPoints_.size(), false);
    for (const auto& [quad, parts] : loopParts_) {
      std::string fault = CheckEntry(quad, parts.empty(), "loop part");
      if (!fault.empty())
        return fault;
      for (const MLoopPart& part : parts) {
        fault = CheckPart(quad, part);
        if (!fault.empty())
          return fault;
        if (started[static_cast<std::size_t>(part.start)])
          return "two parts start at splitting point " + std::to_string(part.start);
        started[static_cast<std::size_t>(part.start)] = true;
      }
    }
    return {};
  }

  // Every part continues at the part starting where it ends (or, at a seam, where its twin
  // starts), and no part is continued twice: the parts form closed cycles.
  std::string CheckCycles() const {
    std::vector<bool> startsPart(splittingPoints_.size(), false);
    for (const auto& entry : loopParts_)
      for (const MLoopPart& part : entry.second)
        startsPart[static_cast<std::size_t>(part.start)] = true;
    std::vector<bool> continued(splittingPoints_.size(), false);
    for (const auto& entry : loopParts_) {
      for (const MLoopPart& part : entry.second) {
        int next = part.end;
        if (!startsPart[static_cast<std::size_t>(next)] && next + 1 < Count() &&
            quads_.IsEdgeOnPeriodicBorder(Point(next).pointOnEdge.edge) &&
            IsTwinOf(quads_, Point(next + 1), Point(next)))
          next = next + 1;
        if (!startsPart[static_cast<std::size_t>(next)])
          return "no part continues the loop at splitting point " + std::to_string(part.end);
        if (continued[static_cast<std::size_t>(next)])
          return "two parts continue at splitting point " + std::to_string(next);
        continued[static_cast<std::size_t>(next)] = true;
      }
    }
    return {};
  }

  const MQuads& quads_;
  const std::map<MQuadIndex, std::vector<MLoopsOnQuads::MInnerLoop>>& innerLoops_;
  const std::map<MQuadIndex, std::vector<MLoopPart>>& loopParts_;
  const std::vector<MLoopSplittingPoint>& splittingPoints_;
};

}  // namespace

bool MLoopsOnQuads::IsValid(const MQuads& quads, std::string* why) const {
  std::string fault = Checker(quads, innerLoops, loopParts, splittingPoints).Describe();
  if (fault.empty())
    return true;
  if (why != nullptr)
    *why = std::move(fault);
  return false;
}
