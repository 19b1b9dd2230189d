#pragma once

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/enumerable_thread_specific.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/partitioner.h>
#include <oneapi/tbb/task_arena.h>
#include <oneapi/tbb/task_group.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/point.h"
#include "spatial/M3DObjectTreeParams.h"
#include "spatial/MemoryPool.h"
#include "spatial/ObjectTreeDefaultAccessor.h"

namespace MeshQueries::detail {

/// Bounding-volume hierarchy over a vector of objects in 3D.
///
/// Each object is represented by the axis-aligned box its accessor computes. Construction sorts
/// the objects in place into leaves of at most `TreeParams::leafSize` objects: a node's range is
/// split at the middle of its box along its longest axis into the objects entirely below the
/// middle, those straddling it and those entirely above it, giving 2 or 3 children. The shape
/// of the tree depends only on the objects and their boxes, never on the number of threads that
/// built it.
///
/// Nodes carry their box and, packed into `first`, either the number of siblings (first node
/// of a sibling group) or the index of their first object; object ranges are derived while
/// traversing. Trees of fewer than 1000 objects are built on the calling thread and compacted
/// into one array; larger ones are built in parallel in the calling task arena, with nodes taken
/// from per-thread blocks of a `MemoryPool`.
///
/// A built tree is read-only: queries may run concurrently. The tree owns its objects, its
/// accessor and its nodes; it is neither copyable nor movable (its root refers into its own
/// node storage).
template <class Params>
class M3DObjectTree {
 public:
  using Object = typename Params::ObjectType;
  using Scalar = typename Params::ScalarType;
  using Accessor = typename Params::AccessorType;
  using Container = typename Params::ContainerType;
  using Point = typename Params::Point;
  using Box = typename Params::Box;

  /// Build settings.
  struct TreeParams {
    /// A node with at most this many objects becomes a leaf.
    std::size_t leafSize = 0;
  };

  /// One node of the tree: 64 bytes for double coordinates.
  struct Node {
    /// Union of the boxes of the node's objects.
    Box box;
    /// In the first node of a sibling group: the number of siblings (2 or 3). In every other
    /// node: the index of the node's first object in the object vector.
    std::uint32_t first = 0;
    /// First of the node's 2 or 3 consecutive children; null for a leaf.
    Node* children = nullptr;
  };

  static_assert(std::is_trivially_destructible_v<Node>, "nodes are freed without destruction");
  static_assert(offsetof(Node, first) == sizeof(Box) &&
                    sizeof(Node) == sizeof(Box) + 2 * sizeof(Node*),
                "a node is its box, the packed first index and the children pointer");

  using NodePool = MemoryPool<Node, 4096, 8>;

  /// Which construction path `BuildTree` takes. `Automatic` (the normal choice) builds trees of
  /// fewer than `parallelThreshold` objects serially and larger ones in parallel; the other
  /// values force a path, for tests and measurements. Both paths give the same tree.
  enum class EConstruction { Automatic, Serial, Parallel };

  /// Largest number of objects a tree can hold (object indices and ranges are 32-bit).
  static constexpr std::size_t maxObjectCount = 4294967295u;
  /// Object count from which the automatic construction builds in parallel.
  static constexpr std::size_t parallelThreshold = 1000;
  /// Nodes of every scratch segment of the serial build after the first, which is sized to hold
  /// the whole tree (further ones are a safeguard).
  static constexpr std::size_t scratchSegmentSize = 1024;

  /// Owner of the object boxes computed for one construction.
  struct BoxBufferDeleter {
    std::size_t count = 0;
    void operator()(Box* boxes) const { std::allocator<Box>().deallocate(boxes, count); }
  };
  using BoxBuffer = std::unique_ptr<Box, BoxBufferDeleter>;

  /// An empty tree: no objects, a root with the empty box and no children, all bits of
  /// `maxDepth` set.
  M3DObjectTree() = default;
  M3DObjectTree(const M3DObjectTree&) = delete;
  M3DObjectTree& operator=(const M3DObjectTree&) = delete;
  ~M3DObjectTree() = default;

