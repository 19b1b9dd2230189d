#include <gtest/gtest.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "spatial/M3DObjectTree.h"

namespace {

using Box = Oxlen::Math::boundingbox<double, 3>;
using P3 = Oxlen::Math::point<double, 3>;
using Id = std::uint32_t;
using Accessor = MeshQueries::ObjectTreeDefaultAccessor<Id, Box>;
using Tree = MeshQueries::detail::M3DObjectTree<
    MeshQueries::detail::M3DObjectTreeParams<Id, double, 3, Accessor, std::vector<Id>>>;
using EConstruction = Tree::EConstruction;
using Node = Tree::Node;

double Uniform(std::mt19937_64& rng, double lo, double hi) {
  return lo + (hi - lo) * static_cast<double>(rng() >> 11) * 0x1.0p-53;
}

P3 RandomPoint(std::mt19937_64& rng, double range) {
  return {Uniform(rng, -range, range), Uniform(rng, -range, range), Uniform(rng, -range, range)};
}

// Boxes around random centres; about a quarter are points (zero extent on every axis).
std::vector<Box> RandomBoxes(std::size_t n, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<Box> boxes(n);
  for (Box& box : boxes) {
    const P3 c = RandomPoint(rng, 100);
    const bool isPoint = rng() % 4 == 0;
    P3 h{Uniform(rng, 0, 3), Uniform(rng, 0, 3), Uniform(rng, 0, 3)};
    if (isPoint)
      h = P3{};
    box = Box(c - h, c + h);
  }
  return boxes;
}

// Boxes with small integer corners: many equal extents and many boxes straddling a split.
std::vector<Box> LatticeBoxes(std::size_t n, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<Box> boxes(n);
  for (Box& box : boxes) {
    for (std::size_t a = 0; a < 3; ++a) {
      box.minimum[a] = static_cast<double>(rng() % 8);
      box.maximum[a] = box.minimum[a] + static_cast<double>(rng() % 4);
    }
  }
  return boxes;
}

std::vector<Id> Ids(std::size_t n) {
  std::vector<Id> ids(n);
  std::iota(ids.begin(), ids.end(), Id{0});
  return ids;
}

void Build(Tree& tree, const std::vector<Box>& boxes, std::size_t leafSize,
           EConstruction construction = EConstruction::Automatic) {
  tree.BuildTree(Ids(boxes.size()), Accessor([&boxes](const Id& id) { return boxes[id]; }),
                 Tree::TreeParams{leafSize}, construction);
}

// Canonical form of a tree: depth first, children in order; each node's depth, object range and
// box; each leaf's object ids in order. Independent of where the nodes lie in memory.
void DumpNode(const Tree& tree, const Node& node, std::uint32_t begin, std::uint32_t end,
              std::size_t depth, std::ostringstream& out) {
  out << depth << ' ' << begin << ' ' << end << std::hexfloat;
  for (std::size_t a = 0; a < 3; ++a)
    out << ' ' << node.box.minimum[a] << ' ' << node.box.maximum[a];
  if (node.children == nullptr) {
    out << " :";
    for (std::uint32_t i = begin; i < end; ++i)
      out << ' ' << tree.GetObjects()[i];
    out << '\n';
    return;
  }
  out << '\n';
  const unsigned count = node.children[0].first;
  EXPECT_TRUE(count == 2 || count == 3);
  for (unsigned j = 0; j < count; ++j) {
    const std::uint32_t b = j == 0 ? begin : node.children[j].first;
    const std::uint32_t e = j + 1 < count ? node.children[j + 1].first : end;
    EXPECT_LT(b, e);
    DumpNode(tree, node.children[j], b, e, depth + 1, out);
  }
}

void CollectNodes(const Node& node, std::vector<const Node*>& all) {
  if (node.children == nullptr)
    return;
  for (unsigned j = 0; j < node.children[0].first; ++j) {
    all.push_back(&node.children[j]);
    CollectNodes(node.children[j], all);
  }
}

// True when the nodes below the root fill one gapless array.
bool NodesAreCompact(const Tree& tree) {
  std::vector<const Node*> all;
  CollectNodes(tree.GetRoot(), all);
  std::sort(all.begin(), all.end());
  for (std::size_t i = 1; i < all.size(); ++i) {
    if (all[i] != all[i - 1] + 1)
      return false;
  }
  return all.size() + 1 == tree.GetNodeCount();
}

std::string Dump(const Tree& tree) {
  std::ostringstream out;
  DumpNode(tree, tree.GetRoot(), 0, static_cast<std::uint32_t>(tree.GetObjects().size()), 0, out);
  return out.str();
}

// Independent straightforward build of the same recipe, written in the dump format.
struct ReferenceBuilder {
  std::vector<Id> ids;
  const std::vector<Box>& boxes;
  std::size_t leafSize;
  std::ostringstream out;
  std::size_t maxDepth = 0;

