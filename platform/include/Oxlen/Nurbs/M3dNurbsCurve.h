#pragma once

#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/Math/point.h"

/// A NURBS curve in space: order k (degree k - 1), n control points with optional weights and a
/// knot vector of n + k values. The curve is defined on the parameter domain
/// [knots[k - 1], knots[n]]; the knot vector need not be clamped.
///
/// An immutable value type: evaluation is thread-safe and deterministic. Rational curves are
/// evaluated exactly in homogeneous coordinates, so a circle given as a rational quadratic stays
/// on its circle to rounding.
class OXLEN_CAD_TRIANGULATION_API M3dNurbsCurve {
 public:
  using Point = Oxlen::Math::point<double, 3>;

  /// @param[in] order         the order k = degree + 1, at least 1.
  /// @param[in] knots         n + k non-decreasing values, each finite and within 1e100
  /// (Oxlen::Math::kMaxCoordinate)
  ///                          in magnitude, with knots[k - 1] < knots[n].
  /// @param[in] controlPoints the n >= k control points, every coordinate finite and within
  ///                          1e100 in magnitude.
  /// @param[in] weights       empty for a non-rational (polynomial) curve, otherwise one positive
  ///                          finite weight per control point.
  /// @throws std::invalid_argument whose message starts with the offending argument's name
  ///         ("order", "knots", "controlPoints", "weights").
  M3dNurbsCurve(int order, std::vector<double> knots, std::vector<Point> controlPoints,
                std::vector<double> weights = {});

  /// A full circle as a rational quadratic of 9 control points and 4 quarter spans over [0, 1]:
  /// it starts at center + radius * x, passes center + radius * y at 1/4 and runs back to its
  /// start. The quarter points (parameters 0, 1/4, 1/2, 3/4, 1) are control points and evaluate
  /// exactly.
  /// @param[in] center the centre, its coordinates within 1e100 in magnitude.
  /// @param[in] radius a positive radius; every coordinate of the centre plus twice the radius
  ///                   stays within 1e100 in magnitude (where the control points lie).
  /// @param[in] xAxis  direction of the start point; normalised.
  /// @param[in] yAxis  second direction of the circle's plane; made orthogonal to xAxis and
  ///                   normalised.
  /// @throws std::invalid_argument for a centre or radius beyond those bounds (or not finite), a
  ///         radius that is not positive, a zero or non-finite axis, or yAxis parallel to xAxis.
  static M3dNurbsCurve Circle(const Point& center, double radius, const Point& xAxis,
                              const Point& yAxis);

  /// A circular arc as a rational quadratic over [0, 1], made of 1 to 4 equal pieces of at most a
  /// quarter turn each. The angles are measured in radians from xAxis towards yAxis; the arc runs
  /// from startAngle to endAngle.
  /// @param[in] center, radius, xAxis, yAxis as for Circle.
  /// @param[in] startAngle, endAngle finite, with 0 < endAngle - startAngle <= 2 pi (a sweep
  ///            exceeding 2 pi by rounding only is taken as a full turn).
  /// @throws std::invalid_argument as for Circle, and for angles that are not finite or whose
  ///         sweep is not in (0, 2 pi].
  static M3dNurbsCurve Arc(const Point& center, double radius, const Point& xAxis,
                           const Point& yAxis, double startAngle, double endAngle);

  /// The straight segment from a to b as an order 2 curve over [0, 1]. Coincident points give a
  /// curve that stays at that point.
  /// @throws std::invalid_argument when a point is not finite or has a coordinate beyond 1e100.
  static M3dNurbsCurve Line(const Point& a, const Point& b);

  int GetOrder() const { return m_order; }
  int GetDegree() const { return m_order - 1; }
  /// Number of control points.
  int GetCount() const { return static_cast<int>(m_controlPoints.size()); }
  const std::vector<double>& GetKnots() const { return m_knots; }
  const std::vector<Point>& GetControlPoints() const { return m_controlPoints; }
  /// Empty for a non-rational curve.
  const std::vector<double>& GetWeights() const { return m_weights; }
  bool IsRational() const { return !m_weights.empty(); }

  /// The parameter domain [knots[order - 1], knots[count]].
  double GetStartParameter() const;
  double GetEndParameter() const;

  /// The curve point at t. A parameter outside the domain is clamped to it (NaN gives the
  /// start).
  Point Evaluate(double t) const;

  /// The curve point and its first `count` derivatives with respect to t, at t clamped as for
  /// Evaluate: result[0] is the point, result[k] the k-th derivative. At a knot the derivatives
  /// are those of the span that starts there (of the last span at the domain end).
  /// Derivatives above the degree are computed as zero for a polynomial curve and by the quotient
  /// rule for a rational one.
  /// @param[in] count the number of derivatives, in [0, kMaxDerivativeCount].
  /// @return count + 1 points.
  /// @throws std::invalid_argument ("count: ...") for a negative count or one above
  ///         kMaxDerivativeCount.
  std::vector<Point> EvaluateDerivatives(double t, int count) const;

  /// The most derivatives `EvaluateDerivatives` computes: 32, beyond the degree of any curve met
  /// in practice (the work of a rational curve grows with the square of the count).
  static constexpr int kMaxDerivativeCount = 32;

  /// True when the curve is continuous over its whole domain: its order is at least 2 and no knot
  /// strictly inside the domain has a multiplicity of `order` or more. An order 1 curve is a
  /// sequence of constant pieces, and a full-multiplicity inner knot lets the curve jump there;
  /// neither can serve as an edge of a trimming loop.
  bool IsContinuous() const;

  /// The distinct knot values within the domain, ascending; the first is the start, the last the
  /// end parameter. A single polynomial (Bezier) piece gives just its two ends.
  std::vector<double> GetDistinctKnots() const;

 private:
  int m_order;
  std::vector<double> m_knots;
  std::vector<Point> m_controlPoints;
  std::vector<double> m_weights;
};
