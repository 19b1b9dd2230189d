// The orientation decision of a face and the reversal of its loops.
#include <algorithm>

#include "Oxlen/CadEntity/MCADFace.h"
#include "triangulator/MInternal.h"

bool MCadTriangulator::MInternal::OrientLoops(const MCADFace& face, const MQuads& grid,
                                              std::vector<MSegmentedLoop>& loops,
                                              double tolerance) {
  bool reversed = face.GetOrientation() == eFaceOrientationReversed;
  if (face.GetOrientation() == eFaceOrientationForward) {
    // The first loop whose direction is unreliable decides, by its winding.
    std::size_t k = 0;
    for (const auto& loop : face.Loops()) {
      if (loop->GetIsSpecialCase(eLoopSpecialCaseUnoriented))
        break;
      ++k;
    }
    if (k < loops.size()) {
      std::optional<MSegmentedLoop> next;
      if (loops.size() > 1)
        next = loops[(k + 1) % loops.size()];
      reversed = IsSpecialLoopReversed(face, grid, loops[k], next, tolerance);
    }
  }
  if (reversed) {
    for (MSegmentedLoop& loop : loops) {
      std::reverse(loop.points.begin(), loop.points.end());
      if (loop.tags)
        std::reverse(loop.tags->begin(), loop.tags->end());
    }
  }
  return reversed;
}
