#pragma once

// A thousand small trimmed faces that look like the faces of real parts: fillets, chamfers,
// bosses and small planar faces, meshed at a tolerance of a thousandth of a part-sized diagonal
// (a dozen to a few hundred triangles each). The same seed gives the same faces.
//
// Kinds, 200 faces each:
// - planar polygons of 5 to 12 corners with 1 to 3 round or polygonal holes;
// - cylinder and cone strips bounded by arcs and lines, some with a notch or a round hole;
// - fillet-like NURBS strips (a rational quarter circle swept along a line) bounded by their
//   four edges, some with their ends cut at a slant;
// - sphere patches and torus patches (rational biquadratic NURBS), bounded by their edges or by
//   a polygon inside them.

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

namespace small_faces {

/// The diagonal of the part the faces could belong to, and the chordal tolerance they are meshed
/// at: a thousandth of it.
inline constexpr double kPartDiagonal = 150.0;
inline constexpr double kTolerance = 0.001 * kPartDiagonal;

/// The kinds of faces in the set, in the order they are built.
enum class EKind { Planar, Cylinder, Cone, Fillet, Sphere, Torus };
inline constexpr std::array<EKind, 6> kKinds{EKind::Planar, EKind::Cylinder, EKind::Cone,
                                             EKind::Fillet, EKind::Sphere,   EKind::Torus};

inline std::string KindName(EKind kind) {
  switch (kind) {
    case EKind::Planar:
      return "planar";
    case EKind::Cylinder:
      return "cylinder";
    case EKind::Cone:
      return "cone";
    case EKind::Fillet:
      return "fillet";
    case EKind::Sphere:
      return "sphere";
    case EKind::Torus:
      return "torus";
  }
  return "?";
}

namespace detail {

using UV = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;
constexpr double kPi = std::numbers::pi;

// Deterministic uniform numbers: the standard distributions may differ between libraries.
class Random {
 public:
  explicit Random(unsigned seed) : m_engine(seed) {}
  double Between(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(m_engine() - std::mt19937::min()) /
                    static_cast<double>(std::mt19937::max() - std::mt19937::min());
  }
  int Integer(int lo, int hi) { return lo + static_cast<int>(m_engine() % (hi - lo + 1)); }

