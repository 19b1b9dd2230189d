// preprocess_triangulated_surface on faces meshed by Triangulate with fin tags: every pass keeps
// the mesh valid and its border covered, the surface stays where it was, and with the
// improvement flag every edge from the border meets the band's edge at a vertex.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/geometry/preprocess_triangulated_surface.h"
#include "avoid_long_triangles_on_border.h"
#include "clean_border_corners.h"
#include "flip_long_edges.h"
#include "postprocess_fixtures.h"
#include "remove_opposite_border_edges.h"
#include "repair_orientation.h"
#include "spatial/numeric_helpers.h"
#include "triangulator/trimmed/trimmed_faces.h"

namespace postprocess_test {
namespace {

using namespace trimmed_test;

struct FaceCase {
  TrimmedFace face;
  double tolerance;
  double bandWidth;
  double chordSlack = 1.0;  ///< as in the triangulator's own tests of the face
  bool leavesBand = true;  ///< whether Triangulate leaves edges from the border that leave the band
};

// A plate [0, 100] x [0, 80] with 6 x 4 small round holes: many short border loops.
TrimmedFace PlateWithSmallHoles() {
  auto plate = std::make_shared<MCADUVPlane>(MCADFrame({5, -3, 2}, {1, 2, 2}, {2, -1, 0}), 0.0,
                                             100.0, 0.0, 80.0);
  std::vector<KnownLoop> loops{RectangleLoop({0, 0}, {100, 80})};
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 4; ++j)
      loops.push_back(
          CircleLoop({9.0 + 16.3 * i, 11.0 + 19.1 * j}, 1.5 + 0.37 * ((i + j) % 3), true));
  }
  return MakeFace("plate with small holes", plate, loops, 100.0);
}

// A whole closed face bounded by its domain, the seam used twice (fins 1 and 3) with one tag, as
// a model's seam edge is.
TrimmedFace WholeFace(std::string name, std::shared_ptr<const MCADUVSurface> surface,
                      const Point2& lo, const Point2& hi) {
  TrimmedFace face = MakeFace(std::move(name), std::move(surface), {RectangleLoop(lo, hi)}, 10.0);
  face.tags[3] = face.tags[1];
  return face;
}

const MCADFrame kFrame({1, 2, 3}, {0, 1, 1}, {1, 0, 0});

TrimmedFace WholeCylinder() {
  return WholeFace("whole cylinder",
                   std::make_shared<MCADUVCylinder>(kFrame, 1.0, 0.0, 2 * kPi, 0.0, 3.0), {0, 0},
                   {2 * kPi, 3});
}

TrimmedFace WholeSphere() {
  return WholeFace("whole sphere",
                   std::make_shared<MCADUVSphere>(kFrame, 10.0, 0.0, 2 * kPi, -kPi / 2, kPi / 2),
                   {0, -kPi / 2}, {2 * kPi, kPi / 2});
}

std::vector<FaceCase> Cases() {
  auto cylinder = std::make_shared<MCADUVCylinder>(kFrame, 1.0, 0.0, 2 * kPi, 0.0, 3.0);
  const NamedFace patch = BicubicNurbsFace();
  return {
      {PlateWithSmallHoles(), 0.01, 2.0},
      {MakeFace(patch.name + " with a round hole", patch.face.GetSharedSurface(),
                {RectangleLoop({0, 0}, {1, 1}), CircleLoop({0.45, 0.55}, 0.25, true)}, patch.scale,
                patch.face.GetTransformationMatrix()),
       0.05, 2.0, 1.1, false},
      {MakeFace("cylinder with a hole across the seam", cylinder,
                {LineLoop({0, 0}, {2 * kPi, 0}), LineLoop({2 * kPi, 3}, {0, 3}),
                 CircleLoop({0.0, 1.5}, 0.4, true)},
                3.0),
       0.002, 0.2},
      {WholeCylinder(), 0.002, 0.2},
      {WholeSphere(), 0.01, 1.0, 1.0, false},
  };
}

// The passes of the driver one by one, each checked; returns the final mesh.
Result RunPassesChecked(const FaceCase& c, bool improve) {
  Result result = MeshTrimmed(c.face, c.tolerance);
  Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  geometry::repair_orientation(result, map);
  ExpectValidMesh(result, map, true);
  if (improve) {
    long_edges::flip_long_edges(result, map);
    ExpectValidMesh(result, map, true);
  }
  geometry::clean_border_corners(result, map, c.tolerance);
  ExpectValidMesh(result, map, true);
  if (improve) {
    long_edges::avoid_long_triangles_on_border(result, map, c.bandWidth);
    ExpectValidMesh(result, map, true);
  }
  return result;
}

