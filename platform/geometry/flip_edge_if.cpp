#include "Oxlen/Geometry/flip_edge_if.h"

#include <optional>
#include <stdexcept>

#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "edge_triangles.h"
#include "triangle_map_edits.h"

namespace Oxlen::Geometry {

namespace {

// The two triangles of a flippable edge and the corners opposite to it.
struct FlipQuad {
  std::size_t forward;   // runs e0 -> e1
  std::size_t backward;  // runs e1 -> e0
  std::size_t c0;        // opposite corner in `backward`
  std::size_t c1;        // opposite corner in `forward`
};

bool HasRepeatedCorner(const std::array<std::size_t, 3>& t) {
  return t[0] == t[1] || t[1] == t[2] || t[2] == t[0];
}

// The corner of a triangle with three distinct corners that is neither end of the edge.
std::size_t OppositeCorner(const std::array<std::size_t, 3>& t,
                           const std::array<std::size_t, 2>& edge) {
  for (const std::size_t v : t)
    if (v != edge[0] && v != edge[1])
      return v;
  return t[0];  // not reached for a triangle holding the edge with distinct corners
}

// Whether some triangle already joins a and b (any two corners of a triangle form a side).
bool AreJoined(std::size_t a, std::size_t b, const triangle_surface& surface,
               const vertex_triangles_map& map) {
  for (const std::size_t t : map[a])
    if (detail::has_corner(surface.triangles[t], b))
      return true;
  return false;
}

std::optional<FlipQuad> FindFlipQuad(const std::array<std::size_t, 2>& edge,
                                     const triangle_surface& surface,
                                     const vertex_triangles_map& map) {
  if (edge[0] == edge[1])
    return std::nullopt;
  // The first two triangles on the edge, counting them all: every edge of the mesh is offered,
  // so no list is built.
  std::array<std::size_t, 2> holders{};
  std::size_t count = 0;
  detail::visit_triangles_on_edge(edge, surface, map, false, [&](std::size_t t) {
    if (count < 2)
      holders[count] = t;
    ++count;
  });
  if (count != 2)
    return std::nullopt;
  const auto& t0 = surface.triangles[holders[0]];
  const auto& t1 = surface.triangles[holders[1]];
  if (HasRepeatedCorner(t0) || HasRepeatedCorner(t1))
    return std::nullopt;
  FlipQuad quad{};
  if (has_edge(edge, t0, true) && has_edge({edge[1], edge[0]}, t1, true)) {
    quad.forward = holders[0];
    quad.backward = holders[1];
  } else if (has_edge(edge, t1, true) && has_edge({edge[1], edge[0]}, t0, true)) {
    quad.forward = holders[1];
    quad.backward = holders[0];
  } else {
    return std::nullopt;  // both run the edge the same way: inconsistent winding
  }
  quad.c0 = OppositeCorner(surface.triangles[quad.backward], edge);
  quad.c1 = OppositeCorner(surface.triangles[quad.forward], edge);
  if (quad.c0 == quad.c1)
    return std::nullopt;
  for (const std::size_t v : surface.triangles[quad.backward])
    if (v >= map.size())
      throw std::invalid_argument("map: a triangle corner has no entry");
  for (const std::size_t v : surface.triangles[quad.forward])
    if (v >= map.size())
      throw std::invalid_argument("map: a triangle corner has no entry");
  if (AreJoined(quad.c0, quad.c1, surface, map))
    return std::nullopt;
  return quad;
}

}  // namespace

bool flip_edge_if(const std::array<std::size_t, 2>& edge, triangle_surface& surface,
                  vertex_triangles_map& map,
                  const std::function<bool(const std::array<std::size_t, 2>&)>& predicate) {
  if (!predicate)
    throw std::invalid_argument("predicate: empty function");
  const std::optional<FlipQuad> quad = FindFlipQuad(edge, surface, map);
  if (!quad)
    return false;
  if (!predicate({quad->c0, quad->c1}))
    return false;
  // (e0, e1, c1) and (e1, e0, c0) become (c0, c1, e0) and (c1, c0, e1): the quadrilateral
  // e0, c0, e1, c1 keeps its winding.
  detail::replace_triangle(surface, map, quad->forward, {quad->c0, quad->c1, edge[0]});
  detail::replace_triangle(surface, map, quad->backward, {quad->c1, quad->c0, edge[1]});
  return true;
}

}  // namespace Oxlen::Geometry
