// Trimmed quads on random loops: non-crossing scenes tile the quad along the loops, and
// degenerate or hostile scenes give a mesh or one of the trimmer's own exceptions, never a crash
// or a hang.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "trim_fixtures.h"

namespace {

using namespace trimmer_test;

double SignedArea(const UV& a, const UV& b, const UV& c) {
  return 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
}

// Barycentric weights of p in triangle (a, b, c) of the parameter plane.
std::array<double, 3> Weights(const UV& p, const UV& a, const UV& b, const UV& c) {
  const double area = SignedArea(a, b, c);
  return {SignedArea(p, b, c) / area, SignedArea(a, p, c) / area, SignedArea(a, b, p) / area};
}

// The parameters of every result vertex: of its nearest point on the quad's two triangles.
std::vector<UV> Parameters(const Corners& c, const MTrimmer::MTriangles& result) {
  std::vector<UV> uv;
  for (const MPoint& p : result.vertices) {
    double wa[3];
    double wb[3];
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
  std::set<std::int32_t> corners;
  for (const auto& v : result.triangles) {
    const double area = SignedArea(uv[v[0]], uv[v[1]], uv[v[2]]);
    if (!(area > 0.0))
      return ::testing::AssertionFailure() << "a triangle has area " << area;
    total += area;
    corners.insert(v.begin(), v.end());
  }
  if (std::fabs(total - 1.0) > 1e-9)
    return ::testing::AssertionFailure() << "areas sum to " << total;
  if (corners.size() != uv.size())
    return ::testing::AssertionFailure() << "a vertex is in no triangle";
  for (int sample = 0; sample < 300 + static_cast<int>(uv.size()); ++sample) {
    const bool vertex = sample >= 300;
    const UV p = vertex ? uv[sample - 300] : UV{random.Unit(), random.Unit()};
    int inside = 0;
    for (const auto& v : result.triangles) {
      if (vertex && (v[0] == sample - 300 || v[1] == sample - 300 || v[2] == sample - 300))
        continue;
      const auto w = Weights(p, uv[v[0]], uv[v[1]], uv[v[2]]);
      inside += vertex ? (w[0] > -1e-12 && w[1] > -1e-12 && w[2] > -1e-12)
                       : (w[0] > 1e-12 && w[1] > 1e-12 && w[2] > 1e-12);
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
                                                  const MTrimmer::MQuadToTrim& quad,
                                                  double tolerance) {
  std::map<int, std::vector<geometry::MSegment>> loops;  // straight pieces by tag
  for (const MTrimmer::MPartToTrim& part : quad.parts) {
    std::vector<MPoint> p{part.startPoint};
    p.insert(p.end(), part.points.begin(), part.points.end());
    p.push_back(part.endPoint);
    for (std::size_t i = 0; i + 1 < p.size(); ++i)
      loops[*part.startTag].push_back({p[i], p[i + 1]});
  }
  for (const auto& loop : quad.innerLoops)
    for (std::size_t i = 0; i < loop.points.size(); ++i)
      loops[loop.tags->at(0)].push_back(
          {loop.points[i], loop.points[(i + 1) % loop.points.size()]});
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
  struct QuadCase {
    const char* name;
    Corners corners;
    Lift lift;
    // How far result segments may lie from the straight input segments: on a non-planar quad a
    // segment from one triangle to the other is cut at the diagonal point nearest to it, which
    // lies off the straight segment by up to the quad's bend.
    double followTolerance;
  };
  const QuadCase quadCases[] = {
      {"unit square", UnitSquareCorners(), Lift::Bilinear, 1e-9},
      {"planar quad", PlanarQuad(), Lift::Bilinear, 1e-9},
      {"non-planar quad, points on its triangles", NonPlanarQuad(), Lift::Piecewise, 5e-2},
      {"non-planar quad, points on its bilinear patch", NonPlanarQuad(), Lift::Bilinear, 5e-2}};
  Random random(20240611);
  std::size_t segments = 0;
  for (const QuadCase& quadCase : quadCases) {
    for (int scene = 0; scene < 50; ++scene) {
      SCOPED_TRACE(std::string(quadCase.name) + ", scene " + std::to_string(scene));
      const MTrimmer::MQuadToTrim quad =
          MakeQuad(quadCase.corners, RandomScene(random, random.Below(6), random.Below(4)),
                   quadCase.lift, true);
      const MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);
      std::string why;
      ASSERT_TRUE(MTrimmer::IsValid(result, &why)) << why;
      const std::vector<UV> uv = Parameters(quadCase.corners, result);
      EXPECT_TRUE(TilesTheSquare(uv, result, random));
      EXPECT_TRUE(SegmentsFollowTheLoops(result, quad, quadCase.followTolerance));
      segments += result.segments.size();
      // The same record gives the same mesh, bit for bit.
      const MTrimmer::MTriangles again = MTrimmer::TrimQuad(quad);
      EXPECT_TRUE(again.vertices == result.vertices && again.triangles == result.triangles &&
                  again.segments == result.segments);

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

// Trims the quad and, when that succeeds, selects and validates; returns whether the mesh is
// valid. A failure must be one of the trimmer's own, which name the step that failed.
bool TrimsOrFailsKnowingly(const MTrimmer::MQuadToTrim& quad) {
  try {
    const MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);
    EXPECT_EQ(MTrimmer::SelectInnerTriangles(result, true).size(), result.triangles.size());
    for (const auto& t : result.triangles)
      for (const std::int32_t v : t)
        EXPECT_TRUE(v >= 0 && static_cast<std::size_t>(v) < result.vertices.size());
    return MTrimmer::IsValid(result);
  } catch (const std::logic_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("MTrimmer::", 0), 0u) << e.what();
    return false;
  }
}

// A corner, a point on the diagonal or the border, one of a cluster of nearly coincident points,
// a point next to corner 0, a fixed point or an ordinary point.
UV SpecialPoint(Random& random) {
  const double t = random.Unit();
  const double s = random.Unit();
  const int edge = random.Below(4);
  const UV points[] = {OnSquareEdge(edge, 0.0),
                       UV(t, 1.0 - t),
                       UV(0.3 + 1e-13 * t, 0.4 + 1e-13 * s),
                       OnSquareEdge(edge, t),
                       UV(0.25, 0.25),
                       UV(1e-300 * t, 1e-300 * s),
                       UV(t, s),
                       UV(s, t)};
  return points[random.Below(8)];
}

TEST(TrimQuadAdversarial, DegenerateLoopsAndQuadsGiveAMeshOrAKnownFailure) {
  Random random(314159);
  bool someValid = false;
  for (int trial = 0; trial < 500; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    UVScene scene;
    for (int p = random.Below(5); p > 0; --p) {  // parts, possibly leaving where they entered
      UVLine part;
      part.startEdge = random.Below(4);
      part.endEdge = random.Below(4) == 0 ? part.startEdge : random.Below(4);
      const double ends[6] = {0.0, 1.0, 0.5, 1e-14, random.Unit(), random.Unit()};
      part.points = {OnSquareEdge(part.startEdge, ends[random.Below(6)])};
      for (int i = random.Below(6); i > 0; --i)  // some running back along the part
        part.points.push_back(random.Below(4) == 0
                                  ? part.points[random.Below(static_cast<int>(part.points.size()))]
                                  : SpecialPoint(random));
      part.points.push_back(OnSquareEdge(part.endEdge, ends[random.Below(6)]));
      scene.push_back(part);
    }
    for (int l = random.Below(4); l > 0; --l) {  // inner loops, some a billionth wide
      UVLine loop;
      const UV base = SpecialPoint(random);
      const double size = random.Below(2) == 0 ? 1e-9 : 0.05;
      for (int i = random.Below(6); i > 0; --i)
        loop.points.push_back(random.Below(3) == 0
                                  ? SpecialPoint(random)
                                  : base + UV{size * random.Unit(), size * random.Unit()});
      scene.push_back(loop);
    }
    for (std::size_t k = 0; k < scene.size(); ++k)
      scene[k].tag = static_cast<int>(k) + 1;
    const Lift lift = random.Below(2) == 0 ? Lift::Bilinear : Lift::Piecewise;
    someValid |=
        TrimsOrFailsKnowingly(MakeQuad(random.Below(2) == 0 ? NonPlanarQuad() : UnitSquareCorners(),
                                       scene, lift, random.Below(2) == 0));
  }
  EXPECT_TRUE(someValid);  // the generator also produces ordinary quads

  // Parts and loops placed without regard to each other cross freely.
  for (int trial = 0; trial < 100; ++trial)
    TrimsOrFailsKnowingly(MakeQuad(trial % 2 == 0 ? NonPlanarQuad() : UnitSquareCorners(),
                                   RandomScene(random, 1 + random.Below(6), random.Below(4), -1.0),
                                   Lift::Bilinear, true));

  // A sliver, quads collapsed to a segment and to a point, huge and tiny quads.
  const UVScene scene{{{UV(0.5, 0.0), UV(0.4, 0.6), UV(0.5, 1.0)}, 0, 2, 1},
                      {{UV(0.1, 0.1), UV(0.2, 0.1), UV(0.1, 0.2)}, -1, -1, 2}};
  const MPoint c(0.5, 0.5, 0.0);
  std::vector<Corners> quads{
      {MPoint(0, 0, 0), MPoint(1, 0, 0), MPoint(1, 1e-9, 0), MPoint(0, 1e-9, 0)},
      {MPoint(0, 0, 0), MPoint(1, 0, 0), MPoint(2, 0, 0), MPoint(3, 0, 0)},
      {c, c, c, c}};
  for (const double scale : {1e250, 1e-250}) {
    quads.push_back(UnitSquareCorners());
    for (MPoint& corner : quads.back())
      corner *= scale;
  }
  for (const Corners& corners : quads)
    TrimsOrFailsKnowingly(MakeQuad(corners, scene, Lift::Bilinear, true));
  // A self-crossing loop of many points in one quad (the angular sweep from five on).
  UVLine star;
  for (int i = 0; i < 60; ++i)
    star.points.push_back(UV{random.Unit(), random.Unit()});
  TrimsOrFailsKnowingly(MakeQuad(NonPlanarQuad(), {star}, Lift::Bilinear, false));
}

}  // namespace
