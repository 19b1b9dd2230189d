#pragma once

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// The kind of an entity-layer surface: "plane", "cylinder", "cone", "sphere", "nurbs" or
/// "other".
const char* SurfaceKind(const MCADUVSurface& surface);

}  // namespace oxlen_mesh
