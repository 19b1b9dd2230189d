#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/Math/point.h"

/// A straight segment in the UV plane of a surface, over the parameters [0, 1]: (1 - t) * start
/// + t * end. Its own sample parameters are its two ends.
class OXLEN_CAD_TRIANGULATION_API MCAD2DLineSegment : public MCAD2DVCurve {
 public:
  /// @param[in] start, end finite UV points; they may coincide (the curve then stays at that
  ///            point).
  /// @throws std::invalid_argument ("start: ..." or "end: ...") for a point that is not finite or
  ///         has a coordinate beyond 1e100 in magnitude.
  MCAD2DLineSegment(const Oxlen::Math::point<double, 2>& start,
                    const Oxlen::Math::point<double, 2>& end);

  const Oxlen::Math::point<double, 2>& GetStart() const { return m_start; }
  const Oxlen::Math::point<double, 2>& GetEnd() const { return m_end; }

  /// Fills {0, 1}.
  void GetParameterList(MCADParameterList_1d& list) const override;

  /// The UV point at t, with t clamped to [0, 1] (NaN gives the start); exact at both ends.
  void EvaluatePoint(double t, Oxlen::Math::point<double, 2>& result) const override;

 private:
  Oxlen::Math::point<double, 2> m_start;
  Oxlen::Math::point<double, 2> m_end;
};