  void Visit(std::uint32_t begin, std::uint32_t end, unsigned mask, std::size_t depth) {
    maxDepth = std::max(maxDepth, depth);
    Box box;
    for (std::uint32_t i = begin; i < end; ++i)
      box.extend(boxes[ids[i]]);
    out << depth << ' ' << begin << ' ' << end << std::hexfloat;
    for (std::size_t a = 0; a < 3; ++a)
      out << ' ' << box.minimum[a] << ' ' << box.maximum[a];
    while (mask != 7 && end - begin > leafSize) {
      int axis = -1;
      for (int a = 0; a < 3; ++a) {
        const double e = box.maximum[a] - box.minimum[a];
        if (!(mask & (1u << a)) && e >= 0 &&
            (axis < 0 || e >= box.maximum[axis] - box.minimum[axis]))
          axis = a;
      }
      if (axis < 0)
        break;
      const double m = 0.5 * box.maximum[axis] + 0.5 * box.minimum[axis];
      std::uint32_t i = begin, lo = begin, hi = end;
      while (i < hi) {
        if (boxes[ids[i]].maximum[axis] < m) {
          std::swap(ids[i++], ids[lo++]);
        } else if (boxes[ids[i]].minimum[axis] > m) {
          std::swap(ids[i], ids[--hi]);
        } else {
          ++i;
        }
      }
      const int groups = (lo > begin) + (hi > lo) + (end > hi);
      if (groups == 1) {
        mask |= 1u << axis;
        continue;
      }
      out << '\n';
      if (lo > begin)
        Visit(begin, lo, mask, depth + 1);
      if (hi > lo)
        Visit(lo, hi, mask | (1u << axis), depth + 1);
      if (end > hi)
        Visit(hi, end, mask, depth + 1);
      return;
    }
    out << " :";
    for (std::uint32_t i = begin; i < end; ++i)
      out << ' ' << ids[i];
    out << '\n';
  }
};

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
    ASSERT_NE(nearest, nullptr);
    ASSERT_EQ(distance(*nearest), best) << "query " << q;

    // Inclusive at the exact nearest distance, nothing just below it, random radii around it.
    const Id* within = tree.FindFirstWithin(p, best, distance);
    ASSERT_NE(within, nullptr);
    EXPECT_LE(distance(*within), best);
    if (best > 0) {
      EXPECT_EQ(tree.FindFirstWithin(p, std::nextafter(best, 0.0), distance), nullptr);
    }
    const double r2 = best * Uniform(rng, 0.5, 2.0);
    const Id* found = tree.FindFirstWithin(p, r2, distance);
    EXPECT_EQ(found != nullptr, best <= r2);
    if (found != nullptr) {
      EXPECT_LE(distance(*found), r2);
    }
  }
}

