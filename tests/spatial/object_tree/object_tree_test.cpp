// The object tree: queries against brute force, its shape whatever the threads, degenerate input.

#include <gtest/gtest.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/parallel_for.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "spatial/M3DObjectTree.h"

namespace {

using Box = Oxlen::Math::boundingbox<double, 3>;
using P3 = Oxlen::Math::point<double, 3>;
using Id = std::uint32_t;
using Accessor = MeshQueries::ObjectTreeDefaultAccessor<Id, Box>;
using Tree = MeshQueries::detail::M3DObjectTree<
    MeshQueries::detail::M3DObjectTreeParams<Id, double, 3, Accessor, std::vector<Id>>>;

double Uniform(std::mt19937_64& rng, double lo, double hi) {
  return lo + (hi - lo) * static_cast<double>(rng() >> 11) * 0x1.0p-53;
}

P3 RandomPoint(std::mt19937_64& rng, double range) {
  return {Uniform(rng, -range, range), Uniform(rng, -range, range), Uniform(rng, -range, range)};
}

// Boxes around random centres, about a quarter of them points; or, on a lattice, boxes with
// small integer corners: many equal extents and many boxes straddling a split.
std::vector<Box> RandomBoxes(std::size_t n, std::uint64_t seed, bool lattice = false) {
  std::mt19937_64 rng(seed);
  std::vector<Box> boxes(n);
  for (Box& box : boxes) {
    const P3 c = lattice ? P3{double(rng() % 8), double(rng() % 8), double(rng() % 8)}
                         : RandomPoint(rng, 100);
    const P3 h = lattice     ? P3{double(rng() % 4), double(rng() % 4), double(rng() % 4)}
                 : rng() % 4 ? P3{Uniform(rng, 0, 3), Uniform(rng, 0, 3), Uniform(rng, 0, 3)}
                             : P3{};
    box = lattice ? Box(c, c + h) : Box(c - h, c + h);
  }
  return boxes;
}

std::vector<Id> Ids(std::size_t n) {
  std::vector<Id> ids(n);
  std::iota(ids.begin(), ids.end(), Id{0});
  return ids;
}

void Build(Tree& tree, const std::vector<Box>& boxes, std::size_t leafSize,
           Tree::EConstruction construction = Tree::EConstruction::Automatic) {
  tree.BuildTree(Ids(boxes.size()), Accessor([&boxes](const Id& id) { return boxes[id]; }),
                 Tree::TreeParams{leafSize}, construction);
}

// Canonical form of a tree, independent of where the nodes lie in memory: depth first, each
// node's depth, object range and box, each leaf's object ids in order.
void Dump(const Tree& tree, const Tree::Node& node, std::uint32_t begin, std::uint32_t end,
          std::size_t depth, std::ostringstream& out) {
  out << '\n' << depth << ' ' << begin << ' ' << end << std::hexfloat;
  for (std::size_t a = 0; a < 3; ++a)
    out << ' ' << node.box.minimum[a] << ' ' << node.box.maximum[a];
  const unsigned count = node.children == nullptr ? 0 : node.children[0].first;
  for (std::uint32_t i = begin; count == 0 && i < end; ++i)
    out << ' ' << tree.GetObjects()[i];
  EXPECT_TRUE(count == 0 || count == 2 || count == 3);
  for (unsigned j = 0; j < count; ++j)
    Dump(tree, node.children[j], j == 0 ? begin : node.children[j].first,
         j + 1 < count ? node.children[j + 1].first : end, depth + 1, out);
}

std::string Dump(const Tree& tree) {
  std::ostringstream out;
  Dump(tree, tree.GetRoot(), 0, std::uint32_t(tree.GetObjects().size()), 0, out);
  return out.str();
}

// Checks both queries against brute force for random points and radii.
void ExpectQueriesMatchBruteForce(const Tree& tree, const std::vector<Box>& boxes,
                                  std::size_t queries, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  for (std::size_t q = 0; q < queries; ++q) {
    const P3 p = RandomPoint(rng, 120);
    const auto distance = [&](const Id& id) { return boxes[id].squared_distance(p); };
    double best = std::numeric_limits<double>::infinity();
    for (const Box& box : boxes)
      best = std::min(best, box.squared_distance(p));
    const Id* nearest = tree.FindNearest(p, distance);
    ASSERT_TRUE(nearest) << "query " << q;
    ASSERT_TRUE(distance(*nearest) == best) << "query " << q;
    // Inclusive at the exact nearest distance, nothing just below it, random radii around it.
    const Id* within = tree.FindFirstWithin(p, best, distance);
    ASSERT_TRUE(within);
    EXPECT_TRUE(distance(*within) <= best);
    EXPECT_TRUE(best == 0 || !tree.FindFirstWithin(p, std::nextafter(best, 0.0), distance));
    const double r2 = best * Uniform(rng, 0.5, 2.0);
    const Id* found = tree.FindFirstWithin(p, r2, distance);
    EXPECT_TRUE(found ? best <= r2 && distance(*found) <= r2 : best > r2);
  }
}

TEST(ObjectTree, QueriesMatchBruteForceAndTheShapeIsTheSameWhateverTheConstructionAndThreads) {
  // Sizes on both sides of the parallel threshold; 1999 boxes on a lattice.
  for (const std::size_t n : {999u, 1000u, 1999u, 100000u}) {
    SCOPED_TRACE(n);
    const std::vector<Box> boxes = RandomBoxes(n, 17 + n, n == 1999);
    for (const std::size_t leafSize : {4u, 20u}) {
      Tree serial, tree;
      Build(serial, boxes, leafSize, Tree::EConstruction::Serial);
      const std::string dump = Dump(serial);
      // The parallel construction (threads 0: no limit), then the automatic one on 1, 2, 8 threads.
      for (const int threads : {0, 1, 2, 8}) {
        using enum Tree::EConstruction;
        tbb::global_control limit(tbb::global_control::max_allowed_parallelism,
                                  threads ? threads : 64);
        Tree built;
        Build(built, boxes, leafSize, threads ? Automatic : Parallel);
        EXPECT_TRUE(Dump(built) == dump) << threads << " threads";
        EXPECT_EQ(built.GetMaxDepth(), serial.GetMaxDepth());
      }
      Build(tree, boxes, leafSize);
      EXPECT_EQ(tree.GetNodePool().GetChunkCount() > 0, n >= Tree::parallelThreshold);
      EXPECT_GT(tree.GetNodeCount(), 2 * n / leafSize / 3);
      // The queries run concurrently, as they do in use.
      tbb::parallel_for(0, 4, [&](int k) {
        ExpectQueriesMatchBruteForce(tree, boxes, n > 1000 ? 75 : 500, n + leafSize + k);
      });
    }
  }
}

TEST(ObjectTree, DegenerateInputs) {
  Tree tree;
  const auto zero = [](const Id&) { return 0.0; };
  Build(tree, {}, 4);
  EXPECT_EQ(tree.FindNearest(P3{}, zero), nullptr);
  EXPECT_EQ(tree.FindFirstWithin(P3{}, std::numeric_limits<double>::infinity(), zero), nullptr);
  // Identical objects (serial and parallel sized) are never separable, nor are boxes around one
  // centre, straddling every split, or segments along x through the origin, whose zero-extent
  // axes are tried and masked in turn: the root stays a leaf. Objects on one plane and point
  // objects at repeated positions still split, and so do leafSize + 1.
  std::mt19937_64 rng(21);
  std::vector<Box> centred(3000), segments(200), plane = RandomBoxes(2000, 8),
                                                 points = RandomBoxes(2000, 10);
  for (Box& box : centred) {
    const P3 h{Uniform(rng, 0.1, 5), Uniform(rng, 0.1, 5), Uniform(rng, 0.1, 5)};
    box = Box(-1.0 * h, h);
  }
  for (std::size_t i = 0; i < segments.size(); ++i)
    segments[i] = Box(P3{-1.0 - i, 0, 0}, P3{1.0 + i, 0, 0});
  for (std::size_t i = 0; i < points.size(); ++i) {
    plane[i].minimum[2] = plane[i].maximum[2] = 0.5;
    points[i] = Box(points[i % 97].center(), points[i % 97].center());
  }
  const std::tuple<std::vector<Box>, std::size_t, bool> cases[] = {
      {std::vector<Box>(50, Box(P3{1, 2, 3}, P3{2, 2, 5})), 4, true},
      {std::vector<Box>(5000, Box(P3{1, 2, 3}, P3{2, 2, 5})), 4, true},
      {centred, 4, true},
      {segments, 4, true},
      {{Box(P3{0, 0, 0}, P3{1, 1, 1})}, 20, true},
      {std::vector<Box>(plane.begin(), plane.begin() + 20), 20, true},
      {std::vector<Box>(plane.begin(), plane.begin() + 21), 20, false},
      {plane, 4, false},
      {points, 4, false}};
  for (const auto& [boxes, leafSize, leafRoot] : cases) {
    SCOPED_TRACE(boxes.size());
    Build(tree, boxes, leafSize);
    EXPECT_EQ(tree.GetRoot().children == nullptr, leafRoot);
    ExpectQueriesMatchBruteForce(tree, boxes, 100, boxes.size());
  }
  // Among identical objects the first wins.
  const std::vector<Box>& same = std::get<0>(cases[1]);
  Build(tree, same, 4);
  EXPECT_EQ(tree.FindNearest(P3{}, [&](const Id& id) { return same[id].squared_distance(P3{}); }),
            &tree.GetObjects()[0]);
}

TEST(ObjectTree, NearestVisitsNearerChildFirstAndChildOneOnTies) {
  const double d2[] = {2, 1}, tie2[] = {1, 1}, d3[] = {2, 0, 1}, tie3[] = {1, 1, 1},
               tie12[] = {2, 1, 1};
  for (const double* d : {d2, tie2})
    EXPECT_EQ(Tree::VisitOrder(2, d)[0], 1u);
  for (const double* d : {d3, tie3, tie12})
    EXPECT_EQ(Tree::VisitOrder(3, d), (std::array<unsigned, 3>{1, 2, 0}));
  // Two point objects in two leaves, a query midway: the object of child 1 (right of the split)
  // is found and child 0 pruned; FindFirstWithin searches children in order.
  const std::vector<Box> boxes{Box(P3{1, 0, 0}, P3{1, 0, 0}), Box(P3{-1, 0, 0}, P3{-1, 0, 0})};
  Tree tree;
  Build(tree, boxes, 1);
  int evaluated = 0;
  const auto distance = [&](const Id& id) { return ++evaluated, boxes[id].squared_distance(P3{}); };
  EXPECT_EQ(*tree.FindNearest(P3{}, distance), 0u);
  EXPECT_EQ(evaluated, 1);
  EXPECT_EQ(*tree.FindFirstWithin(P3{}, 1.0, distance), 1u);
}

TEST(ObjectTree, RebuildAndFailures) {
  Tree tree;
  const std::vector<Box> first = RandomBoxes(5000, 41), second = RandomBoxes(700, 42);
  Build(tree, first, 4);
  Build(tree, second, 4);
  EXPECT_EQ(tree.GetNodePool().GetChunkCount(), 0u);
  ExpectQueriesMatchBruteForce(tree, second, 300, 43);
  // An accessor that throws: the exception reaches the caller and the tree is left empty.
  const Accessor failing(
      [](const Id& id) { return id == 123 ? throw std::domain_error("bad") : Box(P3{}, P3{}); });
  for (const std::size_t n : {500u, 5000u}) {
    Build(tree, first, 4);
    EXPECT_THROW(tree.BuildTree(Ids(n), failing, Tree::TreeParams{4}), std::domain_error);
    EXPECT_TRUE(tree.GetObjects().empty());
    EXPECT_EQ(tree.FindNearest(P3{}, [](const Id&) { return 0.0; }), nullptr);
  }
}

// A container that claims more objects than a tree can index, without holding them.
struct OversizedIds : std::vector<Id> {
  std::size_t size() const { return std::size_t{1} << 32; }
};

TEST(ObjectTree, TooManyObjects) {
  using BigTree = MeshQueries::detail::M3DObjectTree<
      MeshQueries::detail::M3DObjectTreeParams<Id, double, 3, Accessor, OversizedIds>>;
  BigTree tree;
  OversizedIds ids{{0, 1, 2}};
  try {
    tree.BuildTree(std::move(ids), Accessor([](const Id&) { return Box(P3{}, P3{}); }),
                   BigTree::TreeParams{4});
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Too many objects");
  }
  EXPECT_EQ(ids.std::vector<Id>::size(), 3u);  // nothing was taken over
  EXPECT_NO_THROW(BigTree::CheckObjectCount(4294967295u));
}

}  // namespace
