// Loops far larger than the surface's limits, and loops whose curves cannot be loop edges, at
// face level: a loop is clipped to the limits at any scale, so the mesh is the loop's region
// within them; a curve that gives points that are not finite, or a NURBS fin that is not
// continuous, rejects the face naming the loop and the fin.
#include <gtest/gtest.h>

#include <stdexcept>

#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "trimmed_faces.h"

namespace trimmed_test {
namespace {

constexpr double kTolerance = 0.01;

// The plate [0, 100] x [0, 60] in the world frame: model points are (u, v, 0).
std::shared_ptr<MCADUVPlane> Plate() {
  return std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 60.0);
}

// Distance from p to the segment [a, b] in the plane z = 0.
double ToSegment(const Point3& p, const Point2& a, const Point2& b) {
  const Point2 q{p[0], p[1]};
  const double s = std::clamp(dot(q - a, b - a) / dot(b - a, b - a), 0.0, 1.0);
  return std::hypot(distance(q, a + s * (b - a)), p[2]);
}

// Distance from p to the plate's border.
double ToBorder(const Point3& p) {
  return std::min({ToSegment(p, {0, 0}, {100, 0}), ToSegment(p, {100, 0}, {100, 60}),
                   ToSegment(p, {100, 60}, {0, 60}), ToSegment(p, {0, 60}, {0, 0})});
}

TEST(FarLoops, ASquareOfAnySizeAroundThePlateClipsToThePlateTheSameWay) {
  // Squares of half side H around the plate's centre; with a round hole the mesh is the plate
  // less the segmented hole, whose sides lie within the tolerance inside the circle.
  const double r = 10.0;
  const double holeMost = kPi * r * r, holeLeast = kPi * (r - kTolerance) * (r - kTolerance);
  for (const bool hole : {false, true}) {
    std::optional<Result> first;
    for (const double h : {60.0, 1e3, 1e4, 1e6, 1e9}) {
      SCOPED_TRACE(testing::Message() << "H " << h << (hole ? " with hole" : ""));
      std::vector<KnownLoop> loops{RectangleLoop({50 - h, 30 - h}, {50 + h, 30 + h})};
      if (hole)
        loops.push_back(CircleLoop({50, 30}, r, true));
      const TrimmedFace face = MakeFace("square", Plate(), loops, 100.0);
      const Result mesh = MeshTrimmed(face, kTolerance);
      const EdgeCensus census = CountEdges(mesh);
      EXPECT_EQ(census.malformed + census.badEdges, 0u);
      EXPECT_FALSE(census.brokenBoundary);
      EXPECT_GE(Areas(mesh).second, 6000.0 - (hole ? holeMost : 0.0) - 1e-9);
      EXPECT_LE(Areas(mesh).second, 6000.0 - (hole ? holeLeast : 0.0) + 1e-9);
      // The hole's edges follow the circle; the square's, clipped, lie on the plate's border.
      for (const auto& e : mesh.border_edges) {
        for (const Point3& p : {mesh.vertices[e.first], mesh.vertices[e.second]}) {
          if (e.tag == face.tags.back() && hole)
            EXPECT_NEAR(std::hypot(p[0] - 50, p[1] - 30), r, kTolerance);
          else
            EXPECT_LT(ToBorder(p), 1e-9);
        }
      }
      // Every scale gives the mesh of the smallest.
      if (!first) {
        first = mesh;
      } else {
        EXPECT_EQ(mesh.vertices, first->vertices);
        EXPECT_EQ(mesh.triangles, first->triangles);
        EXPECT_EQ(mesh.border_edges.size(), first->border_edges.size());
      }
    }
  }
}

TEST(FarLoops, ALoopPartlyOutsideGivesThePartInside) {
  // Strips running far out to the right (and a loop that leaves the plate and comes back into
  // it), both ways round; a circle wholly outside bounds nothing, so the plate's own border
  // loop alone decides.
  struct Case {
    std::string name;
    std::vector<KnownLoop> loops;
    double area;
  };
  const KnownLoop out = RectangleLoop({10, 10}, {1e5, 50});
  const Case cases[] = {
      {"strip", {out}, 3600.0},
      {"strip, far side at 1e9", {RectangleLoop({10, 10}, {1e9, 50})}, 3600.0},
      {"hole strip",
       {RectangleLoop({0, 0}, {100, 60}), RectangleLoop({10, 10}, {1e5, 50}, true)},
       2400.0},
      {"out and back in",
       {PolygonLoop(
           {{10, 10}, {500, 10}, {500, 50}, {10, 50}, {10, 40}, {200, 40}, {200, 20}, {10, 20}})},
       1800.0},
      {"circle outside",
       {RectangleLoop({0, 0}, {100, 60}), CircleLoop({5000, 30}, 10, true)},
       6000.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TrimmedFace face = MakeFace(c.name, Plate(), c.loops, 100.0);
    const Result mesh = MeshTrimmed(face, kTolerance);
    EXPECT_EQ(CountEdges(mesh).malformed + CountEdges(mesh).badEdges, 0u);
    EXPECT_NEAR(Areas(mesh).second, c.area, 1e-9 * 6000.0);
  }
  // The strip's border edges along the sides that run inside the plate lie on those sides and
  // cover their parts inside: 90 along the bottom and the top, 40 along the left.
  const TrimmedFace strip = MakeFace("strip", Plate(), {out}, 100.0);
  const Result mesh = MeshTrimmed(strip, kTolerance);
  std::map<int, double> covered;
  for (const auto& e : mesh.border_edges) {
    const std::size_t fin = static_cast<std::size_t>(e.tag - strip.tags.front()) / 3;
    if (fin == 1)
      continue;  // the side at u = 1e5, clipped onto the plate's border
    const Point3& p = mesh.vertices[e.first];
    const Point3& q = mesh.vertices[e.second];
    EXPECT_LT(std::max(ToSegment(p, out[fin].from, out[fin].to),
                       ToSegment(q, out[fin].from, out[fin].to)),
              1e-9);
    covered[e.tag] += distance(p, q);
  }
  const std::vector<int>& t = strip.tags;
  EXPECT_EQ(covered.size(), 3u);
  EXPECT_NEAR(covered[t[0]], 90.0, 1e-9);
  EXPECT_NEAR(covered[t[2]], 90.0, 1e-9);
  EXPECT_NEAR(covered[t[3]], 40.0, 1e-9);
}

// A UV curve that runs along a straight line and gives NaN points on a stretch around its middle.
class BrokenLine : public MCAD2DVCurve {
 public:
  BrokenLine(const Point2& from, const Point2& to) : m_from(from), m_to(to) {}
  void GetParameterList(MCADParameterList_1d& list) const override { list.parameters = {0.0, 1.0}; }
  void EvaluatePoint(double t, Point2& result) const override {
    result = t > 0.45 && t < 0.55 ? Point2(std::nan(""), 0.0) : m_from + t * (m_to - m_from);
  }

 private:
  Point2 m_from, m_to;
};

TEST(FarLoops, AFinThatCannotBeALoopEdgeRejectsTheFace) {
  // A border loop, then a hole whose third fin gives NaN points, or is an order 1 NURBS curve
  // (added to the loop directly, past the loop builder's own check).
  const auto plate = Plate();
  const std::shared_ptr<const MCAD2DVCurve> broken[] = {
      std::make_shared<BrokenLine>(Point2(40, 40), Point2(40, 20)),
      std::make_shared<MCAD2DNurbsCurve>(1, std::vector<double>{0, 0.5, 1},
                                         std::vector<Point2>{{40, 40}, {40, 20}})};
  const std::string reasons[] = {"the curve gives a UV point that is not finite",
                                 "the curve is not continuous"};
  for (int k = 0; k < 2; ++k) {
    auto hole = MCADLoopBuilder(plate).Line({40, 20}, {60, 20}).Line({60, 20}, {40, 40}).Build();
    hole->AddFin(std::make_shared<MCAD3DVUVSurfaceCurve2DBased>(plate, broken[k]), true);
    const MCADFace face = MCADFaceBuilder(plate)
                              .Loop(MCADLoopBuilder(plate).Rectangle({0, 0}, {100, 60}).Build())
                              .Loop(hole)
                              .Build();
    try {
      MCadTriangulator::Triangulate(face, std::nullopt, kTolerance,
                                    std::numeric_limits<double>::infinity(), 100000, {});
      ADD_FAILURE() << "no exception for " << reasons[k];
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), "face: loop 1, fin 2: " + reasons[k]);
    }
  }
}

}  // namespace
}  // namespace trimmed_test
