#pragma once

// Untrimmed faces of every surface kind the triangulator knows, the way back from a mesh point to
// the exact surface of its face, and the measures taken on a face mesh. Shared with trimmed/.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Math/MMTransformMatrix.h"
#include "Oxlen/Math/point.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

namespace pipeline_test {

using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;
using Result = MCadTriangulator::triangulation_result;
using Oxlen::Geometry::triangle_surface;
inline constexpr double kPi = std::numbers::pi;

/// A face with what the checks need to know about its shape.
struct NamedFace {
  std::string name;
  MCADFace face;
  double scale = 1.0;  ///< a length of the order of the face's size, for relative thresholds
  int euler = 1;       ///< V - E + F of a correct mesh
  int boundaryLoops = 1;
  std::vector<Point3> poles;  ///< model-space points where the surface collapses
  /// How far the sampled deviation may exceed the tolerance (on a free-form patch the farthest
  /// point of a span lies a little off the chord's middle, where the refinement measures it).
  double chordSlack = 1.0;
};

/// A rotation that moves every axis, then a shift.
inline MMTransformMatrix TurnedAndMoved(const Point3& shift) {
  return MMTransformMatrix::FromAxes({0.36, 0.48, -0.8}, {-0.8, 0.6, 0.0}, {0.48, 0.64, 0.6},
                                     shift);
}

inline NamedFace Placed(std::string name, std::shared_ptr<const MCADUVSurface> surface,
                        const MMTransformMatrix& placement, double scale, int euler = 1,
                        int boundaryLoops = 1) {
  NamedFace named{
      std::move(name), MCADFace(std::move(surface)), scale, euler, boundaryLoops, {}, 1};
  named.face.SetTransformationMatrix(placement);
  return named;
}

inline Point3 Place(const MCADFace& face, Point3 p) {
  face.GetTransformationMatrix().Transform(p, false);
  return p;
}

/// A plane rectangle, turned and moved by both its frame and the face placement.
inline NamedFace PlaneFace() {
  return Placed("plane",
                std::make_shared<MCADUVPlane>(MCADFrame({5, -3, 2}, {1, 2, 2}, {2, -1, 0}), -20.0,
                                              30.0, -10.0, 15.0),
                TurnedAndMoved({40, -25, 10}), 50.0);
}

/// A full turn of a cylinder of radius 20 and height 50: an open tube.
inline NamedFace FullCylinderFace() {
  return Placed("full cylinder",
                std::make_shared<MCADUVCylinder>(MCADFrame({1, 2, 3}, {0, 0, 1}, {1, 0, 0}), 20.0,
                                                 0.0, 2 * kPi, 0.0, 50.0),
                TurnedAndMoved({10, -20, 30}), 50.0, 0, 2);
}

/// A full sphere of radius 25: closed, with two poles.
inline NamedFace SphereFace() {
  const MCADFrame frame({0, 0, 10}, {0, 1, 1}, {1, 0, 0});
  NamedFace named =
      Placed("sphere", std::make_shared<MCADUVSphere>(frame, 25.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2),
             TurnedAndMoved({0, 50, -20}), 25.0, 2, 0);
  for (const double z : {25.0, -25.0})
    named.poles.push_back(Place(named.face, frame.FromLocal({0, 0, z})));
  return named;
}

/// A cone from its apex with a half angle of 30 degrees: a disc around the apex.
inline NamedFace ConeWithApexFace() {
  const MCADFrame frame({80, 0, 0}, {0, 0, 1}, {1, 0, 0});
  NamedFace named = Placed(
      "cone with apex", std::make_shared<MCADUVCone>(frame, 0.0, kPi / 6, 0.0, 2 * kPi, 0.0, 40.0),
      TurnedAndMoved({-3, 4, 5}), 40.0);
  named.poles = {Place(named.face, frame.origin)};
  return named;
}

/// A quarter of a torus (radii 40 and 12): the tensor product of two exact rational quarter
/// circles.
inline NamedFace NurbsTorusFace() {
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
  return Placed("rational NURBS torus patch",
                std::make_shared<MCADUVNurbsSurface>(
                    M3dNurbsSurface(3, 3, 3, 3, knots, knots, points, weights)),
                MMTransformMatrix::Translation({-120, 0, 0}), 52.0);
}

/// A wavy non-rational bicubic patch over a 40 x 40 square with an interior knot each way.
inline NamedFace BicubicNurbsFace() {
  std::vector<Point3> points;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      points.push_back({10.0 * i, 10.0 * j, 8.0 * std::sin(1.3 * i) * std::cos(0.9 * j)});
  const std::vector<double> knots{0, 0, 0, 0, 0.5, 1, 1, 1, 1};
  NamedFace named = Placed(
      "bicubic NURBS patch",
      std::make_shared<MCADUVNurbsSurface>(M3dNurbsSurface(4, 4, 5, 5, knots, knots, points)),
      TurnedAndMoved({7, 8, 9}), 40.0);
  named.chordSlack = 1.02;
  return named;
}

/// Every face above.
inline std::vector<NamedFace> AllFaces() {
  return {PlaneFace(),        FullCylinderFace(), SphereFace(),
          ConeWithApexFace(), NurbsTorusFace(),   BicubicNurbsFace()};
}

/// Triangulates without fin tags and without cancellation.
inline Result Mesh(const MCADFace& face, double tolerance, std::size_t maxQuads = 1000000,
                   MCadTriangulator::MStatistics* statistics = nullptr) {
  return MCadTriangulator::Triangulate(face, std::nullopt, tolerance,
                                       std::numeric_limits<double>::infinity(), maxQuads, {},
                                       statistics);
}

/// The face's exact surface seen from model space (through the placement and the internal units).
class SurfaceProbe {
 public:
  explicit SurfaceProbe(const MCADFace& face) : m_face(face), m_surface(*face.GetSurface()) {}

