#include "Oxlen/Geometry/stitch_points.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include <boost/container/small_vector.hpp>
#include <boost/unordered/unordered_flat_map.hpp>

#include "Oxlen/Math/overflow_safe_length.h"

namespace Oxlen::Geometry {

namespace {

using Point = Oxlen::Math::point<double, 3>;
constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// Euclidean distance without overflow or underflow in the squares; 0 for coincident points (a
// tolerance of 0 merges exactly equal points). A difference that overflows is a distance beyond
// every finite tolerance.
double SafeDistance(const Point& p, const Point& q) {
  const Point d = p - q;
  if (std::isinf(d[0]) || std::isinf(d[1]) || std::isinf(d[2]))
    return std::numeric_limits<double>::infinity();
  if (d[0] == 0.0 && d[1] == 0.0 && d[2] == 0.0)
    return 0.0;
  return Oxlen::Math::overflow_safe_length(d);
}

// Cell numbering of one coordinate axis. Cells of level 0 are 2^e0 wide, a power of two between
// two and four times the tolerance. A coordinate too large for level 0 (|v| >= 2^(50 + e0)) goes to
// the level L at which |v| < 2^(50 + e0 + L) with cells 2^(e0 + L) wide: there a cell spans at most
// eight representable values, so cell numbers stay exact and no cell fills up with distinct
// points, whatever the ratio of coordinates to tolerance. Cell sizes are powers of two, so a
// coordinate is divided by them exactly (up to subnormal results) and monotonically.
class AxisCells {
 public:
  explicit AxisCells(double tolerance) {
    if (tolerance == 0.0) {
      m_e0 = -1074;  // the smallest subnormal
    } else if (std::isinf(tolerance)) {
      m_e0 = 1023;
    } else {
      // The smallest power of two not below twice the tolerance: a query interval of twice the
      // tolerance then meets at most two cells per axis.
      m_e0 = std::ilogb(tolerance);
      if (std::ldexp(1.0, m_e0) < tolerance)
        ++m_e0;
      m_e0 = std::min(m_e0 + 1, 1023);
    }
    // Level 0 divides by 2^e0 as a product with 2^-e0 when that is a normal number: both are the
    // correctly rounded value, so the cells are the same, at a fraction of the cost.
    if (m_e0 >= -1023 && m_e0 <= 1022)
      m_levelZeroScale = std::ldexp(1.0, -m_e0);
  }

  int Level(double v) const {
    if (v == 0.0)
      return 0;
    return std::max(0, std::ilogb(std::abs(v)) + 1 - kLevelBits - m_e0);
  }

  std::int64_t Cell(double v, int level) const {
    const double scaled =
        std::floor(level == 0 && m_levelZeroScale != 0.0 ? v * m_levelZeroScale
                                                         : std::ldexp(v, -(m_e0 + level)));
    // Cell numbers are below 2^52 by construction; the clamp only guards the conversion.
    return static_cast<std::int64_t>(std::clamp(scaled, -kCellBound, kCellBound));
  }

