#pragma once

// Untrimmed faces of every surface kind the triangulator knows, and the way back from a mesh
// point to the exact surface of its face. Shared with the trimmed-face tests.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/Math/point.h"

namespace pipeline_test {

using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;
using Result = MCadTriangulator::triangulation_result;

/// A face with what the checks need to know about its shape.
struct NamedFace {
  std::string name;
  MCADFace face;
  /// A length of the order of the face's size: relative thresholds are taken against it.
  double scale = 1.0;
  /// Model-space points where the surface collapses (a cone apex, the poles of a sphere).
  std::vector<Point3> poles;
  /// Euler characteristic V - E + F of a correct mesh of the face, and the number of its
  /// boundary loops.
  int euler = 1;
  int boundaryLoops = 1;
};

/// A plane rectangle, turned and moved by both its frame and the face placement.
NamedFace PlaneFace();
/// A full turn of a cylinder of radius 20 and height 50: an open tube.
NamedFace FullCylinderFace();
/// A full sphere of radius 25.
NamedFace SphereFace();
/// A cone from its apex (reference radius 0) with a half angle of 30 degrees.
NamedFace ConeWithApexFace();
/// A quarter of a torus (radii 40 and 12) as a rational biquadratic NURBS patch.
NamedFace NurbsTorusFace();
/// A non-rational bicubic NURBS patch with an interior knot in each direction.
NamedFace BicubicNurbsFace();
/// A bilinear NURBS saddle z = 10 u v over a 10 x 10 square: its isolines are straight, so only
/// the quad stage of the refinement ever splits it.
NamedFace SaddleFace();

/// Every face above but the saddle, in that order.
std::vector<NamedFace> AllFaces();

/// Triangulates without fin tags and without cancellation.
Result Mesh(const MCADFace& face, double tolerance, std::size_t maxQuads = 1000000,
            MCadTriangulator::MStatistics* statistics = nullptr);

/// The face's exact surface seen from model space: model points go through the inverse
/// placement and into internal units before `InvertPoint`, and surface points come back the same
/// way.
class SurfaceProbe {
 public:
  explicit SurfaceProbe(const MCADFace& face);

  /// The parameters of the surface point nearest to the model-space point p.
  Point2 Parameters(const Point3& p) const;
  /// The model-space surface point at uv.
  Point3 Evaluate(const Point2& uv) const;
  /// The surface point nearest to p, in model space.
  Point3 Nearest(const Point3& p) const { return Evaluate(Parameters(p)); }
  /// The unit surface normal at uv in model space, dS/du x dS/dv by central differences.
  Point3 Normal(const Point2& uv) const;

 private:
  const MCADFace& m_face;
  const MCADUVSurface& m_surface;
};

}  // namespace pipeline_test
