// Loop distribution over a grid: time per loop point should not depend on the grid's size, only
// on the points and the quads the loops cross.
// - a plate [0, 1000]^2 with n round holes of radius 5 and 25 points each (n = 250, 1000, 4000) on
// a grid of
//   256 x 256 quads;
// - one loop of n points around a circle of radius 450 (n = 10^4, 10^5, 10^6) on the same grid;
// - the loop of 10^5 points on grids of 64^2, 256^2 and 1024^2 quads.
// Only AddLoop is timed (the grid and the projector are built once per benchmark); the counter
// ns/point is the time per loop point.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "Oxlen/Cad/Triangulation/MPointToQuadProjector.h"
#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/Math/matrix4x4.h"

namespace {

using MSegmentedLoop = MCadTriangulator::MSegmentedLoop;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using P2 = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;
constexpr double kSide = 1000.0;
constexpr double kPi = std::numbers::pi;

// The plane [0, 1000]^2 with a uniform grid of quads x quads, and a projector over it.
struct Plate {
  MCADUVPlane plane{MCADFrame(), 0.0, kSide, 0.0, kSide};
  MCadTriangulator::MAnalyticalSurface surface{plane, Oxlen::Math::matrix4x4<double>::identity()};
  std::unique_ptr<MCadTriangulator::MQuadrangulatedSurface> grid;
  std::unique_ptr<MCadTriangulator::MPointToQuadProjector> projector;

  explicit Plate(int quads) {
    std::vector<double> isolines;
    for (int k = 0; k <= quads; ++k)
      isolines.push_back(kSide * k / quads);
    grid = std::make_unique<MCadTriangulator::MQuadrangulatedSurface>(
        surface, MCadTriangulator::MSurfaceIsolines{isolines, isolines});
    projector = std::make_unique<MCadTriangulator::MPointToQuadProjector>(grid->quads, 1e-3);
  }
};

// A circle of n points with UV, counter-clockwise or clockwise.
MSegmentedLoop Circle(const MCadTriangulator::MAnalyticalSurface& surface, P2 centre, double radius,
                      int n, bool clockwise) {
  MSegmentedLoop loop;
  loop.points.reserve(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double angle = (clockwise ? -2.0 : 2.0) * kPi * k / n;
    const P2 uv(centre[0] + radius * std::cos(angle), centre[1] + radius * std::sin(angle));
    loop.points.emplace_back(surface.Evaluate(uv), uv);
  }
  return loop;
}

// Distributes copies of `loops` over the plate's grid, timing only AddLoop.
void Distribute(benchmark::State& state, Plate& plate, const std::vector<MSegmentedLoop>& loops) {
  std::size_t points = 0;
  for (const MSegmentedLoop& loop : loops)
    points += loop.points.size();
  for (auto _ : state) {
    state.PauseTiming();
    plate.grid->loops = MCadTriangulator::MLoopsOnQuads();
    std::vector<MSegmentedLoop> copies = loops;
    state.ResumeTiming();
    for (MSegmentedLoop& loop : copies)
      plate.grid->loops.AddLoop(plate.grid->quads, std::move(loop), *plate.projector);
  }
  state.counters["points"] = static_cast<double>(points);
  state.counters["crossings"] = static_cast<double>(plate.grid->loops.GetNumberOfSplittingPoints());
  // Inverted rate of points per iteration, scaled to nanoseconds per point.
  state.counters["ns/point"] = benchmark::Counter(
      static_cast<double>(points) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// range(0): number of holes.
void BM_PlateHoles(benchmark::State& state) {
  static Plate plate(256);
  const int holes = static_cast<int>(state.range(0));
  const int perRow = static_cast<int>(std::ceil(std::sqrt(holes)));
  const double pitch = kSide / perRow;
  std::vector<MSegmentedLoop> loops;
  for (int h = 0; h < holes; ++h)
    loops.push_back(Circle(plate.surface, {pitch * (h % perRow + 0.5), pitch * (h / perRow + 0.5)},
                           5.0, 25, /*clockwise=*/true));
  Distribute(state, plate, loops);
}
BENCHMARK(BM_PlateHoles)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

// range(0): points of the loop; range(1): quads per side of the grid.
void BM_LongLoop(benchmark::State& state) {
  Plate plate(static_cast<int>(state.range(1)));
  Distribute(
      state, plate,
      {Circle(plate.surface, {500.0, 500.0}, 450.0, static_cast<int>(state.range(0)), false)});
}
BENCHMARK(BM_LongLoop)
    ->Args({10000, 256})
    ->Args({100000, 256})
    ->Args({1000000, 256})
    ->Args({100000, 64})
    ->Args({100000, 1024})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
