#include <gtest/gtest.h>

#include <set>

#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "triangulator/MInternal.h"
#include "triangulator/loops/loop_test_support.h"

namespace {

using namespace loop_test;
using MInternal = MCadTriangulator::MInternal;

std::vector<MSegmentedLoop> Segment(const FaceGrid& g,
                                    const std::optional<std::vector<int>>& tags) {
  return MInternal::SegmentLoops(g.face, tags, 1e-3, g.quads.GetIsolines(),
                                 g.quads.CalculateBoundingBox3d());
}

// The distinct tags of a segmented loop, in the order they first occur.
std::vector<int> TagsInOrder(const MSegmentedLoop& loop) {
  std::vector<int> result;
  for (int t : *loop.tags)
    if (result.empty() || result.back() != t)
      result.push_back(t);
  return result;
}

TEST(SegmentLoops, TakesEachLoopsTagsFromTheFrontOfTheList) {
  FaceGrid g = PlaneGrid(4);
  auto plane = std::dynamic_pointer_cast<const MCADUVPlane>(g.face.GetSharedSurface());
  g.face.AddLoop(MCADLoopBuilder(plane).Polygon({{1, 1}, {9, 1}, {5, 9}}).Build());
  g.face.AddLoop(MCADLoopBuilder(plane).Rectangle({3, 2}, {6, 5}, true).Build());

  const auto loops = Segment(g, std::vector<int>{1, 2, 3, 4, 5, 6, 7});
  ASSERT_EQ(loops.size(), 2u);
  for (const auto& loop : loops)
    ASSERT_EQ(loop.tags->size(), loop.points.size());
  EXPECT_EQ(TagsInOrder(loops[0]), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(TagsInOrder(loops[1]), (std::vector<int>{4, 5, 6, 7}));

  // A list that runs empty leaves the remaining loops with zero tags.
  const auto short_ = Segment(g, std::vector<int>{1, 2, 3});
  EXPECT_EQ(TagsInOrder(short_[1]), (std::vector<int>{0}));
  // Without tags the loops carry none.
  for (const auto& loop : Segment(g, std::nullopt))
    EXPECT_FALSE(loop.tags.has_value());
}

TEST(SegmentLoops, FallsBackToTheSingleValidAlternative) {
  FaceGrid g = PlaneGrid(4);
  auto plane = std::dynamic_pointer_cast<const MCADUVPlane>(g.face.GetSharedSurface());
  // A loop too small to be segmented (its points span less than 1e-4).
  auto tiny = [&] { return MCADLoopBuilder(plane).Circle({5, 5}, 1e-6).Build(); };
  auto good = MCADLoopBuilder(plane).Polygon({{1, 1}, {9, 1}, {9, 9}, {1, 9}}).Build();

  auto withAlternative = tiny();
  withAlternative->AddAlternativeLoop(good);
  auto withoutAlternative = tiny();
  auto withInvalidAlternative = tiny();
  withInvalidAlternative->AddAlternativeLoop(
      MCADLoopBuilder(plane).Line({0, 0}, {1, 0}).Build());  // does not close
  auto withTwoAlternatives = tiny();
  withTwoAlternatives->AddAlternativeLoop(good);
  withTwoAlternatives->AddAlternativeLoop(good);
  for (const auto& loop :
       {withAlternative, withoutAlternative, withInvalidAlternative, withTwoAlternatives})
    g.face.AddLoop(loop);

  const auto loops = Segment(g, std::vector<int>{9, 8, 7, 6});
  // Only the loop with a single valid alternative survives, segmented from the alternative with
  // zero tags (its own tag was consumed by the failed direct attempt).
  ASSERT_EQ(loops.size(), 1u);
  EXPECT_EQ(loops[0].points.size() >= 4, true);
  EXPECT_EQ(TagsInOrder(loops[0]), (std::vector<int>{0}));
  EXPECT_EQ(loops[0].tags->size(), loops[0].points.size());
}

}  // namespace
