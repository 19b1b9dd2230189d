#include <gtest/gtest.h>

#include <utility>

#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "grid/grid_fixtures.h"

namespace {

using namespace grid_test;
using MLoopsOnQuads = MCadTriangulator::MLoopsOnQuads;
using MQuadrangulatedSurface = MCadTriangulator::MQuadrangulatedSurface;
using Oxlen::Math::matrix4x4;

TEST(LoopsOnQuads, EmptyDistributionAnswersEveryQuadWithNothing) {
  MLoopsOnQuads loops;
  EXPECT_TRUE(loops.GetAllInnerLoops().empty());
  EXPECT_TRUE(loops.GetAllLoopParts().empty());
  EXPECT_EQ(loops.GetNumberOfSplittingPoints(), 0u);
  for (const MQuadIndex q : {MQuadIndex(0, 0), MQuadIndex(3, 7), MQuads::kInvalidQuadIndex}) {
    EXPECT_EQ(loops.GetNumberOfInnerLoops(q), 0u);
    EXPECT_EQ(loops.GetNumberOfLoopParts(q), 0u);
    EXPECT_TRUE(loops.GetInnerLoops(q).empty());
    EXPECT_TRUE(loops.GetLoopParts(q).empty());
  }
  MLoopsOnQuads moved(std::move(loops));
  EXPECT_EQ(moved.GetNumberOfSplittingPoints(), 0u);
  loops = std::move(moved);
  EXPECT_TRUE(loops.GetAllInnerLoops().empty());

  const MLoopsOnQuads::MLoopSplittingPoint crossing{
      {MQuadEdge({0, 0}, {0, 1}), 0.5}, {0, 0}, MQuads::kInvalidQuadIndex, 3};
  EXPECT_EQ(crossing.tag, 3);
  const MLoopsOnQuads::MLoopPart part{0, 1, {Point3(1, 2, 3)}, std::nullopt};
  EXPECT_FALSE(part.tags.has_value());
}

TEST(QuadrangulatedSurface, BuildsTheGridWithEmptyLoopsAndMoves) {
  const FunctionSurface square = UnitSquare();
  const MAnalyticalSurface flat(square, matrix4x4<double>::identity());
  MQuadrangulatedSurface surface(flat, {Spaced(0, 1, 2), Spaced(0, 1, 3)});
  EXPECT_EQ(surface.quads.GetQuadsCount(), 6u);
  EXPECT_EQ(surface.quads.GetVertex3d({2, 3}), Point3(1.0, 1.0, 0.0));
  EXPECT_TRUE(surface.loops.GetAllLoopParts().empty());
  const MQuadrangulatedSurface moved(std::move(surface));
  EXPECT_EQ(moved.quads.GetQuadsCount(), 6u);
  EXPECT_EQ(&moved.quads.GetSurface(), &flat);
}

}  // namespace
