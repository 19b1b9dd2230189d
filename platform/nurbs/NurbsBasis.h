#pragma once

// B-spline basis functions and the checks shared by the NURBS curve and surface. Internal to the
// NURBS component: not installed, not exported.

#include <string>
#include <vector>

#include <boost/container/small_vector.hpp>

namespace Oxlen::Nurbs::detail {

/// Scratch storage for basis values: degrees up to 7 (and their first two derivatives) stay on the
/// stack.
using BasisValues = boost::container::small_vector<double, 24>;

/// Checks an order, a control point count and a knot vector and throws std::invalid_argument
/// whose message starts with the given argument names ("order: must be at least 1").
/// @param[in] orderName, knotsName, pointsName  the argument names used in the messages.
void ValidateKnots(int order, std::size_t count, const std::vector<double>& knots,
                   const std::string& orderName, const std::string& knotsName,
                   const std::string& pointsName);

/// Checks that `weights` is empty or holds one positive finite value per control point.
void ValidateWeights(const std::vector<double>& weights, std::size_t count,
                     const std::string& weightsName);

/// Brings t into the domain [start, end]; a NaN parameter becomes `start`.
double ClampParameter(double t, double start, double end);

/// The knot span of t: the index s in [degree, count - 1] with knots[s] <= t < knots[s + 1] and
/// knots[s] < knots[s + 1]. At the end of the domain (t >= knots[count]) the last non-empty span.
/// @pre the knot vector passed ValidateKnots and t lies in the domain.
int FindSpan(int degree, int count, const std::vector<double>& knots, double t);

/// The degree + 1 non-zero basis functions N[span - degree .. span] at t.
/// @param[out] values resized to degree + 1.
void BasisFunctions(int span, double t, int degree, const std::vector<double>& knots,
                    BasisValues& values);

/// The non-zero basis functions and their derivatives up to order `derivatives` at t:
/// values[k * (degree + 1) + j] is the k-th derivative of N[span - degree + j]. Derivatives above
/// the degree are zero.
/// @param[out] values resized to (derivatives + 1) * (degree + 1).
void BasisFunctionDerivatives(int span, double t, int degree, int derivatives,
                              const std::vector<double>& knots, BasisValues& values);

/// The distinct knot values within [knots[degree], knots[count]], ascending.
std::vector<double> DistinctKnotsInDomain(int degree, int count, const std::vector<double>& knots);

/// True when a curve of this order and knot vector is continuous over its domain: order >= 2
/// and no knot value strictly inside [knots[order - 1], knots[count]] occurs `order` or more
/// times (such a knot ends every basis function at once, and the curve may jump there).
/// @pre the knot vector passed ValidateKnots.
bool IsContinuousKnotVector(int order, int count, const std::vector<double>& knots);

/// Binomial coefficient n over k for small n (derivative orders).
double Binomial(int n, int k);

}  // namespace Oxlen::Nurbs::detail
