// Closing the grid: exact seams along closed axes and collapsed poles.

#include <cmath>
#include <stdexcept>

#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "grid/grid_distance.h"

using MQuads = MCadTriangulator::MQuads;
using grid::detail::GridDistance;
using Oxlen::Math::point;

namespace {

void RequireTolerance(double tolerance) {
  if (!(tolerance >= 0.0))
    throw std::invalid_argument("tolerance: negative or NaN");
}

point<double, 3> Midpoint(const point<double, 3>& a, const point<double, 3>& b) {
  point<double, 3> m;
  for (std::size_t k = 0; k < 3; ++k)
    m[k] = (a[k] + b[k]) * 0.5;
  return m;
}

// Rate of change of the surface over one grid step: the step's length per unit of parameter. A
// zero-length step counts as stationary even between two equal isoline values (a zero-width row),
// where the quotient would otherwise be 0/0.
double Rate(double step, double spacing) {
  if (step == 0.0)
    return 0.0;
  return step / std::fabs(spacing);
}

// The points of one isoline: P[i][0 ... nV-1] for a U isoline (along V), or P[0 ... nU-1][j]
// for a V isoline (along U), with the parameter spacing between consecutive points.
struct IsolineView {
  std::vector<std::vector<point<double, 3>>>& vertices;
  const std::vector<double>& parameters;  // of the direction the isoline runs along
  bool alongV;
  int fixed;

  int size() const { return static_cast<int>(parameters.size()); }
  point<double, 3>& operator[](int k) { return alongV ? vertices[fixed][k] : vertices[k][fixed]; }
  double Spacing(int k) const { return parameters[k] - parameters[k - 1]; }
};

// Collapses the isoline onto the mean of its points when the surface is nearly stationary along
// it (every rate below 1 % of `maxRate`) and the isoline is small (every step and every distance
// to the mean below the tolerance).
void CollapseIfPole(IsolineView isoline, double maxRate, double tolerance) {
  const int n = isoline.size();
  point<double, 3> centre(0.0, 0.0, 0.0);
  for (int k = 0; k < n; ++k)
    centre += isoline[k];
  centre /= static_cast<double>(n);

  for (int k = 1; k < n; ++k) {
    const double step = GridDistance(isoline[k], isoline[k - 1]);
    if (!(0.01 * maxRate > Rate(step, isoline.Spacing(k)) && tolerance > step))
      return;
  }
  for (int k = 0; k < n; ++k)
    if (!(tolerance > GridDistance(isoline[k], centre)))
      return;
  for (int k = 0; k < n; ++k)
    isoline[k] = centre;
}

}  // namespace

void MQuads::CloseExactlyIfClosed(double tolerance) {
  RequireTolerance(tolerance);
  const int nU = GetIsolinesCount(U);
  const int nV = GetIsolinesCount(V);
  if (closedU_ && nU > 0) {
    for (int j = 0; j < nV; ++j) {
      point<double, 3>& first = Vertex(0, j);
      point<double, 3>& last = Vertex(nU - 1, j);
      if (GridDistance(first, last) < tolerance)
        first = last = Midpoint(first, last);
    }
  }
  if (closedV_ && nV > 0) {
    for (int i = 0; i < nU; ++i) {
      point<double, 3>& first = Vertex(i, 0);
      point<double, 3>& last = Vertex(i, nV - 1);
      if (GridDistance(first, last) < tolerance)
        first = last = Midpoint(first, last);
    }
  }
}

void MQuads::ClosePoles(double tolerance) {
  RequireTolerance(tolerance);
  const int nU = GetIsolinesCount(U);
  const int nV = GetIsolinesCount(V);
  if (nU < 2 || nV < 2)
    return;

  // The largest rates of the surface along V and along U, before any point moves.
  double maxDv = 0.0;
  double maxDu = 0.0;
  for (int i = 0; i < nU; ++i) {
    for (int j = 0; j < nV; ++j) {
      if (j >= 1) {
        const double rate =
            Rate(GridDistance(Vertex(i, j), Vertex(i, j - 1)), isolines_.v[j] - isolines_.v[j - 1]);
        if (rate > maxDv)
          maxDv = rate;
      }
      if (i >= 1) {
        const double rate =
            Rate(GridDistance(Vertex(i, j), Vertex(i - 1, j)), isolines_.u[i] - isolines_.u[i - 1]);
        if (rate > maxDu)
          maxDu = rate;
      }
    }
  }

  for (int i = 0; i < nU; ++i)
    CollapseIfPole({vertices_, isolines_.v, true, i}, maxDv, tolerance);
  for (int j = 0; j < nV; ++j)
    CollapseIfPole({vertices_, isolines_.u, false, j}, maxDu, tolerance);
}