  /// Replaces the tree's contents by a tree over `newObjects`.
  ///
  /// A tree built serially (fewer than `parallelThreshold` objects, or `Serial`) is built on the
  /// calling thread without tasks. A larger one is built as one task of the calling thread's
  /// current task arena: moves the accessor and the objects in, computes all object boxes in
  /// parallel and constructs the nodes. Both give the same tree. After the call
  /// the object vector is permuted so that every node's objects are contiguous.
  /// @param[in] newObjects the objects; moved from only when the build starts.
  /// @param[in] newAccessor maps an object to its box; kept by the tree.
  /// @param[in] params the leaf size (0 is allowed: then only objects that cannot be separated
  ///   share a leaf).
  /// @param[in] construction the construction path; leave `Automatic` outside tests.
  /// @throws std::runtime_error "Too many objects" when there are more than 4294967295 objects;
  ///   then nothing is built, the tree and `newObjects` are unchanged.
  /// Exceptions of the accessor and allocation failures propagate; the tree is then empty.
  void BuildTree(Container&& newObjects, Accessor newAccessor, const TreeParams& params,
                 EConstruction construction = EConstruction::Automatic) {
    CheckObjectCount(newObjects.size());
    const bool serial = IsSerial(construction, newObjects.size());
    const auto build = [&] {
      objects = std::move(newObjects);
      accessor = std::move(newAccessor);
      _Construct(params, ComputeBoundingBoxes(serial), construction);
    };
    try {
      // A small tree is built on this thread without the scheduler: the same boxes and nodes,
      // without the cost of tasks for a handful of objects.
      if (serial)
        build();
      else
        tbb::parallel_for(
            tbb::blocked_range<std::size_t>(0, 1),
            [&](const tbb::blocked_range<std::size_t>&) { build(); }, tbb::auto_partitioner());
    } catch (...) {
      Reset();
      throw;
    }
  }

  /// Box i = accessor(object i) for every object, computed by a parallel loop (one object per
  /// grain, static partitioning), or in a plain loop on this thread when `serial`. Returns the
  /// array and the buffer that owns it.
  std::pair<Box*, BoxBuffer> ComputeBoundingBoxes(bool serial = false) const {
    const std::size_t n = objects.size();
    const std::size_t capacity = std::max<std::size_t>(n, 1);
    BoxBuffer buffer(std::allocator<Box>().allocate(capacity), BoxBufferDeleter{capacity});
    Box* boxes = buffer.get();
    const auto fill = [&](std::size_t begin, std::size_t end) {
      for (std::size_t i = begin; i != end; ++i)
        std::construct_at(boxes + i, accessor(objects[i]));
    };
    if (serial)
      fill(0, n);
    else
      tbb::parallel_for(
          tbb::blocked_range<std::size_t>(0, n, 1),
          [&](const tbb::blocked_range<std::size_t>& r) { fill(r.begin(), r.end()); },
          tbb::static_partitioner());
    return {boxes, std::move(buffer)};
  }

  /// Whether a build of `n` objects constructs its nodes serially.
  static bool IsSerial(EConstruction construction, std::size_t n) {
    return construction == EConstruction::Serial ||
           (construction == EConstruction::Automatic && n < parallelThreshold);
  }

  /// Builds the nodes over the current objects, whose boxes are given (box i belongs to object
  /// i; objects and boxes are permuted together). Discards the previous nodes first and frees
  /// the boxes at the end.
  /// @throws std::runtime_error "Too many objects" for more than 4294967295 objects.
  void _Construct(const TreeParams& params, std::pair<Box*, BoxBuffer> boxes,
                  EConstruction construction = EConstruction::Automatic) {
    const std::size_t n = objects.size();
    CheckObjectCount(n);
    pool.Clear();
    nodes.reset();
    root = Node{};
    maxDepth = std::numeric_limits<std::size_t>::max();
    const bool serial = IsSerial(construction, n);
    const auto count = static_cast<std::uint32_t>(n);
    if (serial)
      ConstructSerially(boxes.first, count, params.leafSize);
    else
      ConstructInParallel(boxes.first, count, params.leafSize);
    boxes.second.reset();
  }

  /// The object nearest to `p` by the object distance `distance`, or null for an empty tree.
  ///
  /// Children are visited in increasing box distance (child 1 first when the first two are
  /// equally far) and a child is skipped, with all that follow it, once the best distance found
  /// is not greater than its box distance. Among equally near objects the first one reached
  /// wins. For an exact answer the object distance must not be smaller than the squared
  /// distance from `p` to the object's box.
  /// @param[in] p the query point.
  /// @param[in] distance called as distance(const Object&), returns a squared distance.
  template <class Distance>
  const Object* FindNearest(const Point& p, Distance&& distance) const {
    NearestSearch<Distance> search{objects, p, distance};
    const auto n = static_cast<std::uint32_t>(objects.size());
    if (root.children == nullptr)
      search.ScanLeaf(0, n);
    else
      search.VisitChildren(root.children, 0, n);
    return search.best;
  }

