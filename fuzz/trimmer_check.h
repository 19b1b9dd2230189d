#pragma once

// What the quad trimmer must do with a decoded record: trim it or refuse it with one of its
// documented exceptions, and hand back a mesh whose indices can be trusted.
//
// `CheckTrimmer` runs `TrimQuad` (again on small meshes, for determinism), `SelectInnerTriangles`
// and `IsValid` and returns a description of the first broken rule, or an empty string. Crashes,
// sanitizer reports and hangs are caught by whatever runs it (the fuzzer, a test).
//
// The rules:
// - a record with a non-finite coordinate or a tag list of the wrong length is refused with
//   std::invalid_argument "quad: ..."; a well-formed record never is;
// - std::bad_optional_access only for a tagged part that lacks a crossing tag;
// - std::logic_error only with one of the trimmer's own failure texts, and "inconsistent
//   parts/quad" only when some part names an edge outside 0 to 3; std::out_of_range only for
//   a missing map key; no other exception;
// - a returned mesh keeps the corners as vertices 0 to 3, has every triangle and segment index in
//   range, no triangle with a repeated vertex, no directed edge in two triangles, every segment
//   a directed triangle edge, finite vertices (for inputs of sane magnitude), exactly the two
//   triangles (0, 1, 3) and (3, 1, 2) when there is no loop content, is the same on a second run
//   (small meshes), and `SelectInnerTriangles` gives one flag per triangle, also on a copy with
//   scrambled indices.
// Geometric flaws (zero-area or flipped triangles, areas that do not add up) are legitimate on
// degenerate input and not reported.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "trimmer_input_decoder.h"

namespace trimmer_fuzz {

namespace detail {

/// The failure texts of the trimmer and its splitting generators.
inline const std::set<std::string>& TrimmerFailureTexts() {
  static const std::set<std::string> texts{
      "MTrimmer::PutLoopPartsIntoInitialSplitting: inconsistent parts/quad is given",
      "MTrimmer::PutSegmentToInitialSplitting: incorrect initial splitting is given",
      "MTrimmer::SynchronizeEdgePointsOfParts: shared edge has different vertex sets in "
      "touching parts",
      "MTrimmer::TrimTriangle: triangle needs trimming but no possible splitting has been found",
      "MTrimmer::TrimTriangle: splitting limit exceeded",
      "MTrimmer::FindCommonEdge: parts do not share one edge",
      "MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: splitting point cannot be "
      "found on edge",
      "MTrimmer::Generate2Splitting_DistributeEdgePointsBetweenParts: part doesn't touch any "
      "half of divided edge",
      "MTrimmer::M2SplittingGenerator::SelectBest : child triangle contains more segments than "
      "parent",
      "MTrimmer::Generate3Splitting: non-internal vertex is given",
      "MTrimmer::Generate3Splitting: a segment touches points outside of its triangle",
      "MTrimmer::Generate3Splitting: found a segment which is already covered by an edge",
      "MTrimmer::Generate3Splitting_PutSegments: no splitting points found",
      "MTrimmer::Generate3Splitting_SelectPartForVertex: non-vertex was given",
      "MTrimmer::Generate3Splitting_GetCommonEdge: triangles do not share an edge",
      "MTrimmer: too many vertices",
  };
  return texts;
}

/// Inputs beyond this magnitude may overflow in squared distances; their meshes are not required
/// to have finite vertices.
constexpr double kSaneMagnitude = 1e100;

/// Meshes up to this many triangles are trimmed a second time to compare.
constexpr std::size_t kDeterminismCheckLimit = 256;

inline bool InRange(std::int32_t index, std::size_t count) {
  return index >= 0 && static_cast<std::size_t>(index) < count;
}

inline bool SameBits(const MPoint& a, const MPoint& b) {
  return std::memcmp(&a, &b, sizeof(MPoint)) == 0;
}

inline bool SameMesh(const MTrimmer::MTriangles& a, const MTrimmer::MTriangles& b) {
  if (a.vertices.size() != b.vertices.size() || a.triangles != b.triangles ||
      a.segments != b.segments)
    return false;
  for (std::size_t i = 0; i < a.vertices.size(); ++i)
    if (!SameBits(a.vertices[i], b.vertices[i]))
      return false;
  return true;
}

inline std::string CheckRefusal(const MDecodedQuad& input, const std::exception& e) {
  const std::string what = e.what();
  if (dynamic_cast<const std::invalid_argument*>(&e) != nullptr) {
    if (!input.IsMalformed())
      return "well-formed record refused: " + what;
    return what.rfind("quad: ", 0) == 0 ? "" : "refusal not naming the quad: " + what;
  }
  if (input.IsMalformed())
    return "malformed record not refused with std::invalid_argument but: " + what;
  if (dynamic_cast<const std::bad_optional_access*>(&e) != nullptr)
    return input.hasMissingCrossingTag ? "" : "std::bad_optional_access without a missing tag";
  if (dynamic_cast<const std::out_of_range*>(&e) != nullptr)
    return what == "invalid map<K, T> key" ? "" : "std::out_of_range: " + what;
  if (typeid(e) == typeid(std::logic_error)) {
    if (TrimmerFailureTexts().count(what) == 0)
      return "unknown failure text: " + what;
    if (what == "MTrimmer::PutLoopPartsIntoInitialSplitting: inconsistent parts/quad is given" &&
        !input.hasEdgeOutsideQuad)
      return "inconsistent parts reported for edges 0 to 3";
    return "";
  }
  return std::string("unexpected exception ") + typeid(e).name() + ": " + what;
}

// The combinatorial part of a trimmed quad, which degenerate geometry does not excuse: no
// triangle repeats a vertex, no directed edge belongs to two triangles, and every segment is a
// directed edge of a triangle.
inline std::string CheckConnectivity(const MTrimmer::MTriangles& mesh) {
  std::vector<std::pair<std::int32_t, std::int32_t>> edges;
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const auto& v = mesh.triangles[t];
    if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0])
      return "triangle " + std::to_string(t) + " repeats a vertex";
    for (int k = 0; k < 3; ++k)
      edges.emplace_back(v[k], v[(k + 1) % 3]);
  }
  std::sort(edges.begin(), edges.end());
  if (const auto twice = std::adjacent_find(edges.begin(), edges.end()); twice != edges.end())
    return "edge (" + std::to_string(twice->first) + ", " + std::to_string(twice->second) +
           ") belongs to two triangles";
  for (std::size_t s = 0; s < mesh.segments.size(); ++s)
    if (!std::binary_search(edges.begin(), edges.end(),
                            std::make_pair(mesh.segments[s].first, mesh.segments[s].second)))
      return "segment " + std::to_string(s) + " is no directed triangle edge";
  return "";
}

