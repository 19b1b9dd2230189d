#pragma once

#include <map>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"

namespace loops::detail {

/// One loop distributed over the quads before it joins the distribution: its parts per quad and
/// its splitting points, the parts' `start` and `end` indexing `splittingPoints` of this set.
struct MLoopPartSet {
  std::map<MCadTriangulator::MQuads::MQuadIndex,
           std::vector<MCadTriangulator::MLoopsOnQuads::MLoopPart>>
      parts;
  std::vector<MCadTriangulator::MLoopsOnQuads::MLoopSplittingPoint> splittingPoints;
};

}  // namespace loops::detail
