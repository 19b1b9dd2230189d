// Reading and mapping the test models, and meshing their faces one after the other, per model:
// the time per face of the import (and of the mapping alone, the file already read) and of the
// triangulation at 0.001 of the model's diagonal, with the time per face of each stage of the
// triangulation in microseconds.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "Oxlen/Cad/Import.h"
#include "Oxlen/Cad/Triangulation.h"
#include "import_shape.h"
#include "step_file.h"
#include "test_models.h"

namespace {

using Oxlen::Cad::MCadImport;
namespace fs = std::filesystem;

void Import(benchmark::State& state, const fs::path& file) {
  std::size_t faces = 0;
  for (auto _ : state) {
    const MCadImport::MModel model = MCadImport::Import(file);
    faces = model.faces.size();
    benchmark::DoNotOptimize(faces);
  }
  state.counters["faces"] = static_cast<double>(faces);
  state.counters["per_face"] =
      benchmark::Counter(static_cast<double>(faces), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

// The faces mapped from the shape Open CASCADE read: the importer's own share of the import.
void Map(benchmark::State& state, const fs::path& file) {
  const Oxlen::Cad::detail::MStepFile step = Oxlen::Cad::detail::ReadStepFile(file);
  std::size_t faces = 0;
  for (auto _ : state) {
    faces = Oxlen::Cad::detail::ImportShape(step.shape, step.faceNames).faces.size();
    benchmark::DoNotOptimize(faces);
  }
  state.counters["per_face"] =
      benchmark::Counter(static_cast<double>(faces), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void Triangulate(benchmark::State& state, const fs::path& file) {
  const MCadImport::MModel model = MCadImport::Import(file);
  const double tolerance = 0.001 * model.report.diagonal;
  std::size_t triangles = 0;
  MCadTriangulator::MStatistics sum;
  for (auto _ : state) {
    triangles = 0;
    for (const auto& face : model.faces) {
      MCadTriangulator::MStatistics stats;
      const auto mesh = MCadTriangulator::Triangulate(face.face, face.finTags, tolerance,
                                                      std::numeric_limits<double>::infinity(),
                                                      200000, {}, &stats);
      triangles += mesh.triangles.size();
      sum.initialGridSeconds += stats.initialGridSeconds;
      sum.refinementSeconds += stats.refinementSeconds;
      sum.assemblySeconds += stats.assemblySeconds;
      sum.mergeSeconds += stats.mergeSeconds;
    }
    benchmark::DoNotOptimize(triangles);
  }
  // The stages in microseconds per face.
  const double calls =
      static_cast<double>(state.iterations()) * static_cast<double>(model.faces.size());
  state.counters["grid_us"] = 1e6 * sum.initialGridSeconds / calls;
  state.counters["refine_us"] = 1e6 * sum.refinementSeconds / calls;
  state.counters["assembly_us"] = 1e6 * sum.assemblySeconds / calls;
  state.counters["merge_us"] = 1e6 * sum.mergeSeconds / calls;
  state.counters["faces"] = static_cast<double>(model.faces.size());
  state.counters["triangles"] = static_cast<double>(triangles);
  state.counters["per_face"] = benchmark::Counter(
      static_cast<double>(model.faces.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir =
      fs::temp_directory_path() / ("oxlen_import_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::vector<fs::path> files = Oxlen::ImportTesting::WriteTestModels(dir);
  for (const fs::path& file : files) {
    const std::string name = file.stem().string();
    benchmark::RegisterBenchmark(("Import/" + name).c_str(), Import, file)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Map/" + name).c_str(), Map, file)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("TriangulateFaces/" + name).c_str(), Triangulate, file)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(dir);
  return 0;
}
