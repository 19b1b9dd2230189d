// Shared by the triangulation benchmarks: runs Triangulate in the benchmark loop and reports the
// triangles, the final quads, triangles per second and the time per stage of the pipeline
// (initial grid, refinement, assembly, final merge) in milliseconds averaged over the iterations.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <optional>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/CadEntity/MCADFace.h"

namespace bench_triangulation {

inline void TriangulateAndReport(benchmark::State& state, const MCADFace& face, double tolerance,
                                 double maxEdgeLength, std::size_t maxQuads) {
  MCadTriangulator::MStatistics sum;
  std::size_t triangles = 0;
  for (auto _ : state) {
    MCadTriangulator::MStatistics stats;
    auto mesh = MCadTriangulator::Triangulate(face, std::nullopt, tolerance, maxEdgeLength,
                                              maxQuads, {}, &stats);
    triangles = mesh.triangles.size();
    benchmark::DoNotOptimize(mesh.vertices.data());
    sum.initialGridSeconds += stats.initialGridSeconds;
    sum.refinementSeconds += stats.refinementSeconds;
    sum.assemblySeconds += stats.assemblySeconds;
    sum.mergeSeconds += stats.mergeSeconds;
    sum.quads = stats.quads;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["triangles"] = static_cast<double>(triangles);
  state.counters["quads"] = static_cast<double>(sum.quads);
  state.counters["triangles/s"] =
      benchmark::Counter(static_cast<double>(triangles) * n, benchmark::Counter::kIsRate);
  state.counters["grid_ms"] = 1e3 * sum.initialGridSeconds / n;
  state.counters["refine_ms"] = 1e3 * sum.refinementSeconds / n;
  state.counters["assembly_ms"] = 1e3 * sum.assemblySeconds / n;
  state.counters["merge_ms"] = 1e3 * sum.mergeSeconds / n;
}

}  // namespace bench_triangulation
