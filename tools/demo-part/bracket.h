#pragma once

#include <TopoDS_Shape.hxx>

namespace oxlen_demo_part {

/// Builds the demo part, a mechanical bracket of about 120 x 80 x 60 mm (X x Y x Z, millimetres,
/// the base plate's bottom at z = 0): a base plate with rounded corners, an upright web along its
/// back edge carrying a boss bored through along Y (the bore chamfered at both ends), fillets
/// along the web's foot and front edges and around the boss's foot and rim, two counterbored and
/// two countersunk holes and a through slot in the plate. About forty faces on planes,
/// cylinders, cones, tori and B-spline surfaces. The same shape on every call.
/// Throws std::runtime_error when a modelling step fails or the result is not one closed, valid
/// solid.
TopoDS_Shape BuildBracket();

}  // namespace oxlen_demo_part
