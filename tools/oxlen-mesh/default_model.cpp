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

  return model;
}

}  // namespace oxlen_mesh
