#pragma once

// Turns any byte string into a small surface and edge records for `geometry::cad_stitch`, runs
// it and checks the outcome.
//
// Vertices sit on a coarse lattice, so that copies of one point and chains along one line are
// common; a few are removed (NaN) or not finite at all. Triangles name random vertices, a few are
// removed or degenerate. Records mostly walk from vertex to neighbouring vertex, so that chains
// form, and take fin numbers from a small set that includes 0 and the extremes of the range.
// Some decisions make the input malformed (an index out of range, a short per-triangle list, a
// negative or NaN tolerance) and some cancel the call after a few polls; the decoded case says
// which, so that the check can tell a correct refusal from a wrong one.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/geometry/cad_stitch.h"
#include "Oxlen/Cad/Triangulation/geometry/stitched_surface_check.h"
#include "byte_reader.h"

namespace stitch_fuzz {

struct MDecodedCase {
  Oxlen::Geometry::triangle_surface surface;
  std::vector<std::size_t> perTriangle;
  std::vector<geometry::edge_with_topology> edges;
  double tolerance = 0.0;
  std::size_t cancelAtPoll = 0;  ///< 0: never cancelled
  bool malformed = false;        ///< the call must refuse the input
};

// A delegate that cancels from its n-th poll on.
class MCancellingDelegate : public Oxlen::Common::IProgressDelegate {
 public:
  explicit MCancellingDelegate(std::size_t n) : m_n(n) {}
  void ReportProgress(double, const std::string&) override {}
  bool IsCancelled() override { return ++m_polls >= m_n; }

 private:
  std::size_t m_n;
  std::size_t m_polls = 0;
};

inline MDecodedCase DecodeCase(const std::uint8_t* data, std::size_t size) {
  fuzz_input::MByteReader in(data, size);
  MDecodedCase c;
  const std::size_t n = 2 + static_cast<std::size_t>(in.Below(40));
  for (std::size_t i = 0; i < n; ++i) {
    Oxlen::Math::point<double, 3> p{0.5 * in.Below(5), 0.5 * in.Below(5), 0.25 * in.Below(3)};
    const int odd = in.Below(64);
    if (odd == 0)
      p[0] = std::numeric_limits<double>::quiet_NaN();
    if (odd == 1)
      p[1] = in.Raw();
    c.surface.vertices.push_back(p);
  }
  const std::size_t triangles = static_cast<std::size_t>(in.Below(48));
  for (std::size_t t = 0; t < triangles; ++t) {
    std::array<std::size_t, 3> corners{};
    for (std::size_t& v : corners)
      v = static_cast<std::size_t>(in.Below(256)) % n;
    if (in.Below(32) == 0)
      corners[0] = std::numeric_limits<std::size_t>::max();
    c.surface.triangles.push_back(corners);
    c.perTriangle.push_back(t);
  }
  if (in.Below(32) == 0 && !c.perTriangle.empty()) {
    c.perTriangle.pop_back();
    c.malformed = true;
  }
  const std::int32_t fins[] = {0, 1, -1, 2, -2, 3, -3, 4, -4, INT32_MAX, -INT32_MAX, INT32_MIN};
  const std::size_t records = static_cast<std::size_t>(in.Below(64));
  std::size_t at = static_cast<std::size_t>(in.Below(256)) % n;
  for (std::size_t e = 0; e < records; ++e) {
    const int step = in.Below(8);
    const std::size_t next = step < 5   ? (at + 1) % n
                             : step < 7 ? static_cast<std::size_t>(in.Below(256)) % n
                                        : at;
    geometry::edge_with_topology record{at, next, fins[in.Below(12)]};
    if (in.Below(64) == 0) {
      record.end_vertex = n + static_cast<std::size_t>(in.Byte());
      c.malformed = true;
    }
    c.edges.push_back(record);
    at = in.Below(4) == 0 ? static_cast<std::size_t>(in.Below(256)) % n : next;
  }
  const double tolerances[] = {0.0,  0.1,
                               0.3,  0.6,
                               1.0,  std::numeric_limits<double>::infinity(),
                               -1.0, std::numeric_limits<double>::quiet_NaN()};
  const int which = in.Below(8);
  c.tolerance = tolerances[which];
  c.malformed = c.malformed || which >= 6;
  if (in.Below(8) == 0)
    c.cancelAtPoll = 1 + static_cast<std::size_t>(in.Below(12));
  // Without records the call returns at once, whatever else is wrong.
  c.malformed = c.malformed && !c.edges.empty();
  return c;
}

/// An empty string when the stitcher behaved, otherwise what went wrong.
inline std::string CheckStitchOnBytes(const std::uint8_t* data, std::size_t size) {
  MDecodedCase c = DecodeCase(data, size);
  const Oxlen::Geometry::triangle_surface original = c.surface;
  std::shared_ptr<Oxlen::Common::IProgressDelegate> delegate;
  if (c.cancelAtPoll != 0)
    delegate = std::make_shared<MCancellingDelegate>(c.cancelAtPoll);
  geometry::cad_stitch_return_code code{};
  try {
    code = geometry::cad_stitch(c.surface, c.perTriangle, c.edges, c.tolerance, delegate);
  } catch (const std::invalid_argument& refusal) {
    if (!c.malformed)
      return std::string("well-formed input refused: ") + refusal.what();
    if (c.surface.triangles != original.triangles ||
        c.surface.vertices.size() != original.vertices.size()) {
      return "a refused input was changed";
    }
    return {};
  }
  if (c.malformed)
    return "malformed input accepted";
  if (code == geometry::cad_stitch_return_code::cancelled) {
    // Not compacted: every vertex still there, every triangle valid or marked removed.
    if (c.surface.vertices.size() != original.vertices.size()) {
      return "a cancelled call compacted the vertices";
    }
    for (const auto& t : c.surface.triangles) {
      if (t[0] == std::numeric_limits<std::size_t>::max())
        continue;
      for (const std::size_t v : t) {
        if (v >= c.surface.vertices.size())
          return "a cancelled call left a dangling index";
      }
    }
    return {};
  }
  if (c.edges.empty())
    return {};
  const auto report = geometry::check_stitched_surface(c.surface, c.perTriangle);
  if (report.invalid_triangles != 0)
    return "a triangle names a vertex that is not there";
  if (report.degenerate_triangles != 0)
    return "a triangle repeats a corner";
  if (!report.per_triangle_parallel)
    return "the per-triangle list is not parallel";
  // Non-finite positions given in y or z survive: only a NaN x marks a removed vertex.
  for (const auto& p : c.surface.vertices) {
    if (std::isnan(p[0]))
      return "a removed vertex survived the compaction";
  }
  return {};
}

}  // namespace stitch_fuzz
