#include "one_direction_seeding.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <set>

#include "spatial/numeric_helpers.h"

namespace selector::detail {

namespace {

using MQuadIndex = MQuads::MQuadIndex;
using MVertexIndex = MQuads::MVertexIndex;
using MLoopsOnQuads = MCadTriangulator::MLoopsOnQuads;
using Point3 = Oxlen::Math::point<double, 3>;

constexpr EVertexStatus kOutside = MCadTriangulator::MTrimPartSelector::Outside;
// A side collapses to a pole when all its vertices lie this close (squared) to its first one.
constexpr double kPoleSquaredDistance = 1.4901161193847656e-8;
// A crossing touches a side within this edge parameter ...
constexpr double kTouchParameter = 1e-6;
// ... or this distance from an end of its edge.
constexpr double kTouchDistance = 1e-4;
// A corner needs a crossing farther than this (edge parameter) to be seeded by the second pass.
constexpr double kSecondPassMinimum = 1e-6;

int IndexOn(const MVertexIndex& vertex, int axis) {
  return axis == 0 ? vertex.u : vertex.v;
}

// The pole and touched flags of both sides of both directions (none for a closed direction).
class SideState {
 public:
  explicit SideState(const MCadTriangulator::MQuadrangulatedSurface& grid) : grid_(grid) {
    const MQuads& quads = grid.quads;
    for (int axis = 0; axis < 2; ++axis) {
      const auto e = static_cast<MQuads::EAxis>(axis);
      if (quads.IsClosed(e))
        continue;
      sideIndex_[axis] = {0, quads.GetIsolinesCount(e) - 1};
      for (int side = 0; side < 2; ++side) {
        Flags& flags = flags_[axis][side];
        flags.pole = IsPole(axis, sideIndex_[axis][side]);
        if (flags.pole)
          flags.touched = IsTouched(axis, sideIndex_[axis][side]);
      }
    }
  }

  // On a side that is a pole while the opposite side of its direction is not.
  bool OnLonePole(const MVertexIndex& vertex) const {
    for (int axis = 0; axis < 2; ++axis) {
      for (int side = 0; side < 2; ++side) {
        if (IndexOn(vertex, axis) == sideIndex_[axis][side] && flags_[axis][side].pole &&
            !flags_[axis][1 - side].pole)
          return true;
      }
    }
    return false;
  }

  // On a side that is a pole the loops touch.
  bool OnTouchedPole(const MVertexIndex& vertex) const {
    for (int axis = 0; axis < 2; ++axis) {
      for (int side = 0; side < 2; ++side) {
        if (IndexOn(vertex, axis) == sideIndex_[axis][side] && flags_[axis][side].pole &&
            flags_[axis][side].touched)
          return true;
      }
    }
    return false;
  }

 private:
  struct Flags {
    bool pole = false;
    bool touched = false;
  };

  MVertexIndex VertexOnSide(int axis, int index, int other) const {
    return axis == 0 ? MVertexIndex(index, other) : MVertexIndex(other, index);
  }

  bool IsPole(int axis, int index) const {
    const MQuads& quads = grid_.quads;
    const int count = quads.GetIsolinesCount(static_cast<MQuads::EAxis>(1 - axis));
    const Point3& first = quads.GetVertex3d(VertexOnSide(axis, index, 0));
    for (int k = 0; k < count; ++k) {
      if (!(squared_distance(quads.GetVertex3d(VertexOnSide(axis, index, k)), first) <
            kPoleSquaredDistance))
        return false;
    }
    return true;
  }

  // Whether the crossing at a part's start or end lies on the side.
  bool Touches(const MLoopsOnQuads::MLoopSplittingPoint& crossing, int axis, int index) const {
    const MQuads& quads = grid_.quads;
    const MQuads::MQuadEdge& edge = crossing.pointOnEdge.edge;
    const bool aOn = IndexOn(edge.start, axis) == index;
    const bool bOn = IndexOn(edge.end, axis) == index;
    if (!aOn && !bOn)
      return false;
    if (aOn && bOn)
      return true;
    const double t =
        edge.IsReversed() ? 1.0 - crossing.pointOnEdge.parameter : crossing.pointOnEdge.parameter;
    if ((aOn && t < kTouchParameter) || (bOn && 1.0 - t < kTouchParameter))
      return true;
    const Point3 position = quads.LocatePointOnEdge(crossing.pointOnEdge);
    return geometry::detail::overflow_safe_distance(position, quads.GetVertex3d(edge.start)) <
               kTouchDistance ||
           geometry::detail::overflow_safe_distance(position, quads.GetVertex3d(edge.end)) <
               kTouchDistance;
  }

  // Whether a loop part of the quad row along the side starts or ends on it.
  bool IsTouched(int axis, int index) const {
    const MQuads& quads = grid_.quads;
    const auto e = static_cast<MQuads::EAxis>(axis);
    const int rowQuad = std::min(index, quads.GetQuadsCount(e) - 1);
    const int length = quads.GetQuadsCount(static_cast<MQuads::EAxis>(1 - axis));
    for (int k = 0; k < length; ++k) {
      const MQuadIndex quad = axis == 0 ? MQuadIndex(rowQuad, k) : MQuadIndex(k, rowQuad);
      for (const auto& part : grid_.loops.GetLoopParts(quad)) {
        for (const int crossing : {part.start, part.end}) {
          if (Touches(grid_.loops.GetLoopSplittingPoint(crossing), axis, index))
            return true;
        }
      }
    }
    return false;
  }

