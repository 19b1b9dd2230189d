// Properties of trimmed quads on random, non-crossing loop parts and inner loops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <map>
#include <set>
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
      EXPECT_EQ(again.vertices, result.vertices);
      EXPECT_EQ(again.triangles, result.triangles);
      EXPECT_EQ(again.segments, result.segments);

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

// A straight part keeps, for an inside corner 0 on its left, exactly the polygon it cuts off on
// its left: the part, then the border counter-clockwise from its end back to its start.
TEST(SelectInnerTriangles, KeepsThePolygonThatAStraightPartCutsOffOnItsLeft) {
  Random random(99);
  for (const Corners& corners : {UnitSquareCorners(), PlanarQuad()}) {
    for (int trial = 0; trial < 60; ++trial) {
      UVLine part;
      part.startEdge = trial % 4;
      part.endEdge = (part.startEdge + 1 + random.Below(3)) % 4;
      const UV start = OnSquareEdge(part.startEdge, random.In(0.05, 0.95));
      const UV end = OnSquareEdge(part.endEdge, random.In(0.05, 0.95));
      part.points = {start, end};
      part.points.insert(part.points.begin() + 1, static_cast<std::size_t>(random.Below(3)), start);
      part.tag = 1;
      MTrimmer::MQuadToTrim quad = MakeQuad(corners, {part}, Lift::Bilinear, trial % 2 == 0);
      // Points on the straight segment from the entering to the leaving crossing.
      MTrimmer::MPartToTrim& straight = quad.parts[0];
      for (std::size_t i = 0; i < straight.points.size(); ++i)
        straight.points[i] = lerp(straight.startPoint, straight.endPoint, 0.3 * (i + 1.0));
      const MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);

      std::vector<MPoint> polygon{quad.parts[0].startPoint, quad.parts[0].endPoint};
      for (int c = (part.endEdge + 1) % 4;; c = (c + 1) % 4) {
        polygon.push_back(corners[c]);
        if (c == part.startEdge)
          break;
      }
      MPoint sum(0.0, 0.0, 0.0);
      for (std::size_t i = 0; i < polygon.size(); ++i)
        sum += cross(polygon[i], polygon[(i + 1) % polygon.size()]);
      const std::vector<bool> keep =
          MTrimmer::SelectInnerTriangles(result, SignedArea(start, end, UV(0.0, 0.0)) > 0.0);
      double kept = 0.0;
      for (std::size_t t = 0; t < keep.size(); ++t) {
        const auto& v = result.triangles[t];
        kept += keep[t] ? 0.5 * length(cross(result.vertices[v[1]] - result.vertices[v[0]],
                                             result.vertices[v[2]] - result.vertices[v[0]]))
                        : 0.0;
      }
      EXPECT_NEAR(kept, 0.5 * length(sum), 1e-12 * (1.0 + 0.5 * length(sum)))
          << "edges " << part.startEdge << " -> " << part.endEdge << ", trial " << trial;
    }
  }
}

}  // namespace
