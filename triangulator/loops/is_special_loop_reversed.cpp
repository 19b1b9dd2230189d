// Orientation of a face from the winding, in UV, of a loop whose own direction is unreliable.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/internal_units.h"
#include "Oxlen/Math/overflow_safe_length.h"
#include "triangulator/MInternal.h"

namespace {

using UV = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;
using MQuads = MCadTriangulator::MQuads;
using MSegmentedLoop = MCadTriangulator::MSegmentedLoop;

// Slack of the bounding-box rejection in the self-intersection test: segments whose UV boxes
// are this close (a few ulps of parameters near 1) are still tested exactly.
constexpr double kIntersectionTolerance = 3.140185e-16;
// Start of the running minimum and maximum of the polygon's coordinates: beyond any parameter.
constexpr double kLargeStart = 7.4487821833e152;
// A step along a closed direction longer than this part of its period crosses the seam.
constexpr double kJumpFraction = 0.51;
// The winding (radians) counts as one whole turn when within this of +-2 pi.
constexpr double kWindingTolerance = 0.1;
// Twice the signed area (square parameters) below which the area decides nothing (2^-26).
constexpr double kAreaThreshold = 1.4901161193847656e-8;
// Products of the lengths to the winding point below this (the double epsilon) skip the step:
// its angle is undefined.
constexpr double kLengthProductThreshold = 2.220446049250313e-16;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Without a reference point the winding is measured around a point this far (parameter units)
// below and to the left of every polygon point: outside the polygon, so that only the signed
// area and the seam crossings decide.
constexpr double kOutsideOffset = 10.0;
const MQuads::EAxis kAxes[2] = {MQuads::EAxis::U, MQuads::EAxis::V};

// The surface parameters of a model-space point, found by inversion.
UV Invert(const MCADFace& face, const P3& p, double tolerance) {
  P3 local = p;
  face.GetTransformationMatrix().InverseTransform(local, false);
  return face.GetSurface()->InvertPoint(local * Oxlen::CadEntity::kInternalUnitsPerModelUnit,
                                        tolerance * Oxlen::CadEntity::kInternalUnitsPerModelUnit);
}

// The point of `loop` farthest from the grid vertices on isoline 0 of the closed direction.
const MCadTriangulator::MPointOnLoop& FarthestFromSeam(const MSegmentedLoop& loop,
                                                       const MQuads& grid) {
  const MQuads::EAxis closed =
      grid.IsClosed(MQuads::EAxis::U) ? MQuads::EAxis::U : MQuads::EAxis::V;
  const int count =
      grid.GetIsolinesCount(closed == MQuads::EAxis::U ? MQuads::EAxis::V : MQuads::EAxis::U);
  std::size_t best = 0;
  double bestDistance = -1.0;
  for (std::size_t i = 0; i < loop.points.size(); ++i) {
    double nearest = std::numeric_limits<double>::infinity();
    for (int k = 0; k < count; ++k) {
      const MQuads::MVertexIndex seam =
          closed == MQuads::EAxis::U ? MQuads::MVertexIndex(0, k) : MQuads::MVertexIndex(k, 0);
      nearest =
          std::min(nearest, Oxlen::Math::distance(loop.points[i].point, grid.GetVertex3d(seam)));
    }
    if (nearest > bestDistance) {
      bestDistance = nearest;
      best = i;
    }
  }
  return loop.points[best];
}

// The reference point: a parameter point of the next loop.
std::optional<UV> ReferencePoint(const MCADFace& face, const MQuads& grid,
                                 const std::optional<MSegmentedLoop>& next, double tolerance) {
  if (!next || next->points.empty())
    return std::nullopt;
  for (const auto& p : next->points)
    if (p.uv)
      return *p.uv;
  const bool open = !grid.IsClosed(MQuads::EAxis::U) && !grid.IsClosed(MQuads::EAxis::V);
  const P3& p = open ? next->points.front().point : FarthestFromSeam(*next, grid).point;
  return Invert(face, p, tolerance);
}

// Whether two segments meet, their bounding boxes compared with a small tolerance.
bool SegmentsIntersect(const UV& a, const UV& b, const UV& c, const UV& d) {
  for (int k = 0; k < 2; ++k) {
    if (std::max(a[k], b[k]) + kIntersectionTolerance < std::min(c[k], d[k]))
      return false;
    if (std::max(c[k], d[k]) + kIntersectionTolerance < std::min(a[k], b[k]))
      return false;
  }
  const double d1 = cross(b - a, c - a), d2 = cross(b - a, d - a);
  const double d3 = cross(d - c, a - c), d4 = cross(d - c, b - c);
  return d1 * d2 <= 0.0 && d3 * d4 <= 0.0;
}

// Whether two non-adjacent segments of the closed polygon meet; segments sharing an end point
// are not compared. Segments are swept in the order of their smallest U.
bool IsSelfIntersecting(const std::vector<UV>& polygon) {
  const std::size_t n = polygon.size();
  if (n < 4)
    return false;
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i)
    order[i] = i;
  auto lowU = [&](std::size_t i) { return std::min(polygon[i][0], polygon[(i + 1) % n][0]); };
  std::sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
    return lowU(i) < lowU(j) || (lowU(i) == lowU(j) && i < j);
  });
  for (std::size_t x = 0; x < n; ++x) {
    const std::size_t i = order[x];
    const UV &a = polygon[i], &b = polygon[(i + 1) % n];
    const double highU = std::max(a[0], b[0]) + kIntersectionTolerance;
    for (std::size_t y = x + 1; y < n && lowU(order[y]) <= highU; ++y) {
      const std::size_t j = order[y];
      if ((i + 1) % n == j || (j + 1) % n == i)
        continue;  // adjacent
      const UV &c = polygon[j], &d = polygon[(j + 1) % n];
      if (a == c || a == d || b == c || b == d)
        continue;  // sharing an end point
      if (SegmentsIntersect(a, b, c, d))
        return true;
    }
  }
  return false;
}

