// Trimmed quads on random loops: non-crossing scenes tile the quad along the loops, and
// degenerate or hostile scenes give a mesh or one of the trimmer's own exceptions, never a crash
// or a hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "Oxlen/Math/point.h"

namespace {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;
using UV = Oxlen::Math::point<double, 2>;
using Corners = std::array<MPoint, 4>;
using namespace geometry;
using Segments = std::vector<MSegment>;

// Random numbers converted by hand, so the sequence is the same on every platform.
struct Random {
  std::mt19937_64 engine;
  double Unit() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }
  double In(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Below(int n) { return static_cast<int>(engine() % static_cast<std::uint64_t>(n)); }
};

// A polyline in the unit square: a loop part from its entering crossing on edge `startEdge` to
// its leaving crossing on `endEdge` (quad edge numbering: 0 bottom, 1 right, 2 top, 3 left), or
// a closed inner loop (both edges -1).
struct UVLine {
  std::vector<UV> points;
  int startEdge = -1, endEdge = -1, tag = 0;
};
using UVScene = std::vector<UVLine>;

// A planar, convex, non-rectangular quad in the tilted plane z = 0.3 x + 0.2 y + 1.
const Corners kPlanarQuad{MPoint(0, 0, 1), MPoint(2, 0.2, 1.64), MPoint(1.7, 1.5, 1.81),
                          MPoint(0.1, 1.1, 1.25)};
// A quad whose corners leave their common plane by about 2 % of its size.
const Corners kNonPlanarQuad{MPoint(0, 0, 0), MPoint(1, 0, 0.02), MPoint(1, 1, -0.01),
                             MPoint(0, 1, 0.025)};

// Maps the unit square onto a quad: by the bilinear patch through the corners, or linearly over
// the quad's triangles A = (0, 1, 3) and B = (3, 1, 2) so that points land on them.
enum class Lift { Bilinear, Piecewise };

MPoint LiftPoint(const Corners& c, const UV& uv, Lift lift) {
  const double u = uv[0], v = uv[1];
  if (lift == Lift::Bilinear)
    return (1 - u) * (1 - v) * c[0] + u * (1 - v) * c[1] + u * v * c[2] + (1 - u) * v * c[3];
  if (u + v <= 1.0)
    return c[0] + u * (c[1] - c[0]) + v * (c[3] - c[0]);
  return c[2] + (1.0 - u) * (c[3] - c[2]) + (1.0 - v) * (c[1] - c[2]);
}

// The point of edge k of the unit square at parameter t from its start corner, exactly on the
// edge's line.
UV OnSquareEdge(int k, double t) {
  return std::array{UV(t, 0), UV(1, t), UV(1 - t, 1), UV(0, 1 - t)}[k];
}

bool InsideMargin(const UV& p) {
  return std::min({p[0], p[1], 1 - p[0], 1 - p[1]}) > 0.02;
}

bool RandomPart(Random& random, UVLine& part) {
  static const UV kInward[4] = {UV(0, 1), UV(-1, 0), UV(0, -1), UV(1, 0)};
  part.startEdge = random.Below(4);
  part.endEdge = random.Below(4);
  const double ts = random.In(0.05, 0.95), te = random.In(0.05, 0.95);
  const bool sameEdge = part.startEdge == part.endEdge;
  if (sameEdge && std::fabs(ts - te) < 0.1)
    return false;
  const UV start = OnSquareEdge(part.startEdge, ts);
  const UV chord = OnSquareEdge(part.endEdge, te) - start;
  std::vector<double> fractions(static_cast<std::size_t>(random.Below(4) + (sameEdge ? 1 : 0)));
  std::ranges::generate(fractions, [&] { return random.In(0.05, 0.95); });
  std::ranges::sort(fractions);
  part.points = {start};
  // Bulging into the square from a single edge, or wavering across the chord.
  for (const double f : fractions)
    part.points.push_back(start + f * chord +
                          (sameEdge ? random.In(0.05, 0.4) * kInward[part.startEdge]
                                    : random.In(-0.15, 0.15) * UV(-chord[1], chord[0])));
  part.points.push_back(OnSquareEdge(part.endEdge, te));
  return std::all_of(part.points.begin() + 1, part.points.end() - 1, InsideMargin);
}

bool RandomLoop(Random& random, UVLine& loop) {
  const UV centre{random.In(0.1, 0.9), random.In(0.1, 0.9)};
  const double radius = random.In(0.01, 0.08);
  std::vector<double> angles(static_cast<std::size_t>(3 + random.Below(5)));
  std::ranges::generate(angles, [&] { return random.In(0.0, 2.0 * 3.14159265358979323846); });
  std::ranges::sort(angles);
  for (const double a : angles)
    loop.points.push_back(centre + radius * random.In(0.6, 1.0) * UV(std::cos(a), std::sin(a)));
  return std::ranges::all_of(loop.points, InsideMargin);
}

// The segments of a polyline, closing the loop of an inner loop, mapped to space by `map`.
template <typename Map>
Segments SegmentsOf(const UVLine& line, Map map) {
  Segments segments;
  const std::size_t n = line.points.size();
  for (std::size_t i = 0; i + (line.startEdge < 0 ? 0 : 1) < n; ++i)
    segments.push_back({map(line.points[i]), map(line.points[(i + 1) % n])});
  return segments;
}

// Up to `partCount` parts and `loopCount` inner loops (with random directions), none crossing
// another or itself and all more than kGap apart. Every polyline has a distinct tag.
constexpr double kGap = 2e-3;
UVScene RandomScene(Random& random, int partCount, int loopCount) {
  UVScene scene;
  Segments accepted;
  for (int i = 0; i < partCount + loopCount; ++i) {
    for (int attempt = 0; attempt < 40; ++attempt) {
      UVLine line;
      if (!(i < partCount ? RandomPart(random, line) : RandomLoop(random, line)))
        continue;
      if (random.Below(2) == 1) {
        std::reverse(line.points.begin(), line.points.end());
        std::swap(line.startEdge, line.endEdge);
      }
      const Segments segments =
          SegmentsOf(line, [](const UV& p) { return MPoint(p[0], p[1], 0.0); });
      bool fits = true;
      for (std::size_t s = 0; s < segments.size(); ++s) {
        for (const auto& other : accepted)
          fits = fits && ComputeDistanceBetweenSegments(segments[s], other) > kGap;
        // Segments of the same polyline that share no point.
        for (std::size_t t = s + 2; t < segments.size(); ++t)
          if (s != 0 || t + 1 != segments.size() || line.startEdge >= 0)
            fits = fits && ComputeDistanceBetweenSegments(segments[s], segments[t]) > kGap;
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
MTrimmer::MQuadToTrim MakeQuad(const Corners& corners, const UVScene& scene, Lift lift,
                               bool tagged) {
  MTrimmer::MQuadToTrim quad;
  quad.corners = corners;
  for (const UVLine& line : scene) {
    std::vector<MPoint> p;
    for (const UV& uv : line.points)
      p.push_back(LiftPoint(corners, uv, lift));
    const auto tag = tagged ? std::optional(line.tag) : std::nullopt;
    const auto tags = [&](std::size_t n) {
      return tag ? std::optional(std::vector<std::int32_t>(n, *tag)) : std::nullopt;
    };
    if (line.startEdge < 0)
      quad.innerLoops.push_back({p, tags(p.size())});
    else
      quad.parts.push_back({line.startEdge, p.front(), tag, line.endEdge, p.back(), tag,
                            std::vector<MPoint>(p.begin() + 1, p.end() - 1), tags(p.size() - 2)});
  }
  return quad;
}

double SignedArea(const UV& a, const UV& b, const UV& c) {
  return 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
}

// The parameters of every result vertex: of its nearest point on the quad's two triangles.
std::vector<UV> Parameters(const Corners& c, const MTrimmer::MTriangles& result) {
  std::vector<UV> uv;
  for (const MPoint& p : result.vertices) {
    double wa[3], wb[3];
    const double da = ComputeSquaredDistanceBetweenPointAndTriangle(p, {c[0], c[1], c[3]}, wa);
    const double db = ComputeSquaredDistanceBetweenPointAndTriangle(p, {c[3], c[1], c[2]}, wb);
    uv.push_back(da <= db ? UV(wa[1], wa[2]) : UV(wb[1] + wb[2], wb[0] + wb[2]));
  }
  return uv;
}

// The triangles cover the unit square once: each is positively wound, their areas sum to 1 and
// no sample point lies inside two of them. No vertex lies inside a triangle not its own or on
// one of its edges (so none is left out of the triangles either).
void ExpectTilesTheSquare(const std::vector<UV>& uv, const MTrimmer::MTriangles& result,
                          Random& random) {
  double total = 0.0;
  for (const auto& v : result.triangles) {
    total += SignedArea(uv[v[0]], uv[v[1]], uv[v[2]]);
    EXPECT_GT(SignedArea(uv[v[0]], uv[v[1]], uv[v[2]]), 0.0);
  }
  EXPECT_NEAR(total, 1.0, 1e-9);
  for (std::size_t sample = 0; sample < 300 + uv.size(); ++sample) {
    // A random point lies inside at most one triangle, a vertex (of index `sample - 300`) on
    // none but its own.
    const bool vertex = sample >= 300;
    const UV p = vertex ? uv[sample - 300] : UV{random.Unit(), random.Unit()};
    const double margin = vertex ? -1e-12 : 1e-12;
    int inside = 0;
    for (const auto& v : result.triangles) {
      const double area = SignedArea(uv[v[0]], uv[v[1]], uv[v[2]]);
      inside += std::count(v.begin(), v.end(), std::int32_t(sample - 300)) == 0 &&
                SignedArea(p, uv[v[1]], uv[v[2]]) / area > margin &&
                SignedArea(uv[v[0]], p, uv[v[2]]) / area > margin &&
                SignedArea(uv[v[0]], uv[v[1]], p) / area > margin;
    }
    EXPECT_LE(inside, vertex ? 0 : 1) << "(" << p[0] << ", " << p[1] << ")";
  }
}

// Every result segment lies, within `tolerance`, on a segment of the loop with its tag that runs
// its way, and the pieces of each loop add up to its length.
void ExpectSegmentsFollowTheLoops(const MTrimmer::MTriangles& result, const UVScene& scene,
                                  const Corners& c, Lift lift, double tolerance) {
  std::map<int, Segments> loops;  // straight pieces by tag
  for (const UVLine& line : scene)
    loops[line.tag] = SegmentsOf(line, [&](const UV& p) { return LiftPoint(c, p, lift); });
  std::map<int, double> covered;
  for (const MTrimmer::MSegmentFromLoop& segment : result.segments) {
    ASSERT_TRUE(segment.tag) << "a segment has no known tag";
    ASSERT_TRUE(loops.count(*segment.tag)) << "a segment has no known tag";
    const MPoint &a = result.vertices[segment.first], &b = result.vertices[segment.second];
    // The nearest piece running the segment's way (pieces of a loop may pass close by).
    double best = 1e300;
    for (const MSegment& piece : loops.at(*segment.tag))
      if (dot(b - a, piece.second - piece.first) > 0.0)
        best = std::min(best, std::max(ComputeDistanceBetweenPointAndSegment(a, piece),
                                       ComputeDistanceBetweenPointAndSegment(b, piece)));
    EXPECT_LE(best, tolerance) << "a segment lies off its loop";
    covered[*segment.tag] += distance(a, b);
  }
  for (const auto& [tag, pieces] : loops) {
    double length = 0.0;
    for (const MSegment& piece : pieces)
      length += distance(piece.first, piece.second);
    EXPECT_NEAR(covered[tag], length, tolerance) << "loop " << tag;
  }
}

// Which triangles are inside the face, given whether corner 0 is: by the parity of the result's
// loop segments crossed properly on the straight way from the triangle's centroid to corner 0.
std::vector<bool> InsideByParity(const std::vector<UV>& uv, const MTrimmer::MTriangles& result,
                                 bool firstVertexInside) {
  std::vector<bool> inside;
  for (const auto& v : result.triangles) {
    const UV p = (uv[v[0]] + uv[v[1]] + uv[v[2]]) / 3.0, o(0.0, 0.0);
    inside.push_back(firstVertexInside);
    for (const MTrimmer::MSegmentFromLoop& s : result.segments) {
      const UV &a = uv[s.first], &b = uv[s.second];
      if (SignedArea(p, o, a) * SignedArea(p, o, b) < 0.0 &&
          SignedArea(a, b, p) * SignedArea(a, b, o) < 0.0)
        inside.back().flip();
    }
  }
  return inside;
}

TEST(TrimQuad, RandomLoopsAreCutIntoTrianglesThatTileTheQuadAlongTheLoops) {
  // How far result segments may lie from the straight input segments: on a non-planar quad a
  // segment from one triangle to the other is cut at the diagonal point nearest to it, which
  // lies off the straight segment by up to the quad's bend.
  const std::tuple<const char*, Corners, Lift, double> quadCases[] = {
      {"planar quad", kPlanarQuad, Lift::Bilinear, 1e-9},
      {"non-planar quad, points on its triangles", kNonPlanarQuad, Lift::Piecewise, 5e-2},
      {"non-planar quad, points on its bilinear patch", kNonPlanarQuad, Lift::Bilinear, 5e-2}};
  Random random{std::mt19937_64(20240611)};
  std::size_t segments = 0;
  for (const auto& [name, corners, lift, followTolerance] : quadCases) {
    for (int scene = 0; scene < 60; ++scene) {
      SCOPED_TRACE(std::string(name) + ", scene " + std::to_string(scene));
      // Drawn one after the other: the order of evaluation of call arguments is unspecified.
      const int parts = static_cast<int>(random.Below(6));
      const int innerLoops = static_cast<int>(random.Below(4));
      const UVScene uvScene = RandomScene(random, parts, innerLoops);
      const MTrimmer::MTriangles result =
          MTrimmer::TrimQuad(MakeQuad(corners, uvScene, lift, true));
      std::string why;
      ASSERT_TRUE(MTrimmer::IsValid(result, &why)) << why;
      const std::vector<UV> uv = Parameters(corners, result);
      ExpectTilesTheSquare(uv, result, random);
      ExpectSegmentsFollowTheLoops(result, uvScene, corners, lift, followTolerance);
      segments += result.segments.size();
      // The inner triangles are those an odd number of loop crossings away from an inside
      // corner 0, and every triangle is reached.
      for (const bool firstInside : {true, false})
        EXPECT_EQ(MTrimmer::SelectInnerTriangles(result, firstInside),
                  InsideByParity(uv, result, firstInside));
    }
  }
  EXPECT_GT(segments, 800u);  // the scenes really hold loops
}

// Trims the quad and, when that succeeds, selects and validates. A failure must be one of the
// trimmer's own, which name the step that failed.
void TrimsOrFailsKnowingly(const MTrimmer::MQuadToTrim& quad) {
  try {
    const MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);
    for (const auto& t : result.triangles)
      for (const std::int32_t v : t) {
        EXPECT_GE(v, 0);
        EXPECT_LT(static_cast<std::size_t>(v), result.vertices.size());
      }
    EXPECT_EQ(MTrimmer::SelectInnerTriangles(result, true).size(), result.triangles.size());
    MTrimmer::IsValid(result);
  } catch (const std::logic_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("MTrimmer::", 0), 0u) << e.what();
  }
}

// Degenerate or hostile input gives a mesh or a failure of the trimmer's own (random records of
// every kind are replayed with the fuzzer's decoder in the fuzz regression tests).
TEST(TrimQuadAdversarial, DegenerateLoopsAndQuadsGiveAMeshOrAKnownFailure) {
  Random random{std::mt19937_64(314159)};
  // A self-crossing loop of many points (the angular sweep from five on).
  UVLine star;
  for (int i = 0; i < 60; ++i)
    star.points.push_back(UV{random.Unit(), random.Unit()});
  TrimsOrFailsKnowingly(MakeQuad(kNonPlanarQuad, {star}, Lift::Bilinear, false));
  // A sliver, quads collapsed to a segment and to a point, huge and tiny quads.
  const UVScene scene{{{UV(0.5, 0.0), UV(0.4, 0.6), UV(0.5, 1.0)}, 0, 2, 1},
                      {{UV(0.1, 0.1), UV(0.2, 0.1), UV(0.1, 0.2)}, -1, -1, 2}};
  const MPoint c(0.5, 0.5, 0.0), o(0, 0, 0), x(1, 0, 0), y(0, 1, 0);
  for (const Corners& corners :
       {Corners{o, x, x + 1e-9 * y, 1e-9 * y}, Corners{o, x, 2 * x, 3 * x}, Corners{c, c, c, c},
        Corners{o, 1e250 * x, 1e250 * (x + y), 1e250 * y},
        Corners{o, 1e-250 * x, 1e-250 * (x + y), 1e-250 * y}})
    TrimsOrFailsKnowingly(MakeQuad(corners, scene, Lift::Bilinear, true));
}

}  // namespace
