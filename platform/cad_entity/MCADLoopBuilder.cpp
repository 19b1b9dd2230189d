#include "Oxlen/CadEntity/MCADLoopBuilder.h"

#include <cmath>
#include <stdexcept>

#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "Oxlen/Math/coordinate_limit.h"

namespace {

// A fin bounds the face along its whole curve: a NURBS curve that may jump cannot.
void RequireContinuous(const M3dNurbsCurve& nurbs) {
  if (!nurbs.IsContinuous())
    throw std::invalid_argument(
        "curve: the NURBS curve is not continuous (order 1, or an inner knot of multiplicity "
        "equal to the order), so it cannot be a loop edge");
}

}  // namespace

MCADLoopBuilder::MCADLoopBuilder(std::shared_ptr<const MCADUVSurface> surface)
    : m_surface(std::move(surface)), m_loop(std::make_shared<MCADLoop>()) {
  if (!m_surface)
    throw std::invalid_argument("surface: a loop builder needs a surface");
}

MCADLoopBuilder& MCADLoopBuilder::Line(const UV& from, const UV& to) {
  if (!Oxlen::Math::is_within_coordinate_limit(from))
    throw std::invalid_argument("from: not finite or beyond 1e100 in magnitude");
  if (!Oxlen::Math::is_within_coordinate_limit(to))
    throw std::invalid_argument("to: not finite or beyond 1e100 in magnitude");
  if (from == to)
    throw std::invalid_argument("to: equals from");
  return Curve(std::make_shared<MCAD2DLineSegment>(from, to));
}

MCADLoopBuilder& MCADLoopBuilder::Polygon(const std::vector<UV>& corners) {
  if (corners.size() < 3)
    throw std::invalid_argument("corners: a polygon needs 3 corners");
  for (std::size_t i = 0; i < corners.size(); ++i)
    Line(corners[i], corners[(i + 1) % corners.size()]);
  return *this;
}

MCADLoopBuilder& MCADLoopBuilder::Rectangle(const UV& lo, const UV& hi, bool clockwise) {
  if (!(lo[0] < hi[0]) || !(lo[1] < hi[1]))
    throw std::invalid_argument("hi: must exceed lo in both coordinates");
  const std::vector<UV> ccw{lo, {hi[0], lo[1]}, hi, {lo[0], hi[1]}};
  return Polygon(clockwise ? std::vector<UV>{ccw[0], ccw[3], ccw[2], ccw[1]} : ccw);
}

MCADLoopBuilder& MCADLoopBuilder::Circle(const UV& center, double radius, bool clockwise) {
  if (!Oxlen::Math::is_within_coordinate_limit(center))
    throw std::invalid_argument("center: not finite or beyond 1e100 in magnitude");
  if (!Oxlen::Math::is_within_coordinate_limit(radius) || !(radius > 0.0))
    throw std::invalid_argument("radius: must be positive and at most 1e100");
  return Curve(std::make_shared<MCAD2DNurbsCurve>(MCAD2DNurbsCurve::Circle(center, radius)),
               !clockwise);
}

MCADLoopBuilder& MCADLoopBuilder::Curve(std::shared_ptr<const MCAD2DVCurve> curve, bool sameSense) {
  if (!curve)
    throw std::invalid_argument("curve: must not be null");
  if (const auto* nurbs = dynamic_cast<const MCAD2DNurbsCurve*>(curve.get()))
    RequireContinuous(nurbs->GetNurbs());
  m_loop->AddFin(std::make_shared<MCAD3DVUVSurfaceCurve2DBased>(m_surface, std::move(curve)),
                 sameSense);
  return *this;
}

MCADLoopBuilder& MCADLoopBuilder::SpaceCurve(std::shared_ptr<MCAD3DVUVSurfaceCurve> curve,
                                             bool sameSense) {
  if (const auto* nurbs = dynamic_cast<const MCAD3DNurbsCurve*>(curve.get()))
    RequireContinuous(nurbs->GetNurbs());
  m_loop->AddFin(std::move(curve), sameSense);
  return *this;
}

MCADLoopBuilder& MCADLoopBuilder::SpecialCase(eLoopSpecialCase specialCase) {
  m_loop->SetSpecialCase(specialCase);
  return *this;
}

MCADLoopBuilder& MCADLoopBuilder::Alternative(std::shared_ptr<MCADLoop> loop) {
  m_loop->AddAlternativeLoop(std::move(loop));
  return *this;
}

std::shared_ptr<MCADLoop> MCADLoopBuilder::Build() const {
  return std::make_shared<MCADLoop>(*m_loop);
}
