#include "Oxlen/CadEntity/MCAD2DLineSegment.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "Oxlen/Math/coordinate_limit.h"

namespace {

using Point2 = Oxlen::Math::point<double, 2>;

const Point2& RequireFinite(const Point2& p, const char* name) {
  if (!Oxlen::Math::is_within_coordinate_limit(p))
    throw std::invalid_argument(std::string(name) + ": not finite or beyond 1e100 in magnitude");
  return p;
}

}  // namespace

MCAD2DLineSegment::MCAD2DLineSegment(const Point2& start, const Point2& end)
    : m_start(RequireFinite(start, "start")), m_end(RequireFinite(end, "end")) {}

void MCAD2DLineSegment::GetParameterList(MCADParameterList_1d& list) const {
  list.parameters.assign({0.0, 1.0});
}

void MCAD2DLineSegment::EvaluatePoint(double t, Point2& result) const {
  t = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
  // The ends are returned as given rather than through the interpolation, which may round.
  if (t == 0.0) {
    result = m_start;
  } else if (t == 1.0) {
    result = m_end;
  } else {
    result = Oxlen::Math::lerp(m_start, m_end, t);
  }
}