inline std::string CheckIndices(const MDecodedQuad& input, const MTrimmer::MTriangles& mesh) {
  const std::size_t n = mesh.vertices.size();
  if (n < 4)
    return "fewer than four vertices";
  for (int k = 0; k < 4; ++k)
    if (!SameBits(mesh.vertices[k], input.quad.corners[k]))
      return "vertex " + std::to_string(k) + " is not corner " + std::to_string(k);
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
    for (const std::int32_t v : mesh.triangles[t])
      if (!InRange(v, n))
        return "triangle " + std::to_string(t) + " has index " + std::to_string(v) + " of " +
               std::to_string(n) + " vertices";
  for (std::size_t s = 0; s < mesh.segments.size(); ++s)
    if (!InRange(mesh.segments[s].first, n) || !InRange(mesh.segments[s].second, n))
      return "segment " + std::to_string(s) + " has an index out of range";
  if (std::string finding = CheckConnectivity(mesh); !finding.empty())
    return finding;
  if (input.largestCoordinate <= kSaneMagnitude)
    for (std::size_t i = 0; i < n; ++i)
      if (!is_finite(mesh.vertices[i]))
        return "vertex " + std::to_string(i) + " is not finite";
  if (input.quad.parts.empty() && input.quad.innerLoops.empty()) {
    const std::vector<std::array<std::int32_t, 3>> two{{0, 1, 3}, {3, 1, 2}};
    if (mesh.triangles != two || n != 4 || !mesh.segments.empty())
      return "a quad without loops is not cut into (0, 1, 3) and (3, 1, 2)";
  }
  return "";
}

inline std::string CheckSelection(const MDecodedQuad& input, const MTrimmer::MTriangles& mesh) {
  const std::vector<bool> inner = MTrimmer::SelectInnerTriangles(mesh, input.firstVertexInside);
  if (inner.size() != mesh.triangles.size())
    return "SelectInnerTriangles gives " + std::to_string(inner.size()) + " flags for " +
           std::to_string(mesh.triangles.size()) + " triangles";
  if (MTrimmer::SelectInnerTriangles(mesh, input.firstVertexInside) != inner)
    return "SelectInnerTriangles is not deterministic";
  if (input.indexNoise.empty() || mesh.triangles.empty())
    return "";
  MTrimmer::MTriangles scrambled = mesh;
  const std::size_t slots = 3 * scrambled.triangles.size();
  for (const auto& [position, value] : input.indexNoise) {
    const std::size_t slot = position % slots;
    scrambled.triangles[slot / 3][slot % 3] = value;
  }
  scrambled.segments.emplace_back(input.indexNoise.front().second, -1, std::nullopt);
  if (MTrimmer::SelectInnerTriangles(scrambled, !input.firstVertexInside).size() !=
      scrambled.triangles.size())
    return "SelectInnerTriangles miscounts on scrambled indices";
  return "";
}

}  // namespace detail

/// Trims the record and checks the outcome; returns the first broken rule, or "" when all hold.
inline std::string CheckTrimmer(const MDecodedQuad& input) {
  std::optional<MTrimmer::MTriangles> mesh;
  try {
    mesh = MTrimmer::TrimQuad(input.quad);
  } catch (const std::exception& e) {
    return detail::CheckRefusal(input, e);
  } catch (...) {
    return "exception not derived from std::exception";
  }
  if (input.IsMalformed())
    return "malformed record accepted";
  if (std::string finding = detail::CheckIndices(input, *mesh); !finding.empty())
    return finding;
  // Determinism on small meshes only: a second run of a large one would halve the fuzzing rate.
  try {
    if (mesh->triangles.size() <= detail::kDeterminismCheckLimit &&
        !detail::SameMesh(*mesh, MTrimmer::TrimQuad(input.quad)))
      return "a second run gives another mesh";
  } catch (const std::exception& e) {
    return std::string("a second run throws: ") + e.what();
  }
  std::string why;
  MTrimmer::IsValid(*mesh, &why);  // exercised for robustness; degenerate meshes are allowed
  return detail::CheckSelection(input, *mesh);
}

/// Decodes a byte string and checks the trimmer on it.
inline std::string CheckTrimmerOnBytes(const std::uint8_t* data, std::size_t size) {
  return CheckTrimmer(DecodeTrimmerInput(data, size));
}

}  // namespace trimmer_fuzz
