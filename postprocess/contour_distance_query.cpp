#include "contour_distance_query.h"

#include <utility>

#include "spatial/numeric_helpers.h"

namespace long_edges {

namespace {

// Leaves of four segments: few enough to scan, enough to keep the tree shallow.
constexpr std::size_t kLeafSize = 4;

double SquaredDistance(const Oxlen::Math::point<double, 3>& point, const segment& piece) {
  return geometry::detail::squared_distance_to_segment(point, piece.start, piece.end);
}

}  // namespace

Oxlen::Math::boundingbox<double, 3> contour_distance_query::bb_calculator::operator()(
    const segment& piece) const {
  Oxlen::Math::boundingbox<double, 3> box;
  box.extend(piece.start);
  box.extend(piece.end);
  return box;
}

contour_distance_query::contour_distance_query(std::vector<segment> segments) {
  m_tree.BuildTree(std::move(segments), Accessor(bb_calculator{}), Tree::TreeParams{kLeafSize});
}

bool contour_distance_query::is_within(const Oxlen::Math::point<double, 3>& point,
                                       double squaredRadius) {
  if (m_tree.GetObjects().empty())
    return false;
  if (m_lastFound != nullptr && SquaredDistance(point, *m_lastFound) <= squaredRadius)
    return true;
  m_lastFound = m_tree.FindFirstWithin(point, squaredRadius, [&point](const segment& piece) {
    return SquaredDistance(point, piece);
  });
  return m_lastFound != nullptr;
}

}  // namespace long_edges
