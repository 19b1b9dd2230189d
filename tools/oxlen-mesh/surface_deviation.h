#pragma once

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// The largest distance between a face's mesh and its exact surface, measured: every triangle is
/// sampled at its centroid and at its edge midpoints, each sample is mapped onto the surface by
/// point inversion, and the distance to that surface point is taken. In model units.
double MeasureSurfaceDeviation(const MCADFace& face, const Oxlen::Geometry::triangle_surface& mesh);

}  // namespace oxlen_mesh