  /// The parameters of the surface point nearest to the model-space point p, searched to 1e-10
  /// model units: the checks measure rounding-level distances.
  Point2 Parameters(const Point3& p) const {
    Point3 local = p;
    m_face.GetTransformationMatrix().InverseTransform(local, false);
    return m_surface.InvertPoint(10000.0 * local, 1e-6);
  }
  Point3 Evaluate(const Point2& uv) const {
    Point3 p;
    m_surface.EvaluatePoint(uv, p);
    return Place(m_face, p / 10000.0);
  }
  Point3 Nearest(const Point3& p) const { return Evaluate(Parameters(p)); }
  /// The unit normal dS/du x dS/dv at uv in model space, by central differences.
  Point3 Normal(const Point2& uv) const {
    const MCADDomainLimits& u = m_surface.GetExtremesUV(eInU);
    const MCADDomainLimits& v = m_surface.GetExtremesUV(eInV);
    const double hu = 1e-6 * (u.GetMax() - u.GetMin()), hv = 1e-6 * (v.GetMax() - v.GetMin());
    return normalized(cross(Evaluate({uv[0] + hu, uv[1]}) - Evaluate({uv[0] - hu, uv[1]}),
                            Evaluate({uv[0], uv[1] + hv}) - Evaluate({uv[0], uv[1] - hv})));
  }