// The period used to unwrap direction d of a closed grid.
double UnwrapPeriod(const MCADFace& face, const MQuads& grid, int d) {
  const eInUV direction = d == 0 ? eInU : eInV;
  const MCADUVSurface& surface = *face.GetSurface();
  if (surface.GetIsPeriodicInUV(direction))
    return surface.GetExtremesUV(direction).GetPeriod();
  const int nU = grid.GetIsolinesCount(MQuads::EAxis::U);
  const int nV = grid.GetIsolinesCount(MQuads::EAxis::V);
  return grid.GetVertexUV(MQuads::MVertexIndex(nU - 1, nV - 1))[d] -
         grid.GetVertexUV(MQuads::MVertexIndex(0, 0))[d];
}

// Makes the polygon continuous across the seams of the closed directions, and moves the
// reference point into the same period as the polygon.
void Unwrap(const MCADFace& face, const MQuads& grid, std::vector<UV>& polygon,
            std::optional<UV>& reference) {
  const std::size_t n = polygon.size();
  if (n == 0)
    return;
  for (int d = 0; d < 2; ++d) {
    if (!grid.IsClosed(kAxes[d]))
      continue;
    const double period = UnwrapPeriod(face, grid, d);
    auto isJump = [&](std::size_t j) {
      return std::abs(polygon[j][d] - polygon[(j + 1) % n][d]) > kJumpFraction * period;
    };
    std::size_t start = 0;
    while (start < n && !isJump(start))
      ++start;
    if (start == n)
      start = 0;
    for (std::size_t k = 0; k < 2 * n; ++k) {
      const std::size_t j = (start + k) % n;
      const bool jump = isJump(j);
      if (k >= n && !jump)
        break;
      if (jump) {
        double& next = polygon[(j + 1) % n][d];
        next += next > polygon[j][d] ? -period : period;
      }
    }
    if (reference) {
      double lo = kLargeStart, hi = -kLargeStart;
      for (const UV& p : polygon) {
        lo = std::min(lo, p[d]);
        hi = std::max(hi, p[d]);
      }
      const double mid = 0.5 * (lo + hi);
      double moved = mid;
      face.GetSurface()->PutInDomainFirstBasePeriodUV(moved, d == 0 ? eInU : eInV, 0.0);
      (*reference)[d] += mid - moved;
    }
  }
}

