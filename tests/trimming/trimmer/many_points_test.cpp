// Quads that receive thousands of loop points (what a small quad budget or a zero tolerance
// leaves): they are cut in a number of splittings and triangles linear in the points, tile the
// quad, keep every loop piece as mesh edges and select the side of the loop exactly. Also the
// pieces that make this possible: the balanced splitting of a triangle of many points, the tie
// rule for points on a spoke, and the loop edge index.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <map>
#include <numbers>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "M3SplittingGenerator.h"
#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "bulk_splitting.h"
#include "loop_edge_index.h"

namespace {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;
using M3 = MTrimmer::M3SplittingGenerator;
using Indices = std::vector<std::int32_t>;

MTrimmer::MQuadToTrim UnitQuad() {
  MTrimmer::MQuadToTrim quad;
  quad.corners = {MPoint(0, 0, 0), MPoint(1, 0, 0), MPoint(1, 1, 0), MPoint(0, 1, 0)};
  return quad;
}

// A part entering on `startEdge` at `from`, through `points`, leaving on `endEdge` at `to`.
MTrimmer::MQuadToTrim WithPart(int startEdge, const MPoint& from, std::vector<MPoint> points,
                               int endEdge, const MPoint& to) {
  MTrimmer::MQuadToTrim quad = UnitQuad();
  MTrimmer::MPartToTrim part;
  part.startEdge = startEdge;
  part.startPoint = from;
  part.endEdge = endEdge;
  part.endPoint = to;
  part.points = std::move(points);
  quad.parts.push_back(std::move(part));
  return quad;
}

// n points of an arc bulging right from (0.3, 0) to (0.3, 1), reaching x = 0.8.
std::vector<MPoint> ArcPoints(int n) {
  std::vector<MPoint> points;
  for (int k = 1; k <= n; ++k) {
    const double t = static_cast<double>(k) / (n + 1);
    points.emplace_back(0.3 + 0.5 * std::sin(std::numbers::pi * t), t, 0.0);
  }
  return points;
}

// n points on the bottom edge of the quad, left to right.
std::vector<MPoint> BottomEdgePoints(int n) {
  std::vector<MPoint> points;
  for (int k = 1; k <= n; ++k)
    points.emplace_back(static_cast<double>(k) / (n + 1), 0.0, 0.0);
  return points;
}

double SignedArea(const MTrimmer::MTriangles& mesh, const std::array<std::int32_t, 3>& t) {
  const MPoint& a = mesh.vertices[t[0]];
  const MPoint& b = mesh.vertices[t[1]];
  const MPoint& c = mesh.vertices[t[2]];
  return 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
}

// The area on the left of the closed polygon (shoelace).
double PolygonArea(const std::vector<MPoint>& polygon) {
  double sum = 0.0;
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const MPoint& p = polygon[k];
    const MPoint& q = polygon[(k + 1) % polygon.size()];
    sum += p[0] * q[1] - q[0] * p[1];
  }
  return 0.5 * sum;
}

