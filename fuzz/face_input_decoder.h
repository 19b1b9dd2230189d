#pragma once

// Turns any byte string into a whole face for `MCadTriangulator::Triangulate`: a surface (plane,
// cylinder, sphere or bicubic NURBS patch) at a scale from a thousandth to a thousand, loops of
// every shape the entity layer builds (star-shaped polygons, circles, rectangles on round
// coordinates that grid lines pass through, the whole domain border), placed anywhere, some far
// outside the surface's limits, run either way; a tolerance from 0 through 1e-12 to 1 times the
// face's size and a quad budget from 0 to 100000.
//
// The bytes are read from the front as small decisions (the byte reader of the trimmer's
// decoder), so one mutated byte changes one decision. Every byte string decodes; the empty one
// into a plate without loops. Loops on a plate are kept beside the face as UV polygons (circles
// exactly), so that a checker can tell which points the mesh must cover.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"
#include "trimmer_input_decoder.h"

namespace face_fuzz {

using UV = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;

/// One loop as the checker sees it: a closed UV polygon, or a circle.
struct MKnownLoop {
  std::vector<UV> corners;  ///< empty for a circle
  UV center{0.0, 0.0};
  double radius = 0.0;

  /// Whether uv lies inside (even-odd for the polygon).
  bool Contains(const UV& uv) const {
    if (corners.empty())
      return distance(uv, center) < radius;
    bool inside = false;
    for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
      const UV& a = corners[i];
      const UV& b = corners[j];
      if ((a[1] > uv[1]) != (b[1] > uv[1]) &&
          uv[0] < (b[0] - a[0]) * (uv[1] - a[1]) / (b[1] - a[1]) + a[0])
        inside = !inside;
    }
    return inside;
  }

  /// The distance from uv to the loop's curve.
  double Distance(const UV& uv) const {
    if (corners.empty())
      return std::fabs(distance(uv, center) - radius);
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < corners.size(); ++i) {
      const UV& a = corners[i];
      const UV& b = corners[(i + 1) % corners.size()];
      const UV ab = b - a;
      const double t = std::clamp(dot(uv - a, ab) / dot(ab, ab), 0.0, 1.0);
      nearest = std::min(nearest, distance(uv, a + t * ab));
    }
    return nearest;
  }
};

/// A face decoded from bytes, with what a checker needs to know of it.
struct MDecodedFace {
  MCADFace face;
  std::optional<std::vector<int>> finTags;
  double tolerance = 0.0;
  std::size_t maxQuads = 0;
  double maxEdgeLength = std::numeric_limits<double>::infinity();
  /// The surface is the world-frame plane over [0, width] x [0, height] (model units, no
  /// placement): UV and model XY coincide.
  bool plate = false;
  double width = 0.0, height = 0.0;
  /// The face's loops as the checker sees them, in order.
  std::vector<MKnownLoop> loops;
  /// The size of the face (its domain's diagonal in model units).
  double size = 1.0;
};

namespace detail {

inline double ScaleOf(int which) {
  static constexpr double kScales[3] = {1e-3, 1.0, 1e3};
  return kScales[which % 3];
}

/// Tolerances as a share of the face's size: 0, 1e-12 up to 1.
inline double ToleranceShare(int which) {
  static constexpr double kShares[10] = {0.0, 1e-12, 1e-9, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 0.1, 1.0};
  return kShares[which % 10];
}

inline std::size_t Budget(int which) {
  static constexpr std::size_t kBudgets[8] = {0, 1, 10, 100, 1000, 10000, 100000, 200000};
  return kBudgets[which % 8];
}

/// A bicubic patch over [0, 40 s]^2 with a wave of height 8 s and an interior knot each way.
inline std::shared_ptr<const MCADUVSurface> Patch(double s) {
  std::vector<P3> points;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      points.push_back(
          {10.0 * s * i, 10.0 * s * j, 8.0 * s * std::sin(1.3 * i) * std::cos(0.9 * j)});
  const std::vector<double> knots{0, 0, 0, 0, 0.5, 1, 1, 1, 1};
  return std::make_shared<MCADUVNurbsSurface>(M3dNurbsSurface(4, 4, 5, 5, knots, knots, points));
}

/// The surface, its UV domain and whether it is the world-frame plate.
struct Surface {
  std::shared_ptr<const MCADUVSurface> surface;
  UV lo, hi;
  double size;
};

inline Surface DecodeSurface(trimmer_fuzz::MByteReader& in, double s) {
  constexpr double pi = std::numbers::pi;
  switch (in.Below(4)) {
    case 1: {
      const double turn = in.Below(2) == 0 ? 2 * pi : pi;
      return {std::make_shared<MCADUVCylinder>(MCADFrame(), 10.0 * s, 0.0, turn, 0.0, 30.0 * s),
              {0.0, 0.0},
              {turn, 30.0 * s},
              40.0 * s};
    }
    case 2: {
      const double top = in.Below(2) == 0 ? pi / 2 : pi / 4;
      return {std::make_shared<MCADUVSphere>(MCADFrame(), 10.0 * s, 0.0, 2 * pi, -pi / 2, top),
              {0.0, -pi / 2},
              {2 * pi, top},
              20.0 * s};
    }
    case 3:
      return {Patch(s), {0.0, 0.0}, {1.0, 1.0}, 60.0 * s};
    default:
      return {std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0 * s, 0.0, 60.0 * s),
              {0.0, 0.0},
              {100.0 * s, 60.0 * s},
              std::hypot(100.0, 60.0) * s};
  }
}