 private:
  static constexpr int kLevelBits = 50;
  static constexpr double kCellBound = 4611686018427387904.0;  // 2^62
  int m_e0 = 0;
  double m_levelZeroScale = 0.0;  // 2^-e0, or 0 when that is not a normal number
};

struct CellKey {
  std::array<std::int64_t, 3> cell;
  std::array<std::int32_t, 3> level;
  bool operator==(const CellKey&) const = default;
};

// A cheap combination of three 64-bit values; the maps mix the bits of the result themselves.
std::size_t Combine(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  return static_cast<std::size_t>(a * 0x9E3779B97F4A7C15ULL + b * 0xC2B2AE3D27D4EB4FULL +
                                  c * 0x165667B19E3779F9ULL);
}

struct CellKeyHash {
  std::size_t operator()(const CellKey& key) const {
    const auto u = [](std::int64_t v) { return static_cast<std::uint64_t>(v); };
    const std::uint64_t levels = static_cast<std::uint64_t>(static_cast<std::uint32_t>(
                                     key.level[0] ^ (key.level[1] << 10) ^ (key.level[2] << 20)))
                                 << 1;
    return Combine(u(key.cell[0]), u(key.cell[1]), u(key.cell[2])) + levels;
  }
};

// The neighbouring doubles towards -infinity and +infinity (std::nextafter for these directions,
// without the library call): NaN and the infinity in that direction stay as they are.
double NextDown(double x) {
  if (std::isnan(x) || x == -std::numeric_limits<double>::infinity())
    return x;
  if (x == 0.0)
    return -std::numeric_limits<double>::denorm_min();
  const auto bits = std::bit_cast<std::uint64_t>(x);
  return std::bit_cast<double>(x > 0.0 ? bits - 1 : bits + 1);
}

double NextUp(double x) {
  return -NextDown(-x);
}

struct AxisCandidate {
  std::int32_t level;
  std::int64_t cell;
};
using AxisCandidates = boost::container::small_vector<AxisCandidate, 8>;

// Representatives hashed by cell; each cell holds the head of a list threaded through `next`.
class RepresentativeGrid {
 public:
  RepresentativeGrid(double tolerance, std::size_t vertexCount)
      : m_tolerance(tolerance), m_axis(tolerance), m_next(vertexCount, kNone) {}

  void Insert(std::size_t vertex, const Point& p) {
    CellKey key{};
    for (int i = 0; i < 3; ++i) {
      key.level[i] = m_axis.Level(p[i]);
      key.cell[i] = m_axis.Cell(p[i], key.level[i]);
    }
    auto [it, inserted] = m_heads.try_emplace(key, vertex);
    if (!inserted) {
      m_next[vertex] = it->second;
      it->second = vertex;
    }
  }

  // The lowest-index representative within the tolerance of p, or kNone.
  std::size_t FindLowest(const Point& p, const std::vector<Point>& positions) const {
    std::array<AxisCandidates, 3> axes;
    for (int i = 0; i < 3; ++i)
      axes[i] = CandidatesAlong(p[i]);
    std::size_t best = kNone;
    CellKey key{};
    for (const AxisCandidate& cx : axes[0]) {
      for (const AxisCandidate& cy : axes[1]) {
        for (const AxisCandidate& cz : axes[2]) {
          key.level = {cx.level, cy.level, cz.level};
          key.cell = {cx.cell, cy.cell, cz.cell};
          const auto it = m_heads.find(key);
          if (it == m_heads.end())
            continue;
          for (std::size_t r = it->second; r != kNone; r = m_next[r])
            if (r < best && IsWithin(p, positions[r]))
              best = r;
        }
      }
    }
    return best;
  }

 private:
  bool IsWithin(const Point& p, const Point& q) const {
    // The distance is at least the largest coordinate difference: a cheap rejection first.
    for (int i = 0; i < 3; ++i)
      if (std::abs(p[i] - q[i]) > m_tolerance)
        return false;
    return SafeDistance(p, q) <= m_tolerance;
  }

  // Every cell along one axis that can hold a coordinate within the tolerance of x. The interval
  // is widened beyond the tolerance by a margin that covers the rounding of the distance and of
  // the interval ends, so no representative within the tolerance is missed; extra cells only
  // cost a lookup.
  AxisCandidates CandidatesAlong(double x) const {
    constexpr double kMax = std::numeric_limits<double>::max();
    const double w = m_tolerance * (1.0 + 0x1p-20) + std::abs(x) * 0x1p-50 +
                     std::numeric_limits<double>::denorm_min();
    const double lo = std::max(NextDown(x - w), -kMax);
    const double hi = std::min(NextUp(x + w), kMax);
    const int levelLo = m_axis.Level(lo);
    const int levelHi = m_axis.Level(hi);
    const int minLevel = (lo <= 0.0 && hi >= 0.0) ? 0 : std::min(levelLo, levelHi);
    const int maxLevel = std::max(levelLo, levelHi);
    AxisCandidates result;
    for (int level = minLevel; level <= maxLevel; ++level) {
      const std::int64_t last = m_axis.Cell(hi, level);
      for (std::int64_t c = m_axis.Cell(lo, level); c <= last; ++c)
        result.push_back({level, c});
    }
    return result;
  }