// A quad of thousands of points: no triangle wound against the quad, the triangles tiling its
// area, at most a few triangles per loop point, every segment an edge of a triangle in its
// direction, and the triangles on the side of corner 0 covering `side0Area` (-1: all or none).
TEST(ManyPointsPerQuad, TrimmedInLinearSizeAlongTheLoop) {
  struct Case {
    std::string name;
    MTrimmer::MQuadToTrim quad;
    double side0Area;
  };
  std::vector<Case> cases;
  for (const int n : {2000, 8000}) {
    const std::vector<MPoint> arc = ArcPoints(n);
    // The side of corner 0 is the quad less the region between the arc and the right edge.
    std::vector<MPoint> right{MPoint(0.3, 0, 0)};
    right.insert(right.end(), arc.begin(), arc.end());
    right.insert(right.end(), {MPoint(0.3, 1, 0), MPoint(1, 1, 0), MPoint(1, 0, 0)});
    cases.push_back({"arc of " + std::to_string(n),
                     WithPart(0, MPoint(0.3, 0, 0), arc, 2, MPoint(0.3, 1, 0)),
                     1.0 - std::abs(PolygonArea(right))});
    // A loop along the bottom edge, all its points on it (a straight loop at tolerance 0): the
    // whole quad lies on one side, which one corner 0 (on the loop itself) cannot tell.
    cases.push_back({"bottom edge of " + std::to_string(n),
                     WithPart(3, MPoint(0, 0, 0), BottomEdgePoints(n), 1, MPoint(1, 0, 0)), -1.0});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t n = c.quad.parts[0].points.size();
    const MTrimmer::MTriangles mesh = MTrimmer::TrimQuad(c.quad);
    EXPECT_LE(mesh.triangles.size(), 3 * n + 16);
    double area = 0.0;
    std::size_t against = 0;
    for (const auto& t : mesh.triangles) {
      const double a = SignedArea(mesh, t);
      against += a < -1e-15 ? 1 : 0;
      area += a;
    }
    EXPECT_EQ(against, 0u);
    EXPECT_NEAR(area, 1.0, 1e-12);
    std::set<std::pair<std::int32_t, std::int32_t>> edges;
    for (const auto& t : mesh.triangles)
      for (int k = 0; k < 3; ++k)
        edges.insert({t[k], t[(k + 1) % 3]});
    EXPECT_GE(mesh.segments.size(), n + 1);
    std::size_t loose = 0;
    for (const auto& s : mesh.segments)
      loose += edges.count({s.first, s.second}) ? 0 : 1;
    EXPECT_EQ(loose, 0u);
    const std::vector<bool> inside = MTrimmer::SelectInnerTriangles(mesh, true);
    double kept = 0.0;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
      kept += inside[t] ? SignedArea(mesh, mesh.triangles[t]) : 0.0;
    if (c.side0Area < 0.0)
      EXPECT_NEAR(std::min(kept, 1.0 - kept), 0.0, 1e-9);
    else
      EXPECT_NEAR(kept, c.side0Area, 1e-9);
  }
}

