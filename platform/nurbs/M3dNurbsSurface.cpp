#include "Oxlen/Nurbs/M3dNurbsSurface.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "NurbsBasis.h"
#include "Oxlen/Math/coordinate_limit.h"

namespace {

using Point = M3dNurbsSurface::Point;
namespace detail = Oxlen::Nurbs::detail;

std::size_t NonNegative(int count) {
  return static_cast<std::size_t>(std::max(count, 0));
}

// A homogeneous point: the weighted coordinates and the weight.
struct Homogeneous {
  Point point;
  double weight = 0.0;
};

// A parameter brought into the domain of its direction, and the knot span it lies in.
struct SpanPosition {
  double t;
  int span;
};

SpanPosition Locate(int degree, int count, const std::vector<double>& knots, double t) {
  t = detail::ClampParameter(t, knots[degree], knots[count]);
  return {t, detail::FindSpan(degree, count, knots, t)};
}

// The knot span of a parameter and the values of the degree + 1 basis functions acting there.
struct BasisAt {
  int span = 0;
  detail::BasisValues values;

  BasisAt(int degree, int count, const std::vector<double>& knots, double t) {
    const SpanPosition at = Locate(degree, count, knots, t);
    span = at.span;
    detail::BasisFunctions(at.span, at.t, degree, knots, values);
  }
};

}  // namespace

M3dNurbsSurface::M3dNurbsSurface(int orderU, int orderV, int countU, int countV,
                                 std::vector<double> knotsU, std::vector<double> knotsV,
                                 std::vector<Point> controlPoints, std::vector<double> weights)
    : m_orderU(orderU),
      m_orderV(orderV),
      m_countU(countU),
      m_countV(countV),
      m_knotsU(std::move(knotsU)),
      m_knotsV(std::move(knotsV)),
      m_controlPoints(std::move(controlPoints)),
      m_weights(std::move(weights)) {
  detail::ValidateKnots(m_orderU, NonNegative(m_countU), m_knotsU, "orderU", "knotsU", "countU");
  detail::ValidateKnots(m_orderV, NonNegative(m_countV), m_knotsV, "orderV", "knotsV", "countV");
  const std::size_t expected = NonNegative(m_countU) * NonNegative(m_countV);
  if (m_controlPoints.size() != expected)
    throw std::invalid_argument(
        "controlPoints: expected countU x countV = " + std::to_string(expected) + " points, got " +
        std::to_string(m_controlPoints.size()));
  for (const Point& p : m_controlPoints)
    if (!Oxlen::Math::is_within_coordinate_limit(p))
      throw std::invalid_argument("controlPoints: not finite or beyond 1e100 in magnitude");
  detail::ValidateWeights(m_weights, expected, "weights");
}

bool M3dNurbsSurface::IsContinuous() const {
  return detail::IsContinuousKnotVector(m_orderU, m_countU, m_knotsU) &&
         detail::IsContinuousKnotVector(m_orderV, m_countV, m_knotsV);
}

std::vector<double> M3dNurbsSurface::GetDistinctKnotsU() const {
  return detail::DistinctKnotsInDomain(GetDegreeU(), m_countU, m_knotsU);
}

std::vector<double> M3dNurbsSurface::GetDistinctKnotsV() const {
  return detail::DistinctKnotsInDomain(GetDegreeV(), m_countV, m_knotsV);
}

Point M3dNurbsSurface::Combine(int spanU, const double* basisU, int spanV,
                               const double* basisV) const {
  const int pu = GetDegreeU();
  const int pv = GetDegreeV();
  Homogeneous sum;
  for (int a = 0; a <= pu; ++a) {
    const int iu = spanU - pu + a;
    Homogeneous row;
    for (int b = 0; b <= pv; ++b) {
      const std::size_t index = static_cast<std::size_t>(iu) * m_countV + (spanV - pv + b);
      const double w = IsRational() ? basisV[b] * m_weights[index] : basisV[b];
      row.point += m_controlPoints[index] * w;
      row.weight += w;
    }
    sum.point += row.point * basisU[a];
    sum.weight += row.weight * basisU[a];
  }
  return IsRational() ? sum.point / sum.weight : sum.point;
}

