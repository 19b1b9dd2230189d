#pragma once

#include "Oxlen/Export.h"

/// The parameter range of one direction of a surface: [min, max], and the period when the direction
/// is periodic (0 otherwise).
class OXLEN_CAD_TRIANGULATION_API MCADDomainLimits {
 public:
  /// The range [0, 0], not periodic.
  MCADDomainLimits() = default;

  /// @param[in] min, max  the range; finite and within 1e100 (Oxlen::Math::kMaxCoordinate) in
  /// magnitude, min <= max.
  /// @param[in] period    0 for a non-periodic direction, else a positive period up to 1e100.
  /// @throws std::invalid_argument naming the argument when a value is not finite or beyond
  ///         1e100 in magnitude, min > max or the period is negative.
  MCADDomainLimits(double min, double max, double period = 0.0);

  double GetMin() const { return m_min; }
  double GetMax() const { return m_max; }
  /// The period, 0 when the direction is not periodic.
  double GetPeriod() const { return m_period; }

 private:
  double m_min = 0.0;
  double m_max = 0.0;
  double m_period = 0.0;
};
