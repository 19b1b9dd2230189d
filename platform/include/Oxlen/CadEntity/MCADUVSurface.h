#pragma once

#include <span>
#include <vector>

#include "Oxlen/CadEntity/MCADUVRegularGrid.h"
#include "Oxlen/CadEntity/MCADUVSurfaceLimits.h"
#include "Oxlen/Export.h"
#include "Oxlen/Math/point.h"

/// A parametric surface over a UV rectangle: the geometry of a CAD face.
///
/// Surfaces are built in model units, but evaluate and invert in internal units, 10000 times the
/// model units, in the surface's own coordinate system (the face placement is applied on top of
/// it by the face's owner). Surfaces are immutable after construction and safe to use from several
/// threads at once.
class OXLEN_CAD_TRIANGULATION_API MCADUVSurface : public MCADUVSurfaceLimits {
 public:
  using MCADUVSurfaceLimits::MCADUVSurfaceLimits;
  ~MCADUVSurface() override;

  /// The surface point at `uv`, in internal units (10000 times model units).
  /// Parameters outside the limits are evaluated on the surface's natural extension.
  /// @param[in]  uv     the parameters.
  /// @param[out] result the point.
  virtual void EvaluatePoint(const Oxlen::Math::point<double, 2>& uv,
                             Oxlen::Math::point<double, 3>& result) const = 0;

  /// The points at every (us[i], vs[j]), row by row along U (index i * vs.size() + j), in
  /// internal units: the same points as EvaluatePoint, bit for bit. Faster than one call per
  /// point where the rows and columns share work (a free-form surface computes the basis
  /// functions of each parameter once); by default the points are evaluated one by one.
  /// @param[in] us, vs the parameters; either may be empty (no points).
  virtual std::vector<Oxlen::Math::point<double, 3>> EvaluateGrid(std::span<const double> us,
                                                                  std::span<const double> vs) const;

  /// Point inversion: the parameters of the surface point nearest to `p`, within the limits.
  /// Both `p` and `tolerance` are in internal units. On a periodic direction the result lies in
  /// the limits; at a pole (where a whole isoline maps to one point) any parameter of the
  /// collapsed direction may be returned. A non-finite `p` returns the lower corner of the limits.
  /// @param[in] p         the point to project, in the surface's coordinate system.
  /// @param[in] tolerance distance in space at which the search may stop.
  virtual Oxlen::Math::point<double, 2> InvertPoint(const Oxlen::Math::point<double, 3>& p,
                                                    double tolerance) const = 0;

  /// Point inversion of many points: entry k of the result is `InvertPoint(points[k], tolerance)`,
  /// bit for bit. Faster than one call per point where the searches can share work (a free-form
  /// surface samples each of its patches once for all the points); by default the points are
  /// inverted one by one.
  /// @param[in] points    the points to project, in internal units, in the surface's coordinate
  ///                      system.
  /// @param[in] tolerance as for InvertPoint.
  /// @return the parameters of each point, in the order of the points; empty for no points.
  virtual std::vector<Oxlen::Math::point<double, 2>> InvertPoints(
      std::span<const Oxlen::Math::point<double, 3>> points, double tolerance) const;

  /// Fills the parameter values at which a grid over this surface should have isolines: each
  /// list is ascending and holds the limits of its direction.
  /// @param[out] grid cleared, then filled.
  virtual void GetRegularGrid(MCADUVRegularGrid& grid) const = 0;
};
