// Loops that run around a closed domain, along its border: such a loop bounds nothing on the
// grid and is set aside before the loops are distributed.
#include <algorithm>
#include <limits>
#include <map>
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "spatial/numeric_helpers.h"
#include "triangulator/MInternal.h"

namespace {

using MQuads = MCadTriangulator::MQuads;
using P3 = Oxlen::Math::point<double, 3>;

constexpr int kStartCandidates = 5;

// The loop point mapped onto the grid: the nearest point of the quad the projector gives.
class GridMapping {
 public:
  GridMapping(const MQuads& grid, const MCadTriangulator::MPointToQuadProjector& projector)
      : m_grid(grid), m_projector(projector) {}
  P3 operator()(const P3& x) const {
    P3 closest;
    m_grid.ComputeSquaredDistanceBetweenQuadAndPoint(m_projector.Project(x), x, &closest);
    return closest;
  }

 private:
  const MQuads& m_grid;
  const MCadTriangulator::MPointToQuadProjector& m_projector;
};

// The point of segment a -> b at the clamped projection parameter of x.
P3 PointTowards(const P3& a, const P3& b, const P3& x) {
  const double t = geometry::GetPointToSegmentProjectionParameter(x, geometry::MSegment{a, b});
  return a + (b - a) * t;
}

// Walks the loop and the border side by side, always advancing the one whose next step is
// shorter and keeping the other abreast; fails as soon as the two are farther apart than d.
bool WalkAlongBorder(const std::vector<P3>& loop, const GridMapping& f,
                     const std::vector<P3>& border, double d2) {
  P3 a = f(loop[0]);
  P3 b = border[0];
  std::size_t i = 1, j = 1;
  for (;;) {
    if (i == loop.size()) {
      if (j == border.size())
        return true;
      b = border[j++];
    } else if (j == border.size()) {
      a = f(loop[i++]);
    } else {
      const P3 next = f(loop[i]);
      if (squared_distance(next, a) < squared_distance(border[j], b)) {
        a = next;
        ++i;
        b = PointTowards(b, border[j], a);
      } else {
        b = border[j++];
        a = f(PointTowards(a, loop[i], b));
      }
    }
    if (squared_distance(a, b) > d2)
      return false;
  }
}

// Index of the loop point to start matching from: of five points spread over the loop by
// farthest-point sampling, the one with the fewest border vertices near it.
std::size_t ChooseStart(const std::vector<P3>& mapped, const std::vector<P3>& border, double d2) {
  std::vector<std::size_t> chosen{0};
  std::vector<double> nearest(mapped.size(), std::numeric_limits<double>::infinity());
  for (int k = 1; k < kStartCandidates; ++k) {
    const P3& last = mapped[chosen.back()];
    std::size_t farthest = 0;
    for (std::size_t i = 0; i < mapped.size(); ++i) {
      nearest[i] = std::min(nearest[i], squared_distance(mapped[i], last));
      if (nearest[i] > nearest[farthest])
        farthest = i;
    }
    chosen.push_back(farthest);
  }
  std::size_t best = chosen.front();
  std::size_t bestCount = std::numeric_limits<std::size_t>::max();
  for (std::size_t c : chosen) {
    const auto count =
        static_cast<std::size_t>(std::count_if(border.begin(), border.end(), [&](const P3& b) {
          return squared_distance(b, mapped[c]) < d2;
        }));
    if (count < bestCount) {
      bestCount = count;
      best = c;
    }
  }
  return best;
}

}  // namespace

std::vector<Oxlen::Math::point<double, 3>> MCadTriangulator::MInternal::ComposeDomainBorderLoop(
    const MQuads& grid) {
  // Along a closed direction the last isoline is the first one again: its vertices are taken as
  // those of isoline 0, and the seam edges are no border. The border of a grid closed in one
  // direction is then two cycles (one at each open end) instead of one rectangle running up and
  // down the seam, and a grid closed in both directions has no border at all.
  const bool closedU = grid.IsClosed(MQuads::EAxis::U);
  const bool closedV = grid.IsClosed(MQuads::EAxis::V);
  const int lastU = grid.GetIsolinesCount(MQuads::EAxis::U) - 1;
  const int lastV = grid.GetIsolinesCount(MQuads::EAxis::V) - 1;
  auto identify = [&](MQuads::MVertexIndex v) {
    if (closedU && v.u == lastU)
      v.u = 0;
    if (closedV && v.v == lastV)
      v.v = 0;
    return v;
  };
  std::map<MQuads::MVertexIndex, MQuads::MVertexIndex> next;
  for (int i = 0; i < grid.GetQuadsCount(MQuads::EAxis::U); ++i) {
    for (int j = 0; j < grid.GetQuadsCount(MQuads::EAxis::V); ++j) {
      const auto corners = grid.GetQuadVertices(MQuadIndex(i, j));
      for (int k = 0; k < 4; ++k) {
        const MQuads::MQuadEdge edge(corners[k], corners[(k + 1) % 4]);
        if (grid.IsEdgeOnBorder(edge) && !grid.IsEdgeOnPeriodicBorder(edge))
          next[identify(edge.start)] = identify(edge.end);
      }
    }
  }
  std::vector<P3> loop;
  if (next.empty())
    return loop;
  const MQuads::MVertexIndex start = next.begin()->first;
  MQuads::MVertexIndex current = start;
  do {
    loop.push_back(grid.GetVertex3d(current));
    const auto it = next.find(current);
    // A walk longer than the map has entered a cycle that does not pass its start.
    if (it == next.end() || loop.size() > next.size())
      throw std::logic_error("ComposeDomainBorderLoop: composed loop is not closed");
    current = it->second;
  } while (!(current == start));
  return loop;
}

bool MCadTriangulator::MInternal::IsLoopAroundDomain(const MQuads& grid, const MSegmentedLoop& loop,
                                                     const MPointToQuadProjector& projector,
                                                     double tolerance) {
  std::vector<P3> points;
  points.reserve(loop.points.size());
  for (const MPointOnLoop& p : loop.points)
    points.push_back(p.point);
  const std::vector<P3> border = ComposeDomainBorderLoop(grid);
  if (points.empty() || border.empty())
    return false;
  const GridMapping f(grid, projector);
  const double d = 2.0 * tolerance;
  const double d2 = d * d;

  std::vector<P3> mapped;
  mapped.reserve(points.size());
  for (const P3& p : points)
    mapped.push_back(f(p));
  const std::size_t s = ChooseStart(mapped, border, d2);

  const std::size_t n = border.size();
  for (std::size_t i = 0; i < n; ++i) {
    const P3& from = border[i];
    const P3& to = border[(i + 1) % n];
    if (geometry::detail::squared_distance_to_segment(mapped[s], from, to) > d2)
      continue;
    const P3 x = PointTowards(from, to, points[s]);
    std::vector<P3> rotatedLoop(points.begin() + static_cast<std::ptrdiff_t>(s), points.end());
    rotatedLoop.insert(rotatedLoop.end(), points.begin(),
                       points.begin() + static_cast<std::ptrdiff_t>(s));
    rotatedLoop.push_back(points[s]);
    std::vector<P3> rotatedBorder{x};
    for (std::size_t k = 1; k <= n; ++k)
      rotatedBorder.push_back(border[(i + k) % n]);
    rotatedBorder.push_back(x);
    if (WalkAlongBorder(rotatedLoop, f, rotatedBorder, d2))
      return true;
  }
  return false;
}
