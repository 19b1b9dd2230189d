#include "segment_proximity.h"

#include <cmath>
#include <limits>
#include <utility>

#include "spatial/M3DObjectTree.h"
#include "spatial/numeric_helpers.h"

namespace triangulator::detail {

namespace {

using Box = Oxlen::Math::boundingbox<double, 3>;
using Accessor = MeshQueries::ObjectTreeDefaultAccessor<std::size_t, Box>;
using Tree = MeshQueries::detail::M3DObjectTree<MeshQueries::detail::M3DObjectTreeParams<
    std::size_t, double, 3, Accessor, std::vector<std::size_t>>>;

// Within 60 degrees: cos 60 = 0.5.
constexpr double kAlongCosine = 0.5;

}  // namespace

struct MSegmentProximity::MTree {
  Tree tree;
};

MSegmentProximity::MSegmentProximity(std::vector<Segment> segments, double degenerateLength)
    : m_segments(std::move(segments)),
      m_degenerateLength(degenerateLength),
      m_tree(std::make_unique<MTree>()) {
  std::vector<std::size_t> indices(m_segments.size());
  for (std::size_t i = 0; i < indices.size(); ++i)
    indices[i] = i;
  m_tree->tree.BuildTree(std::move(indices), Accessor([this](const std::size_t& i) {
                           Box box;
                           box.extend(m_segments[i][0]);
                           box.extend(m_segments[i][1]);
                           return box;
                         }),
                         Tree::TreeParams{4});
}

MSegmentProximity::~MSegmentProximity() = default;

bool MSegmentProximity::IsWithin(const P3& x, double distance) const {
  if (m_segments.empty())
    return false;
  return m_tree->tree.FindFirstWithin(x, distance * distance, [&](const std::size_t& i) {
    return geometry::detail::squared_distance_to_segment(x, m_segments[i][0], m_segments[i][1]);
  }) != nullptr;
}

std::optional<std::size_t> MSegmentProximity::NearestAlong(const P3& x, const P3& direction,
                                                           double distance) const {
  if (m_segments.empty())
    return std::nullopt;
  const double directionLength = geometry::detail::overflow_safe_length(direction);
  auto along = [&](std::size_t i) {
    const P3 s = m_segments[i][1] - m_segments[i][0];
    const double length = geometry::detail::overflow_safe_length(s);
    return length > m_degenerateLength &&
           dot(s, direction) >= kAlongCosine * length * directionLength;
  };
  const std::size_t* nearest = m_tree->tree.FindNearest(x, [&](const std::size_t& i) {
    return along(i) ? geometry::detail::squared_distance_to_segment(x, m_segments[i][0],
                                                                    m_segments[i][1])
                    : std::numeric_limits<double>::infinity();
  });
  if (nearest == nullptr || !along(*nearest) ||
      geometry::detail::squared_distance_to_segment(x, m_segments[*nearest][0],
                                                    m_segments[*nearest][1]) > distance * distance)
    return std::nullopt;
  return *nearest;
}

std::vector<MSegmentProximity::Segment> LoopSegments(const MCadTriangulator::MSegmentedLoop& loop) {
  std::vector<MSegmentProximity::Segment> segments;
  const std::size_t n = loop.points.size();
  segments.reserve(n);
  for (std::size_t i = 0; i < n; ++i)
    segments.push_back({loop.points[i].point, loop.points[(i + 1) % n].point});
  return segments;
}

}  // namespace triangulator::detail
