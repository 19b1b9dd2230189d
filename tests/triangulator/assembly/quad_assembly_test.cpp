// The choice of the quads that contribute triangles, and the triangles of an untouched quad.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <memory>
#include <numbers>
#include <random>
#include <set>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/Math/MMTransformMatrix.h"
#include "triangulator/MInternal.h"

namespace {

using MInternal = MCadTriangulator::MInternal;
using MQuads = MCadTriangulator::MQuads;
using MQuadIndex = MQuads::MQuadIndex;
using EVertexStatus = MCadTriangulator::MTrimPartSelector::EVertexStatus;
using Triangle = std::array<std::size_t, 3>;
constexpr EVertexStatus kInside = MCadTriangulator::MTrimPartSelector::Inside;
constexpr EVertexStatus kOutside = MCadTriangulator::MTrimPartSelector::Outside;

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
  const MCadTriangulator::MQuadrangulatedSurface& grid = fixture.grid;
  const std::size_t vertices = 5 * 4;

  EXPECT_EQ(MInternal::CollectQuadsToTriangulate(grid, std::vector(vertices, kOutside)).size(), 0u);
  const std::set<MQuadIndex> all =
      MInternal::CollectQuadsToTriangulate(grid, std::vector(vertices, kInside));
  EXPECT_EQ(all.size(), 12u);

  // Random statuses: a quad is taken exactly when its corner (i, j), vertex i * 4 + j, is inside,
  // whatever its other three corners say.
  std::mt19937_64 rng(77);
  for (int round = 0; round < 50; ++round) {
    std::vector<EVertexStatus> statuses(vertices);
    for (EVertexStatus& s : statuses)
      s = (rng() & 1) ? kInside : kOutside;
    std::set<MQuadIndex> expected;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 3; ++j)
        if (statuses[static_cast<std::size_t>(i) * 4 + j] == kInside)
          expected.insert({i, j});
    EXPECT_EQ(MInternal::CollectQuadsToTriangulate(grid, statuses), expected);
  }
}

TEST(TriangulateQuad, UntouchedQuadGivesItsCornersAndTwoTriangles) {
  const CylinderGrid fixture;
  const MQuads& quads = fixture.grid.quads;
  for (const bool reversed : {false, true}) {
    MCadTriangulator::triangulation_result face;
    face.vertices = {{0, 0, 0}};  // indices of the appended quads start at 1
    std::size_t offset = 1;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 3; ++j) {
        const MQuadIndex quad(i, j);
        const std::size_t triangles = face.triangles.size();
        MInternal::TriangulateQuad(face, fixture.grid, quad, true, 0.01, reversed);
        // Four new vertices, the quad's corners, and the local triangles (0, 1, 3), (3, 1, 2)
        // over corners 0 to 3, turned over on a reversed face.
        ASSERT_EQ(face.vertices.size(), offset + 4);
        ASSERT_EQ(face.triangles.size(), triangles + 2);
        const auto corners = quads.GetQuadVertices(quad);
        std::set<std::size_t> used;
        const std::array<std::array<int, 3>, 2> local = {{{0, 1, 3}, {3, 1, 2}}};
        for (std::size_t t = 0; t < 2; ++t) {
          for (std::size_t k = 0; k < 3; ++k) {
            const std::size_t v = face.triangles[triangles + t][reversed ? 2 - k : k];
            EXPECT_GE(v, offset);
            used.insert(v);
            EXPECT_EQ(face.vertices[v], quads.GetVertex3d(corners[local[t][k]])) << t << k;
          }
        }
        EXPECT_EQ(used.size(), 4u);
        offset += 4;

        // A quad whose first vertex is outside adds nothing.
        MInternal::TriangulateQuad(face, fixture.grid, quad, false, 0.01, reversed);
        EXPECT_EQ(face.vertices.size(), offset);
        EXPECT_EQ(face.triangles.size(), triangles + 2);
      }
    }
    EXPECT_TRUE(face.border_edges.empty());
  }
}

}  // namespace
