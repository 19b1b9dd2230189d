#include "trimmed_checks.h"

#include <gtest/gtest.h>

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

}  // namespace

double MeshArea(const triangle_surface& mesh) {
  double area = 0.0;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
    area += 0.5 * length(pipeline_test::TriangleNormal(mesh, t));
  return area;
}

BorderMeasure MeasureBorderEdges(const Result& mesh, const std::vector<LiftedFin>& fins) {
  BorderMeasure measure;
  const std::set<Edge> boundary = DirectedBoundary(mesh);
  std::set<std::size_t> vertices;
  for (const auto& [a, b] : boundary) {
    ++measure.boundaryEdges;
    const Point3 middle = 0.5 * (mesh.vertices[a] + mesh.vertices[b]);
    measure.midpointOffLoop = std::max(measure.midpointOffLoop, NearestFin(fins, middle));
    vertices.insert(a);
    vertices.insert(b);
  }
  for (const std::size_t v : vertices)
    measure.vertexOffLoop = std::max(measure.vertexOffLoop, NearestFin(fins, mesh.vertices[v]));
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

void ExpectFollowsLoops(const TrimmedFace& face, const Result& mesh, double vertexSlack,
                        double edgeSlack) {
  ASSERT_FALSE(mesh.triangles.empty());
  EXPECT_EQ(pipeline_test::MalformedTriangles(mesh), 0u);
  const pipeline_test::EdgeCensus census = pipeline_test::CountEdges(mesh);
  EXPECT_EQ(census.badEdges, 0u);
  EXPECT_FALSE(census.brokenBoundary);
  EXPECT_EQ(census.loops.size(), face.loops.size());
  EXPECT_EQ(census.euler, 2 - static_cast<long>(face.loops.size()));

  const SurfaceProbe probe(face.face);
  EXPECT_EQ(pipeline_test::TrianglesFacingAway(mesh, probe, 1.0), 0u);
  const std::vector<LiftedFin> fins = LiftFins(face, probe);
  const BorderMeasure border = MeasureBorderEdges(mesh, fins);
  EXPECT_LE(border.vertexOffLoop, vertexSlack);
  EXPECT_LE(border.midpointOffLoop, edgeSlack);
  EXPECT_EQ(border.edges, border.boundaryEdges);
  EXPECT_EQ(border.invalid, 0u);
  EXPECT_EQ(border.unknownTag, 0u);
  EXPECT_LE(border.offFin, edgeSlack);
  EXPECT_EQ(border.againstFin, 0u);
  EXPECT_EQ(border.notOnBoundary, 0u);
  EXPECT_EQ(border.uncovered, 0u);
}

}  // namespace trimmed_test
