#include "surface_kind.h"

namespace oxlen_mesh {

const char* SurfaceKind(const MCADUVSurface& surface) {
  if (dynamic_cast<const MCADUVPlane*>(&surface))
    return "plane";
  if (dynamic_cast<const MCADUVCylinder*>(&surface))
    return "cylinder";
  if (dynamic_cast<const MCADUVCone*>(&surface))
    return "cone";
  if (dynamic_cast<const MCADUVSphere*>(&surface))
    return "sphere";
  if (dynamic_cast<const MCADUVNurbsSurface*>(&surface))
    return "nurbs";
  return "other";
}

}  // namespace oxlen_mesh