  /// Some object within squared distance `squaredRadius` of `center` (inclusive), or null.
  ///
  /// Depth-first, children in order; the first object found in leaf order of the visited nodes
  /// is returned. Nodes whose box is farther than the radius are skipped, so the object
  /// distance must not be smaller than the squared distance from `center` to the object's box.
  /// @param[in] center the query point.
  /// @param[in] squaredRadius the squared search radius.
  /// @param[in] distance called as distance(const Object&), returns a squared distance.
  template <class Distance>
  const Object* FindFirstWithin(const Point& center, Scalar squaredRadius,
                                Distance&& distance) const {
    const WithinSearch<Distance> search{objects, center, squaredRadius, distance};
    return search.Visit(root, 0, static_cast<std::uint32_t>(objects.size()));
  }

  /// The objects, in leaf order after a build.
  const Container& GetObjects() const { return objects; }
  /// The accessor given to the last build.
  const Accessor& GetAccessor() const { return accessor; }
  /// The root node: covers all objects, a leaf when it has no children.
  const Node& GetRoot() const { return root; }
  /// Greatest depth of any node created by the last build (the root has depth 0); all bits set
  /// before the first build.
  std::size_t GetMaxDepth() const { return maxDepth; }
  /// Number of nodes of the tree, the root included.
  std::size_t GetNodeCount() const { return 1 + CountDescendants(root); }
  /// The pool that holds the nodes of a tree built in parallel.
  const NodePool& GetNodePool() const { return pool; }

  /// Throws `std::runtime_error` "Too many objects" when `count` exceeds `maxObjectCount`.
  static void CheckObjectCount(std::size_t count) {
    if (count > maxObjectCount)
      throw std::runtime_error("Too many objects");
  }

  /// Order in which `FindNearest` visits `childCount` (2 or 3) children with box distances
  /// `d` (entries past `childCount` are unused): increasing distance. Ties: child 1 goes before
  /// an equally far child 0; child 2 goes before an equally far child 0 or 1, unless it ties
  /// with the nearer of those two (child 1 when d1 <= d0, else child 0), which then goes first.
  static std::array<unsigned, 3> VisitOrder(unsigned childCount, const Scalar* d) {
    if (childCount == 2)
      return d[1] <= d[0] ? std::array<unsigned, 3>{1, 0, 2} : std::array<unsigned, 3>{0, 1, 2};
    if (d[1] > d[0]) {
      if (d[2] > d[1])
        return {0, 1, 2};
      if (d[2] >= d[0])
        return {0, 2, 1};
      return {2, 0, 1};
    }
    if (d[2] < d[1])
      return {2, 1, 0};
    if (d[2] <= d[0])
      return {1, 2, 0};
    return {1, 0, 2};
  }

 private:
  static constexpr unsigned allAxes = 7;

  // Node storage of the serial build: segments, so that the nodes keep their addresses should the
  // scratch space grow. The counter is plain: the serial build runs on one thread.
  class ScratchNodes {
   public:
    // `firstSegment`: the nodes of the first segment; later ones hold scratchSegmentSize.
    explicit ScratchNodes(std::size_t firstSegment) { Grow(firstSegment); }

    Node* Allocate(std::uint32_t count) {
      if (static_cast<std::size_t>(end - position) < count)
        Grow(scratchSegmentSize);
      Node* taken = position;
      position += count;
      used += count;
      return taken;
    }
    void RecordDepth(std::size_t depth) { maxDepth = std::max(maxDepth, depth); }

    std::size_t used = 0;
    std::size_t maxDepth = 0;

   private:
    // A new segment; the tail of the old one is left unused.
    void Grow(std::size_t size) {
      segments.push_back(std::make_unique<Node[]>(size));
      position = segments.back().get();
      end = position + size;
    }

    std::vector<std::unique_ptr<Node[]>> segments;
    Node* position = nullptr;
    Node* end = nullptr;
  };

  // Node storage of one thread of the parallel build: the unused part of its current pool block.
  struct thread_storage {
    Node* position = nullptr;
    Node* end = nullptr;
    NodePool* pool = nullptr;
    std::size_t maxDepth = 0;