Point M3dNurbsSurface::Evaluate(double u, double v) const {
  const BasisAt basisU(GetDegreeU(), m_countU, m_knotsU, u);
  const BasisAt basisV(GetDegreeV(), m_countV, m_knotsV, v);
  return Combine(basisU.span, basisU.values.data(), basisV.span, basisV.values.data());
}

std::vector<Point> M3dNurbsSurface::EvaluateGrid(std::span<const double> us,
                                                 std::span<const double> vs) const {
  std::vector<BasisAt> basesV;
  basesV.reserve(vs.size());
  for (const double v : vs)
    basesV.emplace_back(GetDegreeV(), m_countV, m_knotsV, v);
  std::vector<Point> points;
  points.reserve(us.size() * vs.size());
  for (const double u : us) {
    const BasisAt basisU(GetDegreeU(), m_countU, m_knotsU, u);
    for (const BasisAt& basisV : basesV)
      points.push_back(
          Combine(basisU.span, basisU.values.data(), basisV.span, basisV.values.data()));
  }
  return points;
}

M3dNurbsSurface::MDerivatives M3dNurbsSurface::EvaluateDerivatives(double u, double v) const {
  constexpr int kOrder = 2;
  const int pu = GetDegreeU();
  const int pv = GetDegreeV();
  const auto [atU, spanU] = Locate(pu, m_countU, m_knotsU, u);
  const auto [atV, spanV] = Locate(pv, m_countV, m_knotsV, v);
  const int du = std::min(kOrder, pu);
  const int dv = std::min(kOrder, pv);
  detail::BasisValues basisU;
  detail::BasisValues basisV;
  detail::BasisFunctionDerivatives(spanU, atU, pu, du, m_knotsU, basisU);
  detail::BasisFunctionDerivatives(spanV, atV, pv, dv, m_knotsV, basisV);

  // Partial derivatives of the homogeneous surface; those above a direction's degree stay zero.
  std::array<std::array<Homogeneous, kOrder + 1>, kOrder + 1> h{};
  for (int a = 0; a <= pu; ++a) {
    const int iu = spanU - pu + a;
    std::array<Homogeneous, kOrder + 1> row{};
    for (int l = 0; l <= dv; ++l) {
      for (int b = 0; b <= pv; ++b) {
        const std::size_t index = static_cast<std::size_t>(iu) * m_countV + (spanV - pv + b);
        const double n = basisV[l * (pv + 1) + b];
        const double w = IsRational() ? n * m_weights[index] : n;
        row[l].point += m_controlPoints[index] * w;
        row[l].weight += w;
      }
    }
    for (int k = 0; k <= du; ++k) {
      const double n = basisU[k * (pu + 1) + a];
      for (int l = 0; l + k <= kOrder && l <= dv; ++l) {
        h[k][l].point += row[l].point * n;
        h[k][l].weight += row[l].weight * n;
      }
    }
  }

  std::array<std::array<Point, kOrder + 1>, kOrder + 1> s{};
  for (int k = 0; k <= kOrder; ++k) {
    for (int l = 0; l + k <= kOrder; ++l) {
      if (!IsRational()) {
        s[k][l] = h[k][l].point;
        continue;
      }
      // Quotient rule for the two-parameter case.
      Point value = h[k][l].point;
      for (int j = 1; j <= l; ++j)
        value -= s[k][l - j] * (detail::Binomial(l, j) * h[0][j].weight);
      for (int i = 1; i <= k; ++i) {
        value -= s[k - i][l] * (detail::Binomial(k, i) * h[i][0].weight);
        for (int j = 1; j <= l; ++j)
          value -=
              s[k - i][l - j] * (detail::Binomial(k, i) * detail::Binomial(l, j) * h[i][j].weight);
      }
      s[k][l] = value / h[0][0].weight;
    }
  }
  return {s[0][0], s[1][0], s[0][1], s[2][0], s[1][1], s[0][2]};
}