// The triangle (0, 0), (4, 0), (0, 4) with points 3, 4, 5 at x = 1, 2, 3 on its edge 0: split at
// 4, the points beside it lie on the zero-area child 0 and on a spoke. The lower-child rule
// leaves both in the zero-area child; the larger-child rule gives each to the child of positive
// area whose spoke it lies on, even when rounding puts it a hair off the edge.
TEST(ManyPointsPerQuad, PointsOnASpokeGoToTheLargerChild) {
  struct Case {
    double offset;
    M3::EInnerPointTie tie;
    std::array<Indices, 3> inner;
  };
  const std::vector<Case> cases{
      {0.0, M3::EInnerPointTie::eLowerChild, {Indices{3, 5}, Indices{}, Indices{}}},
      {0.0, M3::EInnerPointTie::eLargerChild, {Indices{}, Indices{5}, Indices{3}}},
      {1e-14, M3::EInnerPointTie::eLargerChild, {Indices{}, Indices{5}, Indices{3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    MTrimmer::MTriangles mesh;
    mesh.vertices = {MPoint(0, 0, 0),        MPoint(4, 0, 0), MPoint(0, 4, 0),
                     MPoint(1, c.offset, 0), MPoint(2, 0, 0), MPoint(3, -c.offset, 0)};
    MTrimmer::MTriangleToTrim t;
    t.vertices = {0, 1, 2};
    t.innerPoints = {3, 4, 5};
    t.segments = {{3, 4, 1}, {4, 5, 1}};
    const MTrimmer::MSplitting s = M3::Generate3Splitting(t, mesh, 4, c.tie);
    EXPECT_TRUE(s.newVertices.empty());
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(s.children[k].innerPoints, c.inner[k]);
  }
}

// A triangle of many points is split at a balanced candidate: points on one of its edges are
// halved without new vertices, and an arc's points are divided so that no child keeps more than
// three quarters of them at the cost of a few vertices where its spokes cross the arc.
TEST(ManyPointsPerQuad, BulkSplittingHalvesThePoints) {
  // The triangle (0, 0), (4, 0), (0, 4) with n points at x = 4 k / (n + 1), k = 1 .. n, at the
  // height y(k): edge points of edge 0, or else a chain of inner points joined by segments.
  const auto build = [](int n, bool edgePoints, auto y, MTrimmer::MTriangles& mesh) {
    mesh.vertices = {MPoint(0, 0, 0), MPoint(4, 0, 0), MPoint(0, 4, 0)};
    MTrimmer::MTriangleToTrim t;
    t.vertices = {0, 1, 2};
    for (int k = 1; k <= n; ++k) {
      const auto v = static_cast<std::int32_t>(mesh.vertices.size());
      mesh.vertices.emplace_back(4.0 * k / (n + 1) * (edgePoints ? 1.0 : 0.5), y(k), 0.0);
      (edgePoints ? t.edgePoints[0] : t.innerPoints).push_back(v);
      if (!edgePoints && k > 1)
        t.segments.emplace_back(v - 1, v, std::nullopt);
    }
    return t;
  };
  {
    // Edge points with no inner point, the first joined to the opposite corner: the cut through
    // the middle point halves them, the cut along the segment would keep all but one together.
    const int n = 1001;
    MTrimmer::MTriangles mesh;
    MTrimmer::MTriangleToTrim t = build(
        n, true, [](int) { return 0.0; }, mesh);
    t.segments.emplace_back(t.edgePoints[0][0], 2, std::nullopt);
    const trimming::detail::MLoopEdgeIndex loopEdges(mesh.segments);
    bool found = false;
    const MTrimmer::MSplitting s = trimming::detail::ChooseBulkSplitting(t, mesh, loopEdges, found);
    ASSERT_TRUE(found);
    ASSERT_EQ(s.children.size(), 2u);
    EXPECT_TRUE(s.newVertices.empty());
    for (const auto& child : s.children)
      EXPECT_EQ(trimming::detail::PointCount(child), static_cast<std::size_t>(n / 2));
  }
  for (const bool onEdge : {true, false}) {
    SCOPED_TRACE(onEdge);
    const int n = 1000;
    MTrimmer::MTriangles mesh;
    const MTrimmer::MTriangleToTrim t = build(
        n, false,
        [&](int k) { return onEdge ? 0.0 : 0.2 + 1.5 * std::sin(std::numbers::pi * k / (n + 1)); },
        mesh);
    ASSERT_GE(trimming::detail::PointCount(t), trimming::detail::kBulkPointCount);
    const trimming::detail::MLoopEdgeIndex loopEdges(mesh.segments);
    bool found = false;
    const MTrimmer::MSplitting s = trimming::detail::ChooseBulkSplitting(t, mesh, loopEdges, found);
    EXPECT_TRUE(found);
    EXPECT_LE(s.newVertices.size(), onEdge ? 0u : 4u);
    std::size_t fullest = 0, total = 0;
    for (const auto& child : s.children) {
      fullest = std::max(fullest, trimming::detail::PointCount(child));
      total += child.innerPoints.size();
    }
    EXPECT_EQ(total, static_cast<std::size_t>(n - 1));
    EXPECT_LE(fullest, onEdge ? n / 2 + 1 : 3 * n / 4 + 1);
  }
}

// The index finds the first live segment of a directed vertex pair, as a scan of the list does,
// through appends and removals (a removal takes every copy of equal ends and tag).
TEST(ManyPointsPerQuad, LoopEdgeIndexMirrorsTheSegmentList) {
  using MSegment = MTrimmer::MSegmentFromLoop;
  std::vector<MSegment> list{{0, 1, 7}, {1, 0, 8}, {0, 1, std::nullopt}, {2, 3, 9}};
  trimming::detail::MLoopEdgeIndex index(list);
  const auto scan = [&list](std::int32_t a, std::int32_t b) -> std::optional<MSegment> {
    for (const MSegment& s : list)
      if (s.first == a && s.second == b)
        return s;
    return std::nullopt;
  };
  const auto expectSame = [&] {
    for (std::int32_t a = 0; a < 4; ++a)
      for (std::int32_t b = 0; b < 4; ++b) {
        const MSegment* found = index.FindFirst(a, b);
        const std::optional<MSegment> expected = scan(a, b);
        ASSERT_EQ(found != nullptr, expected.has_value()) << a << " " << b;
        if (found) {
          EXPECT_EQ(*found, *expected);
        }
      }
  };
  expectSame();
  const std::vector<std::pair<bool, MSegment>> steps{
      {false, {0, 1, 7}}, {true, {0, 1, 7}},  {false, {0, 1, std::nullopt}},
      {true, {2, 3, 9}},  {false, {2, 3, 9}}, {false, {5, 5, 5}}};
  for (const auto& [add, segment] : steps) {
    if (add) {
      list.push_back(segment);
      index.Add(segment);
    } else {
      std::erase(list, segment);
      index.Remove(segment);
    }
    expectSame();
  }
}

// A piece of a bulk-split triangle from a face at tolerance 0: its points lie along a chord of a
// nearly flat triangle, and the cut the bulk estimate prefers puts a crossing vertex into the
// child that keeps every point (trimming the face then repeated that cut without end). The bulk
// splitting leaves fewer points in every child or declines, and the piece trims within a few
// splittings per point into triangles that tile it.
TEST(ManyPointsPerQuad, ThinTriangleFromAFaceAtToleranceZero) {
  std::ifstream in(OXLEN_TRIMMER_TEST_DATA "/thin_bulk_triangle.txt");
  ASSERT_TRUE(in.good());
  std::map<std::int32_t, MPoint> positions;
  MTrimmer::MTriangleToTrim t;
  std::vector<MTrimmer::MSegmentFromLoop> loopEdges;
  std::string line;
  int corners = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#')
      continue;
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "S" || kind == "R") {
      std::int32_t a = 0, b = 0;
      int tag = 0;
      fields >> a >> b >> tag;
      const std::optional<int> optionalTag = tag < 0 ? std::nullopt : std::optional<int>(tag);
      (kind == "S" ? t.segments : loopEdges).emplace_back(a, b, optionalTag);
      continue;
    }
    std::int32_t v = 0;
    std::string x, y, z;
    fields >> v >> x >> y >> z;
    positions[v] = MPoint(std::stod(x), std::stod(y), std::stod(z));
    if (kind == "C")
      t.vertices[corners++] = v;
    else if (kind == "I")
      t.innerPoints.push_back(v);
    else
      t.edgePoints[kind[1] - '0'].push_back(v);
  }
  ASSERT_EQ(corners, 3);
  MTrimmer::MTriangles mesh;
  mesh.vertices.assign(static_cast<std::size_t>(positions.rbegin()->first) + 1, MPoint(0, 0, 0));
  for (const auto& [v, p] : positions)
    mesh.vertices[static_cast<std::size_t>(v)] = p;
  mesh.segments = loopEdges;

  const std::size_t points = trimming::detail::PointCount(t);
  {
    const trimming::detail::MLoopEdgeIndex index(mesh.segments);
    bool found = false;
    const MTrimmer::MSplitting s = trimming::detail::ChooseBulkSplitting(t, mesh, index, found);
    for (const auto& child : s.children)
      EXPECT_LT(trimming::detail::PointCount(child), points);
  }
  ASSERT_NO_THROW(MTrimmer::TrimTriangle(t, mesh, 32 * points));
  const MPoint& a = mesh.vertices[t.vertices[0]];
  const MPoint normal = cross(mesh.vertices[t.vertices[1]] - a, mesh.vertices[t.vertices[2]] - a);
  double area = 0.0;
  std::set<std::int32_t> used;
  for (const auto& tri : mesh.triangles) {
    const MPoint& p = mesh.vertices[tri[0]];
    area += dot(cross(mesh.vertices[tri[1]] - p, mesh.vertices[tri[2]] - p), normal);
    used.insert(tri.begin(), tri.end());
  }
  // The triangle is nearly flat: the areas are compared relative to its squared size.
  double size = 0.0;
  for (int k = 0; k < 3; ++k)
    size = std::max(size,
                    length(mesh.vertices[t.vertices[(k + 1) % 3]] - mesh.vertices[t.vertices[k]]));
  EXPECT_NEAR(area / length(normal), length(normal), 1e-9 * size * size);
  for (const std::int32_t q : t.innerPoints)
    EXPECT_TRUE(used.count(q)) << q;
}

}  // namespace