void ExpectSameMesh(const Result& a, const Result& b) {
  EXPECT_EQ(a.vertices, b.vertices);
  EXPECT_EQ(a.triangles, b.triangles);
  EXPECT_EQ(BorderRecords(a), BorderRecords(b));
}

TEST(PreprocessFaces, EveryPassKeepsTheMeshValidAndTheBorderCovered) {
  for (const FaceCase& c : Cases()) {
    for (const bool improve : {false, true}) {
      SCOPED_TRACE(c.face.name + (improve ? " improved" : ""));
      const Result passes = RunPassesChecked(c, improve);
      // The driver runs the same passes in the same order, and gives the same bits every time.
      for (int run = 0; run < 2; ++run) {
        Result driven = MeshTrimmed(c.face, c.tolerance);
        geometry::preprocess_triangulated_surface(driven, improve, c.bandWidth, c.tolerance);
        ExpectSameMesh(driven, passes);
      }
    }
  }
}

// Flips keep the surface where it lies flat, splits put vertices on existing edges, and a removed
// corner cuts off a sliver no higher than the corner distance along the border.
TEST(PreprocessFaces, SurfaceStaysWithinTheToleranceAndTheAreaWithinABorderStrip) {
  for (const FaceCase& c : Cases()) {
    const Result mesh = MeshTrimmed(c.face, c.tolerance);
    const SurfaceProbe probe(c.face.face);
    for (const bool improve : {false, true}) {
      SCOPED_TRACE(c.face.name + (improve ? " improved" : ""));
      Result improved = mesh;
      geometry::preprocess_triangulated_surface(improved, improve, c.bandWidth, c.tolerance);
      EXPECT_LE(std::fabs(Areas(improved).second - Areas(mesh).second),
                c.tolerance * BorderLength(mesh));
      EXPECT_LE(Deviations(improved, probe).first, c.tolerance * c.chordSlack);
    }
  }
}

double SquaredDistanceToBorder(const Result& result, const Point3& p) {
  double nearest = std::numeric_limits<double>::infinity();
  for (const auto& edge : result.border_edges)
    nearest = std::min(nearest, geometry::detail::squared_distance_to_segment(
                                    p, result.vertices[edge.first], result.vertices[edge.second]));
  return nearest;
}

// Whether a sample every L along v-w lies farther than L from the border short of the last L/5
// before w (where the crossing search may have put w). A relative 1e-9 absorbs the rounding of a
// sample taken at exactly L from v.
bool LeavesBandBeforeItsEnd(const Result& result, std::size_t v, std::size_t w, double L) {
  const Point3 pv = result.vertices[v];
  const Point3 pw = result.vertices[w];
  const double length = distance(pv, pw);
  for (double s = 0.0; s < length - L / 5.0; s += L) {
    if (SquaredDistanceToBorder(result, pv + (s / length) * (pw - pv)) > L * L * (1.0 + 1e-9))
      return true;
  }
  return false;
}

// The edges v-w from a border vertex v into the face, at least L long and not ending near v's
// own border edges, along which the border band is left before w.
std::size_t CountEdgesLeavingTheBand(const Result& result, double L) {
  std::map<std::size_t, std::set<std::size_t>> own;
  for (const auto& edge : result.border_edges) {
    own[edge.first].insert(edge.second);
    own[edge.second].insert(edge.first);
  }
  const Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
  std::set<Edge> leaving;
  for (const auto& [v, neighbours] : own) {
    for (const std::size_t t : map[v]) {
      for (const std::size_t w : result.triangles[t]) {
        if (w == v || neighbours.count(w) || distance(result.vertices[v], result.vertices[w]) < L)
          continue;
        const bool nearOwn = std::any_of(neighbours.begin(), neighbours.end(), [&](std::size_t n) {
          return geometry::detail::squared_distance_to_segment(
                     result.vertices[w], result.vertices[v], result.vertices[n]) < L * L;
        });
        if (!nearOwn && LeavesBandBeforeItsEnd(result, v, w, L))
          leaving.emplace(v, w);
      }
    }
  }
  return leaving.size();
}

TEST(PreprocessFaces, WithTheFlagEveryEdgeFromTheBorderMeetsTheBandEdgeAtAVertex) {
  for (const FaceCase& c : Cases()) {
    SCOPED_TRACE(c.face.name);
    Result result = MeshTrimmed(c.face, c.tolerance);
    // Only the faces whose border loops are far apart have edges that leave the band.
    EXPECT_EQ(CountEdgesLeavingTheBand(result, c.bandWidth) > 0, c.leavesBand);
    geometry::preprocess_triangulated_surface(result, true, c.bandWidth, c.tolerance);
    EXPECT_EQ(CountEdgesLeavingTheBand(result, c.bandWidth), 0u);
  }
}