 private:
  const MCADFace& m_face;
  const MCADUVSurface& m_surface;
};

/// The largest distance between the mesh and the surface, sampled at every triangle's centroid
/// and edge midpoints, and between a mesh vertex and the surface.
inline std::pair<double, double> Deviations(const triangle_surface& mesh,
                                            const SurfaceProbe& probe) {
  double sampled = 0.0;
  for (const auto& t : mesh.triangles) {
    const Point3& a = mesh.vertices[t[0]];
    const Point3& b = mesh.vertices[t[1]];
    const Point3& c = mesh.vertices[t[2]];
    for (const Point3& p : {(a + b + c) / 3.0, (a + b) / 2.0, (b + c) / 2.0, (c + a) / 2.0})
      sampled = std::max(sampled, distance(p, probe.Nearest(p)));
  }
  double vertex = 0.0;
  for (const Point3& p : mesh.vertices)
    vertex = std::max(vertex, distance(p, probe.Nearest(p)));
  return {sampled, vertex};
}

using Edge = std::pair<std::size_t, std::size_t>;

/// The edge structure of a mesh.
struct EdgeCensus {
  std::size_t malformed = 0;  ///< triangles that repeat a vertex or name one out of range
  std::size_t badEdges = 0;   ///< used by more than two triangles, or twice the same way
  std::set<Edge> boundary;    ///< edges used by exactly one triangle, in its direction
  /// The number of closed boundary loops; `brokenBoundary` is set when a boundary vertex does
  /// not have exactly one boundary edge in and one out.
  std::size_t loops = 0;
  bool brokenBoundary = false;
  long euler = 0;  ///< V - E + F over the vertices that triangles use
};

inline EdgeCensus CountEdges(const triangle_surface& mesh) {
  EdgeCensus census;
  std::map<Edge, std::vector<int>> uses;  // by (smaller, larger): +1 along, -1 against
  std::set<std::size_t> used;
  for (const auto& t : mesh.triangles) {
    census.malformed += t[0] == t[1] || t[1] == t[2] || t[2] == t[0] ||
                        std::max({t[0], t[1], t[2]}) >= mesh.vertices.size();
    for (int k = 0; k < 3; ++k) {
      const std::size_t a = t[k], b = t[(k + 1) % 3];
      uses[{std::min(a, b), std::max(a, b)}].push_back(a < b ? 1 : -1);
      used.insert(a);
    }
  }
  census.euler = static_cast<long>(used.size() + mesh.triangles.size() - uses.size());
  std::map<std::size_t, std::size_t> next, previous;
  for (const auto& [edge, directions] : uses) {
    if (directions.size() == 1) {
      const Edge along = directions[0] > 0 ? edge : Edge{edge.second, edge.first};
      census.boundary.insert(along);
      census.brokenBoundary |=
          !next.emplace(along).second || !previous.emplace(along.second, along.first).second;
    } else if (directions.size() != 2 || directions[0] == directions[1]) {
      ++census.badEdges;
    }
  }
  // With one edge out and one in at every boundary vertex, the boundary splits into cycles.
  for (const auto& [from, to] : next)
    census.brokenBoundary |= !next.count(to);
  std::set<std::size_t> visited;
  for (const auto& [start, ignored] : next) {
    census.loops += !census.brokenBoundary && !visited.count(start);
    for (std::size_t v = start; !census.brokenBoundary && visited.insert(v).second;)
      v = next.at(v);
  }
  return census;
}

/// The unnormalised normal (b - a) x (c - a) of triangle t.
inline Point3 TriangleNormal(const triangle_surface& mesh, std::size_t t) {
  const auto& c = mesh.triangles[t];
  return cross(mesh.vertices[c[1]] - mesh.vertices[c[0]],
               mesh.vertices[c[2]] - mesh.vertices[c[0]]);
}

/// The smallest and the summed triangle area.
inline std::pair<double, double> Areas(const triangle_surface& mesh) {
  double smallest = std::numeric_limits<double>::infinity(), sum = 0.0;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const double area = 0.5 * length(TriangleNormal(mesh, t));
    smallest = std::min(smallest, area);
    sum += area;
  }
  return {smallest, sum};
}

/// The number of flat triangles: those whose height over their longest side is below 1e-6 of
/// that side (they close a T-junction and have no usable normal).
inline std::size_t CountFlatTriangles(const triangle_surface& mesh) {
  std::size_t count = 0;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const auto& c = mesh.triangles[t];
    double longest = 0.0;
    for (int k = 0; k < 3; ++k)
      longest = std::max(longest, distance(mesh.vertices[c[k]], mesh.vertices[c[(k + 1) % 3]]));
    count += length(TriangleNormal(mesh, t)) < 1e-6 * longest * longest;
  }
  return count;
}

/// The number of triangles whose normal does not point to `side` (+1 or -1) of the surface
/// normal at their centroid.
inline std::size_t TrianglesFacingAway(const triangle_surface& mesh, const SurfaceProbe& probe,
                                       double side) {
  std::size_t count = 0;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const auto& c = mesh.triangles[t];
    const Point3 centroid = (mesh.vertices[c[0]] + mesh.vertices[c[1]] + mesh.vertices[c[2]]) / 3.0;
    if (!(side * dot(TriangleNormal(mesh, t), probe.Normal(probe.Parameters(centroid))) > 0.0))
      ++count;
  }
  return count;
}

}  // namespace pipeline_test
