#include "default_model.h"

#include <cmath>
#include <memory>
#include <numbers>

namespace oxlen_mesh {
namespace {

using P3 = Oxlen::Math::point<double, 3>;
constexpr double kPi = std::numbers::pi;

// A quarter of a torus (major radius R around Z, minor radius r) as a rational biquadratic
// NURBS patch: the tensor product of two exact quarter circles.
M3dNurbsSurface QuarterTorus(double R, double r) {
  const double w = std::sqrt(0.5);
  // Quarter arcs of the unit circle: control points and weights.
  const double arc[3][2] = {{1, 0}, {1, 1}, {0, 1}};
  const double arcWeight[3] = {1, w, 1};
  std::vector<P3> points;
  std::vector<double> weights;
  for (int i = 0; i < 3; ++i) {    // around the main axis (U)
    for (int j = 0; j < 3; ++j) {  // around the tube (V)
      const double radial = R + r * arc[j][0];
      points.push_back({radial * arc[i][0], radial * arc[i][1], r * arc[j][1]});
      weights.push_back(arcWeight[i] * arcWeight[j]);
    }
  }
  const std::vector<double> knots{0, 0, 0, 1, 1, 1};
  return M3dNurbsSurface(3, 3, 3, 3, knots, knots, points, weights);
}

// A clockwise half circle in UV from the angle `from` to `from` + pi around `center`: the cap of
// a slot hole.
std::shared_ptr<MCAD2DNurbsCurve> HalfCircle(P3 center, double radius, double from) {
  return std::make_shared<MCAD2DNurbsCurve>(
      M3dNurbsCurve::Arc(center, radius, {1, 0, 0}, {0, 1, 0}, from, from + kPi));
}

// A plate with a round hole and a slot with round ends.
MCADFace PlateWithHoles() {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 60.0);
  auto slot = MCADLoopBuilder(plane)
                  .Line({60, 35}, {80, 35})
                  .Curve(HalfCircle({80, 30, 0}, 5, -kPi / 2), /*sameSense=*/false)
                  .Line({80, 25}, {60, 25})
                  .Curve(HalfCircle({60, 30, 0}, 5, kPi / 2), /*sameSense=*/false)
                  .Build();
  MCADFace face = MCADFaceBuilder(plane)
                      .OuterBoundary()
                      .Loop(MCADLoopBuilder(plane).Circle({25, 30}, 8, /*clockwise=*/true).Build())
                      .Loop(slot)
                      .Build();
  face.SetTransformationMatrix(MMTransformMatrix::Translation({0, 120, 0}));
  return face;
}

// A closed cylinder bounded by its two end circles, with a hole across its seam.
MCADFace CylinderWithSeamHole() {
  const double height = 50.0;
  auto cylinder = std::make_shared<MCADUVCylinder>(MCADFrame({0, 200, 0}, {0, 0, 1}, {1, 0, 0}),
                                                   20.0, 0.0, 2 * kPi, 0.0, height);
  return MCADFaceBuilder(cylinder)
      .Loop(MCADLoopBuilder(cylinder).Line({0, 0}, {2 * kPi, 0}).Build())
      .Loop(MCADLoopBuilder(cylinder).Line({2 * kPi, height}, {0, height}).Build())
      .Loop(MCADLoopBuilder(cylinder).Circle({0, height / 2}, 0.5, /*clockwise=*/true).Build())
      .Build();
}

// The part of a sphere above a cutting plane: the sphere's latitudes start at the cut, whose
// circle bounds the face.
MCADFace SphereCap() {
  const double cut = 0.4;
  auto sphere = std::make_shared<MCADUVSphere>(MCADFrame({120, 200, 0}, {0, 0, 1}, {1, 0, 0}), 25.0,
                                               0.0, 2 * kPi, cut, kPi / 2);
  return MCADFaceBuilder(sphere)
      .Loop(MCADLoopBuilder(sphere).Line({0, cut}, {2 * kPi, cut}).Build())
      .Build();
}

// The torus patch with a round hole drawn in its parameter square.
MCADFace TrimmedTorusPatch() {
  auto torus = std::make_shared<MCADUVNurbsSurface>(QuarterTorus(40.0, 12.0));
  MCADFace face = MCADFaceBuilder(torus)
                      .OuterBoundary()
                      .Loop(MCADLoopBuilder(torus).Circle({0.5, 0.5}, 0.25, true).Build())
                      .Build();
  face.SetTransformationMatrix(MMTransformMatrix::Translation({-120, 200, 0}));
  return face;
}

}  // namespace

std::vector<NamedFace> BuildDefaultModel() {
  std::vector<NamedFace> model;

  auto plane = std::make_shared<MCADUVPlane>(MCADFrame({0, 0, 0}, {0, 0, 1}, {1, 0, 0}), 0.0, 100.0,
                                             0.0, 60.0);
  model.push_back({"plane", MCADFace(plane)});
  model.back().face.SetTransformationMatrix(
      MMTransformMatrix::FromAxes({1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {0, 0, -80}));

  auto cylinder = std::make_shared<MCADUVCylinder>(MCADFrame(), 20.0, 0.0, 2 * kPi, 0.0, 50.0);
  model.push_back({"cylinder", MCADFace(cylinder)});

  auto sphere = std::make_shared<MCADUVSphere>(MCADFrame({0, 0, 120}, {0, 0, 1}, {1, 0, 0}), 25.0,
                                               0.0, 2 * kPi, -kPi / 2, kPi / 2);
  model.push_back({"sphere", MCADFace(sphere)});

  // A cone from its apex (radius 0 at v = 0) with a half angle of 30 degrees.
  auto cone = std::make_shared<MCADUVCone>(MCADFrame({80, 0, 0}, {0, 0, 1}, {1, 0, 0}), 0.0,
                                           kPi / 6, 0.0, 2 * kPi, 0.0, 40.0);
  model.push_back({"cone", MCADFace(cone)});

  auto torus = std::make_shared<MCADUVNurbsSurface>(QuarterTorus(40.0, 12.0));
  model.push_back({"nurbs torus patch", MCADFace(torus)});
  model.back().face.SetTransformationMatrix(MMTransformMatrix::Translation({-120, 0, 0}));

  model.push_back({"plate with holes", PlateWithHoles()});
  model.push_back({"cylinder seam hole", CylinderWithSeamHole()});
  model.push_back({"sphere cap", SphereCap()});
  model.push_back({"trimmed nurbs", TrimmedTorusPatch()});
  return model;
}

}  // namespace oxlen_mesh
