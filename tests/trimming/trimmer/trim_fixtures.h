#pragma once

// Random trimming scenes in a quad's parameter square, and their lifting onto a quad.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "Oxlen/Math/point.h"

namespace trimmer_test {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;
using UV = Oxlen::Math::point<double, 2>;
using Corners = std::array<MPoint, 4>;

// Random numbers converted by hand, so the sequence is the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  double Unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
  double In(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Below(int n) { return static_cast<int>(engine_() % static_cast<std::uint64_t>(n)); }

 private:
  std::mt19937_64 engine_;
};

// A polyline in the unit square: a loop part from its entering crossing on edge `startEdge` to
// its leaving crossing on `endEdge` (quad edge numbering: 0 bottom, 1 right, 2 top, 3 left), or
// a closed inner loop (both edges -1).
struct UVLine {
  std::vector<UV> points;
  int startEdge = -1;
  int endEdge = -1;
  int tag = 0;
};
using UVScene = std::vector<UVLine>;

inline Corners UnitSquareCorners() {
  return {MPoint(0, 0, 0), MPoint(1, 0, 0), MPoint(1, 1, 0), MPoint(0, 1, 0)};
}

// A planar, convex, non-rectangular quad in the tilted plane z = 0.3 x + 0.2 y + 1.
inline Corners PlanarQuad() {
  const auto lift = [](double x, double y) { return MPoint(x, y, 0.3 * x + 0.2 * y + 1.0); };
  return {lift(0.0, 0.0), lift(2.0, 0.2), lift(1.7, 1.5), lift(0.1, 1.1)};
}

// A quad whose corners leave their common plane by about 2 % of its size.
inline Corners NonPlanarQuad() {
  return {MPoint(0, 0, 0), MPoint(1, 0, 0.02), MPoint(1, 1, -0.01), MPoint(0, 1, 0.025)};
}

// Maps the unit square onto a quad: by the bilinear patch through the corners, or linearly over
// the quad's triangles A = (0, 1, 3) and B = (3, 1, 2) so that points land on them.
enum class Lift { Bilinear, Piecewise };

inline MPoint LiftPoint(const Corners& c, const UV& uv, Lift lift) {
  const double u = uv[0];
  const double v = uv[1];
  if (lift == Lift::Bilinear)
    return (1 - u) * (1 - v) * c[0] + u * (1 - v) * c[1] + u * v * c[2] + (1 - u) * v * c[3];
  if (u + v <= 1.0)
    return c[0] + u * (c[1] - c[0]) + v * (c[3] - c[0]);
  return c[2] + (1.0 - u) * (c[3] - c[2]) + (1.0 - v) * (c[1] - c[2]);
}

// The point of edge k of the unit square at parameter t from its start corner, exactly on the
// edge's line.
inline UV OnSquareEdge(int k, double t) {
  static const UV kCorners[4] = {UV(0, 0), UV(1, 0), UV(1, 1), UV(0, 1)};
  UV p = kCorners[k] + t * (kCorners[(k + 1) % 4] - kCorners[k]);
  p[k % 2 == 0 ? 1 : 0] = kCorners[k][k % 2 == 0 ? 1 : 0];
  return p;
}

namespace detail {

inline bool InsideMargin(const UV& p) {
  return p[0] > 0.02 && p[0] < 0.98 && p[1] > 0.02 && p[1] < 0.98;
}

inline bool RandomPart(Random& random, UVLine& part) {
  static const UV kInward[4] = {UV(0, 1), UV(-1, 0), UV(0, -1), UV(1, 0)};
  part.startEdge = random.Below(4);
  part.endEdge = random.Below(4);
  const double ts = random.In(0.05, 0.95);
  const double te = random.In(0.05, 0.95);
  const bool sameEdge = part.startEdge == part.endEdge;
  if (sameEdge && std::fabs(ts - te) < 0.1)
    return false;
  const UV start = OnSquareEdge(part.startEdge, ts);
  const UV chord = OnSquareEdge(part.endEdge, te) - start;
  std::vector<double> fractions(static_cast<std::size_t>(random.Below(4) + (sameEdge ? 1 : 0)));
  for (double& f : fractions)
    f = random.In(0.05, 0.95);
  std::sort(fractions.begin(), fractions.end());
  part.points = {start};
  for (const double f : fractions) {
    // Bulging into the square from a single edge, or wavering across the chord.
    const UV p = start + f * chord +
                 (sameEdge ? random.In(0.05, 0.4) * kInward[part.startEdge]
                           : random.In(-0.15, 0.15) * UV(-chord[1], chord[0]));
    if (!InsideMargin(p))
      return false;
    part.points.push_back(p);
  }
  part.points.push_back(OnSquareEdge(part.endEdge, te));
  return true;
}

inline bool RandomLoop(Random& random, UVLine& loop) {
  const UV centre{random.In(0.1, 0.9), random.In(0.1, 0.9)};
  const double radius = random.In(0.01, 0.08);
  std::vector<double> angles(static_cast<std::size_t>(3 + random.Below(5)));
  for (double& a : angles)
    a = random.In(0.0, 2.0 * 3.14159265358979323846);
  std::sort(angles.begin(), angles.end());
  for (const double a : angles) {
    const double r = radius * random.In(0.6, 1.0);
    loop.points.push_back(centre + UV(r * std::cos(a), r * std::sin(a)));
    if (!InsideMargin(loop.points.back()))
      return false;
  }
  return true;
}

// The segments of a polyline, closing the loop of an inner loop.
inline std::vector<std::pair<UV, UV>> SegmentsOf(const UVLine& line) {
  std::vector<std::pair<UV, UV>> segments;
  for (std::size_t i = 0; i + 1 < line.points.size(); ++i)
    segments.emplace_back(line.points[i], line.points[i + 1]);
  if (line.startEdge < 0)
    segments.emplace_back(line.points.back(), line.points.front());
  return segments;
}

inline double SegmentDistance(const std::pair<UV, UV>& s, const std::pair<UV, UV>& t) {
  const auto flat = [](const UV& p) { return MPoint(p[0], p[1], 0.0); };
  return geometry::ComputeDistanceBetweenSegments(
      geometry::MSegment{flat(s.first), flat(s.second)},
      geometry::MSegment{flat(t.first), flat(t.second)});
}

}  // namespace detail

// Up to `partCount` parts and `loopCount` inner loops (with random directions), none crossing
// another or itself and all more than `gap` apart; any placement when `gap` is negative. Every
// polyline has a distinct tag.
inline UVScene RandomScene(Random& random, int partCount, int loopCount, double gap = 2e-3) {
  UVScene scene;
  std::vector<std::pair<UV, UV>> accepted;
  for (int i = 0; i < partCount + loopCount; ++i) {
    for (int attempt = 0; attempt < 40; ++attempt) {
      UVLine line;
      if (!(i < partCount ? detail::RandomPart(random, line) : detail::RandomLoop(random, line)))
        continue;
      if (random.Below(2) == 1) {
        std::reverse(line.points.begin(), line.points.end());
        std::swap(line.startEdge, line.endEdge);
      }
      const auto segments = detail::SegmentsOf(line);
      bool fits = true;
      for (std::size_t s = 0; s < segments.size(); ++s) {
        for (const auto& other : accepted)
          fits = fits && detail::SegmentDistance(segments[s], other) > gap;
        // Segments of the same polyline that share no point.
        for (std::size_t t = s + 2; t < segments.size(); ++t)
          if (s != 0 || t + 1 != segments.size() || line.startEdge >= 0)
            fits = fits && detail::SegmentDistance(segments[s], segments[t]) > gap;
      }
      if (!fits)
        continue;
      accepted.insert(accepted.end(), segments.begin(), segments.end());
      line.tag = static_cast<int>(scene.size()) + 1;
      scene.push_back(line);
      break;
    }
  }
  return scene;
}

// The trimming record of a scene lifted onto a quad; `tagged` gives every point its polyline's
// tag.
inline MTrimmer::MQuadToTrim MakeQuad(const Corners& corners, const UVScene& scene, Lift lift,
                                      bool tagged) {
  MTrimmer::MQuadToTrim quad;
  quad.corners = corners;
  for (const UVLine& line : scene) {
    std::vector<MPoint> points;
    for (const UV& uv : line.points)
      points.push_back(LiftPoint(corners, uv, lift));
    if (line.startEdge < 0) {
      quad.innerLoops.push_back(
          {points, tagged ? std::optional(std::vector<std::int32_t>(points.size(), line.tag))
                          : std::nullopt});
      continue;
    }
    MTrimmer::MPartToTrim part;
    part.startEdge = line.startEdge;
    part.endEdge = line.endEdge;
    part.startPoint = points.front();
    part.endPoint = points.back();
    part.points.assign(points.begin() + 1, points.end() - 1);
    if (tagged) {
      part.startTag = part.endTag = line.tag;
      part.tags = std::vector<std::int32_t>(part.points.size(), line.tag);
    }
    quad.parts.push_back(part);
  }
  return quad;
}

}  // namespace trimmer_test
