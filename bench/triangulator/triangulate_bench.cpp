// Triangulates each face of the default model at tolerances from coarse to fine. Reports
// triangles per second and the time per stage of the pipeline (initial grid, refinement,
// assembly, final merge), averaged over the iterations, in milliseconds.
#include <benchmark/benchmark.h>

#include <limits>
#include <string>
#include <vector>

#include "default_model.h"

namespace {

const std::vector<oxlen_mesh::NamedFace>& Model() {
  static const std::vector<oxlen_mesh::NamedFace> model = oxlen_mesh::BuildDefaultModel();
  return model;
}

// range(0): face index; range(1): tolerance exponent k, tolerance = 10^-k.
void BM_Triangulate(benchmark::State& state) {
  const oxlen_mesh::NamedFace& face = Model()[static_cast<std::size_t>(state.range(0))];
  double tolerance = 1.0;
  for (int k = 0; k < state.range(1); ++k)
    tolerance /= 10.0;
  MCadTriangulator::MStatistics sum;
  std::size_t triangles = 0;
  for (auto _ : state) {
    MCadTriangulator::MStatistics stats;
    auto mesh =
        MCadTriangulator::Triangulate(face.face, std::nullopt, tolerance,
                                      std::numeric_limits<double>::infinity(), 2000000, {}, &stats);
    triangles = mesh.triangles.size();
    benchmark::DoNotOptimize(mesh.vertices.data());
    sum.initialGridSeconds += stats.initialGridSeconds;
    sum.refinementSeconds += stats.refinementSeconds;
    sum.assemblySeconds += stats.assemblySeconds;
    sum.mergeSeconds += stats.mergeSeconds;
    sum.quads = stats.quads;
  }
  const double n = static_cast<double>(state.iterations());
  state.SetLabel(face.name);
  state.counters["triangles"] = static_cast<double>(triangles);
  state.counters["quads"] = static_cast<double>(sum.quads);
  state.counters["triangles/s"] =
      benchmark::Counter(static_cast<double>(triangles) * n, benchmark::Counter::kIsRate);
  state.counters["grid_ms"] = 1e3 * sum.initialGridSeconds / n;
  state.counters["refine_ms"] = 1e3 * sum.refinementSeconds / n;
  state.counters["assembly_ms"] = 1e3 * sum.assemblySeconds / n;
  state.counters["merge_ms"] = 1e3 * sum.mergeSeconds / n;
}

void FacesAndTolerances(benchmark::internal::Benchmark* b) {
  for (int face = 0; face < static_cast<int>(Model().size()); ++face)
    for (int k : {1, 2, 3})
      b->Args({face, k});
}

BENCHMARK(BM_Triangulate)->Apply(FacesAndTolerances)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