/// A loop of the face: its corners (or circle), built into `builder`. Returns nothing when the
/// decided shape has too few distinct corners.
inline std::optional<MKnownLoop> DecodeLoop(trimmer_fuzz::MByteReader& in, const Surface& s,
                                            MCADLoopBuilder& builder) {
  const UV extent = s.hi - s.lo;
  // Far away loops: the domain scaled by 10^k around its middle.
  const int farness = in.Below(8);
  const double reach = farness < 5 ? 1.0 : std::pow(10.0, 3 * (farness - 4));
  const UV middle = s.lo + 0.5 * extent;
  const UV center =
      middle + reach * UV{(in.Unit() - 0.5) * extent[0] * 1.2, (in.Unit() - 0.5) * extent[1] * 1.2};
  const double radius = reach * (0.01 + 0.7 * in.Unit()) * std::min(extent[0], extent[1]);
  const bool clockwise = in.Below(2) == 1;
  MKnownLoop loop;
  switch (in.Below(5)) {
    case 0:  // a circle
      loop.center = center;
      loop.radius = radius;
      builder.Circle(center, radius, clockwise);
      return loop;
    case 1: {  // a rectangle on round coordinates (sixteenths of the domain)
      auto snap = [&](double x, double lo, double size) {
        return lo + std::round((x - lo) / size * 16.0) / 16.0 * size;
      };
      const UV a{snap(center[0] - radius, s.lo[0], extent[0]),
                 snap(center[1] - radius, s.lo[1], extent[1])};
      const UV b{snap(center[0] + radius, s.lo[0], extent[0]),
                 snap(center[1] + radius, s.lo[1], extent[1])};
      if (!(a[0] < b[0] && a[1] < b[1]))
        return std::nullopt;
      loop.corners = {a, {b[0], a[1]}, b, {a[0], b[1]}};
      break;
    }
    case 2:  // the whole domain border
      loop.corners = {s.lo, {s.hi[0], s.lo[1]}, s.hi, {s.lo[0], s.hi[1]}};
      break;
    default: {  // a star-shaped polygon: corners at increasing angles, radii in (0.2, 1] r
      const int n = 3 + in.Below(40);
      for (int k = 0; k < n; ++k) {
        const double angle = 2 * std::numbers::pi * (k + 0.9 * in.Unit()) / n;
        const double r = radius * (0.2 + 0.8 * in.Unit());
        loop.corners.push_back(center + r * UV{std::cos(angle), std::sin(angle)});
      }
    }
  }
  if (clockwise)
    std::reverse(loop.corners.begin() + 1, loop.corners.end());
  std::vector<UV> distinct;
  for (const UV& c : loop.corners)
    if (distinct.empty() || !(c == distinct.back()))
      distinct.push_back(c);
  while (distinct.size() > 1 && distinct.back() == distinct.front())
    distinct.pop_back();
  if (distinct.size() < 3)
    return std::nullopt;
  loop.corners = distinct;
  builder.Polygon(distinct);
  return loop;
}

}  // namespace detail

/// Decodes a face from any byte string.
inline MDecodedFace DecodeFace(const std::uint8_t* data, std::size_t size) {
  trimmer_fuzz::MByteReader in(data, size);
  const double scale = detail::ScaleOf(in.Below(3));
  const detail::Surface s = detail::DecodeSurface(in, scale);
  MDecodedFace decoded;
  decoded.size = s.size;
  decoded.plate = dynamic_cast<const MCADUVPlane*>(s.surface.get()) != nullptr;
  decoded.width = s.hi[0];
  decoded.height = s.hi[1];
  decoded.tolerance = detail::ToleranceShare(in.Below(10)) * s.size;
  decoded.maxQuads = detail::Budget(in.Below(8));
  if (in.Below(4) == 0)
    decoded.maxEdgeLength = s.size * (0.01 + in.Unit());
  const bool tagged = in.Below(2) == 1;

  MCADFaceBuilder face(s.surface);
  const int loops = in.Below(5);
  std::vector<int> tags;
  for (int k = 0; k < loops; ++k) {
    MCADLoopBuilder builder(s.surface);
    const std::optional<MKnownLoop> loop = detail::DecodeLoop(in, s, builder);
    if (!loop)
      continue;
    const std::shared_ptr<MCADLoop> built = builder.Build();
    for (std::size_t f = 0; f < built->FinCount(); ++f)
      tags.push_back(static_cast<int>(tags.size()) + 1);
    face.Loop(built);
    decoded.loops.push_back(*loop);
  }
  if (in.Below(4) == 0)
    face.Orientation(eFaceOrientationReversed);
  decoded.face = face.Build();
  if (tagged)
    decoded.finTags = tags;
  return decoded;
}

}  // namespace face_fuzz