TEST(ObjectTree, QueriesMatchBruteForceOnSerialAndParallelBuilds) {
  for (const std::size_t n : {999u, 1000u, 100000u}) {
    SCOPED_TRACE(n);
    const std::vector<Box> boxes = RandomBoxes(n, 17 + n);
    for (const std::size_t leafSize : {4u, 20u}) {
      Tree tree;
      Build(tree, boxes, leafSize);
      EXPECT_EQ(tree.GetNodePool().GetChunkCount() > 0, n >= Tree::parallelThreshold);
      EXPECT_GT(tree.GetNodeCount(), 2 * n / leafSize / 3);
      ExpectQueriesMatchBruteForce(tree, boxes, n > 1000 ? 300 : 2000, n + leafSize);
    }
  }
}

TEST(ObjectTree, ShapeFollowsTheSplitRecipeWhateverTheThreads) {
  for (const std::size_t n : {999u, 1000u, 1999u}) {
    SCOPED_TRACE(n);
    const std::vector<Box> boxes = n < 1999 ? RandomBoxes(n, 5) : LatticeBoxes(n, 6);
    ReferenceBuilder reference{Ids(n), boxes, 4, {}};
    reference.Visit(0, static_cast<std::uint32_t>(n), 0, 0);

    Tree automatic, serial, parallel;
    Build(automatic, boxes, 4);
    Build(serial, boxes, 4, EConstruction::Serial);
    Build(parallel, boxes, 4, EConstruction::Parallel);
    const std::string dump = Dump(automatic);
    EXPECT_TRUE(dump == reference.out.str());
    EXPECT_TRUE(Dump(serial) == dump);
    EXPECT_TRUE(Dump(parallel) == dump);
    EXPECT_EQ(automatic.GetMaxDepth(), reference.maxDepth);
    EXPECT_EQ(serial.GetMaxDepth(), reference.maxDepth);
    EXPECT_EQ(parallel.GetMaxDepth(), reference.maxDepth);
    EXPECT_TRUE(NodesAreCompact(serial));
    for (const int threads : {1, 2, 8}) {
      tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
      Tree tree;
      Build(tree, boxes, 4);
      EXPECT_TRUE(Dump(tree) == dump) << threads << " threads";
      EXPECT_EQ(tree.GetMaxDepth(), reference.maxDepth);
    }
  }
}

TEST(ObjectTree, DegenerateInputs) {
  const auto nearestOf = [](const Tree& tree, const std::vector<Box>& boxes, const P3& p) {
    return tree.FindNearest(p, [&](const Id& id) { return boxes[id].squared_distance(p); });
  };
  // Identical objects, serial and parallel sized: never separable, so the root is a leaf and
  // the first of the equally near objects wins.
  for (const std::size_t n : {50u, 5000u}) {
    const std::vector<Box> boxes(n, Box(P3{1, 2, 3}, P3{2, 2, 5}));
    Tree tree;
    Build(tree, boxes, 4);
    EXPECT_EQ(tree.GetRoot().children, nullptr);
    EXPECT_EQ(tree.GetMaxDepth(), 0u);
    EXPECT_EQ(nearestOf(tree, boxes, P3{9, 9, 9}), &tree.GetObjects()[0]);
  }
  // Objects on one plane, of zero extent across it.
  {
    std::vector<Box> boxes = RandomBoxes(3000, 8);
    for (Box& box : boxes)
      box.minimum[2] = box.maximum[2] = 0.5;
    Tree tree;
    Build(tree, boxes, 4);
    ExpectQueriesMatchBruteForce(tree, boxes, 300, 9);
  }
  // Point objects only, with many repeated positions.
  {
    std::vector<Box> boxes = RandomBoxes(2000, 10);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const P3 c = boxes[i % 97].center();
      boxes[i] = Box(c, c);
    }
    Tree tree;
    Build(tree, boxes, 4);
    ExpectQueriesMatchBruteForce(tree, boxes, 300, 11);
  }
  // A single object.
  {
    const std::vector<Box> boxes{Box(P3{0, 0, 0}, P3{1, 1, 1})};
    Tree tree;
    Build(tree, boxes, 20);
    EXPECT_EQ(tree.GetNodeCount(), 1u);
    EXPECT_EQ(nearestOf(tree, boxes, P3{3, 0.5, 0.5}), &tree.GetObjects()[0]);
    ExpectQueriesMatchBruteForce(tree, boxes, 50, 12);
  }
  // Exactly leafSize objects make a leaf root; one more splits it.
  {
    std::vector<Box> boxes = RandomBoxes(21, 13);
    Tree tree;
    Build(tree, std::vector<Box>(boxes.begin(), boxes.begin() + 20), 20);
    EXPECT_EQ(tree.GetRoot().children, nullptr);
    EXPECT_EQ(tree.GetMaxDepth(), 0u);
    Build(tree, boxes, 20);
    EXPECT_NE(tree.GetRoot().children, nullptr);
  }
}