  const MCadTriangulator::MQuadrangulatedSurface& grid_;
  // The isoline index of side 0 and side 1 of each direction; -1 for a closed direction.
  std::array<std::array<int, 2>, 2> sideIndex_{{{-1, -1}, {-1, -1}}};
  std::array<std::array<Flags, 2>, 2> flags_{};
};

bool InOuterRing(const MQuads& quads, const MQuadIndex& quad) {
  return quad.u == 0 || quad.u == quads.GetQuadsCount(MQuads::EAxis::U) - 1 || quad.v == 0 ||
         quad.v == quads.GetQuadsCount(MQuads::EAxis::V) - 1;
}

// Calls f for every quad of the outer ring, u outer and v inner.
template <class F>
void ForEachOuterQuad(const MQuads& quads, F&& f) {
  const int quadsU = quads.GetQuadsCount(MQuads::EAxis::U);
  const int quadsV = quads.GetQuadsCount(MQuads::EAxis::V);
  for (int u = 0; u < quadsU; ++u)
    for (int v = 0; v < quadsV; ++v)
      if (InOuterRing(quads, MQuadIndex(u, v)))
        f(MQuadIndex(u, v));
}

SeedMap FirstPass(const MCadTriangulator::MQuadrangulatedSurface& grid, const SideState& sides) {
  const MQuads& quads = grid.quads;
  SeedMap seeds;
  ForEachOuterQuad(quads, [&](const MQuadIndex& quad) {
    if (grid.loops.GetNumberOfInnerLoops(quad) != 0 || grid.loops.GetNumberOfLoopParts(quad) != 0)
      return;
    const auto corners = quads.GetQuadVertices(quad);
    for (const MVertexIndex& corner : corners) {
      if (sides.OnLonePole(corner) || sides.OnTouchedPole(corner))
        return;
    }
    for (const MVertexIndex& corner : corners) {
      if (quads.IsVertexOnBorder(corner) && !quads.IsVertexOnPeriodicBorder(corner))
        seeds[corner] = kOutside;
    }
  });
  return seeds;
}

// The parameter distances from the corners of one quad to the crossings on edges leaving them.
void MeasureCorners(const MQuads& quads, const std::array<MVertexIndex, 4>& corners,
                    const MLoopsOnQuads::MLoopSplittingPoint& crossing,
                    std::array<double, 4>& distance) {
  const MQuads::MQuadEdge& edge = crossing.pointOnEdge.edge;
  const MVertexIndex& a = edge.start;
  const MVertexIndex& b = edge.end;
  if (quads.IsVertexOnPeriodicBorder(a) || quads.IsVertexOnPeriodicBorder(b))
    return;
  const bool aOnBorder = quads.IsVertexOnBorder(a);
  const bool bOnBorder = quads.IsVertexOnBorder(b);
  if (!aOnBorder && !bOnBorder)
    return;
  const double t =
      edge.IsReversed() ? 1.0 - crossing.pointOnEdge.parameter : crossing.pointOnEdge.parameter;
  const auto take = [&](const MVertexIndex& vertex, double value) {
    for (std::size_t k = 0; k < 4; ++k)
      if (corners[k] == vertex)
        distance[k] = std::min(distance[k], value);
  };
  if (aOnBorder && !bOnBorder)
    take(a, t);
  else if (bOnBorder && !aOnBorder)
    take(b, 1.0 - t);
  else if (t < 1.0 - t)
    take(a, t);
  else
    take(b, 1.0 - t);
}

SeedMap SecondPass(const MCadTriangulator::MQuadrangulatedSurface& grid, const SideState& sides) {
  const MQuads& quads = grid.quads;
  constexpr double kFar = std::numeric_limits<double>::max();
  SeedMap seeds;
  std::set<int> taken;
  ForEachOuterQuad(quads, [&](const MQuadIndex& quad) {
    if (grid.loops.GetNumberOfLoopParts(quad) == 0 || grid.loops.GetNumberOfInnerLoops(quad) != 0)
      return;
    const auto corners = quads.GetQuadVertices(quad);
    std::array<double, 4> distance{kFar, kFar, kFar, kFar};
    for (const auto& part : grid.loops.GetLoopParts(quad)) {
      for (const int index : {part.start, part.end}) {
        if (taken.insert(index).second)
          MeasureCorners(quads, corners, grid.loops.GetLoopSplittingPoint(index), distance);
      }
    }
    for (std::size_t k = 0; k < 4; ++k) {
      if (!sides.OnTouchedPole(corners[k]) && distance[k] != kFar &&
          !(distance[k] <= kSecondPassMinimum))
        seeds[corners[k]] = kOutside;
    }
  });
  return seeds;
}

}  // namespace

SeedMap SeedOneDirection(const MCadTriangulator::MQuadrangulatedSurface& grid) {
  const SideState sides(grid);
  SeedMap seeds = FirstPass(grid, sides);
  if (seeds.empty())
    seeds = SecondPass(grid, sides);
  return seeds;
}

}  // namespace selector::detail
