// Splittings chosen without building every candidate in full (2-splitting scores counted, the
// vertex-free alternative, 3-splitting candidates abandoned once they lose), against the
// candidates built in full.
#include "cut_scorer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "M2SplittingGenerator.h"
#include "M3SplittingGenerator.h"
#include "loop_edge_index.h"

namespace {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;
using M2 = MTrimmer::M2SplittingGenerator;

double Uniform(std::mt19937& rng) {
  return std::uniform_real_distribution<double>(0.0, 1.0)(rng);
}

// A triangle (0, 0), (4, 0), (0, 4) with a few points on every edge (ordered from the edge's
// start) and inside (slightly off its plane, as on a curved quad), and segments between random
// points, corners included, some of them along a possible cut; with the mesh holding its points.
struct MScene {
  MTrimmer::MTriangleToTrim triangle;
  MTrimmer::MTriangles mesh;
};

MScene RandomTriangle(std::mt19937& rng) {
  MScene scene;
  auto& [triangle, mesh] = scene;
  const MPoint corners[3] = {MPoint(0, 0, 0), MPoint(4, 0, 0), MPoint(0, 4, 0)};
  mesh.vertices.assign(corners, corners + 3);
  triangle = {{0, 1, 2}, {}, {}, {}};
  std::vector<std::int32_t> all{0, 1, 2};
  const auto add = [&](const MPoint& p) {
    mesh.vertices.push_back(p);
    all.push_back(static_cast<std::int32_t>(mesh.vertices.size() - 1));
    return all.back();
  };
  for (int e = 0; e < 3; ++e) {
    std::vector<double> at(rng() % 5);
    for (double& t : at)
      t = 0.05 + 0.9 * Uniform(rng);
    std::sort(at.begin(), at.end());
    for (const double t : at)
      triangle.edgePoints[e].push_back(add(corners[e] + t * (corners[(e + 1) % 3] - corners[e])));
  }
  for (int n = static_cast<int>(rng() % 7); n > 0; --n) {
    const double a = Uniform(rng), b = Uniform(rng) * (1.0 - a);
    triangle.innerPoints.push_back(add(MPoint(4 * a, 4 * b, 0.2 * (Uniform(rng) - 0.5))));
  }
  for (int n = static_cast<int>(rng() % 9); n > 0; --n) {
    const std::int32_t from = all[rng() % all.size()];
    const std::int32_t to = rng() % 4 == 0 ? 2 : all[rng() % all.size()];
    if (from != to)
      triangle.segments.emplace_back(from, to, static_cast<int>(rng() % 3));
  }
  return scene;
}

// Splittings built from the same input must be the same, child by child.
void ExpectSameSplitting(const MTrimmer::MSplitting& a, const MTrimmer::MSplitting& b, int round) {
  ASSERT_EQ(a.children.size(), b.children.size()) << round;
  for (std::size_t c = 0; c < a.children.size(); ++c) {
    EXPECT_EQ(a.children[c].vertices, b.children[c].vertices) << round;
    EXPECT_EQ(a.children[c].edgePoints, b.children[c].edgePoints) << round;
    EXPECT_EQ(a.children[c].innerPoints, b.children[c].innerPoints) << round;
    EXPECT_TRUE(a.children[c].segments == b.children[c].segments) << round;
  }
  EXPECT_EQ(a.newVertices, b.newVertices) << round;
  EXPECT_TRUE(a.addedSegments == b.addedSegments) << round;
  EXPECT_TRUE(a.removedSegments == b.removedSegments) << round;
}

TEST(CutScorer, CountsWhatTheBuiltCutHoldsForEveryCandidateOfRandomTriangles) {
  std::mt19937 rng(2024);
  int compared = 0;
  for (int round = 0; round < 2000; ++round) {
    const auto [triangle, mesh] = RandomTriangle(rng);
    trimming::detail::MCutScorer scorer(triangle, mesh);
    for (int k = 0; k < 3; ++k) {
      for (const std::int32_t p : triangle.edgePoints[k]) {
        const M2::MScore expected =
            M2::Score(triangle, M2::Generate2Splitting(triangle, mesh, k, p));
        const std::optional<M2::MScore> counted = scorer.Score(k, p);
        ASSERT_TRUE(counted.has_value());
        EXPECT_EQ(counted->newEdgeIsSegment, expected.newEdgeIsSegment);
        EXPECT_EQ(counted->newVertexCount, expected.newVertexCount);
        EXPECT_EQ(counted->maxChildSegments, expected.maxChildSegments);
        ++compared;
      }
      // A point that is not on the edge, or a corner, is left to the full build.
      EXPECT_FALSE(scorer.Score(k, triangle.vertices[k]).has_value());
      EXPECT_FALSE(scorer.Score(k, 999).has_value());
    }
  }
  EXPECT_GT(compared, 5000);
}

// Beside a 3-splitting that creates vertices, the trimmer looks for the best 2-splitting only
// when it creates none, without scoring every cut in full: it must find it exactly when the
// best cut creates no vertex, and the same cut.
TEST(CutScorer, TheVertexFreeAlternativeIsTheBestCutWhenThatCreatesNoVertex) {
  std::mt19937 rng(7);
  int taken = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    const auto [triangle, mesh] = RandomTriangle(rng);
    if (triangle.edgePoints[0].empty() && triangle.edgePoints[1].empty() &&
        triangle.edgePoints[2].empty())
      continue;
    const trimming::detail::MLoopEdgeIndex loopEdges(mesh.segments);
    bool found = false;
    const MTrimmer::MSplitting best = M2::SelectBest(triangle, mesh, loopEdges, found);
    const std::optional<MTrimmer::MSplitting> alternative =
        M2::SelectBestWithoutNewVertices(triangle, mesh, loopEdges);
    ASSERT_TRUE(found);
    ASSERT_EQ(alternative.has_value(), best.newVertices.empty()) << round;
    if (!alternative) {
      ++refused;
      continue;
    }
    ++taken;
    ExpectSameSplitting(*alternative, best, round);
  }
  EXPECT_GT(taken, 300);
  EXPECT_GT(refused, 300);
}

