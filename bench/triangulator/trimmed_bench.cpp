// Triangulation of heavily trimmed planar faces:
// - a plate 1000 x 1000 with 1000 round holes of radius 5 (a 40 x 25 lattice), at chordal
//   tolerances 0.1 and 0.01: many small loops, each crossing a few quads;
// - a disc-like face whose single loop is one UV polyline (an order-2 NURBS curve) of 100000
//   spans around a circle of radius 450: serrated, so that all 100000 points stay in the loop,
//   and smooth, so that the segmenter thins them.
// - the plate [0, 100] x [0, 60] with one hole of radius 10 meshed with a quad budget of 0 (the
//   initial grid of two quads receives every loop point): round at tolerances 1e-5 to 1e-8, and
//   a polygon of 100000 straight fins at 0.01 (also with a budget of 200000).
// Reports the time per stage of the pipeline (initial grid, refinement, assembly, final merge)
// in milliseconds averaged over the iterations, the triangles, quads and loop points, and
// triangles per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/Cad/Triangulation/MSurfaceIsolines.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "benchmark_faces.h"
#include "triangulate_and_report.h"

namespace {

using UV = Oxlen::Math::point<double, 2>;
constexpr double kPi = std::numbers::pi;
constexpr double kSide = 1000.0;
constexpr std::size_t kMaxQuads = 2000000;
constexpr double kLongLoopEdgeLength = 2.0;

using benchmark_faces::LongLoop;
using benchmark_faces::PlateWithHoles;

// The number of points the segmenter makes of all loops of a face at a tolerance, on a grid of
// just the face's border isolines (the triangulation refines the grid and may add a few more
// where the loops cross its isolines).
std::size_t LoopPoints(const MCADFace& face, double tolerance) {
  MCadTriangulator::MSurfaceIsolines isolines;
  isolines.u = {0.0, kSide};
  isolines.v = {0.0, kSide};
  const Oxlen::Math::boundingbox<double, 3> box(Oxlen::Math::point<double, 3>(0.0, 0.0, 0.0),
                                                Oxlen::Math::point<double, 3>(kSide, kSide, 0.0));
  std::size_t points = 0;
  for (const auto& loop : face.Loops())
    points += MCadTriangulator::MLoopSegmenter::SegmentLoop(
                  *loop, std::nullopt, Oxlen::Math::matrix4x4<double>::identity(), tolerance,
                  isolines, box)
                  .points.size();
  return points;
}

void Triangulate(benchmark::State& state, const MCADFace& face, double tolerance,
                 double maxEdgeLength) {
  bench_triangulation::TriangulateAndReport(state, face, tolerance, maxEdgeLength, kMaxQuads);
  state.counters["loop_points"] = static_cast<double>(LoopPoints(face, tolerance));
}

// range(0): tolerance exponent k, tolerance = 10^-k.
void BM_PlateWith1000Holes(benchmark::State& state) {
  static const MCADFace face = PlateWithHoles();
  // 1001 loops: their spacing sets the size of the grid near them, without an edge length limit.
  Triangulate(state, face, state.range(0) == 1 ? 0.1 : 0.01,
              std::numeric_limits<double>::infinity());
}
BENCHMARK(BM_PlateWith1000Holes)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// range(0): 1 for the serrated loop that keeps its 100000 points, 0 for the smooth one that the
// segmenter thins (which times the thinning of 100000 sample parameters).
// range(1): 1 for an edge length limit of 2, 0 for none. With the limit the size refinement
// makes the quads small; without it a single loop gives the grid no size, and only the loop
// density refinement keeps the points a quad receives (and so the trimming work) bounded.
void BM_LoopOf100000Points(benchmark::State& state) {
  static const MCADFace serrated = LongLoop(100000, true);
  static const MCADFace smooth = LongLoop(100000, false);
  Triangulate(state, state.range(0) == 1 ? serrated : smooth, 0.01,
              state.range(1) == 1 ? kLongLoopEdgeLength : std::numeric_limits<double>::infinity());
}
BENCHMARK(BM_LoopOf100000Points)
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond);

// The plate [0, 100] x [0, 60] bounded by its domain with one clockwise hole of radius 10 around
// (50, 30): a circle, or a regular polygon of `fins` straight fins.
MCADFace PlateWithOneHole(int fins) {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 60.0);
  MCADLoopBuilder hole(plane);
  if (fins == 0) {
    hole.Circle({50.0, 30.0}, 10.0, /*clockwise=*/true);
  } else {
    std::vector<UV> corners;
    for (int k = 0; k < fins; ++k) {
      const double angle = -2.0 * kPi * k / fins;
      corners.emplace_back(50.0 + 10.0 * std::cos(angle), 30.0 + 10.0 * std::sin(angle));
    }
    hole.Polygon(corners);
  }
  return MCADFaceBuilder(plane).OuterBoundary().Loop(hole.Build()).Build();
}

// range(0): tolerance exponent k, tolerance = 10^-k; the round hole with a quad budget of 0.
void BM_RoundHoleBudgetZero(benchmark::State& state) {
  static const MCADFace face = PlateWithOneHole(0);
  bench_triangulation::TriangulateAndReport(state, face, std::pow(10.0, -state.range(0)),
                                            std::numeric_limits<double>::infinity(), 0);
}
BENCHMARK(BM_RoundHoleBudgetZero)->DenseRange(5, 8)->Unit(benchmark::kMillisecond);

// range(0): the quad budget; the hole of 100000 fins at tolerance 0.01.
void BM_PolygonHoleOf100000Fins(benchmark::State& state) {
  static const MCADFace face = PlateWithOneHole(100000);
  bench_triangulation::TriangulateAndReport(state, face, 0.01,
                                            std::numeric_limits<double>::infinity(),
                                            static_cast<std::size_t>(state.range(0)));
}
BENCHMARK(BM_PolygonHoleOf100000Fins)->Arg(0)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
