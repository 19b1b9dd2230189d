#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADParameterList_1d.h"
#include "Oxlen/Math/point.h"

/// A curve in the UV plane of a surface. Immutable after construction.
class OXLEN_CAD_TRIANGULATION_API MCAD2DVCurve {
 public:
  virtual ~MCAD2DVCurve();

  /// Fills the curve's own sample parameters: ascending, from its start to its end parameter,
  /// at least these two.
  /// @param[out] list cleared, then filled.
  virtual void GetParameterList(MCADParameterList_1d& list) const = 0;

  /// The UV point at parameter t.
  virtual void EvaluatePoint(double t, Oxlen::Math::point<double, 2>& result) const = 0;
};
