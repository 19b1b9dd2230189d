#include "Oxlen/Nurbs/M3dNurbsCurve.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <utility>

#include "NurbsBasis.h"
#include "Oxlen/Math/coordinate_limit.h"

namespace {

using Point = M3dNurbsCurve::Point;
namespace detail = Oxlen::Nurbs::detail;

void ValidatePoint(const Point& p, const char* name) {
  if (!Oxlen::Math::is_within_coordinate_limit(p))
    throw std::invalid_argument(std::string(name) + ": not finite or beyond 1e100 in magnitude");
}

// The orthonormal frame (X, Y) of a circle's plane from two user axes.
std::pair<Point, Point> CircleFrame(const Point& xAxis, const Point& yAxis) {
  ValidatePoint(xAxis, "xAxis");
  ValidatePoint(yAxis, "yAxis");
  const double xLength = Oxlen::Math::length(xAxis);
  const double yLength = Oxlen::Math::length(yAxis);
  if (!(xLength > 0.0) || !std::isfinite(xLength))
    throw std::invalid_argument("xAxis: zero or overflowing length");
  if (!(yLength > 0.0) || !std::isfinite(yLength))
    throw std::invalid_argument("yAxis: zero or overflowing length");
  const Point x = xAxis / xLength;
  const Point yOrtho = yAxis / yLength - x * Oxlen::Math::dot(x, yAxis / yLength);
  const double orthoLength = Oxlen::Math::length(yOrtho);
  if (!(orthoLength > 1e-12))
    throw std::invalid_argument("yAxis: parallel to xAxis");
  return {x, yOrtho / orthoLength};
}

// The control points of a circle or an arc lie within 2 radii of the centre along any axis.
void ValidateCircle(const Point& center, double radius) {
  ValidatePoint(center, "center");
  if (!(radius > 0.0) || !Oxlen::Math::is_within_coordinate_limit(radius))
    throw std::invalid_argument("radius: not positive, or beyond 1e100");
  for (std::size_t k = 0; k < 3; ++k)
    if (!Oxlen::Math::is_within_coordinate_limit(std::fabs(center[k]) + 2.0 * radius))
      throw std::invalid_argument("radius: the circle's control points reach beyond 1e100");
}

}  // namespace

M3dNurbsCurve::M3dNurbsCurve(int order, std::vector<double> knots, std::vector<Point> controlPoints,
                             std::vector<double> weights)
    : m_order(order),
      m_knots(std::move(knots)),
      m_controlPoints(std::move(controlPoints)),
      m_weights(std::move(weights)) {
  detail::ValidateKnots(m_order, m_controlPoints.size(), m_knots, "order", "knots",
                        "controlPoints");
  for (const Point& p : m_controlPoints)
    ValidatePoint(p, "controlPoints");
  detail::ValidateWeights(m_weights, m_controlPoints.size(), "weights");
}

M3dNurbsCurve M3dNurbsCurve::Circle(const Point& center, double radius, const Point& xAxis,
                                    const Point& yAxis) {
  ValidateCircle(center, radius);
  const auto [x, y] = CircleFrame(xAxis, yAxis);
  const Point rx = x * radius;
  const Point ry = y * radius;
  // The on-circle control points are built without trigonometry so that the quarter points are
  // exact; the corner points of the circumscribed square carry the weight cos(pi/4).
  std::vector<Point> points{center + rx,      center + rx + ry, center + ry,
                            center - rx + ry, center - rx,      center - rx - ry,
                            center - ry,      center + rx - ry, center + rx};
  const double s = std::numbers::sqrt2 / 2.0;
  std::vector<double> weights{1.0, s, 1.0, s, 1.0, s, 1.0, s, 1.0};
  std::vector<double> knots{0.0, 0.0, 0.0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1.0, 1.0, 1.0};
  return M3dNurbsCurve(3, std::move(knots), std::move(points), std::move(weights));
}

