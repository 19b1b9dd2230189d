// Properties of trimmed quads on random, non-crossing loop parts and inner loops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "trim_fixtures.h"

namespace {

using namespace trimmer_test;

struct QuadCase {
  const char* name;
  Corners corners;
  Lift lift;
  // How far result segments may lie from the straight input segments: on a non-planar quad a
  // segment from one triangle to the other is cut at the diagonal point nearest to it, which
  // lies off the straight segment by up to the quad's bend.
  double followTolerance;
};

std::vector<QuadCase> QuadCases() {
  return {{"unit square", UnitSquareCorners(), Lift::Bilinear, 1e-9},
          {"planar quad", PlanarQuad(), Lift::Bilinear, 1e-9},
          {"non-planar quad, points on its triangles", NonPlanarQuad(), Lift::Piecewise, 5e-2},
          {"non-planar quad, points on its bilinear patch", NonPlanarQuad(), Lift::Bilinear, 5e-2}};
}

UV Centroid(const std::vector<UV>& uv, const std::array<std::int32_t, 3>& t) {
  return (uv[t[0]] + uv[t[1]] + uv[t[2]]) / 3.0;
}

TEST(TrimQuad, RandomLoopsAreCutIntoTrianglesThatTileTheQuadAlongTheLoops) {
  Random random(20240611);
  std::size_t segments = 0;
  for (const QuadCase& quadCase : QuadCases()) {
    for (int scene = 0; scene < 60; ++scene) {
      SCOPED_TRACE(std::string(quadCase.name) + ", scene " + std::to_string(scene));
      const UVScene uvScene = RandomScene(random, random.Below(6), random.Below(4));
      const MTrimmer::MQuadToTrim quad = MakeQuad(quadCase.corners, uvScene, quadCase.lift, true);
      const MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);

      std::string why;
      ASSERT_TRUE(MTrimmer::IsValid(result, &why)) << why;
      const std::vector<UV> uv = Parameters(quadCase.corners, result);
      EXPECT_TRUE(TilesTheSquare(uv, result, random));
      EXPECT_TRUE(NoPointLeft(uv, result));
      EXPECT_TRUE(SegmentsFollowTheLoops(result, quad, quadCase.followTolerance));
      segments += result.segments.size();

      // The inner triangles are those an odd number of loop crossings away from an inside
      // corner 0, and every triangle is reached.
      for (const bool firstInside : {true, false}) {
        const std::vector<bool> keep = MTrimmer::SelectInnerTriangles(result, firstInside);
        ASSERT_EQ(keep.size(), result.triangles.size());
        for (std::size_t t = 0; t < keep.size(); ++t)
          EXPECT_EQ(keep[t],
                    InsideByParity(Centroid(uv, result.triangles[t]), uv, result, firstInside))
              << "triangle " << t;
      }
    }
  }
  EXPECT_GT(segments, 1000u);  // the scenes really hold loops
}

// The same record gives the same mesh, bit for bit.
TEST(TrimQuad, IsDeterministic) {
  Random random(7);
  for (int scene = 0; scene < 10; ++scene) {
    const MTrimmer::MQuadToTrim quad =
        MakeQuad(NonPlanarQuad(), RandomScene(random, 4, 2), Lift::Bilinear, scene % 2 == 0);
    const MTrimmer::MTriangles first = MTrimmer::TrimQuad(quad);
    const MTrimmer::MTriangles second = MTrimmer::TrimQuad(quad);
    EXPECT_EQ(first.vertices, second.vertices);
    EXPECT_EQ(first.triangles, second.triangles);
    EXPECT_EQ(first.segments, second.segments);
  }
}

// Area of a planar polygon in space.
double PolygonArea(const std::vector<MPoint>& polygon) {
  MPoint sum(0.0, 0.0, 0.0);
  for (std::size_t i = 0; i < polygon.size(); ++i)
    sum += cross(polygon[i], polygon[(i + 1) % polygon.size()]);
  return 0.5 * length(sum);
}

double TriangleArea(const MTrimmer::MTriangles& mesh, std::size_t t) {
  const auto& v = mesh.triangles[t];
  return 0.5 * length(cross(mesh.vertices[v[1]] - mesh.vertices[v[0]],
                            mesh.vertices[v[2]] - mesh.vertices[v[0]]));
}

TEST(SelectInnerTriangles, KeepsThePolygonThatAStraightPartCutsOffOnItsLeft) {
  Random random(99);
  for (const Corners& corners : {UnitSquareCorners(), PlanarQuad()}) {
    for (int trial = 0; trial < 60; ++trial) {
      const int startEdge = trial % 4;
      const int endEdge = (startEdge + 1 + random.Below(3)) % 4;
      UVScene scene;
      UVPart part;
      part.startEdge = startEdge;
      part.endEdge = endEdge;
      part.start = OnSquareEdge(startEdge, random.In(0.05, 0.95));
      part.end = OnSquareEdge(endEdge, random.In(0.05, 0.95));
      part.points.resize(random.Below(3));
      part.tag = 1;
      scene.parts.push_back(part);
      MTrimmer::MQuadToTrim quad = MakeQuad(corners, scene, Lift::Bilinear, trial % 2 == 0);
      // Points on the straight segment from the entering to the leaving crossing.
      MTrimmer::MPartToTrim& straight = quad.parts[0];
      for (std::size_t i = 0; i < straight.points.size(); ++i)
        straight.points[i] = lerp(straight.startPoint, straight.endPoint, 0.3 * (i + 1.0));
      const MTrimmer::MTriangles result = MTrimmer::TrimQuad(quad);

      // The region left of start -> end: the part, then the border counter-clockwise from the
      // end back to the start.
      std::vector<MPoint> polygon{quad.parts[0].startPoint, quad.parts[0].endPoint};
      for (int c = (endEdge + 1) % 4;; c = (c + 1) % 4) {
        polygon.push_back(corners[c]);
        if (c == startEdge)
          break;
      }
      const bool cornerZeroLeft = SignedArea(part.start, part.end, UV(0.0, 0.0)) > 0.0;
      const std::vector<bool> keep = MTrimmer::SelectInnerTriangles(result, cornerZeroLeft);
      double kept = 0.0;
      double total = 0.0;
      for (std::size_t t = 0; t < keep.size(); ++t) {
        total += TriangleArea(result, t);
        if (keep[t])
          kept += TriangleArea(result, t);
      }
      EXPECT_NEAR(kept, PolygonArea(polygon), 1e-12 * (1.0 + total))
          << "edges " << startEdge << " -> " << endEdge << ", trial " << trial;
    }
  }
}

}  // namespace