// A closed face's loop runs up and down its seam with one tag: the orientation repair erases both
// sides of the seam, which the mesh closes, and keeps the rest.
TEST(PreprocessFaces, SeamPairsAreErasedByTheOrientationRepair) {
  for (const TrimmedFace& face : {WholeCylinder(), WholeSphere()}) {
    SCOPED_TRACE(face.name);
    Result result = MeshTrimmed(face, 0.01);
    const int seamTag = face.tags[1];
    const auto onSeam = [seamTag](const MCadTriangulator::border_edge& edge) {
      return edge.tag == seamTag;
    };
    const auto seamEdges =
        std::count_if(result.border_edges.begin(), result.border_edges.end(), onSeam);
    ASSERT_GT(seamEdges, 0);
    const std::size_t others = result.border_edges.size() - static_cast<std::size_t>(seamEdges);
    Map map = Oxlen::Geometry::get_vertex_to_triangles_map(result);
    geometry::repair_orientation(result, map);
    EXPECT_EQ(std::count_if(result.border_edges.begin(), result.border_edges.end(), onSeam), 0);
    EXPECT_EQ(result.border_edges.size(), others);
    ExpectValidMesh(result, map, true);
  }
}

// Where Triangulate starts a full circle that touches the plane's limits it lists one border
// edge twice and once reversed, with the circle's tag: exactly one copy in the boundary's
// direction stays.
TEST(PreprocessFaces, SpuriousEdgesWhereACircleStartsLeaveOneEdgeAlongTheBoundary) {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), -10.0, 10.0, -10.0, 10.0);
  const TrimmedFace face = MakeFace("disc", plane, {CircleLoop({0, 0}, 10.0, false)}, 10.0);
  Result result = MeshTrimmed(face, 0.02);
  const std::set<Edge> boundary = CountEdges(result).boundary;
  ASSERT_GT(result.border_edges.size(), boundary.size());  // the spurious copies are there
  geometry::remove_opposite_border_edges(result);
  const std::vector<Edge> pairs = BorderPairs(result);
  EXPECT_EQ(std::set<Edge>(pairs.begin(), pairs.end()), boundary);
  EXPECT_EQ(pairs.size(), boundary.size());
}

TEST(PreprocessArguments, MalformedInputIsRejectedNamingTheArgumentAndLeftUnchanged) {
  const Result valid = MakeResult({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, {{0, 1, 5}});
  const auto expectRejected = [](Result input, bool improve, double L, double D,
                                 const std::string& argument) {
    const Result before = input;
    try {
      geometry::preprocess_triangulated_surface(input, improve, L, D);
      ADD_FAILURE() << "accepted; expected a complaint about " << argument;
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(std::string(error.what()).rfind(argument + ":", 0), 0u) << error.what();
    }
    // Byte for byte: a NaN coordinate equals itself there.
    ASSERT_EQ(input.vertices.size(), before.vertices.size());
    EXPECT_EQ(std::memcmp(input.vertices.data(), before.vertices.data(),
                          input.vertices.size() * sizeof(Point3)),
              0);
    EXPECT_EQ(input.triangles, before.triangles);
    EXPECT_EQ(BorderRecords(input), BorderRecords(before));
  };
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Result badTriangle = valid;
  badTriangle.triangles[0][2] = 3;
  expectRejected(badTriangle, false, 1.0, 0.0, "result");
  Result removedTriangle = valid;
  removedTriangle.triangles[0][0] = SIZE_MAX;
  expectRejected(removedTriangle, false, 1.0, 0.0, "result");
  Result badEdge = valid;
  badEdge.border_edges[0].second = 7;
  expectRejected(badEdge, false, 1.0, 0.0, "result");
  for (const double coordinate : {nan, inf, 1e300}) {
    Result badVertex = valid;
    badVertex.vertices[1][0] = coordinate;
    expectRejected(badVertex, false, 1.0, 0.0, "result");
  }
  for (const double L : {0.0, -1.0, inf, nan})
    expectRejected(valid, true, L, 0.0, "bandWidth");
  for (const double D : {-1e-300, nan})
    expectRejected(valid, false, 1.0, D, "cornerDistance");
  // The band width is not used without the flag; an infinite corner distance is a distance.
  Result accepted = valid;
  EXPECT_NO_THROW(geometry::preprocess_triangulated_surface(accepted, false, nan, inf));
  Result empty;
  EXPECT_NO_THROW(geometry::preprocess_triangulated_surface(empty, true, 1.0, 0.0));
  EXPECT_TRUE(empty.vertices.empty() && empty.triangles.empty() && empty.border_edges.empty());
}

}  // namespace
}  // namespace postprocess_test
