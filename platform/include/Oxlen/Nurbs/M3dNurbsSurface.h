#pragma once

#include <span>
#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/Math/point.h"

/// A tensor-product NURBS surface in space: orders kU and kV, a control net of countU x countV
/// points with optional weights, and one knot vector per direction (countU + kU and countV + kV
/// values). The surface is defined on [knotsU[kU - 1], knotsU[countU]] x
/// [knotsV[kV - 1], knotsV[countV]].
///
/// The control net is stored row by row along U: the point of row iu (0 <= iu < countU) and
/// column iv (0 <= iv < countV) is controlPoints[iu * countV + iv], and so are the weights.
///
/// An immutable value type: evaluation is thread-safe and deterministic; rational surfaces are
/// evaluated exactly in homogeneous coordinates.
class OXLEN_CAD_TRIANGULATION_API M3dNurbsSurface {
 public:
  using Point = Oxlen::Math::point<double, 3>;

  /// The surface point and its partial derivatives up to the second order.
  struct MDerivatives {
    Point s;    ///< S(u, v)
    Point su;   ///< dS/du
    Point sv;   ///< dS/dv
    Point suu;  ///< d2S/du2
    Point suv;  ///< d2S/dudv
    Point svv;  ///< d2S/dv2
  };

  /// @param[in] orderU, orderV  the orders (degree + 1), at least 1 each.
  /// @param[in] countU, countV  the size of the control net, at least the order of the direction.
  /// @param[in] knotsU          countU + orderU non-decreasing values, finite and within 1e100
  ///                            (Oxlen::Math::kMaxCoordinate) in magnitude, with
  ///                            knotsU[orderU - 1] < knotsU[countU]; knotsV alike.
  /// @param[in] controlPoints   countU * countV points whose coordinates are finite and within
  ///                            1e100 in magnitude, index iu * countV + iv.
  /// @param[in] weights         empty (non-rational) or one positive finite weight per control
  ///                            point, in the order of the control points.
  /// @throws std::invalid_argument whose message starts with the offending argument's name.
  M3dNurbsSurface(int orderU, int orderV, int countU, int countV, std::vector<double> knotsU,
                  std::vector<double> knotsV, std::vector<Point> controlPoints,
                  std::vector<double> weights = {});

  int GetOrderU() const { return m_orderU; }
  int GetOrderV() const { return m_orderV; }
  int GetDegreeU() const { return m_orderU - 1; }
  int GetDegreeV() const { return m_orderV - 1; }
  int GetCountU() const { return m_countU; }
  int GetCountV() const { return m_countV; }
  /// The knot vectors with their multiplicities.
  const std::vector<double>& GetKnotsU() const { return m_knotsU; }
  const std::vector<double>& GetKnotsV() const { return m_knotsV; }
  /// The control net, index iu * countV + iv.
  const std::vector<Point>& GetControlPoints() const { return m_controlPoints; }
  /// The control point of row iu and column iv. @pre 0 <= iu < countU, 0 <= iv < countV.
  const Point& GetControlPoint(int iu, int iv) const {
    return m_controlPoints[static_cast<std::size_t>(iu) * m_countV + iv];
  }
  /// Empty for a non-rational surface, otherwise parallel to the control points.
  const std::vector<double>& GetWeights() const { return m_weights; }
  bool IsRational() const { return !m_weights.empty(); }

  /// The parameter domain.
  double GetStartU() const { return m_knotsU[m_orderU - 1]; }
  double GetEndU() const { return m_knotsU[m_countU]; }
  double GetStartV() const { return m_knotsV[m_orderV - 1]; }
  double GetEndV() const { return m_knotsV[m_countV]; }

  /// True when the surface is continuous over its whole domain: in each direction the order is
  /// at least 2 and no knot strictly inside the domain has a multiplicity of that direction's
  /// order or more. False when a direction has order 1 (the surface is made of constant strips)
  /// or a full-multiplicity inner knot (the surface may tear along that knot line): such a
  /// surface cannot be meshed as one connected face.
  bool IsContinuous() const;

  /// The distinct knot values within the domain of U (of V), ascending, ends included.
  std::vector<double> GetDistinctKnotsU() const;
  std::vector<double> GetDistinctKnotsV() const;

  /// The surface point at (u, v); parameters outside the domain are clamped to it (NaN gives the
  /// start of its direction).
  Point Evaluate(double u, double v) const;

  /// The points at every (us[i], vs[j]), row by row along U (index i * vs.size() + j): the same
  /// points as Evaluate, bit for bit, with the basis functions of each parameter computed once
  /// for its whole row or column.
  /// @param[in] us, vs the parameters; clamped as for Evaluate. Either may be empty (no points).
  std::vector<Point> EvaluateGrid(std::span<const double> us, std::span<const double> vs) const;

  /// The point and the first and second partial derivatives at (u, v), clamped as for Evaluate.
  /// On a knot line the derivatives are those of the span that starts there (of the last span at
  /// the end of the domain).
  MDerivatives EvaluateDerivatives(double u, double v) const;

 private:
  // The point from the knot span and basis function values (degree + 1 of them) of a U and of a
  // V parameter.
  Point Combine(int spanU, const double* basisU, int spanV, const double* basisV) const;

  int m_orderU;
  int m_orderV;
  int m_countU;
  int m_countV;
  std::vector<double> m_knotsU;
  std::vector<double> m_knotsV;
  std::vector<Point> m_controlPoints;
  std::vector<double> m_weights;
};