    Node* Allocate(std::uint32_t count) {
      if (static_cast<std::size_t>(end - position) < count) {
        position = pool->AcquireBlock();  // the rest of the old block is abandoned
        end = position + NodePool::blockSize;
      }
      Node* taken = position;
      position += count;
      for (std::uint32_t i = 0; i < count; ++i)
        std::construct_at(taken + i);
      return taken;
    }
    void RecordDepth(std::size_t depth) { maxDepth = std::max(maxDepth, depth); }
  };

  struct SerialStorage {
    ScratchNodes* scratch;
    ScratchNodes& Local() const { return *scratch; }
  };

  struct ParallelStorage {
    tbb::enumerable_thread_specific<thread_storage>* storages;
    thread_storage& Local() const { return storages->local(); }
  };

  // Sub-range of a node that becomes one child.
  struct Group {
    std::uint32_t begin;
    std::uint32_t end;
    unsigned mask;
  };

  // Builds the subtrees; `Storage` gives the node storage of the thread running a task.
  template <class Storage>
  class Builder {
   public:
    Builder(Container& objects, Box* boxes, std::size_t leafSize, Storage storage)
        : objects(objects), boxes(boxes), leafSize(leafSize), storage(storage) {}

    // Builds the subtree of `node` over [begin, end). Bits of `mask` mark the axes along which
    // the range is known not to separate.
    //
    // At each split the task spawns tasks for the children but the one with the most objects
    // and goes on with that one itself, then waits for all it spawned at the end. A spawned
    // subtree thus holds at most half of its parent's objects, so that task frames nest with
    // these halvings rather than with the depth of the tree, which can be large when splits
    // peel off single objects; a split also costs one task fewer. The tree is the same.
    void ConstructionTask(Node& node, std::uint32_t begin, std::uint32_t end, unsigned mask,
                          std::size_t depth) const {
      auto& local = storage.Local();  // a task stays on its thread
      tbb::task_group tasks;
      Node* current = &node;
      Group range{begin, end, mask};
      for (;; ++depth) {
        std::array<Pending, 3> children;
        const std::size_t count = Expand(local, *current, range, depth, children);
        if (count == 0)
          break;
        // Go on with the largest child (the first of equal ones), spawn the others.
        std::size_t kept = 0;
        for (std::size_t c = 1; c < count; ++c)
          if (Size(children[c].range) > Size(children[kept].range))
            kept = c;
        for (std::size_t c = 0; c < count; ++c) {
          if (c == kept)
            continue;
          const Pending child = children[c];
          tasks.run([this, child] {
            ConstructionTask(*child.node, child.range.begin, child.range.end, child.range.mask,
                             child.depth);
          });
        }
        current = children[kept].node;
        range = children[kept].range;
      }
      tasks.wait();
    }

    // Builds the subtree of `node` over [begin, end) on this thread, without tasks: the
    // subtrees waiting to be built are kept on a stack. Subtrees own disjoint ranges of the
    // objects and their own nodes, so the order in which they are built does not change them.
    void ConstructHere(Node& node, std::uint32_t begin, std::uint32_t end) const {
      auto& local = storage.Local();
      std::vector<Pending> stack{{&node, Group{begin, end, 0}, 0}};
      while (!stack.empty()) {
        const Pending pending = stack.back();
        stack.pop_back();
        std::array<Pending, 3> children;
        const std::size_t count =
            Expand(local, *pending.node, pending.range, pending.depth, children);
        stack.insert(stack.end(), children.begin(), children.begin() + count);
      }
    }

   private:
    // A subtree still to build: its node, its range of objects and its depth.
    struct Pending {
      Node* node = nullptr;
      Group range{};
      std::size_t depth = 0;
    };

    // Gives `node` the box of its range and splits it: allocates its children, numbers them and
    // lists them with their ranges in `children`. Returns the number of children, 0 for a leaf.
    template <class Local>
    std::size_t Expand(Local& local, Node& node, Group range, std::size_t depth,
                       std::array<Pending, 3>& children) const {
      local.RecordDepth(depth);
      node.box = UnionOfBoxes(range.begin, range.end);
      std::array<Group, 3> groups;
      const std::uint32_t childCount = Split(node, range, groups);
      if (childCount == 0)
        return 0;
      Node* child = local.Allocate(childCount);
      node.children = child;
      std::size_t count = 0;
      for (const Group& group : groups) {
        if (group.begin == group.end)
          continue;
        // Child 0 starts where its parent starts; its field holds the sibling count instead.
        child->first = count == 0 ? childCount : group.begin;
        children[count++] = Pending{child++, group, depth + 1};
      }
      return count;
    }

