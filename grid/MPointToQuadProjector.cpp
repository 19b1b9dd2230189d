#include "Oxlen/Cad/Triangulation/MPointToQuadProjector.h"

#include <oneapi/tbb/task_arena.h>

#include <cmath>
#include <vector>

#include "spatial/M3DObjectTree.h"

namespace {

using MQuads = MCadTriangulator::MQuads;
using MQuadIndex = MQuads::MQuadIndex;
using Box = Oxlen::Math::boundingbox<double, 3>;
using Accessor = MeshQueries::ObjectTreeDefaultAccessor<MQuadIndex, Box>;
using QuadTree = MeshQueries::detail::M3DObjectTree<MeshQueries::detail::M3DObjectTreeParams<
    MQuadIndex, double, 3, Accessor, std::vector<MQuadIndex>>>;

// Leaves of at most this many quads.
constexpr std::size_t kLeafSize = 20;

// The index of the quad row (or column) holding `value` along an axis: the largest i in
// [0, count - 2] whose isoline lies strictly below the value, 0 when there is none.
int LocateOnAxis(const std::vector<double>& isolines, double value) {
  int lo = 0;
  int hi = static_cast<int>(isolines.size()) - 2;
  if (hi <= 0)
    return 0;
  while (lo < hi) {
    const int mid = lo + (hi - lo + 1) / 2;
    if (value > isolines[static_cast<std::size_t>(mid)])
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

}  // namespace

class MCadTriangulator::MPointToQuadProjector::MTree : public QuadTree {};

Box MCadTriangulator::MPointToQuadProjector::MBoundingBoxCalculator::operator()(
    const MQuadIndex& quad) const {
  Box box;
  for (const MQuads::MVertexIndex& corner : grid_->GetQuadVertices(quad))
    box.extend(grid_->GetVertex3d(corner));
  for (int k = 0; k < 3; ++k) {
    box.minimum[k] -= tolerance_;
    box.maximum[k] += tolerance_;
  }
  return box;
}

MCadTriangulator::MPointToQuadProjector::MPointToQuadProjector(const MQuads& grid, double tolerance)
    : grid_(grid), tree_(std::make_unique<MTree>()) {
  const int quadsU = grid.GetQuadsCount(MQuads::EAxis::U);
  const int quadsV = grid.GetQuadsCount(MQuads::EAxis::V);
  const std::size_t count = static_cast<std::size_t>(quadsU) * static_cast<std::size_t>(quadsV);
  const auto build = [&] {
    std::vector<MQuadIndex> quads;
    quads.reserve(count);
    for (int u = 0; u < quadsU; ++u)
      for (int v = 0; v < quadsV; ++v)
        quads.emplace_back(u, v);
    tree_->BuildTree(std::move(quads), Accessor(MBoundingBoxCalculator(grid, tolerance)),
                     QuadTree::TreeParams{kLeafSize});
  };
  // A small grid's tree is built on this thread without tasks. A larger one is built in a
  // single-slot arena, which keeps the whole build, the tree's parallel loops included, on this
  // thread and apart from any parallel work the caller takes part in.
  if (count < QuadTree::parallelThreshold) {
    build();
    return;
  }
  tbb::task_arena arena(1, 1, tbb::task_arena::priority::normal);
  arena.execute(build);
  arena.terminate();
}

MCadTriangulator::MPointToQuadProjector::~MPointToQuadProjector() = default;

MCadTriangulator::MQuads::MQuadIndex MCadTriangulator::MPointToQuadProjector::Project(
    const Oxlen::Math::point<double, 3>& p) const {
  const MQuadIndex* nearest = tree_->FindNearest(p, [&](const MQuadIndex& quad) {
    return grid_.ComputeSquaredDistanceBetweenQuadAndPoint(quad, p, nullptr);
  });
  return nearest ? *nearest : MQuads::kInvalidQuadIndex;
}

MCadTriangulator::MQuads::MQuadIndex MCadTriangulator::MPointToQuadProjector::Project(
    const MPointOnLoop& p) const {
  if (p.uv) {
    const int nU = grid_.GetIsolinesCount(MQuads::EAxis::U);
    const int nV = grid_.GetIsolinesCount(MQuads::EAxis::V);
    if (nU > 0 && nV > 0) {
      const auto lo = grid_.GetVertexUV(MQuads::MVertexIndex(0, 0));
      const auto hi = grid_.GetVertexUV(MQuads::MVertexIndex(nU - 1, nV - 1));
      const double u = (*p.uv)[0], v = (*p.uv)[1];
      if (lo[0] <= u && u <= hi[0] && lo[1] <= v && v <= hi[1])
        return MQuadIndex(LocateOnAxis(grid_.GetIsolines(MQuads::EAxis::U), u),
                          LocateOnAxis(grid_.GetIsolines(MQuads::EAxis::V), v));
    }
  }
  return Project(p.point);
}
