#pragma once

#include <span>
#include <vector>

#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/point.h"

class MCADUVSurface;

/// The UV surface of a face together with the face's placement: the one place where the
/// triangulator evaluates surface points.
///
/// Points come out in model space: the surface's internal units (10000 times the model units) are
/// scaled back and the placement is applied with the point as a row vector. The wrapper also
/// supplies the isolines that any grid over the surface needs and the surface's parameter limits.
///
/// Small and copyable. It does not own the surface, which must outlive it. All operations are
/// const and may be called from several threads at once (surfaces are immutable).
class MCadTriangulator::MAnalyticalSurface {
 public:
  /// @param[in] surface   the face's surface; referenced, not copied.
  /// @param[in] placement the face's placement: m[12], m[13], m[14] hold the translation and
  ///                      m[3], m[7], m[11], m[15] are ignored.
  MAnalyticalSurface(const MCADUVSurface& surface, const Oxlen::Math::matrix4x4<double>& placement);

  /// The model-space point at `uv`: the surface point divided by 10000.0, then mapped by the
  /// placement, x' = x m[0] + y m[4] + z m[8] + m[12] (and alike for y', z').
  /// @param[in] uv the parameters; outside the limits the surface's own extension is evaluated.
  Oxlen::Math::point<double, 3> Evaluate(const Oxlen::Math::point<double, 2>& uv) const;

  /// The model-space points at every (us[i], vs[j]), row by row along U (index
  /// i * vs.size() + j): the points of Evaluate, bit for bit, the surface evaluating the grid at
  /// once (see MCADUVSurface::EvaluateGrid).
  std::vector<Oxlen::Math::point<double, 3>> EvaluateGrid(std::span<const double> us,
                                                          std::span<const double> vs) const;

  /// The ascending U parameters that every grid over this surface needs as isolines.
  ///
  /// A NURBS surface gives its knot isolines (the distinct knots, each knot span divided into
  /// `order` equal steps, then halved until there are at least 16 values); a sphere gives the
  /// quarter turns 0, pi/2, pi, 3 pi/2, 2 pi; any other surface its regular-grid U list with a
  /// midpoint inserted between each pair of neighbours.
  std::vector<double> GetMinimalUIsolines() const;

  /// The ascending V parameters that every grid over this surface needs as isolines: knot
  /// isolines for a NURBS surface; -1.570796326794895, 0, 1.570796326794895 for a sphere
  /// (whatever its limits; callers keep the values inside the limits); the regular-grid V list
  /// as it is for any other surface.
  std::vector<double> GetMinimalVIsolines() const;

  /// (minimum, maximum) of the surface's U parameter.
  std::pair<double, double> GetULimits() const;

  /// (minimum, maximum) of the surface's V parameter.
  std::pair<double, double> GetVLimits() const;

  /// The wrapped surface.
  const MCADUVSurface& GetSurface() const { return *surface_; }

  /// The placement given at construction.
  const Oxlen::Math::matrix4x4<double>& GetPlacement() const { return placement_; }

  /// Midpoint insertion: x0, (x0 + x1) 0.5, x1, ..., xn. An empty or one-value list is returned
  /// unchanged.
  /// @param[in] values the list to refine.
  static std::vector<double> InsertMidpoints(const std::vector<double>& values);

  /// The isolines a knot vector asks for: the strictly increasing knots, each span between two
  /// of them divided into `order` equal steps (a + (b - a) s / order, s = 0 ... order - 1), the
  /// last knot, and then midpoint insertion over the whole list while it holds fewer than 16
  /// values. With `order` <= 0 the spans add nothing; a list of fewer than two values is not
  /// refined further (it cannot grow).
  /// @param[in] knots the knot vector with multiplicities, non-decreasing.
  /// @param[in] order the order (degree + 1).
  static std::vector<double> GetKnotIsolines(const std::vector<double>& knots, int order);

 private:
  // A surface point in internal units, divided by 10000.0 and mapped by the placement.
  Oxlen::Math::point<double, 3> ToModelSpace(const Oxlen::Math::point<double, 3>& p) const;

  const MCADUVSurface* surface_;
  Oxlen::Math::matrix4x4<double> placement_;
};