 private:
  std::mt19937 m_engine;
};

// A placement somewhere in the part, turned arbitrarily, so that no face lies on the axes.
inline MCADFrame SomeFrame(Random& random) {
  const P3 origin(random.Between(-50, 50), random.Between(-50, 50), random.Between(-50, 50));
  const P3 z(random.Between(-1, 1), random.Between(-1, 1), random.Between(0.2, 1));
  const P3 x(1.0, random.Between(-0.3, 0.3), 0.0);
  return MCADFrame(origin, z, x);
}

// Corners of a star-shaped polygon around `center`, counter-clockwise (clockwise for a hole).
inline std::vector<UV> StarPolygon(Random& random, UV center, double radius, int corners,
                                   bool clockwise) {
  std::vector<UV> points;
  for (int k = 0; k < corners; ++k) {
    const double angle = 2.0 * kPi * (k + random.Between(-0.25, 0.25)) / corners;
    const double r = radius * random.Between(0.75, 1.0);
    const double a = clockwise ? -angle : angle;
    points.emplace_back(center[0] + r * std::cos(a), center[1] + r * std::sin(a));
  }
  return points;
}

inline MCADFace Planar(Random& random) {
  const double size = random.Between(8.0, 40.0);
  auto plane = std::make_shared<MCADUVPlane>(SomeFrame(random), -size, size, -size, size);
  MCADFaceBuilder face(plane);
  face.Loop(MCADLoopBuilder(plane)
                .Polygon(StarPolygon(random, {0.0, 0.0}, size, random.Integer(5, 12), false))
                .Build());
  const int holes = random.Integer(1, 3);
  for (int h = 0; h < holes; ++h) {
    // Holes on a ring well inside the outline, apart from each other.
    const double angle = 2.0 * kPi * h / holes;
    const UV center(0.35 * size * std::cos(angle), 0.35 * size * std::sin(angle));
    const double radius = random.Between(0.06, 0.12) * size;
    if (random.Integer(0, 1) == 0)
      face.Loop(MCADLoopBuilder(plane).Circle(center, radius, true).Build());
    else
      face.Loop(MCADLoopBuilder(plane)
                    .Polygon(StarPolygon(random, center, radius, random.Integer(4, 6), true))
                    .Build());
  }
  return face.Build();
}

// The UV outline of a strip [u0, u1] x [v0, v1]: its rectangle, or the rectangle with a notch
// cut into its upper side.
inline std::vector<UV> StripOutline(Random& random, double u0, double u1, double v0, double v1) {
  if (random.Integer(0, 1) == 0)
    return {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
  const double du = u1 - u0;
  const double dv = v1 - v0;
  return {{u0, v0},
          {u1, v0},
          {u1, v1},
          {u0 + 0.6 * du, v1},
          {u0 + 0.5 * du, v1 - 0.4 * dv},
          {u0 + 0.4 * du, v1},
          {u0, v1}};
}

inline MCADFace RevolutionStrip(Random& random, bool cone) {
  const double radius = random.Between(3.0, 20.0);
  const double turn = random.Between(0.25, 1.0) * kPi;
  const double height = random.Between(4.0, 30.0);
  std::shared_ptr<MCADUVSurface> surface;
  if (cone)
    surface = std::make_shared<MCADUVCone>(SomeFrame(random), radius, random.Between(0.2, 1.0), 0.0,
                                           turn, 0.0, height);
  else
    surface = std::make_shared<MCADUVCylinder>(SomeFrame(random), radius, 0.0, turn, 0.0, height);
  MCADFaceBuilder face(surface);
  face.Loop(MCADLoopBuilder(surface).Polygon(StripOutline(random, 0.0, turn, 0.0, height)).Build());
  if (random.Integer(0, 2) == 0) {
    // A round hole, drawn as a circle in UV scaled to look round on the surface.
    const double r = random.Between(0.1, 0.2) * std::min(height, radius * turn);
    face.Loop(
        MCADLoopBuilder(surface).Circle({0.5 * turn, 0.35 * height}, r / radius, true).Build());
  }
  return face.Build();
}

// Quadratic rational arc from a to c with middle control point b and middle weight w.
struct Arc {
  std::array<P3, 3> points;
  double w;
};

inline MCADFace NurbsPatch(std::vector<P3> controls, std::vector<double> weights, int countU,
                           int countV, std::vector<double> knotsU, std::vector<double> knotsV,
                           std::vector<UV> outline) {
  const int orderV = knotsV.size() == 4 ? 2 : 3;
  M3dNurbsSurface nurbs(3, orderV, countU, countV, std::move(knotsU), std::move(knotsV),
                        std::move(controls), std::move(weights));
  auto surface = std::make_shared<MCADUVNurbsSurface>(std::move(nurbs));
  return MCADFaceBuilder(surface).Loop(MCADLoopBuilder(surface).Polygon(outline).Build()).Build();
}

// A fillet: the quarter circle of radius r swept along a line of length `length`, in u from 0 to
// 1 around the arc and in v from 0 to `length`; placed by an arbitrary frame.
inline MCADFace Fillet(Random& random) {
  const double r = random.Between(1.0, 6.0);
  const double length = random.Between(8.0, 60.0);
  const MCADFrame frame = SomeFrame(random);
  const std::array<P3, 3> arc{P3(r, 0, 0), P3(r, r, 0), P3(0, r, 0)};
  std::vector<P3> controls;
  std::vector<double> weights;
  for (int i = 0; i < 3; ++i)
    for (double z : {0.0, length}) {
      controls.push_back(frame.FromLocal(P3(arc[i][0], arc[i][1], z)));
      weights.push_back(i == 1 ? std::sqrt(0.5) : 1.0);
    }
  std::vector<UV> outline{{0, 0}, {1, 0}, {1, length}, {0, length}};
  if (random.Integer(0, 1) == 0) {
    // Ends cut at a slant, as where a fillet meets a chamfer.
    const double cut = random.Between(0.5, 2.0) * r;
    outline = {{0, 0}, {1, cut}, {1, length}, {0, length - cut}};
  }
  return NurbsPatch(controls, weights, 3, 2, {0, 0, 0, 1, 1, 1}, {0, 0, length, length}, outline);
}

// A patch of a surface of revolution as a rational biquadratic NURBS: the meridian arc `meridian`
// (in the XZ plane, as (distance from the axis, height)) turned a quarter turn around Z.
inline MCADFace RevolvedPatch(const MCADFrame& frame, const Arc& meridian,
                              std::vector<UV> outline) {
  const std::array<std::array<double, 2>, 3> turn{{{1, 0}, {1, 1}, {0, 1}}};
  const std::array<double, 3> turnWeights{1.0, std::sqrt(0.5), 1.0};
  std::vector<P3> controls;
  std::vector<double> weights;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const P3& m = meridian.points[j];
      controls.push_back(frame.FromLocal(P3(m[0] * turn[i][0], m[0] * turn[i][1], m[2])));
      weights.push_back(turnWeights[i] * (j == 1 ? meridian.w : 1.0));
    }
  return NurbsPatch(controls, weights, 3, 3, {0, 0, 0, 1, 1, 1}, {0, 0, 0, 1, 1, 1},
                    std::move(outline));
}

// An outline inside the unit square: the square itself, or a hexagon cut from it.
inline std::vector<UV> PatchOutline(Random& random) {
  if (random.Integer(0, 1) == 0)
    return {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const double a = random.Between(0.1, 0.3);
  return {{a, 0}, {1, 0}, {1, 1 - a}, {1 - a, 1}, {0, 1}, {0, a}};
}

inline MCADFace Sphere(Random& random) {
  const double radius = random.Between(3.0, 15.0);
  const double v0 = random.Between(-1.2, 0.6);
  const double v1 = v0 + random.Between(0.2, 0.6);
  const double turn = random.Between(0.3, 1.5);
  auto sphere = std::make_shared<MCADUVSphere>(SomeFrame(random), radius, 0.0, turn, v0, v1);
  std::vector<UV> outline;
  for (const UV& p : PatchOutline(random))
    outline.emplace_back(turn * p[0], v0 + (v1 - v0) * p[1]);
  return MCADFaceBuilder(sphere).Loop(MCADLoopBuilder(sphere).Polygon(outline).Build()).Build();
}

inline MCADFace Torus(Random& random) {
  const double major = random.Between(8.0, 25.0);
  const double minor = random.Between(1.0, 5.0);
  // The outer quarter of the tube's cross-section, as where a fillet runs around a boss.
  const Arc meridian{{P3(major + minor, 0, 0), P3(major + minor, 0, minor), P3(major, 0, minor)},
                     std::sqrt(0.5)};
  return RevolvedPatch(SomeFrame(random), meridian, PatchOutline(random));
}

}  // namespace detail

/// One face of the given kind, the `index`-th of its kind in the set.
inline MCADFace MakeFace(EKind kind, int index) {
  detail::Random random(static_cast<unsigned>(1000 * static_cast<int>(kind) + index + 1));
  switch (kind) {
    case EKind::Planar:
      return detail::Planar(random);
    case EKind::Cylinder:
      return detail::RevolutionStrip(random, false);
    case EKind::Cone:
      return detail::RevolutionStrip(random, true);
    case EKind::Fillet:
      return detail::Fillet(random);
    case EKind::Sphere:
      return detail::Sphere(random);
    case EKind::Torus:
      return detail::Torus(random);
  }
  return detail::Planar(random);
}

/// `count` faces of the kind.
inline std::vector<MCADFace> MakeFaces(EKind kind, int count) {
  std::vector<MCADFace> faces;
  for (int i = 0; i < count; ++i)
    faces.push_back(MakeFace(kind, i));
  return faces;
}

}  // namespace small_faces
