#pragma once

#include <optional>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MPointOnLoop.h"

/// A trimming loop as a closed polyline in model space: the points of its fins in chain order,
/// closed implicitly from the last point back to the first. Where two fins meet, both contribute
/// their shared end point, so that point occurs twice.
struct MCadTriangulator::MSegmentedLoop {
  std::vector<MPointOnLoop> points;
  /// Present when fin tags were given: one tag per point, the tag of the fin the point came from.
  std::optional<std::vector<int>> tags;
};
