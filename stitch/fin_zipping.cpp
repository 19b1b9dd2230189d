#include "fin_zipping.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <iterator>
#include <vector>

#include "Oxlen/Common/IncrementalProgressReporter.h"
#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "Oxlen/Geometry/split_edge.h"
#include "spatial/numeric_helpers.h"
#include "vertex_unification.h"

namespace geometry::detail {
namespace {

using Point = Oxlen::Math::point<double, 3>;

// Inserts v between every consecutive (e0, e1) or (e1, e0) of the chain; true when it did.
bool insert_between(std::vector<std::size_t>& chain, std::size_t e0, std::size_t e1,
                    std::size_t v) {
  bool inserted = false;
  for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
    if ((chain[i] == e0 && chain[i + 1] == e1) || (chain[i] == e1 && chain[i + 1] == e0)) {
      chain.insert(chain.begin() + static_cast<std::ptrdiff_t>(i) + 1, v);
      inserted = true;
      ++i;  // go on after the inserted vertex
    }
  }
  return inserted;
}

// The cosine of the angle between the step from a0 to the midpoint of a1 and b1, and the
// direction from b1 to a1: near 0 when a1 and b1 lie side by side across the edge.
double side_by_side_cosine(const Point& pa0, const Point& pa1, const Point& pb1) {
  const Point mid = (pa1 + pb1) * 0.5;
  const Point along = mid - pa0;
  const Point across = pa1 - pb1;
  const double product = squared_length(along) * squared_length(across);
  if (product == 0.0)
    return 0.0;
  return std::clamp(dot(along, across) / std::sqrt(product), -1.0, 1.0);
}

}  // namespace

void insert_vertex_into_edge(const std::array<std::size_t, 2>& edge, std::size_t v,
                             stitch_state& state) {
  // A vertex is not inserted into a segment it ends: there is nothing to split, and inserting it
  // into the chains would put it next to itself again and again.
  if (v == edge[0] || v == edge[1])
    return;
  // A border segment is held by one triangle, two where the face closes on itself (a seam). A
  // segment that more triangles hold is not a border (repeated or non-manifold triangles): it is
  // left whole, since splitting would copy every triangle on it once more at each insertion.
  if (Oxlen::Geometry::triangle_indices_from_edge(edge, state.surface, state.vertex_triangles,
                                                  false)
          .size() > 2)
    return;
  Oxlen::Geometry::split_edge(edge, v, state.surface, state.vertex_triangles, state.per_triangle);
  std::vector<std::size_t> shared;
  std::set_intersection(state.vertex_fins[edge[0]].begin(), state.vertex_fins[edge[0]].end(),
                        state.vertex_fins[edge[1]].begin(), state.vertex_fins[edge[1]].end(),
                        std::back_inserter(shared));
  for (const std::size_t f : shared) {
    const bool inChain = insert_between(state.fins[f].chain, edge[0], edge[1], v);
    const bool inOpposite = insert_between(state.fins[f].opposite_chain, edge[0], edge[1], v);
    if (inChain || inOpposite)
      state.vertex_fins[v].insert(f);
  }
}

void stitch_common_fin(std::size_t j, stitch_state& state,
                       std::shared_ptr<Oxlen::Common::IProgressDelegate> progress) {
  Oxlen::Common::IncrementalProgressReporter reporter(std::move(progress),
                                                      "Cad stitcher: stitch common fin", 1, true);
  common_fin& fin = state.fins[j];
  for (const std::size_t v : fin.chain)
    state.vertex_fins[v].erase(j);
  for (const std::size_t v : fin.opposite_chain)
    state.vertex_fins[v].erase(j);
  // Both chains from the pair's start on; their fronts are consumed as the zipper advances.
  std::deque<std::size_t> a(fin.chain.begin(), fin.chain.end());
  std::deque<std::size_t> b(fin.opposite_chain.rbegin(), fin.opposite_chain.rend());
  fin.chain = {};
  fin.opposite_chain = {};
  if (a.empty() || b.empty())
    return;

  std::vector<Point>& positions = state.surface.vertices;
  Point current = positions[a[0]];
  while (a.size() >= 2 && b.size() >= 2) {
    if (reporter.IsCancelled())
      throw cancelled();
    if (a.size() == 2 && b.size() == 2)
      break;
    const std::size_t a0 = a[0];
    const std::size_t a1 = a[1];
    const std::size_t b0 = b[0];
    const std::size_t b1 = b[1];
    const Point pa0 = positions[a0];
    const Point pa1 = positions[a1];
    const Point pb1 = positions[b1];
    const bool advanceA = a.size() == 2 ? false
                          : b.size() == 2
                              ? true
                              : squared_distance(current, pb1) > squared_distance(current, pa1);
    if (std::abs(side_by_side_cosine(pa0, pa1, pb1)) < 0.5) {
      // Side by side: one vertex at the midpoint.
      const std::size_t keep = advanceA ? b1 : a1;
      const std::size_t dropped = advanceA ? a1 : b1;
      const Point mid = (pa1 + pb1) * 0.5;
      positions[keep] = mid;
      merge_vertex(dropped, keep, state);
      if (a.size() > 2)
        a.pop_front();
      if (b.size() > 2)
        b.pop_front();
      a[0] = b[0] = keep;
      current = mid;
    } else if (advanceA) {
      // a1 goes halfway to the opposite segment and splits it.
      const Point q = segment_closest_point(pa1, pb1, positions[b0]);
      positions[a1] = (q + pa1) * 0.5;
      current = positions[a1];
      insert_vertex_into_edge({b1, b0}, a1, state);
      a.pop_front();
      b[0] = a[0];
    } else {
      const Point q = segment_closest_point(pb1, pa0, pa1);
      positions[b1] = (q + pb1) * 0.5;
      current = positions[b1];
      insert_vertex_into_edge({a0, a1}, b1, state);
      b.pop_front();
      a[0] = b[0];
    }
  }
}

}  // namespace geometry::detail
