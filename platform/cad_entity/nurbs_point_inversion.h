#pragma once

#include <memory>

#include "Oxlen/Math/point.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

// The point inversion of MCADUVNurbsSurface (not exported).

namespace cad_entity::detail {

/// Point inversion onto one NURBS surface, for one point or many. The patches (one per pair of
/// knot spans) are sampled nearest first by the bounding boxes of their control points, and the
/// best samples are polished by Newton steps on the squared distance, clamped to the limits.
///
/// The samples of a patch do not depend on the point: they are evaluated when a search first
/// visits the patch and kept for the later searches, which then only measure distances to them.
/// Each result is the same, bit for bit, as that of a fresh inverter. Not safe to share between
/// threads (the searches fill the kept samples); one inverter per thread.
class MNurbsPointInverter {
 public:
  /// @param[in] nurbs the surface, evaluating in model units; must outlive the inverter.
  explicit MNurbsPointInverter(const M3dNurbsSurface& nurbs);
  ~MNurbsPointInverter();
  MNurbsPointInverter(const MNurbsPointInverter&) = delete;
  MNurbsPointInverter& operator=(const MNurbsPointInverter&) = delete;

  /// The parameters of the point of the surface nearest to `p`.
  /// @param[in] p         the point, in internal units (10000 times model units); a point
  ///                      absurdly far away is pulled towards the patch along its direction.
  /// @param[in] tolerance the distance (internal units) to which the search polishes; 0, negative
  ///                      or not finite polishes to the rounding of the coordinates.
  /// @return the parameters; the start of the limits (uMin, vMin) for a point that is not finite
  ///         or when no sample has a finite distance.
  Oxlen::Math::point<double, 2> Invert(const Oxlen::Math::point<double, 3>& p, double tolerance);

 private:
  struct MState;
  std::unique_ptr<MState> m_state;
};

/// One inversion with a fresh inverter (see MNurbsPointInverter::Invert).
Oxlen::Math::point<double, 2> invert_nurbs_point(const M3dNurbsSurface& nurbs,
                                                 const Oxlen::Math::point<double, 3>& p,
                                                 double tolerance);

}  // namespace cad_entity::detail
