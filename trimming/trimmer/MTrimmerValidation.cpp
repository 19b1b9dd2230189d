// Structural check of a trimmed quad.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "spatial/numeric_helpers.h"

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;

namespace {

// Distances and areas are compared relative to the quad's size.
constexpr double kRelativeTolerance = 1e-9;

using MEdge = std::pair<std::int32_t, std::int32_t>;

bool Fail(std::string* why, const std::string& message) {
  if (why != nullptr)
    *why = message;
  return false;
}

std::string Name(const char* what, std::size_t index) {
  return std::string(what) + " " + std::to_string(index);
}

std::string EdgeName(const MEdge& e) {
  return "edge (" + std::to_string(e.first) + ", " + std::to_string(e.second) + ")";
}

double TriangleArea(const MPoint& a, const MPoint& b, const MPoint& c) {
  return 0.5 * geometry::detail::overflow_safe_length(cross(b - a, c - a));
}

// The quad in local coordinates: vertices are measured from corner 0 in units of the quad's
// size, so that the checks work alike for tiny and huge quads.
struct MQuadFrame {
  MPoint origin;
  double scale = 1.0;  // 1 / size
  std::array<MPoint, 4> corners;
  MPoint normal;
  double area = 0.0;

  MPoint Local(const MPoint& p) const { return (p - origin) * scale; }

  bool OnBorder(const MPoint& p, const MPoint& q) const {
    constexpr double kLimit = kRelativeTolerance * kRelativeTolerance;
    for (int k = 0; k < 4; ++k) {
      const MPoint& a = corners[k];
      const MPoint& b = corners[(k + 1) % 4];
      if (geometry::detail::squared_distance_to_segment(p, a, b) <= kLimit &&
          geometry::detail::squared_distance_to_segment(q, a, b) <= kLimit)
        return true;
    }
    return false;
  }
};

MQuadFrame FrameOf(const std::vector<MPoint>& vertices) {
  MQuadFrame frame;
  frame.origin = vertices[0];
  double size = 0.0;
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j)
      size = std::max(size, geometry::detail::overflow_safe_distance(vertices[i], vertices[j]));
  frame.scale = 1.0 / size;
  for (int k = 0; k < 4; ++k)
    frame.corners[k] = frame.Local(vertices[k]);
  const auto& c = frame.corners;
  const MPoint n = cross(c[0], c[1]) + cross(c[1], c[2]) + cross(c[2], c[3]) + cross(c[3], c[0]);
  frame.normal = n / geometry::detail::overflow_safe_length(n);
  frame.area = TriangleArea(c[0], c[1], c[3]) + TriangleArea(c[3], c[1], c[2]);
  return frame;
}

bool CheckTriangles(const MTrimmer::MTriangles& mesh, const MQuadFrame& frame, std::string* why) {
  const std::size_t n = mesh.vertices.size();
  double area = 0.0;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const auto& v = mesh.triangles[t];
    for (const std::int32_t i : v)
      if (i < 0 || static_cast<std::size_t>(i) >= n)
        return Fail(why, Name("triangle", t) + " has a vertex index out of range");
    if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0])
      return Fail(why, Name("triangle", t) + " repeats a vertex");
    const MPoint a = frame.Local(mesh.vertices[v[0]]);
    const MPoint b = frame.Local(mesh.vertices[v[1]]);
    const MPoint c = frame.Local(mesh.vertices[v[2]]);
    if (!(dot(cross(b - a, c - a), frame.normal) > 0.0))
      return Fail(why, Name("triangle", t) + " is degenerate or wound against the quad");
    area += TriangleArea(a, b, c);
  }
  if (!(std::fabs(area - frame.area) <= kRelativeTolerance * frame.area))
    return Fail(why, "the triangle areas sum to " + std::to_string(area) + " instead of " +
                         std::to_string(frame.area));
  return true;
}

std::vector<MEdge> SortedDirectedEdges(const MTrimmer::MTriangles& mesh) {
  std::vector<MEdge> edges;
  for (const auto& v : mesh.triangles)
    for (int k = 0; k < 3; ++k)
      edges.emplace_back(v[k], v[(k + 1) % 3]);
  std::sort(edges.begin(), edges.end());
  return edges;
}

bool CheckEdges(const MTrimmer::MTriangles& mesh, const std::vector<MEdge>& edges,
                const MQuadFrame& frame, std::string* why) {
  for (std::size_t e = 0; e < edges.size(); ++e) {
    if (e > 0 && edges[e] == edges[e - 1])
      return Fail(why, EdgeName(edges[e]) + " is used twice in the same direction");
    const MEdge reverse(edges[e].second, edges[e].first);
    if (std::binary_search(edges.begin(), edges.end(), reverse))
      continue;
    if (!frame.OnBorder(frame.Local(mesh.vertices[edges[e].first]),
                        frame.Local(mesh.vertices[edges[e].second])))
      return Fail(why, EdgeName(edges[e]) + " has no neighbour and is not on the quad border");
  }
  return true;
}

bool CheckSegments(const MTrimmer::MTriangles& mesh, const std::vector<MEdge>& edges,
                   std::string* why) {
  for (std::size_t s = 0; s < mesh.segments.size(); ++s) {
    const MEdge e(mesh.segments[s].first, mesh.segments[s].second);
    if (!std::binary_search(edges.begin(), edges.end(), e))
      return Fail(why, Name("segment", s) + " is not an edge of a triangle in its direction");
  }
  return true;
}

}  // namespace

bool MTrimmer::IsValid(const MTriangles& triangles, std::string* why) {
  if (triangles.vertices.size() < 4)
    return Fail(why, "fewer than four vertices");
  for (std::size_t i = 0; i < triangles.vertices.size(); ++i)
    if (!is_finite(triangles.vertices[i]))
      return Fail(why, Name("vertex", i) + " is not finite");
  const MQuadFrame frame = FrameOf(triangles.vertices);
  if (!std::isfinite(frame.scale) || !is_finite(frame.normal) || !(frame.area > 0.0))
    return Fail(why, "the quad has no area");
  if (!CheckTriangles(triangles, frame, why))
    return false;
  const std::vector<MEdge> edges = SortedDirectedEdges(triangles);
  return CheckEdges(triangles, edges, frame, why) && CheckSegments(triangles, edges, why);
}
