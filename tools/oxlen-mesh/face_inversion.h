#pragma once

#include <vector>

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// The parameters of the points of a face's surface nearest to points in model space: each point
/// is taken into the surface's coordinate system (the face placement undone, internal units) and
/// inverted to a billionth of a model unit, all in one call so that the surface can share its
/// search structures between them.
/// @param[in] face   the face.
/// @param[in] points points in model space (model units).
/// @return the parameters of each point, in order.
std::vector<Oxlen::Math::point<double, 2>> InvertOntoFace(
    const MCADFace& face, const std::vector<Oxlen::Math::point<double, 3>>& points);

}  // namespace oxlen_mesh
