// Appending a quad's local mesh to the face mesh, the choice of the quads that contribute
// triangles, and the triangles of an untouched quad.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <limits>
#include <map>
#include <numbers>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/Math/MMTransformMatrix.h"
#include "triangulator/MInternal.h"

namespace {

using MInternal = MCadTriangulator::MInternal;
using MQuadIndex = MCadTriangulator::MQuads::MQuadIndex;
using Selector = MCadTriangulator::MTrimPartSelector;
using Point3 = Oxlen::Math::point<double, 3>;
using Triangle = std::array<std::size_t, 3>;
constexpr std::size_t kRemoved = std::numeric_limits<std::size_t>::max();

Point3 P(int k) {
  return {1.0 * k, 0.5 * k * k, -2.0 * k};
}

TEST(AppendTriangles, MapsVerticesInFirstMetOrderSkipsRemovedTrianglesAndTurnsWhenReversed) {
  // Local vertices 0 to 5: vertex 2 is used only by a border edge, vertex 5 only by a removed
  // triangle. The border edges are iterated in key order: (2, 0) first.
  Oxlen::Geometry::triangle_surface local;
  local.vertices = {P(0), P(1), P(2), P(3), P(4), P(5)};
  local.triangles = {{3, 1, 4}, {kRemoved, 1, 5}, {1, 0, 3}};
  const std::map<std::pair<std::size_t, std::size_t>, int> border{{{4, 3}, 9}, {{2, 0}, 7}};

  for (const bool reversed : {false, true}) {
    // A face mesh that already holds a triangle, so that appended indices are offset.
    MCadTriangulator::triangulation_result face;
    face.vertices = {P(100), P(101), P(102)};
    face.triangles = {{0, 1, 2}};
    face.border_edges = {{1, 2, 42}};
    MInternal::AppendTriangles(face, local, border, reversed);

    // Triangle corners in order first (3, 1, 4, then 0), then the border edges add 2.
    EXPECT_EQ(face.vertices,
              (std::vector<Point3>{P(100), P(101), P(102), P(3), P(1), P(4), P(0), P(2)}));
    const std::vector<Triangle> forward{{0, 1, 2}, {3, 4, 5}, {4, 6, 3}};
    const std::vector<Triangle> turned{{0, 1, 2}, {5, 4, 3}, {3, 6, 4}};
    EXPECT_EQ(face.triangles, reversed ? turned : forward);
    // (first, second, tag), with first and second swapped on a reversed face.
    const std::vector<std::array<std::size_t, 3>> edges{{1, 2, 42}, {7, 6, 7}, {5, 3, 9}};
    ASSERT_EQ(face.border_edges.size(), edges.size());
    for (std::size_t e = 0; e < edges.size(); ++e) {
      const bool swap = reversed && e > 0;
      EXPECT_EQ(face.border_edges[e].first, edges[e][swap ? 1 : 0]) << e;
      EXPECT_EQ(face.border_edges[e].second, edges[e][swap ? 0 : 1]) << e;
      EXPECT_EQ(face.border_edges[e].tag, static_cast<int>(edges[e][2])) << e;
    }
  }
}

// A grid of 5 x 4 isolines (4 x 3 quads) on a placed half cylinder.
struct CylinderGrid {
  MCADUVCylinder cylinder{
      MCADFrame({1, 2, 3}, {0, 1, 1}, {1, 0, 0}), 7.0, 0.0, std::numbers::pi, -2.0, 5.0};
  MCadTriangulator::MAnalyticalSurface surface{
      cylinder, MMTransformMatrix::FromAxes({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {10, 0, 0})};
  MCadTriangulator::MQuadrangulatedSurface grid{surface,
                                                {{0.0, 0.5, 1.0, 2.0, 3.0}, {-2.0, 0.0, 1.5, 5.0}}};
};

TEST(CollectQuadsToTriangulate, TakesTheQuadsWhoseFirstVertexIsInside) {
  const CylinderGrid fixture;
  // Random statuses: a quad is taken exactly when its corner (i, j), vertex i * 4 + j, is
  // inside, whatever its other three corners say.
  std::mt19937_64 rng(77);
  for (int round = 0; round < 50; ++round) {
    std::vector<Selector::EVertexStatus> statuses(20);
    for (auto& s : statuses)
      s = round == 0 || (round > 1 && (rng() & 1)) ? Selector::Inside : Selector::Outside;
    std::set<MQuadIndex> expected;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 3; ++j)
        if (statuses[static_cast<std::size_t>(i) * 4 + j] == Selector::Inside)
          expected.insert({i, j});
    EXPECT_EQ(MInternal::CollectQuadsToTriangulate(fixture.grid, statuses), expected);
  }
}

TEST(TriangulateQuad, UntouchedQuadGivesItsCornersAndTwoTriangles) {
  const CylinderGrid fixture;
  const MCadTriangulator::MQuads& quads = fixture.grid.quads;
  const MQuadIndex quad{2, 1};
  const auto corners = quads.GetQuadVertices(quad);
  for (const bool reversed : {false, true}) {
    MCadTriangulator::triangulation_result face;
    face.vertices = {{0, 0, 0}};  // indices of the appended quad start at 1
    // A quad whose first vertex is outside adds nothing.
    MInternal::TriangulateQuad(face, fixture.grid, quad, false, 0.01, reversed);
    EXPECT_EQ(face.vertices.size(), 1u);
    // Four new vertices, the quad's corners, and the local triangles (0, 1, 3), (3, 1, 2) over
    // corners 0 to 3, turned over on a reversed face.
    MInternal::TriangulateQuad(face, fixture.grid, quad, true, 0.01, reversed);
    ASSERT_EQ(face.vertices.size(), 5u);
    ASSERT_EQ(face.triangles.size(), 2u);
    const std::array<std::array<int, 3>, 2> local = {{{0, 1, 3}, {3, 1, 2}}};
    for (std::size_t t = 0; t < 2; ++t) {
      for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t v = face.triangles[t][reversed ? 2 - k : k];
        EXPECT_GE(v, 1u);
        EXPECT_EQ(face.vertices.at(v), quads.GetVertex3d(corners[local[t][k]])) << t << k;
      }
    }
    EXPECT_TRUE(face.border_edges.empty());
  }
}

}  // namespace
