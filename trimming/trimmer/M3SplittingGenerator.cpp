#include "M3SplittingGenerator.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "spatial/numeric_helpers.h"
#include "trimming_helpers.h"

using MTrimmer = MCadTriangulator::MTrimmer;
using M3SplittingGenerator = MTrimmer::M3SplittingGenerator;
using trimming::detail::VertexAt;

namespace {

constexpr const char* kOutsideMessage =
    "MTrimmer::Generate3Splitting: a segment touches points outside of its triangle";
constexpr const char* kCoveredMessage =
    "MTrimmer::Generate3Splitting: found a segment which is already covered by an edge";

// The child of a point recorded in the map, or `message` as a logic_error.
int ChildOf(const M3SplittingGenerator::MChildMap& childOf, std::int32_t vertex,
            const char* message) {
  const auto found = childOf.find(vertex);
  if (found == childOf.end())
    throw std::logic_error(message);
  if (found->second < 0 || found->second > 2)
    throw std::invalid_argument("childOf: not a child of a 3-splitting");
  return found->second;
}

// The point of the spoke (as a vertex pair) nearest to the segment a -> b.
MTrimmer::MPoint NearestPointOfSpoke(const std::pair<std::int32_t, std::int32_t>& spoke,
                                     const MTrimmer::MPoint& a, const MTrimmer::MPoint& b,
                                     const MTrimmer::MTriangles& result) {
  return trimming::detail::PointOfSegmentNearestToSegment(VertexAt(result, spoke.first),
                                                          VertexAt(result, spoke.second), a, b);
}

// Twice the area of a child, from its corner positions.
double DoubleAreaOf(const MTrimmer::MTriangleToTrim& child, const MTrimmer::MTriangles& result) {
  const MTrimmer::MPoint& a = VertexAt(result, child.vertices[0]);
  return length(
      cross(VertexAt(result, child.vertices[1]) - a, VertexAt(result, child.vertices[2]) - a));
}

// Squared distances closer than this fraction of the triangle's longest squared edge (distances
// within 1e-12 of its size) tie under `eLargerChild`: a point on a spoke or on an edge of a
// zero-area child is as near to both of its children whatever the rounding of the distances.
constexpr double kTieSquaredFraction = 1e-24;

double LongestSquaredEdge(const MTrimmer::MTriangleToTrim& triangle,
                          const MTrimmer::MTriangles& result) {
  double longest = 0.0;
  for (int k = 0; k < 3; ++k)
    longest = std::max(longest, squared_distance(VertexAt(result, triangle.vertices[k]),
                                                 VertexAt(result, triangle.vertices[(k + 1) % 3])));
  return longest;
}

// The nearest child by squared distances `d`; ties go to the lower child.
int NearestChild(const double (&d)[3]) {
  int child = d[0] > d[1] ? 1 : 0;
  if (d[child] > d[2])
    child = 2;
  return child;
}

// The largest of the children whose distance is within `slack` of the nearest; equal areas go to
// the lower child.
int LargestNearChild(const double (&d)[3], const double (&areas)[3], double slack) {
  const double nearest = d[NearestChild(d)];
  int child = -1;
  for (int c = 0; c < 3; ++c) {
    if (d[c] <= nearest + slack && (child < 0 || areas[c] > areas[child]))
      child = c;
  }
  return child < 0 ? NearestChild(d) : child;
}

// Gives each inner point other than i to the nearest child; ties go to the lower child, or with
// `eLargerChild` (distances within a tiny fraction of the triangle's size) to the larger child
// and then the lower.
void DistributeInnerPoints(const MTrimmer::MTriangleToTrim& triangle,
                           const MTrimmer::MTriangles& result, std::int32_t i,
                           M3SplittingGenerator::EInnerPointTie tie,
                           M3SplittingGenerator::MChildMap& childOf,
                           MTrimmer::MSplitting& splitting) {
  using trimming::detail::SquaredDistanceToTriangle;
  const bool larger = tie == M3SplittingGenerator::EInnerPointTie::eLargerChild;
  double areas[3] = {0.0, 0.0, 0.0};
  double slack = 0.0;
  if (larger) {
    for (int c = 0; c < 3; ++c)
      areas[c] = DoubleAreaOf(splitting.children[c], result);
    slack = kTieSquaredFraction * LongestSquaredEdge(triangle, result);
  }
  for (const std::int32_t q : triangle.innerPoints) {
    if (q == i)
      continue;
    const MTrimmer::MPoint& position = VertexAt(result, q);
    const double d[3] = {SquaredDistanceToTriangle(position, splitting.children[0], result),
                         SquaredDistanceToTriangle(position, splitting.children[1], result),
                         SquaredDistanceToTriangle(position, splitting.children[2], result)};
    const int child = larger ? LargestNearChild(d, areas, slack) : NearestChild(d);
    splitting.children[child].innerPoints.push_back(q);
    childOf[q] = child;
  }
}

// The children of the 3-splitting at i with their edge points and inner points; records the
// child of every point in `childOf`.
void StartSplitting(const MTrimmer::MTriangleToTrim& triangle, const MTrimmer::MTriangles& result,
                    std::int32_t i, M3SplittingGenerator::EInnerPointTie tie,
                    M3SplittingGenerator::MChildMap& childOf, MTrimmer::MSplitting& splitting) {
  if (!trimming::detail::Contains(triangle.innerPoints, i))
    throw std::logic_error("MTrimmer::Generate3Splitting: non-internal vertex is given");
  splitting.children.resize(3);
  childOf.reserve(trimming::detail::PointCount(triangle));
  for (int k = 0; k < 3; ++k) {
    MTrimmer::MTriangleToTrim& child = splitting.children[k];
    child.vertices = {triangle.vertices[k], triangle.vertices[(k + 1) % 3], i};
    child.edgePoints[0] = triangle.edgePoints[k];
    for (const std::int32_t q : triangle.edgePoints[k])
      childOf[q] = k;
  }
  DistributeInnerPoints(triangle, result, i, tie, childOf, splitting);
}

}  // namespace

