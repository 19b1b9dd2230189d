#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/point.h"

/// An invertible affine transformation of space, applied to row vectors as in
/// `Oxlen::Math::matrix4x4`. It keeps its inverse, so that points can be brought back into the
/// frame they were placed from.
class OXLEN_CAD_TRIANGULATION_API MMTransform {
 public:
  /// The identity.
  MMTransform();

  /// @param[in] matrix an affine matrix (m[3], m[7], m[11] = 0, m[15] = 1) with finite entries
  ///            and an invertible linear part.
  /// @throws std::invalid_argument ("matrix: ...") when the matrix is not finite, not affine or
  ///         singular.
  explicit MMTransform(const Oxlen::Math::matrix4x4<double>& matrix);

  /// Applies the transformation to p in place: to a point (`isDirection` false: rotation,
  /// scaling and translation) or to a direction (`isDirection` true: no translation).
  void Transform(Oxlen::Math::point<double, 3>& p, bool isDirection) const;

  /// Applies the inverse transformation to p in place; `isDirection` as for `Transform`.
  void InverseTransform(Oxlen::Math::point<double, 3>& p, bool isDirection) const;

  /// The matrix of the transformation and of its inverse.
  const Oxlen::Math::matrix4x4<double>& GetMatrix() const { return m_matrix; }
  const Oxlen::Math::matrix4x4<double>& GetInverseMatrix() const { return m_inverse; }

 private:
  Oxlen::Math::matrix4x4<double> m_matrix;
  Oxlen::Math::matrix4x4<double> m_inverse;
};
