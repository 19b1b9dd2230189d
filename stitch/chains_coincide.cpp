#include <cstddef>
#include <vector>

#include "fin_connection.h"
#include "spatial/numeric_helpers.h"

namespace geometry::detail {
namespace {

using Point = Oxlen::Math::point<double, 3>;

// A distance is within the tolerance unless it is greater; a NaN distance (from a position that
// is not finite) is never within it.
bool within(double squaredDistance, double squaredTolerance) {
  return squaredDistance <= squaredTolerance;
}

bool all_within(const std::vector<Point>& points, std::size_t from, const Point& to,
                double squaredTolerance) {
  for (std::size_t i = from; i < points.size(); ++i) {
    if (!within(squared_distance(points[i], to), squaredTolerance))
      return false;
  }
  return true;
}

}  // namespace

bool chains_coincide(const Oxlen::Geometry::triangle_surface& surface,
                     const std::vector<std::size_t>& a, const std::vector<std::size_t>& b,
                     double tolerance) {
  if (a.empty() || b.empty())
    return false;
  const double d2 = tolerance * tolerance;
  std::vector<Point> x;
  for (const std::size_t v : a)
    x.push_back(surface.vertices[v]);
  std::vector<Point> y;
  for (auto v = b.rbegin(); v != b.rend(); ++v)
    y.push_back(surface.vertices[*v]);
  if (!within(squared_distance(x[0], y[0]), d2))
    return false;

  // Walk both chains together: the chain whose next point lies nearer to the other chain's
  // current segment advances, projected onto that segment, which then starts at the projection.
  // Front elements are consumed by advancing an index rather than erasing.
  std::size_t i = 0;  // front of x
  std::size_t j = 0;  // front of y
  while (x.size() - i >= 2 && y.size() - j >= 2) {
    const double dX = squared_distance_to_segment(x[i + 1], y[j], y[j + 1]);
    const double dY = squared_distance_to_segment(y[j + 1], x[i], x[i + 1]);
    const bool advanceX = dY > dX;
    std::vector<Point>& advancing = advanceX ? x : y;
    std::vector<Point>& guide = advanceX ? y : x;
    std::size_t& front = advanceX ? i : j;
    std::size_t& guideFront = advanceX ? j : i;
    const Point q =
        segment_closest_point(advancing[front + 1], guide[guideFront], guide[guideFront + 1]);
    if (!within(squared_distance(q, advancing[front + 1]), d2))
      return false;
    guide[guideFront] = q;
    ++front;
    // The next step names the guide X and the advancing chain Y, so a tie advances the chain
    // that advanced last.
    if (advanceX) {
      std::swap(x, y);
      std::swap(i, j);
    }
  }
  return x.size() - i >= 2 ? all_within(x, i, y[j], d2) : all_within(y, j, x[i], d2);
}

}  // namespace geometry::detail
