#include "trimmed_checks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <utility>

#include "triangulator/pipeline/mesh_checks.h"

namespace trimmed_test {
namespace {

using Oxlen::Geometry::triangle_surface;
using Edge = std::pair<std::size_t, std::size_t>;

// Directed edges used by exactly one triangle, whose reverse no triangle uses.
std::set<Edge> DirectedBoundary(const triangle_surface& mesh) {
  std::map<Edge, int> uses;
  for (const auto& t : mesh.triangles)
    for (int k = 0; k < 3; ++k)
      ++uses[{t[k], t[(k + 1) % 3]}];
  std::set<Edge> boundary;
  for (const auto& [edge, count] : uses)
    if (count == 1 && !uses.count({edge.second, edge.first}))
      boundary.insert(edge);
  return boundary;
}

double NearestFin(const std::vector<LiftedFin>& fins, const Point3& p) {
  double best = std::numeric_limits<double>::infinity();
  for (const LiftedFin& fin : fins)
    best = std::min(best, fin.Distance(p));
  return best;
}

// Winding number of a UV point around a closed UV polyline.
int Winding(const std::vector<Point2>& polygon, const Point2& p) {
  int winding = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point2& a = polygon[i];
    const Point2& b = polygon[(i + 1) % polygon.size()];
    const double side = cross(b - a, p - a);
    if (a[1] <= p[1] && b[1] > p[1] && side > 0)
      ++winding;
    else if (a[1] > p[1] && b[1] <= p[1] && side < 0)
      --winding;
  }
  return winding;
}

}  // namespace

double MeshArea(const triangle_surface& mesh) {
  double area = 0.0;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
    area += 0.5 * length(pipeline_test::TriangleNormal(mesh, t));
  return area;
}

BoundaryMeasure MeasureBoundary(const triangle_surface& mesh, const std::vector<LiftedFin>& fins) {
  BoundaryMeasure measure;
  std::set<std::size_t> vertices;
  for (const auto& [a, b] : DirectedBoundary(mesh)) {
    ++measure.edges;
    const Point3& p = mesh.vertices[a];
    const Point3& q = mesh.vertices[b];
    measure.length += distance(p, q);
    measure.midpointOffLoop = std::max(measure.midpointOffLoop, NearestFin(fins, 0.5 * (p + q)));
    vertices.insert(a);
    vertices.insert(b);
  }
  for (const std::size_t v : vertices)
    measure.vertexOffLoop = std::max(measure.vertexOffLoop, NearestFin(fins, mesh.vertices[v]));
  return measure;
}

BorderMeasure MeasureBorderEdges(const Result& mesh, const std::vector<LiftedFin>& fins) {
  BorderMeasure measure;
  std::set<Edge> boundary = DirectedBoundary(mesh);
  std::set<Edge> listed;
  for (const auto& edge : mesh.border_edges) {
    ++measure.edges;
    if (edge.first >= mesh.vertices.size() || edge.second >= mesh.vertices.size() ||
        edge.first == edge.second) {
      ++measure.invalid;
      continue;
    }
    const Edge along{edge.first, edge.second};
    if (!boundary.count(along) || !listed.insert(along).second)
      ++measure.notOnBoundary;
    const auto fin = std::find_if(fins.begin(), fins.end(),
                                  [&](const LiftedFin& f) { return f.Tag() == edge.tag; });
    if (fin == fins.end()) {
      ++measure.unknownTag;
      continue;
    }
    const Point3& p = mesh.vertices[edge.first];
    const Point3& q = mesh.vertices[edge.second];
    double tp = 0.0;
    double tq = 0.0;
    measure.offFin = std::max({measure.offFin, fin->Distance(p, &tp), fin->Distance(q, &tq),
                               fin->Distance(0.5 * (p + q))});
    double advance = tq - tp;
    if (fin->IsClosed())
      advance -= std::round(advance);  // the shorter way round a closed fin
    if (!(advance > 0.0))
      ++measure.againstFin;
  }
  for (const Edge& edge : boundary)
    if (!listed.count(edge))
      ++measure.uncovered;
  return measure;
}

std::size_t TrianglesFacingAway(const triangle_surface& mesh, const SurfaceProbe& probe,
                                double side) {
  std::size_t count = 0;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const auto& c = mesh.triangles[t];
    const Point3 centroid = (mesh.vertices[c[0]] + mesh.vertices[c[1]] + mesh.vertices[c[2]]) / 3.0;
    const Point3 normal = probe.Normal(probe.Parameters(centroid));
    if (!(side * dot(pipeline_test::TriangleNormal(mesh, t), normal) > 0.0))
      ++count;
  }
  return count;
}

std::size_t VerticesOutsideLoops(const triangle_surface& mesh, const TrimmedFace& face,
                                 const std::vector<LiftedFin>& fins, const SurfaceProbe& probe,
                                 double slack) {
  std::vector<std::vector<Point2>> polygons;
  for (const KnownLoop& loop : face.loops) {
    std::vector<Point2> polygon;
    for (const KnownFin& fin : loop) {
      const int pieces = fin.circle ? 1024 : 1;
      for (int i = 0; i < pieces; ++i)
        polygon.push_back(fin.At(static_cast<double>(i) / pieces));
    }
    polygons.push_back(std::move(polygon));
  }
  std::size_t outside = 0;
  for (const Point3& p : mesh.vertices) {
    if (NearestFin(fins, p) <= slack)
      continue;
    const Point2 uv = probe.Parameters(p);
    int winding = 0;
    for (const auto& polygon : polygons)
      winding += Winding(polygon, uv);
    if (winding != 1)
      ++outside;
  }
  return outside;
}

}  // namespace trimmed_test
