// The border post-processing of heavily trimmed planar faces, with and without the improvement
// flag (band width 2, corner distance the tolerance 0.01):
// - the plate 1000 x 1000 with 1000 round holes of radius 5 (a 40 x 25 lattice);
// - the disc-like face whose single loop is a serrated UV polyline of 100000 spans around a
//   circle of radius 450, meshed with an edge length limit of 2.
// The same faces as the triangulation benchmark, with one fin tag per fin. Reports the time per
// pass in milliseconds averaged over the iterations (the same passes, in the same order, as
// preprocess_triangulated_surface), the time the triangulation of the face took, and the mesh
// sizes before and after.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"
#include "avoid_long_triangles_on_border.h"
#include "benchmark_faces.h"
#include "clean_border_corners.h"
#include "flip_long_edges.h"
#include "repair_orientation.h"

namespace {

using Result = MCadTriangulator::triangulation_result;
using Clock = std::chrono::steady_clock;
constexpr double kTolerance = 0.01;
constexpr double kBandWidth = 2.0;
constexpr std::size_t kMaxQuads = 2000000;

// A face to post-process with its fin tags and triangulation settings.
struct TaggedFace {
  MCADFace face;
  std::vector<int> tags;
  double maxEdgeLength;
};

// The plate with 1000 round holes, one tag per fin.
TaggedFace PlateWithHoles() {
  const MCADFace face = benchmark_faces::PlateWithHoles();
  std::vector<int> tags(4 + 1000);
  for (std::size_t k = 0; k < tags.size(); ++k)
    tags[k] = static_cast<int>(k) + 1;
  return {face, tags, std::numeric_limits<double>::infinity()};
}

// One counter-clockwise fin through 100000 points alternately at radius 450 and 450.05, which
// keeps all its points.
TaggedFace LoopOf100000Points() {
  return {benchmark_faces::LongLoop(100000, true), {1}, 2.0};
}

double Milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// Milliseconds per pass, summed over the iterations.
struct PassTimes {
  double map = 0.0;
  double repair = 0.0;
  double flip = 0.0;
  double clean = 0.0;
  double band = 0.0;
};

// The passes of preprocess_triangulated_surface, timed one by one.
void RunPasses(Result& result, bool improve, PassTimes& times) {
  Clock::time_point start = Clock::now();
  const auto lap = [&start](double& total) {
    const Clock::time_point now = Clock::now();
    total += Milliseconds(start, now);
    start = now;
  };
  Oxlen::Geometry::vertex_triangles_map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  lap(times.map);
  if (!result.border_edges.empty())
    geometry::repair_orientation(result, map);
  lap(times.repair);
  if (improve)
    long_edges::flip_long_edges(result, map);
  lap(times.flip);
  geometry::clean_border_corners(result, map, kTolerance);
  lap(times.clean);
  if (improve)
    long_edges::avoid_long_triangles_on_border(result, map, kBandWidth);
  lap(times.band);
}

void PostProcess(benchmark::State& state, const TaggedFace& face) {
  const bool improve = state.range(1) == 1;
  const Clock::time_point start = Clock::now();
  const Result mesh = MCadTriangulator::Triangulate(face.face, face.tags, kTolerance,
                                                    face.maxEdgeLength, kMaxQuads, {});
  const double triangulation = Milliseconds(start, Clock::now());
  PassTimes times;
  std::size_t triangles = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Result result = mesh;
    state.ResumeTiming();
    RunPasses(result, improve, times);
    triangles = result.triangles.size();
    benchmark::DoNotOptimize(result.vertices.data());
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["triangulate_ms"] = triangulation;
  state.counters["triangles_in"] = static_cast<double>(mesh.triangles.size());
  state.counters["triangles_out"] = static_cast<double>(triangles);
  state.counters["border_edges"] = static_cast<double>(mesh.border_edges.size());
  state.counters["map_ms"] = times.map / n;
  state.counters["repair_ms"] = times.repair / n;
  state.counters["flip_ms"] = times.flip / n;
  state.counters["clean_ms"] = times.clean / n;
  state.counters["band_ms"] = times.band / n;
}

// range(0): 0 for the plate with 1000 holes, 1 for the loop of 100000 points; range(1): the
// improvement flag.
void BM_PreprocessTriangulatedSurface(benchmark::State& state) {
  static const TaggedFace plate = PlateWithHoles();
  static const TaggedFace loop = LoopOf100000Points();
  PostProcess(state, state.range(0) == 0 ? plate : loop);
}
BENCHMARK(BM_PreprocessTriangulatedSurface)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
