#include "geometric_seeding.h"

namespace selector::detail {

SeedMap SeedGeometrically(const MCadTriangulator::MQuadrangulatedSurface& grid, double tolerance) {
  SeedMap seeds = SeedFromInnerLoops(grid);
  for (const auto& [vertex, status] : SeedFromSplittingPoints(grid, tolerance))
    seeds[vertex] = status;
  if (seeds.empty())
    seeds = SeedFromEdgeSegments(grid, tolerance);
  return seeds;
}

}  // namespace selector::detail
