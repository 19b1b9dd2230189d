#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "Oxlen/Math/point.h"

namespace Oxlen::Geometry {

/// An indexed triangle mesh: a vertex list and a list of triangles, each naming three vertices by
/// their index in the vertex list. The corners of a triangle run counter-clockwise around its
/// front side (right-hand rule), so a consistently wound surface holds every shared side once in
/// each direction.
///
/// A plain aggregate that callers read and write in place; records that extend a mesh derive from
/// it, so it keeps exactly these two members.
struct triangle_surface {
  std::vector<Oxlen::Math::point<double, 3>> vertices;
  std::vector<std::array<std::size_t, 3>> triangles;
};

}  // namespace Oxlen::Geometry
