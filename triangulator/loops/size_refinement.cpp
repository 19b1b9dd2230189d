// Size refinement: within the UV region the loops touch, no grid edge crossing a strip may be
// longer than the size limit.
#include <algorithm>
#include <cmath>
#include <limits>

#include "spatial/numeric_helpers.h"
#include "triangulator/MInternal.h"

namespace {

using MQuads = MCadTriangulator::MQuads;
using P3 = Oxlen::Math::point<double, 3>;
using Box = std::array<double, 4>;  // minimal U, minimal V, maximal U, maximal V

constexpr std::size_t kMinimalLoopsForSpacing = 20;

MQuads::EAxis Other(MQuads::EAxis axis) {
  return axis == MQuads::EAxis::U ? MQuads::EAxis::V : MQuads::EAxis::U;
}

// Squared distance from each centroid to its nearest other one, by a sweep over the centroids
// sorted along X that stops once the X gap alone exceeds the best distance found.
std::vector<double> NearestSquaredDistances(std::vector<P3> centroids) {
  std::sort(centroids.begin(), centroids.end(),
            [](const P3& a, const P3& b) { return a[0] < b[0]; });
  const std::size_t n = centroids.size();
  std::vector<double> result(n, std::numeric_limits<double>::infinity());
  for (std::size_t i = 0; i < n; ++i) {
    double& best = result[i];
    for (std::size_t j = i + 1; j < n; ++j) {
      const double dx = centroids[j][0] - centroids[i][0];
      if (dx * dx > best)
        break;
      best = std::min(best, squared_distance(centroids[i], centroids[j]));
    }
    for (std::size_t j = i; j-- > 0;) {
      const double dx = centroids[i][0] - centroids[j][0];
      if (dx * dx > best)
        break;
      best = std::min(best, squared_distance(centroids[i], centroids[j]));
    }
  }
  return result;
}

}  // namespace

double MCadTriangulator::MInternal::GetLoopSpacing(const std::vector<MSegmentedLoop>& loops) {
  constexpr double kNone = std::numeric_limits<double>::infinity();
  if (loops.size() < kMinimalLoopsForSpacing)
    return kNone;
  std::vector<P3> centroids;
  for (const MSegmentedLoop& loop : loops) {
    if (loop.points.size() < 2)
      continue;
    P3 sum;
    for (const MPointOnLoop& p : loop.points)
      sum += p.point;
    centroids.push_back(sum / static_cast<double>(loop.points.size()));
  }
  if (centroids.size() < 3)
    return kNone;
  std::vector<double> nearest = NearestSquaredDistances(std::move(centroids));
  const auto median = nearest.begin() + static_cast<std::ptrdiff_t>(nearest.size() / 2);
  std::nth_element(nearest.begin(), median, nearest.end());
  return std::sqrt(*median);
}

std::vector<MQuads::MQuadIndex> MCadTriangulator::MInternal::ProjectLoopPoints(
    const MQuads& grid, const std::vector<MSegmentedLoop>& loops, double tolerance) {
  std::vector<MQuads::MQuadIndex> quads;
  const bool anyPoint = std::any_of(
      loops.begin(), loops.end(), [](const MSegmentedLoop& loop) { return !loop.points.empty(); });
  if (!anyPoint)
    return quads;  // no need to build a projector to find nothing
  const MPointToQuadProjector projector(grid, tolerance);
  const bool allUV = std::all_of(loops.begin(), loops.end(), [](const MSegmentedLoop& loop) {
    return std::all_of(loop.points.begin(), loop.points.end(),
                       [](const MPointOnLoop& p) { return p.uv.has_value(); });
  });
  for (const MSegmentedLoop& loop : loops)
    for (const MPointOnLoop& p : loop.points)
      quads.push_back(allUV ? projector.Project(p) : projector.Project(p.point));
  return quads;
}

