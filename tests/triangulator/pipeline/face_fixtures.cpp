#include "face_fixtures.h"

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "Oxlen/Math/MMTransformMatrix.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

namespace pipeline_test {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kInternalUnits = 10000.0;

// A rotation that moves every axis (its rows are orthonormal and right-handed), then a shift.
MMTransformMatrix TurnedAndMoved(const Point3& shift) {
  return MMTransformMatrix::FromAxes({0.36, 0.48, -0.8}, {-0.8, 0.6, 0.0}, {0.48, 0.64, 0.6},
                                     shift);
}

NamedFace Placed(std::string name, std::shared_ptr<const MCADUVSurface> surface,
                 const MMTransformMatrix& placement, double scale) {
  NamedFace named{std::move(name), MCADFace(std::move(surface)), scale, {}, 1, 1};
  named.face.SetTransformationMatrix(placement);
  return named;
}

Point3 Place(const MCADFace& face, Point3 p) {
  face.GetTransformationMatrix().Transform(p, false);
  return p;
}

}  // namespace

NamedFace PlaneFace() {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame({5, -3, 2}, {1, 2, 2}, {2, -1, 0}), -20.0,
                                             30.0, -10.0, 15.0);
  return Placed("plane", plane, TurnedAndMoved({40, -25, 10}), 50.0);
}

NamedFace FullCylinderFace() {
  auto cylinder = std::make_shared<MCADUVCylinder>(MCADFrame({1, 2, 3}, {0, 0, 1}, {1, 0, 0}), 20.0,
                                                   0.0, 2 * kPi, 0.0, 50.0);
  NamedFace named = Placed("full cylinder", cylinder, TurnedAndMoved({10, -20, 30}), 50.0);
  named.euler = 0;  // an open tube: two boundary circles
  named.boundaryLoops = 2;
  return named;
}

NamedFace SphereFace() {
  const MCADFrame frame({0, 0, 10}, {0, 1, 1}, {1, 0, 0});
  auto sphere = std::make_shared<MCADUVSphere>(frame, 25.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2);
  NamedFace named = Placed("sphere", sphere, TurnedAndMoved({0, 50, -20}), 25.0);
  named.euler = 2;  // closed
  named.boundaryLoops = 0;
  named.poles = {Place(named.face, frame.FromLocal({0, 0, 25})),
                 Place(named.face, frame.FromLocal({0, 0, -25}))};
  return named;
}

NamedFace ConeWithApexFace() {
  const MCADFrame frame({80, 0, 0}, {0, 0, 1}, {1, 0, 0});
  auto cone = std::make_shared<MCADUVCone>(frame, 0.0, kPi / 6, 0.0, 2 * kPi, 0.0, 40.0);
  NamedFace named = Placed("cone with apex", cone, TurnedAndMoved({-3, 4, 5}), 40.0);
  named.poles = {Place(named.face, frame.origin)};  // a disc around the apex
  return named;
}

NamedFace NurbsTorusFace() {
  // The tensor product of two exact rational quarter circles.
  const double arc[3][2] = {{1, 0}, {1, 1}, {0, 1}};
  const double arcWeight[3] = {1, std::sqrt(0.5), 1};
  std::vector<Point3> points;
  std::vector<double> weights;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const double radial = 40.0 + 12.0 * arc[j][0];
      points.push_back({radial * arc[i][0], radial * arc[i][1], 12.0 * arc[j][1]});
      weights.push_back(arcWeight[i] * arcWeight[j]);
    }
  }
  const std::vector<double> knots{0, 0, 0, 1, 1, 1};
  auto torus = std::make_shared<MCADUVNurbsSurface>(
      M3dNurbsSurface(3, 3, 3, 3, knots, knots, points, weights));
  return Placed("rational NURBS torus patch", torus, MMTransformMatrix::Translation({-120, 0, 0}),
                52.0);
}

NamedFace BicubicNurbsFace() {
  // A wavy patch over a 40 x 40 square: 5 x 5 control points.
  std::vector<Point3> points;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      points.push_back({10.0 * i, 10.0 * j, 8.0 * std::sin(1.3 * i) * std::cos(0.9 * j)});
  const std::vector<double> knots{0, 0, 0, 0, 0.5, 1, 1, 1, 1};
  auto patch =
      std::make_shared<MCADUVNurbsSurface>(M3dNurbsSurface(4, 4, 5, 5, knots, knots, points));
  return Placed("bicubic NURBS patch", patch, TurnedAndMoved({7, 8, 9}), 40.0);
}

NamedFace SaddleFace() {
  const std::vector<double> knots{0, 0, 1, 1};
  auto saddle = std::make_shared<MCADUVNurbsSurface>(
      M3dNurbsSurface(2, 2, 2, 2, knots, knots, {{0, 0, 0}, {0, 10, 0}, {10, 0, 0}, {10, 10, 10}}));
  return Placed("saddle", saddle, MMTransformMatrix(), 10.0);
}

std::vector<NamedFace> AllFaces() {
  return {PlaneFace(),        FullCylinderFace(), SphereFace(),
          ConeWithApexFace(), NurbsTorusFace(),   BicubicNurbsFace()};
}

Result Mesh(const MCADFace& face, double tolerance, std::size_t maxQuads,
            MCadTriangulator::MStatistics* statistics) {
  return MCadTriangulator::Triangulate(face, std::nullopt, tolerance,
                                       std::numeric_limits<double>::infinity(), maxQuads, {},
                                       statistics);
}

SurfaceProbe::SurfaceProbe(const MCADFace& face) : m_face(face), m_surface(*face.GetSurface()) {}

Point2 SurfaceProbe::Parameters(const Point3& p) const {
  Point3 local = p;
  m_face.GetTransformationMatrix().InverseTransform(local, false);
  // A tight search tolerance (1e-10 model units): the checks measure rounding-level distances.
  return m_surface.InvertPoint(kInternalUnits * local, 1e-6);
}

Point3 SurfaceProbe::Evaluate(const Point2& uv) const {
  Point3 p;
  m_surface.EvaluatePoint(uv, p);
  p /= kInternalUnits;
  m_face.GetTransformationMatrix().Transform(p, false);
  return p;
}

Point3 SurfaceProbe::Normal(const Point2& uv) const {
  const MCADDomainLimits& u = m_surface.GetExtremesUV(eInU);
  const MCADDomainLimits& v = m_surface.GetExtremesUV(eInV);
  const double hu = 1e-6 * (u.GetMax() - u.GetMin());
  const double hv = 1e-6 * (v.GetMax() - v.GetMin());
  const Point3 du = Evaluate({uv[0] + hu, uv[1]}) - Evaluate({uv[0] - hu, uv[1]});
  const Point3 dv = Evaluate({uv[0], uv[1] + hv}) - Evaluate({uv[0], uv[1] - hv});
  return normalized(cross(du, dv));
}

}  // namespace pipeline_test
