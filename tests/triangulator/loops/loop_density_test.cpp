// Loop density refinement: long, finely segmented loops are spread over quads of bounded load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "grid/grid_fixtures.h"
#include "triangulator/MInternal.h"

namespace {

using namespace grid_test;
using MInternal = MCadTriangulator::MInternal;
using MSegmentedLoop = MCadTriangulator::MSegmentedLoop;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using P2 = Oxlen::Math::point<double, 2>;
constexpr std::size_t kLimit = MInternal::kMaxLoopPointsPerQuad;

// The UV points of a closed loop of `n` points around a circle, alternately at radius r and
// r + tooth: a serrated loop whose points all stand out of a tolerance below the tooth.
std::vector<P2> Serrated(P2 centre, double r, double tooth, int n) {
  std::vector<P2> points;
  for (int k = 0; k < n; ++k) {
    const double angle = 2 * kPi * k / n;
    const double radius = r + tooth * (k % 2);
    points.emplace_back(centre[0] + radius * std::cos(angle), centre[1] + radius * std::sin(angle));
  }
  return points;
}

MSegmentedLoop OnPlane(const std::vector<P2>& uvs) {
  MSegmentedLoop loop;
  for (const P2& uv : uvs)
    loop.points.emplace_back(Point3(uv[0], uv[1], 0.0), uv);
  return loop;
}

// The grid of the plane z = 0 over [0, 100]^2 with its two border isolines per axis.
MQuads SingleQuad(const MCadTriangulator::MAnalyticalSurface& surface) {
  return MQuads(surface, {{0.0, 100.0}, {0.0, 100.0}});
}

// Loop points per quad, located by binary search of the UVs among the isolines.
std::map<std::pair<int, int>, std::size_t> PointsPerQuad(const MQuads& quads,
                                                         const std::vector<P2>& uvs) {
  std::map<std::pair<int, int>, std::size_t> counts;
  const auto strip = [&](MQuads::EAxis axis, double x) {
    const std::vector<double>& isolines = quads.GetIsolines(axis);
    const auto at = std::lower_bound(isolines.begin() + 1, isolines.end() - 1, x);
    return static_cast<int>(at - isolines.begin()) - 1;
  };
  for (const P2& uv : uvs)
    ++counts[{strip(MQuads::EAxis::U, uv[0]), strip(MQuads::EAxis::V, uv[1])}];
  return counts;
}

double Width(const MQuads& quads, MQuads::EAxis axis, int i) {
  const std::vector<double>& isolines = quads.GetIsolines(axis);
  return isolines[static_cast<std::size_t>(i) + 1] - isolines[static_cast<std::size_t>(i)];
}

TEST(RefineByLoopDensity, SpreadsLongLoopsUntilStripsGetShortOrTheBudgetIsSpent) {
  const FunctionSurface square([](double u, double v) { return Point3(u, v, 0.0); }, {0.0, 100.0},
                               {0.0, 100.0});
  const MCadTriangulator::MAnalyticalSurface surface(square,
                                                     Oxlen::Math::matrix4x4<double>::identity());
  const double tolerance = 0.01;
  const std::vector<P2> circle = Serrated({50.0, 50.0}, 40.0, 0.05, 6000);

  // Every quad ends with at most the limit, or with both strips at most 10 tolerances wide.
  MQuads spread = SingleQuad(surface);
  MInternal::RefineByLoopDensity(spread, {OnPlane(circle)}, tolerance, 1000000);
  std::size_t crowded = 0;
  for (const auto& [quad, count] : PointsPerQuad(spread, circle)) {
    if (count <= kLimit)
      continue;
    ++crowded;
    EXPECT_LE(Width(spread, MQuads::EAxis::U, quad.first), 10 * tolerance);
    EXPECT_LE(Width(spread, MQuads::EAxis::V, quad.second), 10 * tolerance);
  }
  EXPECT_EQ(crowded, 0u);
  EXPECT_LT(spread.GetQuadsCount(), 256u * 256u);

  // The budget stops it (at most one more row and column of quads per axis and pass).
  MQuads budget = SingleQuad(surface);
  MInternal::RefineByLoopDensity(budget, {OnPlane(circle)}, tolerance, 100);
  EXPECT_GE(budget.GetQuadsCount(), 100u);
  EXPECT_LE(budget.GetQuadsCount(), 400u);

  // Points closer together than 10 tolerances are not chased: a few halvings, then it stops.
  std::vector<P2> cluster = Serrated({31.4, 27.1}, 0.02, 0.01, 1000);
  MQuads clustered = SingleQuad(surface);
  MInternal::RefineByLoopDensity(clustered, {OnPlane(cluster)}, tolerance, 1000000);
  EXPECT_LE(clustered.GetIsolinesCount(MQuads::EAxis::U), 2 + 12);
  EXPECT_LE(clustered.GetIsolinesCount(MQuads::EAxis::V), 2 + 12);

  // Loops of at most the limit in all, or without crowded quads, leave the grid alone.
  MQuads small = SingleQuad(surface);
  MInternal::RefineByLoopDensity(small, {OnPlane(Serrated({50, 50}, 40, 0.05, kLimit))}, tolerance,
                                 1000000);
  EXPECT_EQ(small.GetQuadsCount(), 1u);
  MQuads fine(surface, {Spaced(0, 100, 64), Spaced(0, 100, 64)});
  MInternal::RefineByLoopDensity(fine, {OnPlane(Serrated({50, 50}, 40, 0.05, 2000))}, tolerance,
                                 1000000);
  EXPECT_EQ(fine.GetQuadsCount(), 64u * 64u);
}

TEST(RefineByLoopDensity, LetsAFaceWithOneLongLoopAndNoEdgeLimitBeMeshedExactly) {
  // A plate [0, 100]^2 trimmed by one serrated loop of 8000 straight spans (an order-2 NURBS
  // curve through its points): without an edge length limit nothing else refines the grid.
  const std::vector<P2> points = Serrated({50.0, 50.0}, 45.0, 0.05, 8000);
  std::vector<P2> poles = points;
  poles.push_back(points.front());
  std::vector<double> knots{0.0};
  for (std::size_t k = 0; k < poles.size(); ++k)
    knots.push_back(static_cast<double>(k));
  knots.push_back(static_cast<double>(poles.size() - 1));
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 100.0);
  const MCADFace face = MCADFaceBuilder(plane)
                            .Loop(MCADLoopBuilder(plane)
                                      .Curve(std::make_shared<MCAD2DNurbsCurve>(2, knots, poles))
                                      .Build())
                            .Build();
  MCadTriangulator::MStatistics stats;
  const auto mesh =
      MCadTriangulator::Triangulate(face, std::vector<int>{7}, 0.01,
                                    std::numeric_limits<double>::infinity(), 1000000, {}, &stats);
  EXPECT_GT(stats.quads, points.size() / kLimit);

  // The mesh covers the polygon, up to the final merge of vertices closer than 1e-4 (where the
  // loop crosses grid edges next to its own points), and every span is a border edge.
  double area = 0.0;
  for (const auto& t : mesh.triangles) {
    const Point3& a = mesh.vertices[t[0]];
    const Point3 ab = mesh.vertices[t[1]] - a;
    const Point3 ac = mesh.vertices[t[2]] - a;
    area += 0.5 * (ab[0] * ac[1] - ab[1] * ac[0]);
  }
  double polygon = 0.0;
  double perimeter = 0.0;
  for (std::size_t k = 0; k < points.size(); ++k) {
    const P2& p = points[k];
    const P2& q = points[(k + 1) % points.size()];
    polygon += 0.5 * (p[0] * q[1] - q[0] * p[1]);
    perimeter += Oxlen::Math::distance(p, q);
  }
  EXPECT_NEAR(area, polygon, 1e-4 * perimeter);
  EXPECT_GE(mesh.border_edges.size(), points.size());
  EXPECT_TRUE(std::all_of(mesh.border_edges.begin(), mesh.border_edges.end(),
                          [](const auto& e) { return e.tag == 7; }));
}

}  // namespace