TEST(ObjectTree, EmptyTreeHasNoAnswers) {
  Tree tree;
  EXPECT_EQ(tree.GetMaxDepth(), std::numeric_limits<std::size_t>::max());
  EXPECT_EQ(tree.GetRoot().box.minimum[0], std::numeric_limits<double>::max());
  Build(tree, {}, 4);
  const auto zero = [](const Id&) { return 0.0; };
  EXPECT_EQ(tree.FindNearest(P3{}, zero), nullptr);
  EXPECT_EQ(tree.FindFirstWithin(P3{}, std::numeric_limits<double>::infinity(), zero), nullptr);
  EXPECT_EQ(tree.GetMaxDepth(), 0u);
}

TEST(ObjectTree, ObjectsStraddlingEverySplitShareOneLeaf) {
  // Boxes centred on one point: each straddles the middle of every axis.
  std::mt19937_64 rng(21);
  std::vector<Box> boxes(3000);
  for (Box& box : boxes) {
    const P3 h{Uniform(rng, 0.1, 5), Uniform(rng, 0.1, 5), Uniform(rng, 0.1, 5)};
    box = Box(-1.0 * h, h);
  }
  Tree tree;
  Build(tree, boxes, 4);
  EXPECT_EQ(tree.GetRoot().children, nullptr);
  ExpectQueriesMatchBruteForce(tree, boxes, 100, 22);

  // Segments along x through the origin: x separates nothing, and the zero-extent axes z and
  // then y are chosen (ties to the higher axis) and masked in turn.
  std::vector<Box> segments(200);
  for (std::size_t i = 0; i < segments.size(); ++i)
    segments[i] = Box(P3{-1.0 - i, 0, 0}, P3{1.0 + i, 0, 0});
  Build(tree, segments, 4);
  EXPECT_EQ(tree.GetRoot().children, nullptr);

  // Zero extent on y only: x and z still split.
  std::vector<Box> flat = RandomBoxes(500, 23);
  for (Box& box : flat)
    box.minimum[1] = box.maximum[1] = 0;
  Build(tree, flat, 4);
  EXPECT_NE(tree.GetRoot().children, nullptr);
}

