#include "Oxlen/Cad/Triangulation/geometry/cad_stitch.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "Oxlen/Common/BranchingProgressReporter.h"
#include "fin_connection.h"
#include "fin_zipping.h"
#include "mesh_compaction.h"
#include "stitch_state.h"
#include "vertex_unification.h"

namespace geometry {
namespace {

using Oxlen::Geometry::triangle_surface;

// Rejects malformed input before anything is touched.
void check_input(const triangle_surface& surface, const std::vector<std::size_t>& perTriangle,
                 const std::vector<edge_with_topology>& edges, double tolerance) {
  if (std::isnan(tolerance) || tolerance < 0.0) {
    throw std::invalid_argument("tolerance: must be >= 0, got " + std::to_string(tolerance));
  }
  if (perTriangle.size() < surface.triangles.size()) {
    throw std::invalid_argument("perTriangle: " + std::to_string(perTriangle.size()) +
                                " values for " + std::to_string(surface.triangles.size()) +
                                " triangles");
  }
  const std::size_t n = surface.vertices.size();
  for (std::size_t t = 0; t < surface.triangles.size(); ++t) {
    const auto& triangle = surface.triangles[t];
    if (detail::is_removed(triangle))
      continue;
    for (const std::size_t v : triangle) {
      if (v >= n) {
        throw std::invalid_argument("surface: triangle " + std::to_string(t) + " names vertex " +
                                    std::to_string(v) + " of " + std::to_string(n));
      }
    }
  }
  for (std::size_t e = 0; e < edges.size(); ++e) {
    if (edges[e].start_vertex >= n || edges[e].end_vertex >= n) {
      throw std::invalid_argument("edges: record " + std::to_string(e) +
                                  " names a vertex beyond the " + std::to_string(n) +
                                  " vertices of the surface");
    }
  }
}

// The triangles of every border vertex, and the common fins through every vertex. Removed
// triangles belong to no vertex.
void build_vertex_maps(const std::vector<edge_with_topology>& edges, detail::stitch_state& state) {
  const std::size_t n = state.surface.vertices.size();
  std::vector<bool> border(n, false);
  for (const edge_with_topology& e : edges)
    border[e.start_vertex] = border[e.end_vertex] = true;
  state.vertex_triangles.assign(n, {});
  for (std::size_t t = 0; t < state.surface.triangles.size(); ++t) {
    const auto& triangle = state.surface.triangles[t];
    if (detail::is_removed(triangle))
      continue;
    for (const std::size_t v : triangle) {
      if (border[v])
        state.vertex_triangles[v].insert(t);
    }
  }
  state.vertex_fins.assign(n, {});
  for (std::size_t f = 0; f < state.fins.size(); ++f) {
    for (const std::size_t v : state.fins[f].chain)
      state.vertex_fins[v].insert(f);
    for (const std::size_t v : state.fins[f].opposite_chain)
      state.vertex_fins[v].insert(f);
  }
}

// Stages 3 to 7: pair the fins, unify the model vertices, zip every pair.
void stitch(detail::stitch_state& state, const std::vector<edge_with_topology>& edges,
            double tolerance, Oxlen::Common::BranchingProgressReporter& reporter) {
  // 3.-4. Fins rebuilt and paired; the ends of the pairs grouped into model vertices.
  state.fins = detail::build_common_fins(detail::connect_edges_into_fins(
      state.surface, edges, tolerance, reporter.CreateNestedDelegate(0.2)));
  // 5. The maps the mesh-changing stages keep current.
  build_vertex_maps(edges, state);
  // 6. One vertex per model vertex.
  detail::unify_common_vertex_coordinates(state, reporter.CreateNestedDelegate(0.2));
  // 7. Every pair zipped.
  const double share = state.fins.empty() ? 0.0 : 0.6 / static_cast<double>(state.fins.size());
  for (std::size_t j = 0; j < state.fins.size(); ++j) {
    detail::stitch_common_fin(j, state, reporter.CreateNestedDelegate(share));
  }
}

}  // namespace

cad_stitch_return_code cad_stitch(triangle_surface& surface, std::vector<std::size_t>& perTriangle,
                                  const std::vector<edge_with_topology>& edges, double tolerance,
                                  std::shared_ptr<Oxlen::Common::IProgressDelegate> progress) {
  // 1. Nothing to stitch: the surface stays as it is.
  if (edges.empty())
    return cad_stitch_return_code::success;
  check_input(surface, perTriangle, edges, tolerance);
  {
    // 2. The branch that the stages report into; released before the compaction.
    Oxlen::Common::BranchingProgressReporter reporter(
        std::move(progress), "Cad stitcher: processing topolgy information", true);
    detail::stitch_state state{surface, perTriangle, {}, {}, {}};
    try {
      stitch(state, edges, tolerance, reporter);
    } catch (const detail::cancelled&) {
      return cad_stitch_return_code::cancelled;
    }
    // 8. The working structures go with the state.
  }
  // 9. Removed vertices and triangles swept out.
  detail::compact_mesh(surface, perTriangle);
  return cad_stitch_return_code::success;
}

}  // namespace geometry
