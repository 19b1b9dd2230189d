#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using Point2 = Oxlen::Math::point<double, 2>;
using Point3 = M3dNurbsCurve::Point;

std::vector<Point3> LiftToPlane(const std::vector<Point2>& points) {
  std::vector<Point3> lifted;
  lifted.reserve(points.size());
  for (const Point2& p : points)
    lifted.emplace_back(p[0], p[1], 0.0);
  return lifted;
}

const M3dNurbsCurve& RequirePlanar(const M3dNurbsCurve& nurbs) {
  for (const Point3& p : nurbs.GetControlPoints())
    if (p[2] != 0.0)
      throw std::invalid_argument("nurbs: a control point lies off the plane z = 0");
  return nurbs;
}

}  // namespace

MCAD2DNurbsCurve::MCAD2DNurbsCurve(M3dNurbsCurve nurbs) : m_nurbs(std::move(nurbs)) {
  RequirePlanar(m_nurbs);
}

MCAD2DNurbsCurve::MCAD2DNurbsCurve(int order, std::vector<double> knots,
                                   const std::vector<Point2>& controlPoints,
                                   std::vector<double> weights)
    : m_nurbs(order, std::move(knots), LiftToPlane(controlPoints), std::move(weights)) {}

MCAD2DNurbsCurve MCAD2DNurbsCurve::Circle(const Point2& centerUV, double radius) {
  return MCAD2DNurbsCurve(M3dNurbsCurve::Circle(Point3(centerUV[0], centerUV[1], 0.0), radius,
                                                Point3(1.0, 0.0, 0.0), Point3(0.0, 1.0, 0.0)));
}

void MCAD2DNurbsCurve::GetParameterList(MCADParameterList_1d& list) const {
  const std::vector<double> knots = m_nurbs.GetDistinctKnots();
  list.parameters.assign(knots.begin(), knots.end());
}

void MCAD2DNurbsCurve::EvaluatePoint(double t, Point2& result) const {
  const Point3 p = m_nurbs.Evaluate(t);
  result = Point2(p[0], p[1]);
}
