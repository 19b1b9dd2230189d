#include "AnalyticSurfaceSupport.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "Oxlen/Math/coordinate_limit.h"

namespace Oxlen::CadEntity::Detail {

namespace {

using Point3 = Oxlen::Math::point<double, 3>;

// Orthonormality accepted from a frame given to a surface; frames built by MCADFrame's
// constructor are orthonormal to a few units in the last place.
constexpr double kFrameTolerance = 1e-9;

// Distance from the origin at which points whose local coordinates overflow are placed.
constexpr double kFarDistance = 1e300;
// 2^-600: brings any finite coordinate far below the overflow threshold.
constexpr double kDownScale = 0x1p-600;

// Relative rounding of local coordinates (about 45 units in the last place of the larger of the
// point's and the origin's magnitudes) below which a point counts as lying on the axis.
constexpr double kAxisRounding = 1e-14;

// At most five quarter turns fit strictly inside a range of a full turn plus tolerance.
constexpr int kMaxQuarterTurnsInside = 5;

[[noreturn]] void Fail(const char* name, const char* reason) {
  throw std::invalid_argument(std::string(name) + ": " + reason);
}

void RequireOrdered(double min, double max, const char* minName, const char* maxName) {
  RequireFinite(min, minName);
  RequireFinite(max, maxName);
  if (!(max > min))
    Fail(maxName, (std::string("not greater than ") + minName).c_str());
}

}  // namespace

void RequireFinite(double value, const char* name) {
  if (!Oxlen::Math::is_within_coordinate_limit(value))
    Fail(name, "not finite or beyond 1e100 in magnitude");
}

void RequirePositive(double value, const char* name) {
  RequireFinite(value, name);
  if (!(value > 0.0))
    Fail(name, "not positive");
}

void RequireValidFrame(const MCADFrame& frame) {
  if (!Oxlen::Math::is_within_coordinate_limit(frame.origin) ||
      !Oxlen::Math::is_finite(frame.xAxis) || !Oxlen::Math::is_finite(frame.yAxis) ||
      !Oxlen::Math::is_finite(frame.zAxis))
    Fail("frame", "not finite, or its origin beyond 1e100");
  if (!frame.IsOrthonormal(kFrameTolerance))
    Fail("frame", "axes not right-handed orthonormal");
}

MCADDomainLimits MakeLimits(double min, double max, const char* minName, const char* maxName) {
  RequireOrdered(min, max, minName, maxName);
  return MCADDomainLimits(min, max);
}

MCADDomainLimits MakeAngularLimits(double min, double max, const char* minName,
                                   const char* maxName) {
  RequireOrdered(min, max, minName, maxName);
  if (max - min > kFullTurn + kAngleTolerance)
    Fail(maxName, (std::string("more than a full turn above ") + minName).c_str());
  return MCADDomainLimits(min, max, kFullTurn);
}

Point3 ToLocalModel(const MCADFrame& frame, const Point3& p) {
  const Point3 modelPoint = p / kInternalUnitsPerModelUnit;
  const Point3 local = frame.ToLocal(modelPoint);
  if (Oxlen::Math::is_finite(local))
    return local;
  // Overflow: the offset from the origin is huge. Its direction, computed on scaled-down values,
  // is all that matters at that distance.
  const Point3 offset = modelPoint * kDownScale - frame.origin * kDownScale;
  const Point3 direction = Oxlen::Math::normalized(offset);
  const Point3 d{Oxlen::Math::dot(direction, frame.xAxis), Oxlen::Math::dot(direction, frame.yAxis),
                 Oxlen::Math::dot(direction, frame.zAxis)};
  return d * kFarDistance;
}

bool IsOnAxis(const MCADFrame& frame, const Point3& p, const Point3& local) {
  const auto largest = [](const Point3& q) {
    return std::max({std::abs(q[0]), std::abs(q[1]), std::abs(q[2])});
  };
  // The local coordinates come from differences and sums of terms at most about this large
  // (the larger of the two magnitudes, not their sum, which could overflow).
  const double magnitude = std::max(largest(p) / kInternalUnitsPerModelUnit, largest(frame.origin));
  return std::hypot(local[0], local[1]) <= kAxisRounding * magnitude;
}

Point3 FromLocalModel(const MCADFrame& frame, const Point3& local) {
  return frame.FromLocal(local) * kInternalUnitsPerModelUnit;
}

double Clamp(double value, double min, double max) {
  return std::min(std::max(value, min), max);
}

AxialPosition LocateAroundAxis(const MCADFrame& frame, const Point3& p, const MCADDomainLimits& u) {
  AxialPosition position;
  position.local = ToLocalModel(frame, p);
  position.onAxis = IsOnAxis(frame, p, position.local);
  position.angle = position.onAxis
                       ? u.GetMin()
                       : PutAngleInLimits(std::atan2(position.local[1], position.local[0]),
                                          u.GetMin(), u.GetMax());
  return position;
}

double PutAngleInLimits(double angle, double min, double max) {
  // Offset of the angle above min, reduced to [0, 2 pi]; fmod itself is exact.
  double offset = std::fmod(angle - min, kFullTurn);
  if (offset < 0.0)
    offset += kFullTurn;
  const double candidate = min + offset;
  if (candidate <= max)
    return candidate;
  // Outside the limits: above max by (candidate - max), below min by (2 pi - offset).
  const double aboveMax = candidate - max;
  const double belowMin = kFullTurn - offset;
  return aboveMax < belowMin ? max : min;
}

std::list<double> QuarterTurnIsolines(double min, double max) {
  std::list<double> values{min};
  const double first = std::floor(min / kQuarterTurn);
  // A bounded loop: for limits of huge magnitude consecutive multiples may round together.
  for (int i = 0; i <= kMaxQuarterTurnsInside + 1; ++i) {
    const double value = (first + i) * kQuarterTurn;
    if (value >= max - kAngleTolerance)
      break;
    if (value > min + kAngleTolerance && value > values.back())
      values.push_back(value);
  }
  values.push_back(max);
  return values;
}

}  // namespace Oxlen::CadEntity::Detail