std::array<double, 4> MCadTriangulator::MInternal::GetLoopsUVBox(
    const MQuads& grid, const std::vector<MSegmentedLoop>& loops, double tolerance) {
  constexpr double kLargest = std::numeric_limits<double>::max();
  Box box{kLargest, kLargest, -kLargest, -kLargest};
  for (const MQuads::MQuadIndex& q : ProjectLoopPoints(grid, loops, tolerance)) {
    for (const MQuads::MVertexIndex corner :
         {MQuads::MVertexIndex(q.u, q.v), MQuads::MVertexIndex(q.u + 1, q.v + 1)}) {
      const auto uv = grid.GetVertexUV(corner);
      box[0] = std::min(box[0], uv[0]);
      box[1] = std::min(box[1], uv[1]);
      box[2] = std::max(box[2], uv[0]);
      box[3] = std::max(box[3], uv[1]);
    }
  }
  return box;
}

double MCadTriangulator::MInternal::GetStripLength(const MQuads& grid, MQuads::EAxis axis, int i,
                                                   const Box& box) {
  const int own = axis == MQuads::EAxis::U ? 0 : 1;
  const int other = 1 - own;
  const std::vector<double>& isolines = grid.GetIsolines(axis);
  const double lower = isolines[static_cast<std::size_t>(i)];
  const double upper = isolines[static_cast<std::size_t>(i) + 1];
  if (lower > box[own + 2] || box[own] > upper)
    return 0.0;
  const std::vector<double>& across = grid.GetIsolines(Other(axis));
  double longest = 0.0;
  for (std::size_t k = 0; k < across.size(); ++k) {
    if (across[k] < box[other] || across[k] > box[other + 2])
      continue;
    const int kk = static_cast<int>(k);
    const MQuads::MVertexIndex a =
        own == 0 ? MQuads::MVertexIndex(i, kk) : MQuads::MVertexIndex(kk, i);
    const MQuads::MVertexIndex b =
        own == 0 ? MQuads::MVertexIndex(i + 1, kk) : MQuads::MVertexIndex(kk, i + 1);
    longest = std::max(longest, geometry::detail::overflow_safe_distance(grid.GetVertex3d(a),
                                                                         grid.GetVertex3d(b)));
  }
  return longest;
}

std::size_t MCadTriangulator::MInternal::EstimateQuadsCount(const MQuads& grid, double sizeLimit,
                                                            const Box& box) {
  // Counted in doubles: a tiny size limit makes the count overflow any integer type, and the
  // caller only compares it with the quad budget.
  double product = 1.0;
  for (MQuads::EAxis axis : {MQuads::EAxis::U, MQuads::EAxis::V}) {
    const int count = grid.GetIsolinesCount(axis);
    if (count < 2)
      return 0;
    double sum = 0.0;
    for (int i = 0; i + 1 < count; ++i)
      sum += std::floor(GetStripLength(grid, axis, i, box) / sizeLimit) + 1.0;
    product *= sum;
  }
  constexpr double kSaturation = static_cast<double>(std::numeric_limits<std::size_t>::max());
  if (!(product < kSaturation))
    return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(product);
}

void MCadTriangulator::MInternal::RefineBySize(MQuads& grid, double sizeLimit, const Box& box,
                                               std::size_t maxQuads) {
  bool changed = true;
  while (changed) {
    changed = false;
    for (MQuads::EAxis axis : {MQuads::EAxis::U, MQuads::EAxis::V}) {
      if (grid.GetIsolinesCount(axis) < 2)
        continue;
      for (int i = 0; i + 1 < grid.GetIsolinesCount(axis);) {
        if (grid.GetQuadsCount() >= maxQuads)
          break;
        const std::vector<double>& isolines = grid.GetIsolines(axis);
        const double mid =
            (isolines[static_cast<std::size_t>(i)] + isolines[static_cast<std::size_t>(i) + 1]) *
            0.5;
        if (sizeLimit >= GetStripLength(grid, axis, i, box)) {
          ++i;
        } else {
          grid.InsertIsoline(axis, mid);
          changed = true;
        }
      }
    }
  }
}
