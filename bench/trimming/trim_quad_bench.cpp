// The trimmer on one quad holding n loop points, for n from 1000 to 128000: the time per loop
// point stays nearly flat when the work grows as n log n.
// - Arc: a hole's arc entering at the bottom edge and leaving at the top, bulging to the right
//   (a round hole meshed on a grid that the quad budget keeps coarse).
// - Border: a loop running along the quad's bottom edge with all its points on it (what a
//   straight loop on the domain border becomes at tolerance 0).
// - Wave: a serrated part along the diagonal whose teeth are much longer than their spacing: any
//   cut across it meets many segments, so the splittings create vertices of their own and the
//   time grows faster than the points (kept to small sizes).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <numbers>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"

namespace {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;

// The unit square with one loop part from (startEdge, start) to (endEdge, end) through the
// points `at(k)` for k = 1 to n.
template <class At>
MTrimmer::MQuadToTrim OnePart(int startEdge, const MPoint& start, int endEdge, const MPoint& end,
                              int n, At at) {
  MTrimmer::MQuadToTrim quad;
  quad.corners = {MPoint(0, 0, 0), MPoint(1, 0, 0), MPoint(1, 1, 0), MPoint(0, 1, 0)};
  MTrimmer::MPartToTrim part;
  part.startEdge = startEdge;
  part.startPoint = start;
  part.endEdge = endEdge;
  part.endPoint = end;
  for (int k = 1; k <= n; ++k)
    part.points.push_back(at(k));
  quad.parts.push_back(part);
  return quad;
}

// Enters on edge 0 at (0.3, 0), bulges right to x = 0.8 and leaves on edge 2 at (0.3, 1).
MTrimmer::MQuadToTrim Arc(int n) {
  return OnePart(0, MPoint(0.3, 0, 0), 2, MPoint(0.3, 1, 0), n, [n](int k) {
    const double t = static_cast<double>(k) / (n + 1);
    return MPoint(0.3 + 0.5 * std::sin(std::numbers::pi * t), t, 0.0);
  });
}

// Enters on edge 3 at corner 0 and leaves on edge 1 at corner 1, along edge 0.
MTrimmer::MQuadToTrim Border(int n) {
  return OnePart(3, MPoint(0, 0, 0), 1, MPoint(1, 0, 0), n,
                 [n](int k) { return MPoint(static_cast<double>(k) / (n + 1), 0.0, 0.0); });
}

// Enters on edge 3 at (0, 0.1), leaves on edge 1 at (1, 0.9), swinging across the diagonal.
MTrimmer::MQuadToTrim Wave(int n) {
  return OnePart(3, MPoint(0, 0.1, 0), 1, MPoint(1, 0.9, 0), n, [n](int k) {
    const double x = static_cast<double>(k) / (n + 1);
    const double y = 0.1 + 0.8 * x + 0.02 * (k % 2 == 0 ? 1.0 : -1.0);
    return MPoint(x, 1.0 - y, 0.0);
  });
}

template <MTrimmer::MQuadToTrim (*Make)(int)>
void BM_TrimQuad(benchmark::State& state) {
  const MTrimmer::MQuadToTrim quad = Make(static_cast<int>(state.range(0)));
  std::size_t triangles = 0;
  for (auto _ : state) {
    const MTrimmer::MTriangles mesh = MTrimmer::TrimQuad(quad);
    triangles = mesh.triangles.size();
    benchmark::DoNotOptimize(mesh.triangles.data());
  }
  state.counters["triangles"] = static_cast<double>(triangles);
  state.counters["per_point"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TrimQuad<Arc>)->RangeMultiplier(4)->Range(1000, 128000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrimQuad<Border>)
    ->RangeMultiplier(4)
    ->Range(1000, 128000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrimQuad<Wave>)->RangeMultiplier(4)->Range(1000, 4000)->Unit(benchmark::kMillisecond);

}  // namespace
