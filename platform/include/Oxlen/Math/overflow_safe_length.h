#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/Math/point.h"

namespace Oxlen::Math {

/// Euclidean length of `v` computed without intermediate overflow or underflow: with m the
/// largest absolute component, raised to at least the smallest positive subnormal double, and
/// a >= b the other two absolute components, the length is m * sqrt(1 + (a/m)^2 + (b/m)^2).
/// Components near 1e300 or 1e-300 give their true length where the plain sum of squares would
/// give infinity or zero.
/// @param[in] v the vector
/// @return the length; the zero vector gives the smallest subnormal double (about 4.9e-324), so
///         that dividing by the length never divides by zero; a NaN component gives NaN; an
///         infinite one gives infinity (NaN if two are infinite).
OXLEN_CAD_TRIANGULATION_API double overflow_safe_length(const point<double, 3>& v) noexcept;

/// The length of a vector of the plane: `overflow_safe_length` of (v[0], v[1], 0), with the same
/// degenerate results.
/// @param[in] v the vector
OXLEN_CAD_TRIANGULATION_API double overflow_safe_length(const point<double, 2>& v) noexcept;

}  // namespace Oxlen::Math
