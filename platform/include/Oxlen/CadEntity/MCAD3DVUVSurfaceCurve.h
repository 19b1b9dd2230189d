#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADParameterList_1d.h"
#include "Oxlen/Math/point.h"

/// A curve in space that bounds a face: the geometry of a fin. It evaluates in internal units
/// (10000 times model units) in the coordinate system of the face's surface. Curves are immutable
/// after construction and safe to use from several threads at once.
class OXLEN_CAD_TRIANGULATION_API MCAD3DVUVSurfaceCurve {
 public:
  virtual ~MCAD3DVUVSurfaceCurve();

  /// The curve point at parameter t, in internal units.
  virtual void EvaluatePoint(double t, Oxlen::Math::point<double, 3>& result) const = 0;

  /// Fills the curve's own sample parameters: ascending, from its start to its end parameter,
  /// at least these two.
  /// @param[out] list cleared, then filled.
  virtual void GetParameterList(MCADParameterList_1d& list) const = 0;
};
