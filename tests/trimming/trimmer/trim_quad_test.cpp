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
#include <set>
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
  int startEdge = -1;
  int endEdge = -1;
  int tag = 0;
};
using UVScene = std::vector<UVLine>;

const Corners kUnitSquare{MPoint(0, 0, 0), MPoint(1, 0, 0), MPoint(1, 1, 0), MPoint(0, 1, 0)};
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
  static const UV kCorners[4] = {UV(0, 0), UV(1, 0), UV(1, 1), UV(0, 1)};
  UV p = kCorners[k] + t * (kCorners[(k + 1) % 4] - kCorners[k]);
  p[k % 2 == 0 ? 1 : 0] = kCorners[k][k % 2 == 0 ? 1 : 0];
  return p;
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

bool RandomLoop(Random& random, UVLine& loop) {
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
std::vector<std::pair<UV, UV>> SegmentsOf(const UVLine& line) {
  std::vector<std::pair<UV, UV>> segments;
  for (std::size_t i = 0; i + 1 < line.points.size(); ++i)
    segments.emplace_back(line.points[i], line.points[i + 1]);
  if (line.startEdge < 0)
    segments.emplace_back(line.points.back(), line.points.front());
  return segments;
}

double SegmentDistance(const std::pair<UV, UV>& s, const std::pair<UV, UV>& t) {
  const auto flat = [](const UV& p) { return MPoint(p[0], p[1], 0.0); };
  return geometry::ComputeDistanceBetweenSegments({flat(s.first), flat(s.second)},
                                                  {flat(t.first), flat(t.second)});
}

// Up to `partCount` parts and `loopCount` inner loops (with random directions), none crossing
// another or itself and all more than `gap` apart. Every polyline has a distinct tag.
UVScene RandomScene(Random& random, int partCount, int loopCount, double gap = 2e-3) {
  UVScene scene;
  std::vector<std::pair<UV, UV>> accepted;
  for (int i = 0; i < partCount + loopCount; ++i) {
    for (int attempt = 0; attempt < 40; ++attempt) {
      UVLine line;
      if (!(i < partCount ? RandomPart(random, line) : RandomLoop(random, line)))
        continue;
      if (random.Below(2) == 1) {
        std::reverse(line.points.begin(), line.points.end());
        std::swap(line.startEdge, line.endEdge);
      }
      const auto segments = SegmentsOf(line);
      bool fits = true;
      for (std::size_t s = 0; s < segments.size(); ++s) {
        for (const auto& other : accepted)
          fits = fits && SegmentDistance(segments[s], other) > gap;
        // Segments of the same polyline that share no point.
        for (std::size_t t = s + 2; t < segments.size(); ++t)
          if (s != 0 || t + 1 != segments.size() || line.startEdge >= 0)
            fits = fits && SegmentDistance(segments[s], segments[t]) > gap;
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
    const auto tags = [&](std::size_t n) {
      return tagged ? std::optional(std::vector<std::int32_t>(n, line.tag)) : std::nullopt;
    };
    if (line.startEdge < 0)
      quad.innerLoops.push_back({p, tags(p.size())});
    else
      quad.parts.push_back({line.startEdge, p.front(),
                            tagged ? std::optional(line.tag) : std::nullopt, line.endEdge, p.back(),
                            tagged ? std::optional(line.tag) : std::nullopt,
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
    const double da =
        geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, {c[0], c[1], c[3]}, wa);
    const double db =
        geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, {c[3], c[1], c[2]}, wb);
    uv.push_back(da <= db ? UV(wa[1], wa[2]) : UV(wb[1] + wb[2], wb[0] + wb[2]));
  }
  return uv;
}

// The triangles cover the unit square once: each is positively wound, their areas sum to 1 and
// no sample point lies inside two of them. No vertex is left out of the triangles or lies inside
// one of them or one of their edges.
::testing::AssertionResult TilesTheSquare(const std::vector<UV>& uv,
                                          const MTrimmer::MTriangles& result, Random& random) {
  double total = 0.0;
  std::set<std::int32_t> used;
  for (const auto& v : result.triangles) {
    const double area = SignedArea(uv[v[0]], uv[v[1]], uv[v[2]]);
    if (!(area > 0.0))
      return ::testing::AssertionFailure() << "a triangle has area " << area;
    total += area;
    used.insert(v.begin(), v.end());
  }
  if (std::fabs(total - 1.0) > 1e-9 || used.size() != uv.size())
    return ::testing::AssertionFailure()
           << "areas sum to " << total << ", vertices unused " << uv.size() - used.size();
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
    if (inside > (vertex ? 0 : 1))
      return ::testing::AssertionFailure()
             << "(" << p[0] << ", " << p[1] << ") lies in " << inside << " triangles";
  }
  return ::testing::AssertionSuccess();
}

// Every result segment lies, within `tolerance`, on a segment of the loop with its tag that runs
// its way, and the pieces of each loop add up to its length.
::testing::AssertionResult SegmentsFollowTheLoops(const MTrimmer::MTriangles& result,
                                                  const UVScene& scene, const Corners& c, Lift lift,
                                                  double tolerance) {
  std::map<int, std::vector<geometry::MSegment>> loops;  // straight pieces by tag
  for (const UVLine& line : scene)
    for (const auto& [a, b] : SegmentsOf(line))
      loops[line.tag].push_back({LiftPoint(c, a, lift), LiftPoint(c, b, lift)});
  std::map<int, double> covered;
  for (const MTrimmer::MSegmentFromLoop& segment : result.segments) {
    if (!segment.tag || loops.count(*segment.tag) == 0)
      return ::testing::AssertionFailure() << "a segment has no known tag";
    const MPoint& a = result.vertices[segment.first];
    const MPoint& b = result.vertices[segment.second];
    // The nearest piece running the segment's way (pieces of a loop may pass close by).
    double best = 1e300;
    for (const geometry::MSegment& piece : loops.at(*segment.tag))
      if (dot(b - a, piece.second - piece.first) > 0.0)
        best = std::min(best, std::max(geometry::ComputeDistanceBetweenPointAndSegment(a, piece),
                                       geometry::ComputeDistanceBetweenPointAndSegment(b, piece)));
    if (best > tolerance)
      return ::testing::AssertionFailure() << "a segment lies " << best << " off its loop";
    covered[*segment.tag] += distance(a, b);
  }
  for (const auto& [tag, pieces] : loops) {
    double length = 0.0;
    for (const geometry::MSegment& piece : pieces)
      length += distance(piece.first, piece.second);
    if (std::fabs(covered[tag] - length) > tolerance)
      return ::testing::AssertionFailure()
             << "loop " << tag << " of length " << length << " is covered by " << covered[tag];
  }
  return ::testing::AssertionSuccess();
}

// Whether a point of the parameter square is inside the face, given whether corner 0 is: the
// parity of the result's loop segments crossed properly on the straight way to corner 0.
bool InsideByParity(const UV& p, const std::vector<UV>& uv, const MTrimmer::MTriangles& result,
                    bool firstVertexInside) {
  const UV o(0.0, 0.0);
  bool inside = firstVertexInside;
  for (const MTrimmer::MSegmentFromLoop& s : result.segments) {
    const UV& a = uv[s.first];
    const UV& b = uv[s.second];
    if (SignedArea(p, o, a) * SignedArea(p, o, b) < 0.0 &&
        SignedArea(a, b, p) * SignedArea(a, b, o) < 0.0)
      inside = !inside;
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
      const UVScene uvScene = RandomScene(random, random.Below(6), random.Below(4));
      const MTrimmer::MQuadToTrim quad = MakeQuad(corners, uvScene, lift, true);
      const MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);
      std::string why;
      ASSERT_TRUE(MTrimmer::IsValid(result, &why)) << why;
      const std::vector<UV> uv = Parameters(corners, result);
      EXPECT_TRUE(TilesTheSquare(uv, result, random));
      EXPECT_TRUE(SegmentsFollowTheLoops(result, uvScene, corners, lift, followTolerance));
      segments += result.segments.size();
      // The inner triangles are those an odd number of loop crossings away from an inside
      // corner 0, and every triangle is reached.
      for (const bool firstInside : {true, false}) {
        const std::vector<bool> keep = MTrimmer::SelectInnerTriangles(result, firstInside);
        ASSERT_EQ(keep.size(), result.triangles.size());
        for (std::size_t t = 0; t < keep.size(); ++t) {
          const auto& v = result.triangles[t];
          EXPECT_EQ(keep[t],
                    InsideByParity((uv[v[0]] + uv[v[1]] + uv[v[2]]) / 3.0, uv, result, firstInside))
              << "triangle " << t;
        }
      }
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
      for (const std::int32_t v : t)
        EXPECT_TRUE(v >= 0 && static_cast<std::size_t>(v) < result.vertices.size());
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
