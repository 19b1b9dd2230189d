#include "vertex_unification.h"

#include <algorithm>
#include <map>
#include <vector>

#include "Oxlen/Common/IncrementalProgressReporter.h"

namespace geometry::detail {
namespace {

void replace_in(std::vector<std::size_t>& chain, std::size_t from, std::size_t to) {
  std::replace(chain.begin(), chain.end(), from, to);
}

// The corner of a triangle that is neither a nor b; `a` itself when there is none (a triangle
// that repeats a corner).
std::size_t third_corner(const std::array<std::size_t, 3>& triangle, std::size_t a, std::size_t b) {
  for (const std::size_t v : triangle) {
    if (v != a && v != b)
      return v;
  }
  return a;
}

// Moves the triangle t from `from` to `to`; a triangle that already has `to` as a corner
// collapses onto an edge and is removed, and leaves the triangle sets of its other corners.
void move_triangle(std::size_t t, std::size_t from, std::size_t to, stitch_state& state) {
  std::array<std::size_t, 3>& triangle = state.surface.triangles[t];
  const std::size_t third = third_corner(triangle, from, to);
  bool collapsed = false;
  for (std::size_t& corner : triangle) {
    if (corner == from) {
      corner = to;
    } else if (corner == to) {
      collapsed = true;
    }
  }
  if (collapsed) {
    state.vertex_triangles[to].erase(t);
    if (third != from && third != to)
      state.vertex_triangles[third].erase(t);
    mark_removed(triangle);
  } else {
    state.vertex_triangles[to].insert(t);
  }
}

}  // namespace

void merge_vertex(std::size_t from, std::size_t to, stitch_state& state) {
  if (from == to || is_removed(state.surface.vertices[from]))
    return;
  for (const std::size_t f : state.vertex_fins[from]) {
    replace_in(state.fins[f].chain, from, to);
    replace_in(state.fins[f].opposite_chain, from, to);
  }
  state.vertex_fins[to].insert(state.vertex_fins[from].begin(), state.vertex_fins[from].end());
  // The set of `from` is read while `to`'s is edited; they are different sets.
  for (const std::size_t t : state.vertex_triangles[from]) {
    if (!is_removed(state.surface.triangles[t]))
      move_triangle(t, from, to, state);
  }
  state.vertex_triangles[from].clear();
  mark_removed(state.surface.vertices[from]);
}

void unify_common_vertex_coordinates(stitch_state& state,
                                     std::shared_ptr<Oxlen::Common::IProgressDelegate> progress) {
  Oxlen::Common::IncrementalProgressReporter reporter(
      std::move(progress), "Cad stitcher: unify common vertex coordinates", 1, true);
  std::map<std::size_t, std::vector<std::size_t>> classes;
  for (const common_fin& fin : state.fins) {
    classes[fin.start_class].push_back(fin.chain.front());
    classes[fin.start_class].push_back(fin.opposite_chain.back());
    classes[fin.end_class].push_back(fin.chain.back());
    classes[fin.end_class].push_back(fin.opposite_chain.front());
  }
  std::size_t count = 0;
  for (const auto& [cls, members] : classes) {
    if (count++ % 100 == 0 && reporter.IsCancelled())
      throw cancelled();
    Oxlen::Math::point<double, 3> mean{0.0, 0.0, 0.0};
    for (const std::size_t v : members)
      mean += state.surface.vertices[v];
    const std::size_t keeper = members.front();
    state.surface.vertices[keeper] = mean / static_cast<double>(members.size());
    for (const std::size_t w : members)
      merge_vertex(w, keeper, state);
  }
}

}  // namespace geometry::detail