MTrimmer::MSplitting M3SplittingGenerator::Generate3Splitting(const MTriangleToTrim& triangle,
                                                              const MTriangles& result,
                                                              std::int32_t i) {
  return Generate3Splitting(triangle, result, i, EInnerPointTie::eLowerChild);
}

MTrimmer::MSplitting M3SplittingGenerator::Generate3Splitting(const MTriangleToTrim& triangle,
                                                              const MTriangles& result,
                                                              std::int32_t i, EInnerPointTie tie) {
  MSplitting splitting;
  MChildMap childOf;
  StartSplitting(triangle, result, i, tie, childOf, splitting);
  Generate3Splitting_PutSegments(triangle, result, i, childOf, splitting);
  return splitting;
}

std::optional<MTrimmer::MSplitting> M3SplittingGenerator::Generate3SplittingBelow(
    const MTriangleToTrim& triangle, const MTriangles& result, std::int32_t i, std::size_t limit) {
  MSplitting splitting;
  MChildMap childOf;
  StartSplitting(triangle, result, i, EInnerPointTie::eLowerChild, childOf, splitting);
  if (!PutSegments(triangle, result, i, childOf, splitting, limit))
    return std::nullopt;
  return splitting;
}

void M3SplittingGenerator::Generate3Splitting_PutSegments(const MTriangleToTrim& triangle,
                                                          const MTriangles& result, std::int32_t i,
                                                          const MChildMap& childOf,
                                                          MSplitting& splitting) {
  PutSegments(triangle, result, i, childOf, splitting, std::numeric_limits<std::size_t>::max());
}

// Places the segments; false (the splitting left unfinished) once the new vertices reach `limit`.
bool M3SplittingGenerator::PutSegments(const MTriangleToTrim& triangle, const MTriangles& result,
                                       std::int32_t i, const MChildMap& childOf,
                                       MSplitting& splitting, std::size_t limit) {
  auto& children = splitting.children;
  for (const MSegmentFromLoop& s : triangle.segments) {
    // A spoke is now a mesh edge.
    if ((s.first == i && trimming::detail::IsCorner(triangle, s.second)) ||
        (s.second == i && trimming::detail::IsCorner(triangle, s.first))) {
      splitting.addedSegments.push_back(s);
      continue;
    }
    const MSegmentPlacement placement = ClassifySegment(triangle, result, i, childOf, splitting, s);
    const int ca = placement.firstChild;
    const int cb = placement.secondChild;
    if (ca == cb) {
      children[ca].segments.push_back(s);
      continue;
    }
    if (placement.crossings.empty())
      throw std::logic_error("MTrimmer::Generate3Splitting_PutSegments: no splitting points found");
    std::int32_t crossings[2] = {0, 0};
    for (std::size_t c = 0; c < placement.crossings.size(); ++c) {
      const MCrossing& crossing = placement.crossings[c];
      crossings[c] = trimming::detail::NewVertexIndex(result, splitting.newVertices.size());
      splitting.newVertices.push_back(crossing.position);
      for (MTriangleToTrim& child : children) {
        const int edge = FindEdgeNumber(child, crossing.spoke.first, crossing.spoke.second);
        if (edge >= 0)
          child.edgePoints[edge].push_back(crossings[c]);
      }
    }
    children[ca].segments.emplace_back(s.first, crossings[0], s.tag);
    if (placement.crossings.size() == 2)
      children[3 - ca - cb].segments.emplace_back(crossings[0], crossings[1], s.tag);
    children[cb].segments.emplace_back(crossings[placement.crossings.size() - 1], s.second, s.tag);
    if (splitting.newVertices.size() >= limit)
      return false;
  }
  return true;
}

