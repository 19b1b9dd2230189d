#pragma once

#include <cstddef>
#include <vector>

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// A unit normal per vertex, from the exact surface of the face of the first triangle that uses
/// the vertex, pointing to the face's outward side. Where the surface gives no normal (a pole,
/// an apex) the vertex takes the area-weighted normal of its triangles instead.
/// @param[in] mesh           the mesh.
/// @param[in] faceOfTriangle the face (an index into `faces`) of every triangle.
/// @param[in] faces          the faces.
std::vector<Oxlen::Math::point<double, 3>> ExactVertexNormals(
    const Oxlen::Geometry::triangle_surface& mesh, const std::vector<std::size_t>& faceOfTriangle,
    const std::vector<const MCADFace*>& faces);

}  // namespace oxlen_mesh
