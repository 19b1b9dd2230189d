#include "clean_border_corners.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

#include "Oxlen/Geometry/split_edge.h"
#include "border_edge_index.h"
#include "compact_result.h"
#include "removal_markers.h"
#include "spatial/numeric_helpers.h"

namespace geometry {

namespace {

using Result = MCadTriangulator::triangulation_result;
using Oxlen::Geometry::vertex_triangles_map;
using Triangle = std::array<std::size_t, 3>;

// Corner c of a triangle with the corners after it: the side n-p lies opposite v.
struct Corner {
  std::size_t v;
  std::size_t n;
  std::size_t p;
};

Corner CornerOf(const Triangle& triangle, std::size_t c) {
  return {triangle[c], triangle[(c + 1) % 3], triangle[(c + 2) % 3]};
}

bool IsLonely(std::size_t vertex, const vertex_triangles_map& map) {
  return map[vertex].size() == 1;
}

// The distance from the corner to its opposite side (the projection clamped to the side).
double Height(const Corner& corner, const Result& result) {
  return std::sqrt(geometry::detail::squared_distance_to_segment(
      result.vertices[corner.v], result.vertices[corner.n], result.vertices[corner.p]));
}

// The lonely corner of the triangle nearest its opposite side, ties to the later corner.
std::optional<Corner> LonelyCornerNearestItsSide(const Triangle& triangle, const Result& result,
                                                 const vertex_triangles_map& map, double* height) {
  std::optional<Corner> nearest;
  for (std::size_t c = 0; c < 3; ++c) {
    if (!IsLonely(triangle[c], map))
      continue;
    const Corner corner = CornerOf(triangle, c);
    const double h = Height(corner, result);
    if (!nearest || h <= *height) {
      nearest = corner;
      *height = h;
    }
  }
  return nearest;
}

// 1. The triangles with a lonely corner, ascending.
std::vector<std::size_t> CollectCandidates(const Result& result, const vertex_triangles_map& map) {
  std::vector<std::size_t> candidates;
  for (std::size_t t = 0; t < result.triangles.size(); ++t) {
    const Triangle& triangle = result.triangles[t];
    if (std::any_of(triangle.begin(), triangle.end(),
                    [&map](std::size_t v) { return IsLonely(v, map); }))
      candidates.push_back(t);
  }
  return candidates;
}

// Joins the border edges p->v and v->n of a removed corner into p->n. An edge without its partner
// (or a join that would run from a vertex to itself) cannot be joined and goes.
void JoinBorderAcross(const Corner& corner, std::optional<std::size_t> into,
                      std::optional<std::size_t> out, detail::border_edge_index& index) {
  if (into && out && corner.p != corner.n) {
    index.redirect(*into, corner.p, corner.n);
    index.remove(*out);
    return;
  }
  if (into)
    index.remove(*into);
  if (out)
    index.remove(*out);
}

// Takes triangle t out of the map and marks it and its corner v removed; with tag 0, also the
// corners left without triangles.
void RemoveCornerTriangle(std::size_t t, const Corner& corner, int tag, Result& result,
                          vertex_triangles_map& map) {
  for (const std::size_t vertex : result.triangles[t]) {
    map[vertex].erase(t);
    if (map[vertex].empty() && tag == 0)
      detail::mark_removed(result.vertices[vertex]);
  }
  detail::mark_removed(result.vertices[corner.v]);
  detail::mark_removed(result.triangles[t]);
}

// 2. Removes the sliver triangles whose lonely corner lies within the distance of its side and
// is no model vertex.
void RemoveSliverCorners(const std::vector<std::size_t>& candidates, double cornerDistance,
                         Result& result, vertex_triangles_map& map,
                         detail::border_edge_index& index) {
  for (const std::size_t t : candidates) {
    double height = 0.0;
    const std::optional<Corner> corner =
        LonelyCornerNearestItsSide(result.triangles[t], result, map, &height);
    if (!corner || height > cornerDistance)
      continue;
    const std::optional<std::size_t> out = index.find(corner->v, corner->n);
    const std::optional<std::size_t> into = index.find(corner->p, corner->v);
    const int tag = out ? result.border_edges[*out].tag : 0;
    if (tag != (into ? result.border_edges[*into].tag : 0))
      continue;  // a model vertex
    JoinBorderAcross(*corner, into, out, index);
    RemoveCornerTriangle(t, *corner, tag, result, map);
  }
}

// Where the side from p to n is split: the foot of the corner's perpendicular, or the side's
// middle when the foot falls on or beyond an end.
double SplitParameter(const Corner& corner, const Result& result) {
  const double s = std::clamp(
      geometry::detail::segment_projection_parameter(
          result.vertices[corner.v], result.vertices[corner.p], result.vertices[corner.n]),
      0.0, 1.0);
  return s == 0.0 || s == 1.0 ? 0.5 : s;
}

// 3. Splits the side opposite every lonely corner that is left, so that it gets a second
// triangle.
void SplitLonelyCorners(Result& result, vertex_triangles_map& map,
                        detail::border_edge_index& index) {
  const std::size_t count = result.triangles.size();
  for (std::size_t t = 0; t < count; ++t) {
    if (detail::is_removed(result.triangles[t]))
      continue;
    double height = 0.0;
    const std::optional<Corner> corner =
        LonelyCornerNearestItsSide(result.triangles[t], result, map, &height);
    if (!corner || corner->n == corner->p)
      continue;  // a side from a vertex to itself has nothing to split
    const double s = SplitParameter(*corner, result);
    const std::size_t w = Oxlen::Geometry::split_edge({corner->n, corner->p}, s, result, map);
    if (const std::optional<std::size_t> side = index.find(corner->n, corner->p)) {
      const int tag = result.border_edges[*side].tag;
      index.redirect(*side, corner->n, w);
      index.append({w, corner->p, tag});
    }
  }
}

}  // namespace

void clean_border_corners(Result& result, vertex_triangles_map& map, double cornerDistance) {
  detail::border_edge_index index(result.border_edges);
  const std::vector<std::size_t> candidates = CollectCandidates(result, map);
  RemoveSliverCorners(candidates, cornerDistance, result, map, index);
  SplitLonelyCorners(result, map, index);
  detail::compact_result(result, map);
}

}  // namespace geometry