M3dNurbsCurve M3dNurbsCurve::Arc(const Point& center, double radius, const Point& xAxis,
                                 const Point& yAxis, double startAngle, double endAngle) {
  ValidateCircle(center, radius);
  // Named copies rather than structured bindings, which a lambda cannot capture in every
  // compiler this library builds with.
  const auto frame = CircleFrame(xAxis, yAxis);
  const Point x = frame.first;
  const Point y = frame.second;
  if (!std::isfinite(startAngle))
    throw std::invalid_argument("startAngle: not finite");
  if (!std::isfinite(endAngle))
    throw std::invalid_argument("endAngle: not finite");
  constexpr double fullTurn = 2.0 * std::numbers::pi;
  double sweep = endAngle - startAngle;
  if (!(sweep > 0.0) || sweep > fullTurn * (1.0 + 1e-12))
    throw std::invalid_argument("endAngle: the sweep from startAngle is not in (0, 2 pi]");
  sweep = std::min(sweep, fullTurn);
  const int pieces =
      std::clamp(static_cast<int>(std::ceil(sweep / (fullTurn / 4.0) - 1e-12)), 1, 4);
  const double step = sweep / pieces;
  const double halfStep = step / 2.0;
  // The middle control point of a piece lies on the bisector, where the end tangents meet, at
  // distance radius / cos(half step); its weight is cos(half step).
  const double middleWeight = std::cos(halfStep);
  auto onCircle = [&](double angle, double distance) {
    return center + x * (distance * std::cos(angle)) + y * (distance * std::sin(angle));
  };
  std::vector<Point> points{onCircle(startAngle, radius)};
  std::vector<double> weights{1.0};
  std::vector<double> knots{0.0, 0.0, 0.0};
  for (int i = 0; i < pieces; ++i) {
    const double from = startAngle + step * i;
    points.push_back(onCircle(from + halfStep, radius / middleWeight));
    points.push_back(onCircle(i + 1 == pieces ? endAngle : from + step, radius));
    weights.push_back(middleWeight);
    weights.push_back(1.0);
    const double knot = i + 1 == pieces ? 1.0 : static_cast<double>(i + 1) / pieces;
    knots.push_back(knot);
    knots.push_back(knot);
  }
  knots.push_back(1.0);
  return M3dNurbsCurve(3, std::move(knots), std::move(points), std::move(weights));
}

M3dNurbsCurve M3dNurbsCurve::Line(const Point& a, const Point& b) {
  ValidatePoint(a, "a");
  ValidatePoint(b, "b");
  return M3dNurbsCurve(2, {0.0, 0.0, 1.0, 1.0}, {a, b});
}

double M3dNurbsCurve::GetStartParameter() const {
  return m_knots[m_order - 1];
}

double M3dNurbsCurve::GetEndParameter() const {
  return m_knots[m_controlPoints.size()];
}

M3dNurbsCurve::Point M3dNurbsCurve::Evaluate(double t) const {
  const int degree = GetDegree();
  const int count = GetCount();
  t = detail::ClampParameter(t, GetStartParameter(), GetEndParameter());
  const int span = detail::FindSpan(degree, count, m_knots, t);
  detail::BasisValues basis;
  detail::BasisFunctions(span, t, degree, m_knots, basis);
  Point sum;
  double weight = 0.0;
  for (int j = 0; j <= degree; ++j) {
    const int i = span - degree + j;
    const double w = IsRational() ? basis[j] * m_weights[i] : basis[j];
    sum += m_controlPoints[i] * w;
    weight += w;
  }
  return IsRational() ? sum / weight : sum;
}

std::vector<M3dNurbsCurve::Point> M3dNurbsCurve::EvaluateDerivatives(double t, int count) const {
  if (count < 0 || count > kMaxDerivativeCount)
    throw std::invalid_argument("count: " + std::to_string(count) + " is not in [0, " +
                                std::to_string(kMaxDerivativeCount) + "]");
  const int degree = GetDegree();
  const int width = degree + 1;
  t = detail::ClampParameter(t, GetStartParameter(), GetEndParameter());
  const int span = detail::FindSpan(degree, GetCount(), m_knots, t);
  const int computed = std::min(count, degree);
  detail::BasisValues basis;
  detail::BasisFunctionDerivatives(span, t, degree, computed, m_knots, basis);
  // Derivatives of the homogeneous curve: A (weighted points) and W (weight).
  std::vector<Point> result(static_cast<std::size_t>(count) + 1);
  std::vector<double> weightDerivatives(result.size(), 0.0);
  for (int k = 0; k <= computed; ++k) {
    for (int j = 0; j < width; ++j) {
      const int i = span - degree + j;
      const double w = IsRational() ? basis[k * width + j] * m_weights[i] : basis[k * width + j];
      result[k] += m_controlPoints[i] * w;
      weightDerivatives[k] += w;
    }
  }
  if (!IsRational())
    return result;
  // Quotient rule: C(k) = (A(k) - sum_{i=1..k} binom(k, i) W(i) C(k - i)) / W.
  for (int k = 0; k <= count; ++k) {
    Point v = result[k];
    for (int i = 1; i <= k; ++i)
      v -= result[k - i] * (detail::Binomial(k, i) * weightDerivatives[i]);
    result[k] = v / weightDerivatives[0];
  }
  return result;
}

bool M3dNurbsCurve::IsContinuous() const {
  return detail::IsContinuousKnotVector(m_order, GetCount(), m_knots);
}

std::vector<double> M3dNurbsCurve::GetDistinctKnots() const {
  return detail::DistinctKnotsInDomain(GetDegree(), GetCount(), m_knots);
}
