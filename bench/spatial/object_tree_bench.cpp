// Build time of the object tree on one thread against all threads, and nearest-object queries
// against a linear scan.

#include <benchmark/benchmark.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/info.h>

#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "spatial/M3DObjectTree.h"

namespace {

using Box = Oxlen::Math::boundingbox<double, 3>;
using P3 = Oxlen::Math::point<double, 3>;
using Id = std::uint32_t;
using Accessor = MeshQueries::ObjectTreeDefaultAccessor<Id, Box>;
using Tree = MeshQueries::detail::M3DObjectTree<
    MeshQueries::detail::M3DObjectTreeParams<Id, double, 3, Accessor, std::vector<Id>>>;

double Uniform(std::mt19937_64& rng, double lo, double hi) {
  return lo + (hi - lo) * static_cast<double>(rng() >> 11) * 0x1.0p-53;
}

P3 RandomPoint(std::mt19937_64& rng) {
  return {Uniform(rng, 0, 1000), Uniform(rng, 0, 1000), Uniform(rng, 0, 1000)};
}

// Small boxes scattered in a cube, sized so that neighbours overlap a little, as the quads of a
// grid or the segments of a contour do.
const std::vector<Box>& Boxes(std::size_t n) {
  static std::vector<Box> boxes;
  if (boxes.size() != n) {
    std::mt19937_64 rng(n);
    const double size = 2000.0 / std::cbrt(static_cast<double>(n));
    boxes.resize(n);
    for (Box& box : boxes) {
      const P3 lo = RandomPoint(rng);
      box = Box(lo, lo + P3{Uniform(rng, 0, size), Uniform(rng, 0, size), Uniform(rng, 0, size)});
    }
  }
  return boxes;
}

void Build(Tree& tree, const std::vector<Box>& boxes, std::size_t leafSize) {
  std::vector<Id> ids(boxes.size());
  std::iota(ids.begin(), ids.end(), Id{0});
  tree.BuildTree(std::move(ids), Accessor([&boxes](const Id& id) { return boxes[id]; }),
                 Tree::TreeParams{leafSize});
}

void Report(benchmark::State& state, const Tree& tree) {
  const double n = static_cast<double>(tree.GetObjects().size());
  const double nodes = static_cast<double>(tree.GetNodeCount());
  state.counters["nodes"] = nodes;
  state.counters["depth"] = static_cast<double>(tree.GetMaxDepth());
  state.counters["bytes/object"] = (nodes * sizeof(Tree::Node) + n * sizeof(Id)) / n;
  const double reserved = static_cast<double>(tree.GetNodePool().GetChunkCount()) *
                          Tree::NodePool::blocksPerChunk * Tree::NodePool::blockSize *
                          sizeof(Tree::Node);
  state.counters["pool bytes/object"] = reserved / n;
}

// Arguments: object count, leaf size, threads (0: all).
void BM_BuildTree(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const auto leafSize = static_cast<std::size_t>(state.range(1));
  const auto threads = static_cast<std::size_t>(state.range(2));
  tbb::global_control limit(
      tbb::global_control::max_allowed_parallelism,
      threads == 0 ? static_cast<std::size_t>(tbb::info::default_concurrency()) : threads);
  const std::vector<Box>& boxes = Boxes(n);
  Tree tree;
  for (auto _ : state) {
    Build(tree, boxes, leafSize);
    benchmark::DoNotOptimize(tree.GetRoot());
  }
  Report(state, tree);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_BuildTree)
    ->ArgNames({"n", "leaf", "threads"})
    ->ArgsProduct({{1000, 100000, 1000000}, {4, 20}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

std::vector<P3> QueryPoints() {
  std::mt19937_64 rng(7);
  std::vector<P3> points(1024);
  for (P3& p : points)
    p = RandomPoint(rng);
  return points;
}

void BM_FindNearest(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<Box>& boxes = Boxes(n);
  Tree tree;
  Build(tree, boxes, static_cast<std::size_t>(state.range(1)));
  const std::vector<P3> points = QueryPoints();
  std::size_t q = 0;
  for (auto _ : state) {
    const P3& p = points[q++ % points.size()];
    benchmark::DoNotOptimize(
        tree.FindNearest(p, [&](const Id& id) { return boxes[id].squared_distance(p); }));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindNearest)->ArgNames({"n", "leaf"})->ArgsProduct({{1000, 100000}, {4, 20}});

void BM_NearestByScan(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<Box>& boxes = Boxes(n);
  const std::vector<P3> points = QueryPoints();
  std::size_t q = 0;
  for (auto _ : state) {
    const P3& p = points[q++ % points.size()];
    double best = std::numeric_limits<double>::infinity();
    std::size_t bestIndex = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const double d = boxes[i].squared_distance(p);
      if (d < best) {
        best = d;
        bestIndex = i;
      }
    }
    benchmark::DoNotOptimize(bestIndex);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NearestByScan)->ArgNames({"n"})->Arg(1000)->Arg(100000);

}  // namespace