// With fewer than five inner points every candidate used to be built; now one is abandoned as
// soon as it cannot create fewer vertices than the best so far. The choice must be the first
// candidate with the fewest vertices, as when all are built.
TEST(ThreeSplittingChoice, AbandonedCandidatesLeaveTheFewestVertexChoiceAsItWas) {
  std::mt19937 rng(11);
  int compared = 0;
  for (int round = 0; round < 3000; ++round) {
    const auto [triangle, mesh] = RandomTriangle(rng);
    if (triangle.innerPoints.empty() || triangle.innerPoints.size() >= 5)
      continue;
    // Random segments may join two corners: then every candidate fails the same way.
    std::optional<MTrimmer::MSplitting> fewest;
    std::string fewestError, chosenError;
    try {
      for (const std::int32_t i : triangle.innerPoints) {
        MTrimmer::MSplitting candidate =
            MTrimmer::M3SplittingGenerator::Generate3Splitting(triangle, mesh, i);
        if (!fewest || candidate.newVertices.size() < fewest->newVertices.size())
          fewest = std::move(candidate);
      }
    } catch (const std::logic_error& e) {
      fewestError = e.what();
    }
    bool found = false;
    MTrimmer::MSplitting chosen;
    try {
      chosen = MTrimmer::M3SplittingGenerator::Generate3Splitting(triangle, mesh, found);
    } catch (const std::logic_error& e) {
      chosenError = e.what();
    }
    ASSERT_EQ(chosenError, fewestError) << round;
    if (!fewestError.empty())
      continue;
    ASSERT_TRUE(found);
    ExpectSameSplitting(chosen, *fewest, round);
    ++compared;
  }
  EXPECT_GT(compared, 1000);
}

}  // namespace
