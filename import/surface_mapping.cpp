#include "surface_mapping.h"

#include <GeomConvert.hxx>
#include <Geom_BezierSurface.hxx>
#include <Geom_ConicalSurface.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_OffsetSurface.hxx>
#include <Geom_Plane.hxx>
#include <Geom_RectangularTrimmedSurface.hxx>
#include <Geom_SphericalSurface.hxx>
#include <Geom_SurfaceOfLinearExtrusion.hxx>
#include <Geom_SurfaceOfRevolution.hxx>
#include <Geom_ToroidalSurface.hxx>
#include <Standard_Failure.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <gp_Ax3.hxx>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"

namespace Oxlen::Cad::detail {
namespace {

using Point = Oxlen::Math::point<double, 3>;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// A periodic direction spanned up to this much short of a whole turn is a whole turn: bounds
// computed from p-curves carry rounding.
constexpr double kWholeTurnSlack = 1e-9;

Point ToPoint(const gp_XYZ& p) {
  return {p.X(), p.Y(), p.Z()};
}

double Sign(double value) {
  return value < 0.0 ? -1.0 : 1.0;
}

// The right-handed frame at the axis system's origin with its X direction and the Z axis `z`,
// and the sign that turns the file's u into ours: the file's Y direction is +-(z x X).
struct MRightHandedFrame {
  MCADFrame frame;
  double uSign = 1.0;
};

MRightHandedFrame RightHanded(const gp_Ax3& axes, const gp_Dir& z) {
  MRightHandedFrame result;
  result.frame =
      MCADFrame(ToPoint(axes.Location().XYZ()), ToPoint(z.XYZ()), ToPoint(axes.XDirection().XYZ()));
  const gp_Dir ourY = z.Crossed(axes.XDirection());
  result.uSign = Sign(axes.YDirection().Dot(ourY));
  return result;
}

// The bounds [lo, hi] of a direction after the sign of the map; a periodic direction that the face
// spans in whole is given exactly one turn.
std::pair<double, double> MappedRange(double lo, double hi, double sign, bool periodic) {
  double from = std::min(sign * lo, sign * hi);
  double to = std::max(sign * lo, sign * hi);
  if (periodic && to - from >= kTwoPi - kWholeTurnSlack)
    to = from + kTwoPi;
  return {from, to};
}

MMappedSurface MapPlane(const gp_Pln& plane, const MUVBounds& b) {
  const gp_Ax3& axes = plane.Position();
  // The plane's parameters are lengths along X and Y and its normal is X x Y, whichever way the
  // axis system turns: a frame with Z = X x Y keeps both.
  const gp_Dir z = axes.XDirection().Crossed(axes.YDirection());
  const MCADFrame frame(ToPoint(axes.Location().XYZ()), ToPoint(z.XYZ()),
                        ToPoint(axes.XDirection().XYZ()));
  return {std::make_shared<MCADUVPlane>(frame, b.uMin, b.uMax, b.vMin, b.vMax), {}};
}

MMappedSurface MapCylinder(const gp_Cylinder& cylinder, const MUVBounds& b) {
  const MRightHandedFrame f = RightHanded(cylinder.Position(), cylinder.Position().Direction());
  const auto [u0, u1] = MappedRange(b.uMin, b.uMax, f.uSign, true);
  return {std::make_shared<MCADUVCylinder>(f.frame, cylinder.Radius(), u0, u1, b.vMin, b.vMax),
          {f.uSign, 1.0}};
}

MMappedSurface MapCone(const gp_Cone& cone, const MUVBounds& b) {
  // A negative half angle opens the cone towards -Z: the axis turned round makes it positive,
  // with v counted the other way.
  const double vSign = Sign(cone.SemiAngle());
  const gp_Dir z =
      vSign > 0.0 ? cone.Position().Direction() : cone.Position().Direction().Reversed();
  const MRightHandedFrame f = RightHanded(cone.Position(), z);
  const double angle = std::abs(cone.SemiAngle());
  const double radius = cone.RefRadius();
  const auto [u0, u1] = MappedRange(b.uMin, b.uMax, f.uSign, true);
  auto [v0, v1] = MappedRange(b.vMin, b.vMax, vSign, false);
  // The face's bounds may pass the apex by rounding; the apex itself is the limit.
  v0 = std::max(v0, -radius / std::sin(angle));
  return {std::make_shared<MCADUVCone>(f.frame, radius, angle, u0, u1, v0, v1), {f.uSign, vSign}};
}

MMappedSurface MapSphere(const gp_Sphere& sphere, const MUVBounds& b) {
  const MRightHandedFrame f = RightHanded(sphere.Position(), sphere.Position().Direction());
  const auto [u0, u1] = MappedRange(b.uMin, b.uMax, f.uSign, true);
  const double halfPi = 0.5 * std::numbers::pi;
  const double v0 = std::clamp(b.vMin, -halfPi, halfPi);
  const double v1 = std::clamp(b.vMax, -halfPi, halfPi);
  return {std::make_shared<MCADUVSphere>(f.frame, sphere.Radius(), u0, u1, v0, v1), {f.uSign, 1.0}};
}

std::vector<double> ToVector(const TColStd_Array1OfReal& values) {
  return {values.begin(), values.end()};
}

// The part of a B-spline surface over the face's bounds, when these lie well inside its knot
// domain: the grid then covers the face, not the whole surface. The parametrisation is kept.
// A periodic direction is unrolled over the face's bounds.
Handle(Geom_BSplineSurface) CutToBounds(Handle(Geom_BSplineSurface) s, const MUVBounds& b) {
  s = Handle(Geom_BSplineSurface)::DownCast(s->Copy());
  double u0 = 0.0;
  double u1 = 0.0;
  double v0 = 0.0;
  double v1 = 0.0;
  s->Bounds(u0, u1, v0, v1);
  // Only a cut that saves a good part of the surface is worth its extra knots; a periodic
  // direction is also cut where the face's turn starts elsewhere than the knot domain, so that
  // the unrolled domain holds the face's p-curves.
  const auto worthCutting = [](double lo, double hi, double from, double to, bool periodic) {
    const double slack = 0.01 * (hi - lo);
    if (periodic)
      return to - from < hi - lo - slack || std::abs(from - lo) > 1e-12 * (hi - lo);
    return from > lo + slack || to < hi - slack;
  };
  const bool cutU = worthCutting(u0, u1, b.uMin, b.uMax, s->IsUPeriodic());
  const bool cutV = worthCutting(v0, v1, b.vMin, b.vMax, s->IsVPeriodic());
  if (cutU || cutV) {
    // A periodic direction keeps at most one period from the face's lower bound.
    const double uTo = s->IsUPeriodic() ? std::min(b.uMax, b.uMin + (u1 - u0)) : b.uMax;
    const double vTo = s->IsVPeriodic() ? std::min(b.vMax, b.vMin + (v1 - v0)) : b.vMax;
    s->Segment(cutU ? b.uMin : u0, cutU ? uTo : u1, cutV ? b.vMin : v0, cutV ? vTo : v1);
  }
  return s;
}

}  // namespace

Handle(Geom_Surface) UnwrapSurface(const Handle(Geom_Surface) & surface) {
  Handle(Geom_Surface) s = surface;
  for (;;) {
    if (const auto trimmed = Handle(Geom_RectangularTrimmedSurface)::DownCast(s)) {
      s = trimmed->BasisSurface();
    } else if (const auto offset = Handle(Geom_OffsetSurface)::DownCast(s)) {
      // An offset with an equivalent surface of its own (an offset plane, cylinder, ...) keeps
      // its parametrisation there.
      const Handle(Geom_Surface) equivalent = offset->Surface();
      if (equivalent.IsNull())
        return s;
      s = equivalent;
    } else {
      return s;
    }
  }
}

MCadImport::ESurfaceKind SurfaceKind(const Handle(Geom_Surface) & surface) {
  const Handle(Geom_Surface) s = UnwrapSurface(surface);
  if (s->IsKind(STANDARD_TYPE(Geom_Plane)))
    return MCadImport::eSurfacePlane;
  if (s->IsKind(STANDARD_TYPE(Geom_CylindricalSurface)))
    return MCadImport::eSurfaceCylinder;
  if (s->IsKind(STANDARD_TYPE(Geom_ConicalSurface)))
    return MCadImport::eSurfaceCone;
  if (s->IsKind(STANDARD_TYPE(Geom_SphericalSurface)))
    return MCadImport::eSurfaceSphere;
  if (s->IsKind(STANDARD_TYPE(Geom_ToroidalSurface)))
    return MCadImport::eSurfaceTorus;
  if (s->IsKind(STANDARD_TYPE(Geom_BSplineSurface)))
    return MCadImport::eSurfaceBSpline;
  if (s->IsKind(STANDARD_TYPE(Geom_BezierSurface)))
    return MCadImport::eSurfaceBezier;
  if (s->IsKind(STANDARD_TYPE(Geom_SurfaceOfRevolution)))
    return MCadImport::eSurfaceRevolution;
  if (s->IsKind(STANDARD_TYPE(Geom_SurfaceOfLinearExtrusion))) {
    return MCadImport::eSurfaceExtrusion;
  }
  if (s->IsKind(STANDARD_TYPE(Geom_OffsetSurface)))
    return MCadImport::eSurfaceOffset;
  return MCadImport::eSurfaceOther;
}

bool IsMappedDirectly(MCadImport::ESurfaceKind kind) {
  switch (kind) {
    case MCadImport::eSurfacePlane:
    case MCadImport::eSurfaceCylinder:
    case MCadImport::eSurfaceCone:
    case MCadImport::eSurfaceSphere:
    case MCadImport::eSurfaceBSpline:
    case MCadImport::eSurfaceBezier:
      return true;
    default:
      return false;
  }
}

MMappedSurface MapSurface(const Handle(Geom_Surface) & surface, const MUVBounds& bounds) {
  const Handle(Geom_Surface) s = UnwrapSurface(surface);
  if (const auto plane = Handle(Geom_Plane)::DownCast(s))
    return MapPlane(plane->Pln(), bounds);
  if (const auto cylinder = Handle(Geom_CylindricalSurface)::DownCast(s)) {
    return MapCylinder(cylinder->Cylinder(), bounds);
  }
  if (const auto cone = Handle(Geom_ConicalSurface)::DownCast(s)) {
    return MapCone(cone->Cone(), bounds);
  }
  if (const auto sphere = Handle(Geom_SphericalSurface)::DownCast(s)) {
    return MapSphere(sphere->Sphere(), bounds);
  }
  Handle(Geom_BSplineSurface) nurbs = Handle(Geom_BSplineSurface)::DownCast(s);
  if (nurbs.IsNull() && s->IsKind(STANDARD_TYPE(Geom_BezierSurface))) {
    nurbs = GeomConvert::SurfaceToBSplineSurface(s);
  }
  if (nurbs.IsNull())
    throw std::invalid_argument("surface: not a kind that maps directly");
  return {std::make_shared<MCADUVNurbsSurface>(ToNurbs(CutToBounds(nurbs, bounds))), {}};
}

M3dNurbsSurface ToNurbs(const Handle(Geom_BSplineSurface) & surface) {
  Handle(Geom_BSplineSurface) s = surface;
  if (s->IsUPeriodic() || s->IsVPeriodic()) {
    s = Handle(Geom_BSplineSurface)::DownCast(s->Copy());
    if (s->IsUPeriodic())
      s->SetUNotPeriodic();
    if (s->IsVPeriodic())
      s->SetVNotPeriodic();
  }
  const int countU = s->NbUPoles();
  const int countV = s->NbVPoles();
  std::vector<Point> poles;
  poles.reserve(static_cast<std::size_t>(countU) * countV);
  std::vector<double> weights;
  const bool rational = s->IsURational() || s->IsVRational();
  for (int i = 1; i <= countU; ++i) {
    for (int j = 1; j <= countV; ++j) {
      poles.push_back(ToPoint(s->Pole(i, j).XYZ()));
      if (rational)
        weights.push_back(s->Weight(i, j));
    }
  }
  return M3dNurbsSurface(s->UDegree() + 1, s->VDegree() + 1, countU, countV,
                         ToVector(s->UKnotSequence()), ToVector(s->VKnotSequence()),
                         std::move(poles), std::move(weights));
}

}  // namespace Oxlen::Cad::detail
