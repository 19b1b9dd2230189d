#include "Oxlen/Math/MMTransform.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Oxlen/Math/MMTransformMatrix.h"

namespace {

using Matrix = Oxlen::Math::matrix4x4<double>;

// Inverse of an affine matrix in row-vector form: the linear 3x3 block L (rows 0..2) and the
// translation row t give p' = p L + t, so p = (p' - t) L^-1.
Matrix InvertAffine(const Matrix& a) {
  const double l00 = a(0, 0), l01 = a(0, 1), l02 = a(0, 2);
  const double l10 = a(1, 0), l11 = a(1, 1), l12 = a(1, 2);
  const double l20 = a(2, 0), l21 = a(2, 1), l22 = a(2, 2);
  const double c00 = l11 * l22 - l12 * l21;
  const double c01 = l12 * l20 - l10 * l22;
  const double c02 = l10 * l21 - l11 * l20;
  const double det = l00 * c00 + l01 * c01 + l02 * c02;
  double scale = 0.0;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      scale = std::max(scale, std::abs(a(r, c)));
  // Singular (or numerically so, relative to the size of the entries).
  if (!(std::abs(det) > 1e-14 * scale * scale * scale))
    throw std::invalid_argument("matrix: the linear part is singular");
  Matrix inv = Matrix::identity();
  const double id = 1.0 / det;
  inv(0, 0) = c00 * id;
  inv(0, 1) = (l02 * l21 - l01 * l22) * id;
  inv(0, 2) = (l01 * l12 - l02 * l11) * id;
  inv(1, 0) = c01 * id;
  inv(1, 1) = (l00 * l22 - l02 * l20) * id;
  inv(1, 2) = (l02 * l10 - l00 * l12) * id;
  inv(2, 0) = c02 * id;
  inv(2, 1) = (l01 * l20 - l00 * l21) * id;
  inv(2, 2) = (l00 * l11 - l01 * l10) * id;
  const Oxlen::Math::point<double, 3> t{a(3, 0), a(3, 1), a(3, 2)};
  const auto it = -inv.transform_vector(t);
  inv(3, 0) = it[0];
  inv(3, 1) = it[1];
  inv(3, 2) = it[2];
  return inv;
}

void CheckAffine(const Matrix& a) {
  for (double v : a.m)
    if (!std::isfinite(v))
      throw std::invalid_argument("matrix: an entry is not finite");
  if (a.m[3] != 0.0 || a.m[7] != 0.0 || a.m[11] != 0.0 || a.m[15] != 1.0)
    throw std::invalid_argument("matrix: not affine (m[3], m[7], m[11] must be 0 and m[15] 1)");
}

}  // namespace

MMTransform::MMTransform() : m_matrix(Matrix::identity()), m_inverse(Matrix::identity()) {}

MMTransform::MMTransform(const Matrix& matrix) : m_matrix(matrix) {
  CheckAffine(matrix);
  m_inverse = InvertAffine(matrix);
}

void MMTransform::Transform(Oxlen::Math::point<double, 3>& p, bool isDirection) const {
  p = isDirection ? m_matrix.transform_vector(p) : m_matrix.transform_point(p);
}

void MMTransform::InverseTransform(Oxlen::Math::point<double, 3>& p, bool isDirection) const {
  p = isDirection ? m_inverse.transform_vector(p) : m_inverse.transform_point(p);
}

MMTransformMatrix MMTransformMatrix::FromAxes(const Oxlen::Math::point<double, 3>& xAxis,
                                              const Oxlen::Math::point<double, 3>& yAxis,
                                              const Oxlen::Math::point<double, 3>& zAxis,
                                              const Oxlen::Math::point<double, 3>& origin) {
  return MMTransformMatrix(Matrix::from_axes(xAxis, yAxis, zAxis, origin));
}

MMTransformMatrix MMTransformMatrix::Translation(const Oxlen::Math::point<double, 3>& t) {
  return MMTransformMatrix(Matrix::translation(t));
}
