#pragma once

// Gathering separately meshed faces into the stitcher's input, and the checks its tests share.

#include <cstddef>
#include <vector>

#include "Oxlen/Cad/Triangulation.h"

namespace stitch_testing {

/// The stitcher's input: the face meshes in one surface, the face index per triangle, and the
/// border edges of every face as records with their fin tags.
struct MStitchInput {
  Oxlen::Geometry::triangle_surface surface;
  std::vector<std::size_t> perTriangle;
  std::vector<geometry::edge_with_topology> edges;
};

/// Gathers the meshes in order: vertex indices offset per face, per-triangle value = face index.
MStitchInput Gather(const std::vector<MCadTriangulator::triangulation_result>& meshes);

/// The total area of the triangles.
double Area(const Oxlen::Geometry::triangle_surface& surface);

/// The largest distance from a vertex of `after` to the nearest vertex of `before`: how far the
/// stitcher moved a vertex at most (vertices are never created, only moved or merged).
double LargestMove(const Oxlen::Geometry::triangle_surface& before,
                   const Oxlen::Geometry::triangle_surface& after);

}  // namespace stitch_testing
