#include "NurbsBasis.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Oxlen/Math/coordinate_limit.h"

namespace Oxlen::Nurbs::detail {

void ValidateKnots(int order, std::size_t count, const std::vector<double>& knots,
                   const std::string& orderName, const std::string& knotsName,
                   const std::string& pointsName) {
  if (order < 1)
    throw std::invalid_argument(orderName + ": must be at least 1");
  const auto orderSize = static_cast<std::size_t>(order);
  if (count < orderSize)
    throw std::invalid_argument(pointsName + ": fewer control points than the order " +
                                std::to_string(order));
  if (knots.size() != count + orderSize)
    throw std::invalid_argument(knotsName + ": expected " + std::to_string(count + orderSize) +
                                " values (control points + order), got " +
                                std::to_string(knots.size()));
  for (double k : knots)
    if (!Oxlen::Math::is_within_coordinate_limit(k))
      throw std::invalid_argument(knotsName + ": not finite or beyond 1e100 in magnitude");
  for (std::size_t i = 1; i < knots.size(); ++i)
    if (knots[i] < knots[i - 1])
      throw std::invalid_argument(knotsName + ": not non-decreasing");
  if (!(knots[orderSize - 1] < knots[count]))
    throw std::invalid_argument(knotsName + ": empty parameter domain");
}

void ValidateWeights(const std::vector<double>& weights, std::size_t count,
                     const std::string& weightsName) {
  if (weights.empty())
    return;
  if (weights.size() != count)
    throw std::invalid_argument(weightsName + ": expected one weight per control point (" +
                                std::to_string(count) + "), got " + std::to_string(weights.size()));
  for (double w : weights)
    if (!(std::isfinite(w) && w > 0.0))
      throw std::invalid_argument(weightsName + ": not positive and finite");
}

double ClampParameter(double t, double start, double end) {
  if (std::isnan(t))
    return start;
  return std::clamp(t, start, end);
}

int FindSpan(int degree, int count, const std::vector<double>& knots, double t) {
  const auto first = knots.begin() + degree;
  const auto last = knots.begin() + count + 1;
  int span = static_cast<int>(std::upper_bound(first, last, t) - knots.begin()) - 1;
  if (span > count - 1) {
    // t is the end of the domain: take the last span of positive length.
    span = count - 1;
    while (span > degree && !(knots[span] < knots[span + 1]))
      --span;
  }
  return std::max(span, degree);
}

void BasisFunctions(int span, double t, int degree, const std::vector<double>& knots,
                    BasisValues& values) {
  values.assign(static_cast<std::size_t>(degree) + 1, 0.0);
  BasisValues left(values.size(), 0.0);
  BasisValues right(values.size(), 0.0);
  values[0] = 1.0;
  for (int j = 1; j <= degree; ++j) {
    left[j] = t - knots[span + 1 - j];
    right[j] = knots[span + j] - t;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      // The denominator is a knot difference across the span: positive for a non-empty span.
      const double temp = values[r] / (right[r + 1] + left[j - r]);
      values[r] = saved + right[r + 1] * temp;
      saved = left[j - r] * temp;
    }
    values[j] = saved;
  }
}

void BasisFunctionDerivatives(int span, double t, int degree, int derivatives,
                              const std::vector<double>& knots, BasisValues& values) {
  const int p = degree;
  const int width = p + 1;
  values.assign(static_cast<std::size_t>(derivatives + 1) * width, 0.0);
  // ndu holds the basis functions of every degree (upper triangle, column = degree) and the knot
  // differences (lower triangle).
  BasisValues ndu(static_cast<std::size_t>(width) * width, 0.0);
  auto at = [width](BasisValues& m, int r, int c) -> double& { return m[r * width + c]; };
  BasisValues left(width, 0.0);
  BasisValues right(width, 0.0);
  at(ndu, 0, 0) = 1.0;
  for (int j = 1; j <= p; ++j) {
    left[j] = t - knots[span + 1 - j];
    right[j] = knots[span + j] - t;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      at(ndu, j, r) = right[r + 1] + left[j - r];
      const double temp = at(ndu, r, j - 1) / at(ndu, j, r);
      at(ndu, r, j) = saved + right[r + 1] * temp;
      saved = left[j - r] * temp;
    }
    at(ndu, j, j) = saved;
  }
  for (int j = 0; j <= p; ++j)
    values[j] = at(ndu, j, p);

  const int n = std::min(derivatives, p);
  BasisValues a(2 * static_cast<std::size_t>(width), 0.0);
  for (int r = 0; r <= p; ++r) {
    int s1 = 0;
    int s2 = 1;
    at(a, 0, 0) = 1.0;
    for (int k = 1; k <= n; ++k) {
      double d = 0.0;
      const int rk = r - k;
      const int pk = p - k;
      if (r >= k) {
        at(a, s2, 0) = at(a, s1, 0) / at(ndu, pk + 1, rk);
        d = at(a, s2, 0) * at(ndu, rk, pk);
      }
      const int j1 = rk >= -1 ? 1 : -rk;
      const int j2 = (r - 1 <= pk) ? k - 1 : p - r;
      for (int j = j1; j <= j2; ++j) {
        at(a, s2, j) = (at(a, s1, j) - at(a, s1, j - 1)) / at(ndu, pk + 1, rk + j);
        d += at(a, s2, j) * at(ndu, rk + j, pk);
      }
      if (r <= pk) {
        at(a, s2, k) = -at(a, s1, k - 1) / at(ndu, pk + 1, r);
        d += at(a, s2, k) * at(ndu, r, pk);
      }
      values[k * width + r] = d;
      std::swap(s1, s2);
    }
  }
  double factor = p;
  for (int k = 1; k <= n; ++k) {
    for (int j = 0; j <= p; ++j)
      values[k * width + j] *= factor;
    factor *= p - k;
  }
}

std::vector<double> DistinctKnotsInDomain(int degree, int count, const std::vector<double>& knots) {
  std::vector<double> distinct;
  for (int i = degree; i <= count; ++i)
    if (distinct.empty() || knots[i] > distinct.back())
      distinct.push_back(knots[i]);
  return distinct;
}

bool IsContinuousKnotVector(int order, int count, const std::vector<double>& knots) {
  if (order < 2)
    return false;
  const double start = knots[static_cast<std::size_t>(order) - 1];
  const double end = knots[static_cast<std::size_t>(count)];
  // Equal values are adjacent in the non-decreasing vector: count each run once.
  for (std::size_t i = 0; i < knots.size();) {
    std::size_t j = i;
    while (j < knots.size() && knots[j] == knots[i])
      ++j;
    if (start < knots[i] && knots[i] < end && j - i >= static_cast<std::size_t>(order))
      return false;
    i = j;
  }
  return true;
}

double Binomial(int n, int k) {
  double result = 1.0;
  for (int i = 1; i <= k; ++i)
    result = result * (n - k + i) / i;
  return result;
}

}  // namespace Oxlen::Nurbs::detail