    Box UnionOfBoxes(std::uint32_t begin, std::uint32_t end) const {
      Box box;
      for (std::uint32_t i = begin; i < end; ++i) {
        for (std::size_t a = 0; a < 3; ++a) {
          box.minimum[a] = std::min(box.minimum[a], boxes[i].minimum[a]);
          box.maximum[a] = std::max(box.maximum[a], boxes[i].maximum[a]);
        }
      }
      return box;
    }

    static std::uint32_t Size(const Group& group) { return group.end - group.begin; }

    // Splits the range of `node`, whose box is set, into `groups` (below, straddling, above the
    // middle of the split axis; empty groups have begin == end) and returns the number of
    // non-empty groups, or 0 when the node is a leaf. When one group would take everything the
    // axis is masked and the node tried again.
    std::uint32_t Split(const Node& node, Group& range, std::array<Group, 3>& groups) const {
      for (;;) {
        if (range.mask == allAxes || Size(range) <= leafSize)
          return 0;
        const int axis = ChooseSplitAxis(node.box, range.mask);
        if (axis < 0)
          return 0;
        const Scalar middle =
            Scalar(0.5) * node.box.maximum[axis] + Scalar(0.5) * node.box.minimum[axis];
        const auto [lo, hi] = Partition(range.begin, range.end, axis, middle);
        const unsigned bit = 1u << axis;
        groups = {Group{range.begin, lo, range.mask}, Group{lo, hi, range.mask | bit},
                  Group{hi, range.end, range.mask}};
        const auto childCount = static_cast<std::uint32_t>(std::count_if(
            groups.begin(), groups.end(), [](const Group& g) { return g.begin < g.end; }));
        if (childCount > 1)
          return childCount;
        range.mask |= bit;  // nothing separated along this axis
      }
    }

    // The free axis of largest non-negative extent, ties to the higher axis; -1 if none.
    static int ChooseSplitAxis(const Box& box, unsigned mask) {
      int best = -1;
      Scalar bestExtent = 0;
      for (int axis = 0; axis < 3; ++axis) {
        if ((mask & (1u << axis)) != 0)
          continue;
        const Scalar extent = box.maximum[axis] - box.minimum[axis];
        if (!(extent >= 0))
          continue;  // also rejects NaN
        if (best < 0 || extent >= bestExtent) {
          best = axis;
          bestExtent = extent;
        }
      }
      return best;
    }

    // Reorders [begin, end) into boxes wholly below `middle`, straddling it (or NaN), and wholly
    // above it; returns the start of the second and of the third group.
    std::pair<std::uint32_t, std::uint32_t> Partition(std::uint32_t begin, std::uint32_t end,
                                                      int axis, Scalar middle) const {
      std::uint32_t i = begin;
      std::uint32_t lo = begin;
      std::uint32_t hi = end;
      while (i < hi) {
        if (boxes[i].maximum[axis] < middle) {
          Swap(i, lo);
          ++lo;
          ++i;
        } else if (boxes[i].minimum[axis] > middle) {
          --hi;
          Swap(i, hi);
        } else {
          ++i;
        }
      }
      return {lo, hi};
    }

    void Swap(std::uint32_t a, std::uint32_t b) const {
      using std::swap;
      swap(objects[a], objects[b]);
      swap(boxes[a], boxes[b]);
    }

    Container& objects;
    Box* boxes;
    std::size_t leafSize;
    Storage storage;
  };

  template <class Distance>
  struct NearestSearch {
    const Container& objects;
    const Point& p;
    Distance& distance;
    Scalar bestDistance = std::numeric_limits<Scalar>::infinity();
    const Object* best = nullptr;

    void ScanLeaf(std::uint32_t begin, std::uint32_t end) {
      for (std::uint32_t i = begin; i < end; ++i) {
        const Scalar d = distance(objects[i]);
        if (d < bestDistance) {
          bestDistance = d;
          best = &objects[i];
        }
      }
    }

