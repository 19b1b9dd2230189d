#pragma once

// Open CASCADE curves of edges mapped onto the entity layer's fin curves.

#include <Geom2d_Curve.hxx>
#include <Geom_Curve.hxx>
#include <gp_Trsf.hxx>

#include <memory>

#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "surface_mapping.h"

namespace Oxlen::Cad::detail {

/// The part [first, last] of a p-curve as a curve in our UV plane, running from `first` to
/// `last`: a line as an `MCAD2DLineSegment`, every other curve as an `MCAD2DNurbsCurve` (a
/// periodic one unrolled). Each UV point goes through `map`.
/// @throws Standard_Failure or std::invalid_argument when the curve cannot be converted.
std::shared_ptr<const MCAD2DVCurve> MapPCurve(const Handle(Geom2d_Curve) & curve, double first,
                                              double last, const MUVMap& map);

/// The part [first, last] of a space curve as an `MCAD3DNurbsCurve`, moved by `toSurface` into
/// the coordinate system of the face's surface.
/// @throws Standard_Failure or std::invalid_argument when the curve cannot be converted.
std::shared_ptr<MCAD3DNurbsCurve> MapSpaceCurve(const Handle(Geom_Curve) & curve, double first,
                                                double last, const gp_Trsf& toSurface);

}  // namespace Oxlen::Cad::detail
