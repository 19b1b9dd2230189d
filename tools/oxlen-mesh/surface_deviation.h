#pragma once

#include <cstddef>
#include <cstdint>

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// The largest distance between a face's mesh and its exact surface, measured: triangles are
/// sampled at their centroid and at their edge midpoints, each sample is mapped onto the surface
/// by point inversion, and the distance to that surface point is taken. In model units.
/// @param[in] face         the face.
/// @param[in] mesh         its mesh.
/// @param[in] maxTriangles at most this many triangles are sampled, spread evenly over the mesh
///                         (every k-th one); all of them by default.
double MeasureSurfaceDeviation(const MCADFace& face, const Oxlen::Geometry::triangle_surface& mesh,
                               std::size_t maxTriangles = SIZE_MAX);

}  // namespace oxlen_mesh