// The UV polygon of the loop and its reference point.
std::vector<UV> LoopPolygon(const MCADFace& face, const MQuads& grid, const MSegmentedLoop& loop,
                            std::optional<UV>& reference, double tolerance) {
  std::vector<UV> polygon;
  polygon.reserve(loop.points.size());
  const bool allUV = std::all_of(loop.points.begin(), loop.points.end(),
                                 [](const auto& p) { return p.uv.has_value(); });
  if (allUV) {
    for (const auto& p : loop.points)
      polygon.push_back(*p.uv);
    if (IsSelfIntersecting(polygon))
      reference.reset();
    return polygon;
  }
  for (const auto& p : loop.points)
    polygon.push_back(Invert(face, p.point, tolerance));
  std::vector<UV> reversedPolygon(polygon.rbegin(), polygon.rend());
  const std::optional<UV> originalReference = reference;
  Unwrap(face, grid, polygon, reference);
  if (!IsSelfIntersecting(polygon))
    return polygon;
  // Unwrapping from the other end can succeed where the first one tangled the polygon.
  std::optional<UV> otherReference = originalReference;
  Unwrap(face, grid, reversedPolygon, otherReference);
  if (IsSelfIntersecting(reversedPolygon))
    return polygon;
  reference = otherReference;
  return {reversedPolygon.rbegin(), reversedPolygon.rend()};
}

}  // namespace

bool MCadTriangulator::MInternal::IsSpecialLoopReversed(const MCADFace& face, const MQuads& grid,
                                                        const MSegmentedLoop& loop,
                                                        const std::optional<MSegmentedLoop>& next,
                                                        double tolerance) {
  // 1.-2. Reference point and polygon.
  std::optional<UV> reference = ReferencePoint(face, grid, next, tolerance);
  const std::vector<UV> polygon = LoopPolygon(face, grid, loop, reference, tolerance);
  const std::size_t n = polygon.size();

  // 3. Periods of the closed directions.
  double period[2];
  for (int d = 0; d < 2; ++d) {
    const std::vector<double>& isolines = grid.GetIsolines(kAxes[d]);
    period[d] = grid.IsClosed(kAxes[d]) && !isolines.empty()
                    ? std::abs(isolines.back() - isolines.front())
                    : std::numeric_limits<double>::max();
  }

  // 4. Winding around the reference point.
  UV r;
  if (reference) {
    r = *reference;
  } else {
    double lowU = std::numeric_limits<double>::max(), lowV = std::numeric_limits<double>::max();
    for (const UV& p : polygon) {
      lowU = std::min(lowU, p[0]);
      lowV = std::min(lowV, p[1]);
    }
    r = UV(lowU - kOutsideOffset, lowV - kOutsideOffset);
  }
  double winding = 0.0, area = 0.0, seamJumpAngle = 0.0;
  int seamJumps = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const UV& p = polygon[i];
    const UV& q = polygon[(i + 1) % n];
    const UV a = p - r, b = q - r;
    const double lengths =
        Oxlen::Math::overflow_safe_length(a) * Oxlen::Math::overflow_safe_length(b);
    if (!(lengths > kLengthProductThreshold))
      continue;
    const double c = cross(a, b);
    const double angle = std::atan2(c / lengths, dot(a, b) / lengths);
    winding += angle;
    area += c;
    if (std::abs(p[0] - q[0]) > kJumpFraction * period[0] ||
        std::abs(p[1] - q[1]) > kJumpFraction * period[1]) {
      ++seamJumps;
      seamJumpAngle = angle;
    }
  }

  // 5. Decision.
  if (std::abs(kTwoPi - winding) < kWindingTolerance)
    return !reference.has_value();
  if (std::abs(winding + kTwoPi) < kWindingTolerance)
    return reference.has_value();
  if (!reference)
    return area < -kAreaThreshold;
  if (seamJumps == 1)
    return winding - seamJumpAngle <= 0.0;
  return area > kAreaThreshold;
}
