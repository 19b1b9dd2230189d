// Loop density refinement: no quad may receive so many loop points that trimming it gets slow.
//
// The trimmer's work on a quad grows with the square of the loop points the quad receives. The
// size refinement looks at edge lengths only, so a single long, finely segmented loop on a face
// without an edge length limit can leave thousands of points in one quad. Halving the strips of
// the crowded quads spreads the points over more quads, until each holds at most a fixed number,
// the strips become too short to be worth splitting, or the quad budget is spent.
#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "spatial/numeric_helpers.h"
#include "triangulator/MInternal.h"

namespace {

using MQuads = MCadTriangulator::MQuads;

// Strips whose edges are all shorter than this many tolerances are not split: the points they
// hold lie too close together for finer quads to separate them.
constexpr double kMinimalStripLengthInTolerances = 10.0;

// Passes are bounded; each one halves the crowded strips, so 64 passes are never reached.
constexpr int kMaxPasses = 64;

// The number of loop points per quad, in quad order, for the quads that receive any.
std::vector<std::pair<MQuads::MQuadIndex, std::size_t>> CountPointsPerQuad(
    const MQuads& grid, const std::vector<MCadTriangulator::MSegmentedLoop>& loops,
    double tolerance) {
  std::vector<MQuads::MQuadIndex> quads =
      MCadTriangulator::MInternal::ProjectLoopPoints(grid, loops, tolerance);
  std::sort(quads.begin(), quads.end());
  std::vector<std::pair<MQuads::MQuadIndex, std::size_t>> counts;
  for (const MQuads::MQuadIndex& q : quads) {
    if (q == MQuads::kInvalidQuadIndex)
      continue;
    if (counts.empty() || counts.back().first != q)
      counts.emplace_back(q, 0);
    ++counts.back().second;
  }
  return counts;
}

// Whether strip `i` of `axis` is worth halving along quad `j` of the other axis: its parameter
// interval has a representable middle and one of the quad's two edges across it is long enough.
bool IsSplittable(const MQuads& grid, MQuads::EAxis axis, int i, int j, double minimalLength) {
  const std::vector<double>& isolines = grid.GetIsolines(axis);
  const double lower = isolines[static_cast<std::size_t>(i)];
  const double upper = isolines[static_cast<std::size_t>(i) + 1];
  const double mid = (lower + upper) * 0.5;
  if (!(lower < mid && mid < upper))
    return false;
  const bool isU = axis == MQuads::EAxis::U;
  for (int side = 0; side < 2; ++side) {
    const MQuads::MVertexIndex a =
        isU ? MQuads::MVertexIndex(i, j + side) : MQuads::MVertexIndex(j + side, i);
    const MQuads::MVertexIndex b =
        isU ? MQuads::MVertexIndex(i + 1, j + side) : MQuads::MVertexIndex(j + side, i + 1);
    if (geometry::detail::overflow_safe_distance(grid.GetVertex3d(a), grid.GetVertex3d(b)) >
        minimalLength)
      return true;
  }
  return false;
}

// Halves the given strips of `axis` (their middles taken before any insertion), while the grid
// holds fewer than `maxQuads` quads. Returns whether an isoline was inserted.
bool HalveStrips(MQuads& grid, MQuads::EAxis axis, const std::set<int>& strips,
                 std::size_t maxQuads) {
  std::vector<double> middles;
  const std::vector<double>& isolines = grid.GetIsolines(axis);
  for (int i : strips)
    middles.push_back(
        (isolines[static_cast<std::size_t>(i)] + isolines[static_cast<std::size_t>(i) + 1]) * 0.5);
  bool inserted = false;
  for (double mid : middles) {
    if (grid.GetQuadsCount() >= maxQuads)
      break;
    grid.InsertIsoline(axis, mid);
    inserted = true;
  }
  return inserted;
}

}  // namespace

void MCadTriangulator::MInternal::RefineByLoopDensity(MQuads& grid,
                                                      const std::vector<MSegmentedLoop>& loops,
                                                      double tolerance, std::size_t maxQuads) {
  std::size_t total = 0;
  for (const MSegmentedLoop& loop : loops)
    total += loop.points.size();
  if (total <= kMaxLoopPointsPerQuad)
    return;  // no quad can be crowded: spare the projection
  const double minimalLength = kMinimalStripLengthInTolerances * tolerance;
  for (int pass = 0; pass < kMaxPasses && grid.GetQuadsCount() < maxQuads; ++pass) {
    std::set<int> uStrips;
    std::set<int> vStrips;
    for (const auto& [quad, count] : CountPointsPerQuad(grid, loops, tolerance)) {
      if (count <= kMaxLoopPointsPerQuad)
        continue;
      if (IsSplittable(grid, MQuads::EAxis::U, quad.u, quad.v, minimalLength))
        uStrips.insert(quad.u);
      if (IsSplittable(grid, MQuads::EAxis::V, quad.v, quad.u, minimalLength))
        vStrips.insert(quad.v);
    }
    const bool insertedU = HalveStrips(grid, MQuads::EAxis::U, uStrips, maxQuads);
    const bool insertedV = HalveStrips(grid, MQuads::EAxis::V, vStrips, maxQuads);
    if (!insertedU && !insertedV)
      return;
  }
}