    void VisitChildren(const Node* children, std::uint32_t begin, std::uint32_t end) {
      const unsigned count = children[0].first;
      std::array<std::uint32_t, 4> starts{};
      std::array<Scalar, 3> boxDistance{};
      starts[0] = begin;
      for (unsigned j = 1; j < count; ++j)
        starts[j] = children[j].first;
      starts[count] = end;
      for (unsigned j = 0; j < count; ++j)
        boxDistance[j] = children[j].box.squared_distance(p);
      for (const unsigned j : VisitOrder(count, boxDistance.data())) {
        if (j >= count)
          break;
        if (!(bestDistance > boxDistance[j]))
          return;  // the rest are no nearer
        if (children[j].children != nullptr)
          VisitChildren(children[j].children, starts[j], starts[j + 1]);
        else
          ScanLeaf(starts[j], starts[j + 1]);
      }
    }
  };

  template <class Distance>
  struct WithinSearch {
    const Container& objects;
    const Point& center;
    Scalar squaredRadius;
    Distance& distance;

    const Object* Visit(const Node& node, std::uint32_t begin, std::uint32_t end) const {
      if (node.box.squared_distance(center) > squaredRadius)
        return nullptr;
      if (node.children != nullptr) {
        const Node* children = node.children;
        const unsigned count = children[0].first;
        for (unsigned j = 0; j < count; ++j) {
          const std::uint32_t childBegin = j == 0 ? begin : children[j].first;
          const std::uint32_t childEnd = j + 1 < count ? children[j + 1].first : end;
          if (const Object* found = Visit(children[j], childBegin, childEnd))
            return found;
        }
        return nullptr;
      }
      for (std::uint32_t i = begin; i < end; ++i) {
        if (distance(objects[i]) <= squaredRadius)
          return &objects[i];
      }
      return nullptr;
    }
  };

  void ConstructSerially(Box* boxes, std::uint32_t n, std::size_t leafSize) {
    // Every inner node has two or three children and every leaf an object at least, so the
    // nodes below the root number at most 2n - 2: one segment of that size holds them all.
    ScratchNodes scratch(std::max<std::size_t>(2 * std::size_t{n}, 4));
    const Builder<SerialStorage> builder(objects, boxes, leafSize, SerialStorage{&scratch});
    builder.ConstructHere(root, 0, n);
    // Compact into one exact array, each sibling group followed by the groups below it.
    nodes = std::make_unique<Node[]>(scratch.used);
    std::size_t placed = 0;
    Relocate(root, nodes.get(), placed);
    maxDepth = scratch.maxDepth;
  }

  // Copies the children of `parent` (and recursively theirs) to `target` + `placed` onwards and
  // points `parent` at the copies.
  static void Relocate(Node& parent, Node* target, std::size_t& placed) {
    if (parent.children == nullptr)
      return;
    const std::uint32_t count = parent.children[0].first;
    Node* copies = target + placed;
    placed += count;
    std::copy_n(parent.children, count, copies);
    parent.children = copies;
    for (std::uint32_t j = 0; j < count; ++j)
      Relocate(copies[j], target, placed);
  }

  void ConstructInParallel(Box* boxes, std::uint32_t n, std::size_t leafSize) {
    tbb::enumerable_thread_specific<thread_storage> storages(
        thread_storage{nullptr, nullptr, &pool, 0});
    const Builder<ParallelStorage> builder(objects, boxes, leafSize, ParallelStorage{&storages});
    builder.ConstructionTask(root, 0, n, 0, 0);
    std::size_t depth = 0;
    for (const thread_storage& storage : storages)
      depth = std::max(depth, storage.maxDepth);
    maxDepth = depth;
    pool.ReleaseUnusedChunks();
  }

  static std::size_t CountDescendants(const Node& node) {
    if (node.children == nullptr)
      return 0;
    const std::uint32_t count = node.children[0].first;
    std::size_t total = count;
    for (std::uint32_t j = 0; j < count; ++j)
      total += CountDescendants(node.children[j]);
    return total;
  }

  // Back to the empty tree after a failed build.
  void Reset() {
    objects = Container();
    pool.Clear();
    nodes.reset();
    root = Node{};
    maxDepth = std::numeric_limits<std::size_t>::max();
  }

  Container objects;
  Accessor accessor;
  Node root;
  std::size_t maxDepth = std::numeric_limits<std::size_t>::max();
  NodePool pool;
  std::unique_ptr<Node[]> nodes;
};

}  // namespace MeshQueries::detail
