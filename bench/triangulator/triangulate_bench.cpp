// Triangulates each face of the default model at tolerances from coarse to fine. Reports
// triangles per second and the time per stage of the pipeline (initial grid, refinement,
// assembly, final merge), averaged over the iterations, in milliseconds.
#include <benchmark/benchmark.h>

#include <limits>
#include <vector>

#include "default_model.h"
#include "triangulate_and_report.h"

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
  state.SetLabel(face.name);
  bench_triangulation::TriangulateAndReport(state, face.face, tolerance,
                                            std::numeric_limits<double>::infinity(), 2000000);
}

void FacesAndTolerances(benchmark::internal::Benchmark* b) {
  for (int face = 0; face < static_cast<int>(Model().size()); ++face)
    for (int k : {1, 2, 3})
      b->Args({face, k});
}

BENCHMARK(BM_Triangulate)->Apply(FacesAndTolerances)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
