#pragma once

// What `MCadTriangulator::Triangulate` must do with a decoded face: mesh it or refuse it with a
// clear `std::invalid_argument`, and hand back a mesh that can be trusted.
//
// `CheckFaceOnBytes` decodes a face, triangulates it and returns a description of the first
// broken rule, or an empty string. Crashes, sanitizer reports and hangs are caught by whatever
// runs it (the fuzzer with its time limit, a test).
//
// The rules:
// - a decoded face is legal input (finite, in range, continuous surfaces), so no exception may
//   leave `Triangulate`: a refusal would drop a face silently;
// - a returned mesh has finite vertices, every triangle and border edge index in range, no
//   triangle with a repeated vertex, no border edge from a vertex to itself, and no vertex at all
//   when it has no triangle;
// - on a plate whose loops do not cross one another, the mesh covers exactly the points of the
//   plate that an odd number of loops enclose (a lone loop: its inside), tested on a lattice of
//   points away from the loops and the plate's border by more than the segmentation may move
//   them.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "face_input_decoder.h"

namespace face_fuzz {

namespace detail {

inline bool SegmentsCross(const UV& a, const UV& b, const UV& c, const UV& d) {
  const auto side = [](const UV& p, const UV& q, const UV& r) {
    return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0]);
  };
  const double d1 = side(c, d, a), d2 = side(c, d, b), d3 = side(a, b, c), d4 = side(a, b, d);
  return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0));
}

/// A loop as a closed polygon: a circle by 64 corners outside it (so that nearness of two loops
/// is never missed).
inline std::vector<UV> Outline(const MKnownLoop& loop) {
  if (!loop.corners.empty())
    return loop.corners;
  std::vector<UV> corners;
  const double r = loop.radius / std::cos(std::numbers::pi / 64);
  for (int k = 0; k < 64; ++k) {
    const double angle = 2 * std::numbers::pi * k / 64;
    corners.push_back(loop.center + r * UV{std::cos(angle), std::sin(angle)});
  }
  return corners;
}

/// Whether two loops of the face cross or touch each other.
inline bool LoopsCross(const std::vector<MKnownLoop>& loops) {
  for (std::size_t i = 0; i < loops.size(); ++i) {
    const std::vector<UV> a = Outline(loops[i]);
    for (std::size_t j = i + 1; j < loops.size(); ++j) {
      const std::vector<UV> b = Outline(loops[j]);
      for (std::size_t p = 0; p < a.size(); ++p)
        for (std::size_t q = 0; q < b.size(); ++q)
          if (SegmentsCross(a[p], a[(p + 1) % a.size()], b[q], b[(q + 1) % b.size()]))
            return true;
    }
  }
  return false;
}

/// Whether the model point (x, y, 0) lies in some triangle of the mesh (projected onto z = 0).
inline bool Covered(const Oxlen::Geometry::triangle_surface& mesh, const UV& uv) {
  for (const auto& t : mesh.triangles) {
    double sides[3];
    for (int k = 0; k < 3; ++k) {
      const P3& a = mesh.vertices[t[k]];
      const P3& b = mesh.vertices[t[(k + 1) % 3]];
      sides[k] = (b[0] - a[0]) * (uv[1] - a[1]) - (b[1] - a[1]) * (uv[0] - a[0]);
    }
    if ((sides[0] >= 0 && sides[1] >= 0 && sides[2] >= 0) ||
        (sides[0] <= 0 && sides[1] <= 0 && sides[2] <= 0))
      return true;
  }
  return false;
}

}  // namespace detail

/// The first broken rule of a mesh of the face, or an empty string.
inline std::string CheckFaceMesh(const MDecodedFace& face,
                                 const MCadTriangulator::triangulation_result& mesh) {
  const std::size_t n = mesh.vertices.size();
  if (mesh.triangles.empty() && (n != 0 || !mesh.border_edges.empty()))
    return "a mesh without triangles keeps vertices or border edges";
  for (const P3& p : mesh.vertices)
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
      return "a vertex is not finite";
  for (const auto& t : mesh.triangles) {
    if (t[0] >= n || t[1] >= n || t[2] >= n)
      return "a triangle names a vertex out of range";
    if (t[0] == t[1] || t[1] == t[2] || t[2] == t[0])
      return "a triangle repeats a vertex";
  }
  for (const auto& e : mesh.border_edges) {
    if (e.first >= n || e.second >= n)
      return "a border edge names a vertex out of range";
    if (e.first == e.second)
      return "a border edge runs from a vertex to itself";
  }
  if (!face.plate || detail::LoopsCross(face.loops))
    return {};
  // Points the loops' segmentation and the final vertex merge cannot move across a loop.
  const double margin = 3.0 * face.tolerance + 1e-6 * face.size + 2e-4;
  for (int i = 1; i < 24; ++i) {
    for (int j = 1; j < 16; ++j) {
      const UV uv{face.width * i / 24.0, face.height * j / 16.0};
      if (uv[0] < margin || uv[1] < margin || face.width - uv[0] < margin ||
          face.height - uv[1] < margin)
        continue;
      bool inside = face.loops.empty();
      bool near = false;
      for (const MKnownLoop& loop : face.loops) {
        inside ^= loop.Contains(uv);
        near |= loop.Distance(uv) < margin;
      }
      if (!near && inside != detail::Covered(mesh, uv))
        return std::string(inside ? "a point inside the loops is not covered"
                                  : "a point outside the loops is covered") +
               " (" + std::to_string(uv[0]) + ", " + std::to_string(uv[1]) + ")";
    }
  }
  return {};
}

/// Triangulates and checks a decoded face; the first broken rule, or an empty string.
inline std::string CheckFace(const MDecodedFace& face) {
  MCadTriangulator::triangulation_result mesh;
  try {
    mesh = MCadTriangulator::Triangulate(face.face, face.finTags, face.tolerance,
                                         face.maxEdgeLength, face.maxQuads, {});
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
  return CheckFaceMesh(face, mesh);
}

/// Decodes, triangulates and checks; the first broken rule, or an empty string.
inline std::string CheckFaceOnBytes(const std::uint8_t* data, std::size_t size) {
  return CheckFace(DecodeFace(data, size));
}

}  // namespace face_fuzz