  double m_tolerance;
  AxisCells m_axis;
  boost::unordered_flat_map<CellKey, std::size_t, CellKeyHash> m_heads;
  std::vector<std::size_t> m_next;
};

void Validate(const triangle_surface& surface, double tolerance) {
  if (std::isnan(tolerance) || tolerance < 0.0)
    throw std::invalid_argument("tolerance: must be a non-negative number");
  const std::size_t n = surface.vertices.size();
  for (std::size_t t = 0; t < surface.triangles.size(); ++t)
    for (const std::size_t v : surface.triangles[t])
      if (v >= n)
        throw std::invalid_argument("surface: triangle " + std::to_string(t) + " names vertex " +
                                    std::to_string(v) + " beyond the vertex count " +
                                    std::to_string(n));
}

// The bits of a position, for finding exact copies of a vertex.
struct PositionBits {
  std::array<std::uint64_t, 3> bits;
  bool operator==(const PositionBits&) const = default;
};

struct PositionBitsHash {
  std::size_t operator()(const PositionBits& key) const {
    return Combine(key.bits[0], key.bits[1], key.bits[2]);
  }
};

PositionBits BitsOf(const Point& p) {
  return {{std::bit_cast<std::uint64_t>(p[0]), std::bit_cast<std::uint64_t>(p[1]),
           std::bit_cast<std::uint64_t>(p[2])}};
}

// For every vertex the representative it joins (itself for a representative).
//
// A vertex at exactly the position of an earlier one joins that one's representative without a
// search: the earlier vertex joined the lowest representative within the tolerance of this
// position, or became it, and every representative made since has a higher index. Meshes put
// together from pieces repeat most of their vertices this way.
std::vector<std::size_t> ClusterVertices(const std::vector<Point>& vertices, double tolerance) {
  const std::size_t n = vertices.size();
  std::vector<std::size_t> representative(n);
  RepresentativeGrid grid(tolerance, n);
  boost::unordered_flat_map<PositionBits, std::size_t, PositionBitsHash> firstAt;
  firstAt.reserve(n);
  for (std::size_t v = 0; v < n; ++v) {
    const Point& p = vertices[v];
    representative[v] = v;
    if (!Oxlen::Math::is_finite(p))
      continue;  // never joins, is never joined
    const auto [first, isFirst] = firstAt.try_emplace(BitsOf(p), v);
    if (!isFirst) {
      representative[v] = representative[first->second];
      continue;
    }
    const std::size_t r = grid.FindLowest(p, vertices);
    if (r != kNone)
      representative[v] = r;
    else
      grid.Insert(v, p);
  }
  return representative;
}

}  // namespace

std::pair<bool, std::vector<std::size_t>> stitch_points(triangle_surface& surface, double tolerance,
                                                        bool average) {
  Validate(surface, tolerance);
  const std::size_t n = surface.vertices.size();
  const std::vector<std::size_t> representative = ClusterVertices(surface.vertices, tolerance);

  std::vector<std::size_t> newIndex(n);
  std::size_t count = 0;
  for (std::size_t v = 0; v < n; ++v)
    newIndex[v] = representative[v] == v ? count++ : newIndex[representative[v]];
  if (count == n)
    return {false, std::move(newIndex)};

  std::vector<Point> merged(count);
  std::vector<std::size_t> members(count, 0);
  for (std::size_t v = 0; v < n; ++v) {
    const std::size_t target = newIndex[v];
    const Point& p = surface.vertices[v];
    if (members[target]++ == 0)
      merged[target] = p;
    else if (average)  // running mean: members lie within the tolerance, so nothing overflows
      merged[target] += (p - merged[target]) / static_cast<double>(members[target]);
  }
  surface.vertices = std::move(merged);
  for (auto& triangle : surface.triangles)
    for (std::size_t& v : triangle)
      v = newIndex[v];
  return {true, std::move(newIndex)};
}

}  // namespace Oxlen::Geometry
