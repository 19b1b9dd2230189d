// Segmentation of trimming loops: a polygon of 1000 straight UV fins on a plane, given in loop
// order and scrambled (so that the fin ordering has to find the chain), the ordering alone, and
// one UV NURBS fin of order 12 with many spans on a cylinder. Reports loop points per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"

namespace {

using MLoopSegmenter = MCadTriangulator::MLoopSegmenter;
using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = Oxlen::Math::point<double, 3>;
using Box = Oxlen::Math::boundingbox<double, 3>;
constexpr double kPi = std::numbers::pi;
constexpr int kFins = 1000;
constexpr double kTolerance = 0.01;

MCadTriangulator::MSurfaceIsolines Isolines(double lo, double hi, int steps) {
  MCadTriangulator::MSurfaceIsolines isolines;
  for (int k = 0; k <= steps; ++k) {
    isolines.u.push_back(lo + (hi - lo) * k / steps);
    isolines.v.push_back(lo + (hi - lo) * k / steps);
  }
  return isolines;
}

// A regular polygon of kFins sides around (50, 50) on the plane [0, 100]^2. Scrambled: the fins
// after the first are shuffled and about a third of them stored against the loop.
std::shared_ptr<MCADLoop> Polygon(bool scrambled) {
  MCADLoopBuilder builder(std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 100.0));
  std::vector<int> sides(kFins);
  for (int k = 0; k < kFins; ++k)
    sides[k] = k;
  std::mt19937_64 random(1);
  if (scrambled)
    std::shuffle(sides.begin() + 1, sides.end(), random);
  for (int side : sides) {
    const double a = 2 * kPi * side / kFins, b = 2 * kPi * (side + 1) / kFins;
    const Point2 from(50 + 40 * std::cos(a), 50 + 40 * std::sin(a));
    const Point2 to(50 + 40 * std::cos(b), 50 + 40 * std::sin(b));
    const bool against = scrambled && side != 0 && random() % 3 == 0;
    builder.Curve(std::make_shared<MCAD2DLineSegment>(against ? to : from, against ? from : to));
  }
  return builder.Build();
}

void SegmentPolygon(benchmark::State& state, bool scrambled) {
  const auto loop = Polygon(scrambled);
  const auto isolines = Isolines(0.0, 100.0, 20);
  const Box box(Point3(0, 0, 0), Point3(100, 100, 0));
  const std::vector<int> tags(kFins, 1);
  std::size_t points = 0;
  for (auto _ : state) {
    const auto segmented = MLoopSegmenter::SegmentLoop(
        *loop, tags, Oxlen::Math::matrix4x4<double>::identity(), kTolerance, isolines, box);
    points = segmented.points.size();
    benchmark::DoNotOptimize(segmented.points.data());
  }
  state.counters["points"] = static_cast<double>(points);
  state.counters["points/s"] =
      benchmark::Counter(static_cast<double>(points) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_SegmentPolygonInOrder(benchmark::State& state) {
  SegmentPolygon(state, false);
}
void BM_SegmentPolygonScrambled(benchmark::State& state) {
  SegmentPolygon(state, true);
}

// The ordering alone on the scrambled polygon's fin lists.
void BM_OrderScrambledFins(benchmark::State& state) {
  const auto loop = Polygon(true);
  const auto isolines = Isolines(0.0, 100.0, 20);
  const Box box(Point3(0, 0, 0), Point3(100, 100, 0));
  std::vector<MLoopSegmenter::MFinPoints> given;
  for (const MCADFin& fin : loop->Fins())
    given.push_back(MLoopSegmenter::SegmentFin(fin, Oxlen::Math::matrix4x4<double>::identity(),
                                               kTolerance, isolines, box));
  for (auto _ : state) {
    state.PauseTiming();
    auto fins = given;
    std::optional<std::vector<int>> tags = std::vector<int>(kFins, 1);
    state.ResumeTiming();
    MLoopSegmenter::OrderFins(fins, tags, kTolerance);
    benchmark::DoNotOptimize(fins.data());
  }
}

// One UV NURBS fin of order 12 with `spans` spans winding over a cylinder of radius 20.
void BM_SegmentHighDegreeFin(benchmark::State& state) {
  const int spans = static_cast<int>(state.range(0));
  const int order = 12;
  const int count = spans + order - 1;
  std::vector<double> knots(order, 0.0);
  for (int k = 1; k < spans; ++k)
    knots.push_back(static_cast<double>(k) / spans);
  knots.insert(knots.end(), order, 1.0);
  std::vector<Point2> poles;
  for (int k = 0; k < count; ++k) {
    const double s = static_cast<double>(k) / (count - 1);
    poles.emplace_back(0.2 + 5.8 * s, 25 + 15 * std::sin(9 * kPi * s));
  }
  const auto cylinder =
      std::make_shared<MCADUVCylinder>(MCADFrame(), 20.0, 0.0, 2 * kPi, 0.0, 50.0);
  const auto loop = MCADLoopBuilder(cylinder)
                        .Curve(std::make_shared<MCAD2DNurbsCurve>(order, knots, poles))
                        .Build();
  MCadTriangulator::MSurfaceIsolines isolines;
  for (int k = 0; k <= 32; ++k) {
    isolines.u.push_back(2 * kPi * k / 32);
    isolines.v.push_back(50.0 * k / 32);
  }
  const Box box(Point3(-20, -20, 0), Point3(20, 20, 50));
  std::size_t points = 0;
  for (auto _ : state) {
    const auto fin = MLoopSegmenter::SegmentFin(
        loop->Fins().front(), Oxlen::Math::matrix4x4<double>::identity(), 0.001, isolines, box);
    points = fin.size();
    benchmark::DoNotOptimize(fin.data());
  }
  state.counters["points"] = static_cast<double>(points);
  state.counters["points/s"] =
      benchmark::Counter(static_cast<double>(points) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

BENCHMARK(BM_SegmentPolygonInOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SegmentPolygonScrambled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderScrambledFins)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SegmentHighDegreeFin)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
