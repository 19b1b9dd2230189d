#pragma once

#include <memory>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MPointOnLoop.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/point.h"

/// Finds the grid quad a point belongs to: points that carry surface parameters by a binary
/// search in the isolines, all others by a nearest-quad search in 3D over a bounding-volume tree
/// of the quads.
///
/// The grid must not change while the projector lives (its answers would be stale). A built
/// projector is read-only: any number of threads may call `Project` at once.
class MCadTriangulator::MPointToQuadProjector {
 public:
  /// The box of a quad's four stored corners, widened by a tolerance on every side.
  class MBoundingBoxCalculator {
   public:
    MBoundingBoxCalculator(const MQuads& grid, double tolerance)
        : grid_(&grid), tolerance_(tolerance) {}
    Oxlen::Math::boundingbox<double, 3> operator()(const MQuads::MQuadIndex& quad) const;

   private:
    const MQuads* grid_;
    double tolerance_;
  };

  /// Builds the quad tree over every quad of `grid`, on the calling thread only (in a task arena
  /// of its own, isolated from any parallel work the caller is part of).
  /// @param[in] grid      the grid; must outlive the projector and stay unchanged.
  /// @param[in] tolerance margin added to the quad boxes (it only affects the search's pruning).
  /// @throws std::runtime_error "Too many objects" for more than 4294967295 quads.
  MPointToQuadProjector(const MQuads& grid, double tolerance);
  ~MPointToQuadProjector();
  MPointToQuadProjector(const MPointToQuadProjector&) = delete;
  MPointToQuadProjector& operator=(const MPointToQuadProjector&) = delete;

  /// The quad nearest to `p` in 3D (distance to its four-triangle surrogate); among equally near
  /// quads the first one the tree search meets. A grid without quads gives
  /// `MQuads::kInvalidQuadIndex`.
  MQuads::MQuadIndex Project(const Oxlen::Math::point<double, 3>& p) const;

  /// The quad holding the point's surface parameters when it has some inside the grid's
  /// parameter box (a parameter on an interior isoline belongs to the quad below or left of it),
  /// otherwise the quad nearest to its position in 3D.
  MQuads::MQuadIndex Project(const MPointOnLoop& p) const;

 private:
  class MTree;
  const MQuads& grid_;
  std::unique_ptr<MTree> tree_;
};
