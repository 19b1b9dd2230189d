#pragma once

#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"

/// Decides which side of the trimming loops every grid vertex lies on.
class MCadTriangulator::MTrimPartSelector {
 public:
  /// Side of a grid vertex: inside the trimmed face (kept) or outside it.
  enum EVertexStatus : int {
    Inside = 0,
    Outside = 1,
  };

  /// Classifies every grid vertex as inside or outside the trimmed face.
  ///
  /// A few seed vertices of known status are found first, by the first strategy that yields any:
  /// with `aroundDomain`, every border vertex is inside; on a grid that holds loop information
  /// and is closed in neither direction, vertex (0, 0) is outside; on a grid closed in exactly
  /// one direction, vertices of untouched quads on the open border (away from poles the loops
  /// reach) are outside, or else the corners of border quads next to a crossing near them; last,
  /// geometric seeds from the orientation of inner loops, the direction of the crossed edges and
  /// the sides of loop segments facing a quad edge. The status then floods the grid along its
  /// edges (never directly across a closed seam), flipping on every edge that the loops cut an odd
  /// number of times. Finally the seeds vote: when more of them disagree with the flooded status
  /// of their vertex than agree, every status is inverted.
  /// @param[in]  grid         the grid with the loops distributed over it.
  /// @param[in]  tolerance    distances below it count as coincident in the geometric seeding;
  ///                          not NaN, >= 0 (may be +infinity).
  /// @param[in]  aroundDomain a loop running around a closed domain was set aside, or a loop
  ///                          needs the border as inner side: seeds the border vertices inside.
  /// @param[out] unclassified true when no seed could be found, false otherwise.
  /// @return one status per grid vertex, vertex (u, v) at index u nV + v; all Inside when
  ///         `unclassified`.
  /// @throws std::invalid_argument "tolerance: ..." for a NaN or negative tolerance, "grid: ..."
  ///         when the loops refer to quads, splitting points or vertices outside the grid.
  static std::vector<EVertexStatus> ClassifyVertices(const MQuadrangulatedSurface& grid,
                                                     double tolerance, bool aroundDomain,
                                                     bool& unclassified);
};