TEST(ObjectTree, NearestVisitsNearerChildFirstAndChildOneOnTies) {
  using Order = std::array<unsigned, 3>;
  const auto order = [](std::initializer_list<double> d) {
    const std::vector<double> v(d);
    return Tree::VisitOrder(static_cast<unsigned>(v.size()), v.data());
  };
  EXPECT_EQ(order({1, 1})[0], 1u);
  EXPECT_EQ(order({1, 2})[0], 0u);
  EXPECT_EQ(order({2, 1})[0], 1u);
  EXPECT_EQ(order({0, 1, 2}), (Order{0, 1, 2}));
  EXPECT_EQ(order({0, 2, 1}), (Order{0, 2, 1}));
  EXPECT_EQ(order({0, 2, 0}), (Order{0, 2, 1}));
  EXPECT_EQ(order({1, 2, 0}), (Order{2, 0, 1}));
  EXPECT_EQ(order({2, 1, 0}), (Order{2, 1, 0}));
  EXPECT_EQ(order({2, 1, 1}), (Order{1, 2, 0}));
  EXPECT_EQ(order({2, 1, 2}), (Order{1, 2, 0}));
  EXPECT_EQ(order({1, 1, 1}), (Order{1, 2, 0}));
  EXPECT_EQ(order({1, 0, 2}), (Order{1, 0, 2}));

  // Two point objects split into two leaves; a query midway is equally near both, and the
  // object of child 1 (right of the split) is found and child 0 pruned.
  const std::vector<Box> boxes{Box(P3{1, 0, 0}, P3{1, 0, 0}), Box(P3{-1, 0, 0}, P3{-1, 0, 0})};
  Tree tree;
  Build(tree, boxes, 1);
  ASSERT_NE(tree.GetRoot().children, nullptr);
  int evaluated = 0;
  const Id* nearest = tree.FindNearest(P3{0, 0, 0}, [&](const Id& id) {
    ++evaluated;
    return boxes[id].squared_distance(P3{0, 0, 0});
  });
  ASSERT_NE(nearest, nullptr);
  EXPECT_EQ(*nearest, 0u);
  EXPECT_EQ(evaluated, 1);

  // FindFirstWithin searches children in order: the left object, at exactly the radius.
  const Id* within = tree.FindFirstWithin(P3{0, 0, 0}, 1.0, [&](const Id& id) {
    return boxes[id].squared_distance(P3{0, 0, 0});
  });
  ASSERT_NE(within, nullptr);
  EXPECT_EQ(*within, 1u);
}

TEST(ObjectTree, QueriesRunConcurrently) {
  const std::vector<Box> boxes = RandomBoxes(20000, 31);
  Tree tree;
  Build(tree, boxes, 4);
  std::vector<P3> points(2000);
  std::mt19937_64 rng(32);
  for (P3& p : points)
    p = RandomPoint(rng, 120);
  std::vector<const Id*> serial(points.size()), parallel(points.size());
  const auto query = [&](std::size_t i) {
    return tree.FindNearest(points[i],
                            [&](const Id& id) { return boxes[id].squared_distance(points[i]); });
  };
  for (std::size_t i = 0; i < points.size(); ++i)
    serial[i] = query(i);
  tbb::parallel_for(std::size_t{0}, points.size(), [&](std::size_t i) { parallel[i] = query(i); });
  EXPECT_EQ(serial, parallel);
}

TEST(ObjectTree, RebuildAndFailures) {
  Tree tree;
  const std::vector<Box> first = RandomBoxes(5000, 41);
  const std::vector<Box> second = RandomBoxes(700, 42);
  Build(tree, first, 4);
  Build(tree, second, 4);
  EXPECT_EQ(tree.GetObjects().size(), second.size());
  EXPECT_EQ(tree.GetNodePool().GetChunkCount(), 0u);
  ExpectQueriesMatchBruteForce(tree, second, 300, 43);

  // An accessor that throws: the exception reaches the caller and the tree is left empty.
  for (const std::size_t n : {500u, 5000u}) {
    Build(tree, first, 4);
    EXPECT_THROW(tree.BuildTree(Ids(n), Accessor([](const Id& id) -> Box {
                                  if (id == 123)
                                    throw std::domain_error("bad object");
                                  return Box(P3{}, P3{});
                                }),
                                Tree::TreeParams{4}),
                 std::domain_error);
    EXPECT_TRUE(tree.GetObjects().empty());
    EXPECT_EQ(tree.GetRoot().children, nullptr);
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
  const std::vector<Box> boxes = RandomBoxes(10, 51);
  BigTree tree;
  OversizedIds ids;
  ids.assign({0, 1, 2});
  try {
    tree.BuildTree(std::move(ids), Accessor([&](const Id& id) { return boxes[id]; }),
                   BigTree::TreeParams{4});
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Too many objects");
  }
  EXPECT_EQ(ids.std::vector<Id>::size(), 3u);  // nothing was taken over
  EXPECT_EQ(tree.GetRoot().children, nullptr);
  EXPECT_NO_THROW(BigTree::CheckObjectCount(4294967295u));
}

}  // namespace
