#pragma once

#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/Export.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

/// A free-form face surface given as a NURBS surface in model units.
///
/// The limits are the knot domains of the surface; neither direction is periodic, even when the
/// patch closes on itself (a NURBS cylinder): its two seam borders are separate parameter lines.
/// `EvaluatePoint` returns 10000 S(u, v) (internal units). Parameters outside the limits are
/// clamped to them: a rational patch has no extension that is safe to evaluate beyond its knots.
/// Regular grid: the distinct knots of each direction.
class OXLEN_CAD_TRIANGULATION_API MCADUVNurbsSurface : public MCADUVSurface {
 public:
  /// @param[in] nurbs the surface in model units, in the surface's own coordinate system.
  explicit MCADUVNurbsSurface(M3dNurbsSurface nurbs);

  /// The underlying NURBS surface, in model units.
  const M3dNurbsSurface& GetNurbs() const { return m_nurbs; }

  /// 10000 S(u, v), with (u, v) clamped to the limits.
  void EvaluatePoint(const Oxlen::Math::point<double, 2>& uv,
                     Oxlen::Math::point<double, 3>& result) const override;

  /// The grid of points as by EvaluatePoint, bit for bit, with the basis functions of each
  /// parameter computed once.
  std::vector<Oxlen::Math::point<double, 3>> EvaluateGrid(
      std::span<const double> us, std::span<const double> vs) const override;

  /// The parameters of the surface point nearest to `p` (internal units), within the limits.
  ///
  /// Coarse search: the patches between knot lines are visited nearest first by the box around
  /// their control points (which contains the patch, the weights being positive) and sampled at
  /// 4 to 16 intervals per knot span (at least 16 over a direction, more along the long side of
  /// an elongated patch), until no patch left can hold a nearer point. Fine search: from the best
  /// few samples, Newton steps on the squared distance with the second derivatives, falling back
  /// to Gauss-Newton or scaled gradient steps where the Hessian is not positive definite, holding
  /// a parameter at its limit while the distance pulls it outwards, and taking a step only when it
  /// does not move the point away. A search that ends on a collapsed edge (a pole) is restarted
  /// once from the best sample beside the edge. Each search stops when a step moves the surface
  /// point by less than 1e-3 * `tolerance` (by a rounding-level amount when `tolerance` is not
  /// positive and finite) or after 50 steps: it always terminates, and the result is the same
  /// for the same input. At a pole any parameter along the collapsed edge may be returned; on a
  /// closed patch a point on the seam may come back on either border.
  /// @param[in] p         the point, in internal units; a non-finite p gives the lower corner
  ///                      of the limits.
  /// @param[in] tolerance the distance in internal units at which the search may stop.
  Oxlen::Math::point<double, 2> InvertPoint(const Oxlen::Math::point<double, 3>& p,
                                            double tolerance) const override;

  /// The inversion of each point as by InvertPoint, bit for bit; the sample grid of each patch is
  /// evaluated once for all the points, so that later points cost only their distances to the
  /// samples and their Newton steps.
  std::vector<Oxlen::Math::point<double, 2>> InvertPoints(
      std::span<const Oxlen::Math::point<double, 3>> points, double tolerance) const override;

  /// U: the distinct knots of U within the domain; V alike. Each list is ascending and holds the
  /// limits.
  void GetRegularGrid(MCADUVRegularGrid& grid) const override;

 private:
  M3dNurbsSurface m_nurbs;
};