M3SplittingGenerator::MSegmentPlacement M3SplittingGenerator::ClassifySegment(
    const MTriangleToTrim& triangle, const MTriangles& result, std::int32_t i,
    const MChildMap& childOf, const MSplitting& splitting, const MSegmentFromLoop& segment) {
  const std::int32_t a = segment.first;
  const std::int32_t b = segment.second;
  if (splitting.children.size() != 3)
    throw std::invalid_argument("splitting: not a 3-splitting");
  const bool aIsCorner = trimming::detail::IsCorner(triangle, a);
  const bool bIsCorner = trimming::detail::IsCorner(triangle, b);
  MSegmentPlacement placement;

  // From the inner point to a point of one child: within that child.
  if ((a == i && !bIsCorner) || (b == i && !aIsCorner)) {
    const int child = ChildOf(childOf, a == i ? b : a, kOutsideMessage);
    placement.firstChild = child;
    placement.secondChild = child;
    return placement;
  }
  if (aIsCorner && bIsCorner)
    throw std::logic_error(kCoveredMessage);

  // From a corner: the corner's child is chosen by the other end, maybe across a spoke.
  if (aIsCorner || bIsCorner) {
    const std::int32_t c = aIsCorner ? a : b;
    const std::int32_t o = aIsCorner ? b : a;
    const int co = ChildOf(childOf, o, kCoveredMessage);
    const int cc = Generate3Splitting_SelectPartForVertex(triangle, result, splitting, c, o, co,
                                                          placement.crossings);
    placement.firstChild = aIsCorner ? cc : co;
    placement.secondChild = aIsCorner ? co : cc;
    return placement;
  }

  // Between two points: across the spoke the two children share, or through the third child
  // when that way is shorter.
  const int ca = ChildOf(childOf, a, kOutsideMessage);
  const int cb = ChildOf(childOf, b, kOutsideMessage);
  placement.firstChild = ca;
  placement.secondChild = cb;
  if (ca == cb)
    return placement;
  const int third = 3 - ca - cb;
  const auto& children = splitting.children;
  const MPoint& pa = VertexAt(result, a);
  const MPoint& pb = VertexAt(result, b);
  const auto direct = Generate3Splitting_GetCommonEdge(children[ca], children[cb]);
  const auto firstDetour = Generate3Splitting_GetCommonEdge(children[ca], children[third]);
  const auto secondDetour = Generate3Splitting_GetCommonEdge(children[third], children[cb]);
  const MPoint x = NearestPointOfSpoke(direct, pa, pb, result);
  const MPoint x1 = NearestPointOfSpoke(firstDetour, pa, pb, result);
  const MPoint x2 = NearestPointOfSpoke(secondDetour, pa, pb, result);
  using geometry::detail::overflow_safe_distance;
  const double cost1 = overflow_safe_distance(pa, x) + overflow_safe_distance(x, pb);
  const double cost2 = overflow_safe_distance(pa, x1) + overflow_safe_distance(x1, x2) +
                       overflow_safe_distance(x2, pb);
  if (cost2 >= cost1) {
    placement.crossings.push_back({direct, x});
  } else {
    placement.crossings.push_back({firstDetour, x1});
    placement.crossings.push_back({secondDetour, x2});
  }
  return placement;
}

int M3SplittingGenerator::Generate3Splitting_SelectPartForVertex(
    const MTriangleToTrim& triangle, const MTriangles& result, const MSplitting& splitting,
    std::int32_t c, std::int32_t o, int co,
    boost::container::static_vector<MCrossing, 2>& crossings) {
  int m = 0;
  while (m < 3 && triangle.vertices[m] != c)
    ++m;
  if (m == 3)
    throw std::logic_error(
        "MTrimmer::Generate3Splitting_SelectPartForVertex: non-vertex was given");
  if (co < 0 || co > 2 || splitting.children.size() != 3)
    throw std::invalid_argument("co: not a child of a 3-splitting");
  // The corner lies in children m and m - 1.
  const int previous = (m + 2) % 3;
  if (co == m || co == previous)
    return co;
  const auto& children = splitting.children;
  const auto e1 = Generate3Splitting_GetCommonEdge(children[m], children[co]);
  const auto e2 = Generate3Splitting_GetCommonEdge(children[previous], children[co]);
  const MPoint& pc = VertexAt(result, c);
  const MPoint& po = VertexAt(result, o);
  const geometry::MSegment toOther{pc, po};
  const double d1 = geometry::ComputeDistanceBetweenSegments(
      toOther, geometry::MSegment{VertexAt(result, e1.first), VertexAt(result, e1.second)});
  const double d2 = geometry::ComputeDistanceBetweenSegments(
      toOther, geometry::MSegment{VertexAt(result, e2.first), VertexAt(result, e2.second)});
  const int child = d2 > d1 ? m : previous;
  const auto& spoke = d2 > d1 ? e1 : e2;
  crossings.push_back({spoke, NearestPointOfSpoke(spoke, pc, po, result)});
  return child;
}

std::pair<std::int32_t, std::int32_t> M3SplittingGenerator::Generate3Splitting_GetCommonEdge(
    const MTriangleToTrim& a, const MTriangleToTrim& b) {
  const int k = FindCommonEdgeNumber(a, b);
  if (k < 0)
    throw std::logic_error(
        "MTrimmer::Generate3Splitting_GetCommonEdge: triangles do not share an edge");
  return {a.vertices[k], a.vertices[(k + 1) % 3]};
}
