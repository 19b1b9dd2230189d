#pragma once

// Open CASCADE surfaces mapped onto the entity layer's surfaces.

#include <Geom_BSplineSurface.hxx>
#include <Geom_Surface.hxx>
#include <gp_Pnt2d.hxx>

#include <memory>

#include "Oxlen/Cad/Import.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

namespace Oxlen::Cad::detail {

/// The UV bounds of a face on its surface, in the surface's own parameters.
struct MUVBounds {
  double uMin = 0.0;
  double uMax = 0.0;
  double vMin = 0.0;
  double vMax = 0.0;
};

/// How the parameters of a mapped surface relate to those of the file's surface: our (u, v) is
/// (uSign u, vSign v). An analytic surface on a left-handed axis system, or a cone with a negative
/// half angle, is mapped onto our right-handed surfaces by turning a parameter round.
struct MUVMap {
  double uSign = 1.0;
  double vSign = 1.0;
  /// The file's parameters in ours.
  gp_Pnt2d Apply(const gp_Pnt2d& uv) const { return {uSign * uv.X(), vSign * uv.Y()}; }
  /// True when the map turns the UV plane over: loops change their winding, and the surface
  /// normal its side.
  bool Mirrors() const { return uSign * vSign < 0.0; }
};

/// A mapped surface and the map of its parameters.
struct MMappedSurface {
  std::shared_ptr<const MCADUVSurface> surface;
  MUVMap uv;
};

/// The surface under any rectangular trimming, and under an offset that has an equivalent
/// surface of its own (an offset plane is a plane).
Handle(Geom_Surface) UnwrapSurface(const Handle(Geom_Surface) & surface);

/// The kind of a surface, after `UnwrapSurface`.
MCadImport::ESurfaceKind SurfaceKind(const Handle(Geom_Surface) & surface);

/// True for the kinds that map onto a surface of the entity layer without conversion: plane,
/// cylinder, cone, sphere, B-spline and Bezier.
bool IsMappedDirectly(MCadImport::ESurfaceKind kind);

/// Maps a surface (directly mapped kinds only) onto the entity layer, limited to the face's
/// bounds. The surface stays in its own coordinate system (model units).
///
/// Analytic surfaces keep their parametrisation up to the signs of `MUVMap`. A periodic direction
/// that the face spans in whole keeps exactly one turn. NURBS surfaces are cut down to the face's
/// bounds when these lie well inside their knot domain, and periodic knot vectors are unrolled.
/// @throws Standard_Failure or std::invalid_argument when the surface cannot be mapped (for
///         example bounds that are empty).
MMappedSurface MapSurface(const Handle(Geom_Surface) & surface, const MUVBounds& bounds);

/// A B-spline surface as an `M3dNurbsSurface` (a periodic one unrolled; rational weights kept).
M3dNurbsSurface ToNurbs(const Handle(Geom_BSplineSurface) & surface);

}  // namespace Oxlen::Cad::detail
