// Point inversion onto a free-form surface, as a mesh's deviation is measured: a thousand points
// near a bicubic rational patch of 6 x 6 knot spans, inverted one call each and all in one call
// (which samples every patch once for all the points). Counter: time per point.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/internal_units.h"

namespace {

using P2 = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;
using Oxlen::CadEntity::kInternalUnitsPerModelUnit;

constexpr int kPoints = 1024;
// Inversion as the deviation measurement asks for it: far below any mesh tolerance.
constexpr double kTolerance = 1e-9 * kInternalUnitsPerModelUnit;

// A wavy bicubic patch 90 x 90 model units with weights between 0.8 and 1.25.
MCADUVNurbsSurface WavyPatch() {
  constexpr int kCount = 9;  // control points per direction: 6 spans of a cubic
  const std::vector<double> knots = {0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 6, 6, 6};
  std::vector<P3> points;
  std::vector<double> weights;
  for (int i = 0; i < kCount; ++i) {
    for (int j = 0; j < kCount; ++j) {
      points.emplace_back(10.0 * i, 10.0 * j, 6.0 * std::sin(0.9 * i) * std::cos(0.7 * j));
      weights.push_back(1.0 + 0.25 * std::sin(1.3 * i + 0.4 * j));
    }
  }
  return MCADUVNurbsSurface(
      M3dNurbsSurface(4, 4, kCount, kCount, knots, knots, std::move(points), std::move(weights)));
}

// Points a little off the surface, as the centroids and edge midpoints of a mesh lie.
std::vector<P3> NearbyPoints(const MCADUVSurface& surface) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> uv(0.0, 6.0);
  std::uniform_real_distribution<double> off(-0.05, 0.05);
  std::vector<P3> points;
  for (int k = 0; k < kPoints; ++k) {
    P3 p;
    surface.EvaluatePoint(P2(uv(rng), uv(rng)), p);
    points.push_back(p + P3(off(rng), off(rng), off(rng)) * kInternalUnitsPerModelUnit);
  }
  return points;
}

void BM_InvertOneByOne(benchmark::State& state) {
  const MCADUVNurbsSurface surface = WavyPatch();
  const std::vector<P3> points = NearbyPoints(surface);
  for (auto _ : state)
    for (const P3& p : points)
      benchmark::DoNotOptimize(surface.InvertPoint(p, kTolerance));
  state.counters["per_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_InvertOneByOne)->Unit(benchmark::kMillisecond);

void BM_InvertAllAtOnce(benchmark::State& state) {
  const MCADUVNurbsSurface surface = WavyPatch();
  const std::vector<P3> points = NearbyPoints(surface);
  for (auto _ : state)
    benchmark::DoNotOptimize(surface.InvertPoints(points, kTolerance));
  state.counters["per_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_InvertAllAtOnce)->Unit(benchmark::kMillisecond);

}  // namespace
