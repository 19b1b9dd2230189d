#pragma once

// Helpers shared by the analytic surfaces (plane, cylinder, cone, sphere): argument checks,
// unit conversion, and the handling of angular parameters. Internal to the CAD entity component.

#include <list>

#include "Oxlen/CadEntity/MCADDomainLimits.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/internal_units.h"
#include "Oxlen/Math/point.h"

namespace Oxlen::CadEntity::Detail {

using Oxlen::CadEntity::kInternalUnitsPerModelUnit;

/// One full turn, 2 pi, and a quarter turn, pi / 2 (both correctly rounded).
inline constexpr double kFullTurn = 6.283185307179586;
inline constexpr double kQuarterTurn = 1.5707963267948966;

/// Angle (radians) by which angular limits may exceed their allowed range, absorbing the rounding
/// of limits computed by the caller (a full turn given as uMin + 2 pi, a pole as -pi / 2).
/// Quarter turns closer than this to a limit are not added to the regular grid either.
inline constexpr double kAngleTolerance = 1e-10;

/// @throws std::invalid_argument "<name>: not finite or beyond 1e100 in magnitude" when `value`
///         is NaN, infinite or larger than Oxlen::Math::kMaxCoordinate in magnitude (lengths and
///         parameters alike).
void RequireFinite(double value, const char* name);

/// @throws std::invalid_argument "<name>: ..." when `value` is not finite or not positive.
void RequirePositive(double value, const char* name);

/// @throws std::invalid_argument "frame: ..." when the frame is not finite, its origin lies beyond
///         1e100 or its axes are not orthonormal.
void RequireValidFrame(const MCADFrame& frame);

/// Non-periodic limits [min, max].
/// @throws std::invalid_argument naming `minName` or `maxName` when a value is not finite or
///         max is not greater than min.
MCADDomainLimits MakeLimits(double min, double max, const char* minName, const char* maxName);

/// Limits of an angle that runs around an axis: [min, max] with period 2 pi.
/// @throws std::invalid_argument naming `minName` or `maxName` when a value is not finite, max is
///         not greater than min, or the range spans more than a full turn (plus kAngleTolerance).
MCADDomainLimits MakeAngularLimits(double min, double max, const char* minName,
                                   const char* maxName);

/// Local coordinates, in model units, of a point given in internal units in the surface's
/// coordinate system. The result is always finite for a finite `p`: a point so far away that its
/// local coordinates overflow is replaced by the point at distance 1e300 in the same direction
/// from the frame's origin.
Oxlen::Math::point<double, 3> ToLocalModel(const MCADFrame& frame,
                                           const Oxlen::Math::point<double, 3>& p);

/// True when the local model coordinates `local` of the internal-unit point `p` lie on the frame's
/// Z axis up to the rounding of `ToLocalModel`: there the angle around the axis is noise, and every
/// angle gives the same distance to within that rounding.
bool IsOnAxis(const MCADFrame& frame, const Oxlen::Math::point<double, 3>& p,
              const Oxlen::Math::point<double, 3>& local);

/// The internal-unit point of the surface's coordinate system at local model coordinates `local`.
Oxlen::Math::point<double, 3> FromLocalModel(const MCADFrame& frame,
                                             const Oxlen::Math::point<double, 3>& local);

/// Where a point lies around the Z axis of a surface of revolution's frame.
struct AxialPosition {
  Oxlen::Math::point<double, 3> local;  ///< the point in local model coordinates
  bool onAxis = false;                  ///< on the axis, where every angle is as near
  double angle = 0.0;                   ///< its angle put into the U limits (their min on the axis)
};

/// The first step of inverting a point on a cylinder, cone or sphere, whose nearest angle is the
/// one angularly nearest to the point's own: the point's local coordinates and that angle.
/// `p` must be finite.
AxialPosition LocateAroundAxis(const MCADFrame& frame, const Oxlen::Math::point<double, 3>& p,
                               const MCADDomainLimits& u);

/// `value` clamped to [min, max] (min <= max).
double Clamp(double value, double min, double max);

/// The representative of `angle` (modulo 2 pi) within [min, max] (0 < max - min <= 2 pi plus
/// tolerance): the smallest one when several exist. When none exists, the limit nearer to the
/// angle measured around the circle (a tie goes to `min`). `angle` must be finite.
double PutAngleInLimits(double angle, double min, double max);

/// The ascending list of min, every multiple of pi / 2 strictly inside (min, max) by more than
/// kAngleTolerance, and max. The range must not exceed a full turn (plus tolerance).
std::list<double> QuarterTurnIsolines(double min, double max);

}  // namespace Oxlen::CadEntity::Detail
