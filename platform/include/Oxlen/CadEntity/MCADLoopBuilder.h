#pragma once

#include <memory>
#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/Math/point.h"

/// Builds a loop on a surface from curves drawn in the surface's UV plane. Each UV curve becomes
/// a fin whose curve is the UV curve lifted onto the surface.
///
/// The face lies on the left of its loops: draw an outer boundary counter-clockwise in UV and a
/// hole clockwise.
///
/// @code
///   auto hole = MCADLoopBuilder(plane).Circle({50, 30}, 10, /*clockwise=*/true).Build();
///   auto outer = MCADLoopBuilder(plane).Rectangle({0, 0}, {100, 60}).Build();
/// @endcode
class OXLEN_CAD_TRIANGULATION_API MCADLoopBuilder {
 public:
  using UV = Oxlen::Math::point<double, 2>;

  /// @param[in] surface the surface the loop lies on; not null (std::invalid_argument).
  explicit MCADLoopBuilder(std::shared_ptr<const MCADUVSurface> surface);

  /// A straight fin in UV from `from` to `to` (distinct, coordinates finite and within 1e100 in
  /// magnitude: std::invalid_argument naming the argument otherwise).
  MCADLoopBuilder& Line(const UV& from, const UV& to);

  /// A closed polygon of straight fins through `corners` in order, back to the first
  /// (at least 3 corners).
  MCADLoopBuilder& Polygon(const std::vector<UV>& corners);

  /// The four sides of the axis-parallel rectangle [lo, hi], counter-clockwise from lo
  /// (clockwise with `clockwise`). Needs lo < hi in both coordinates.
  MCADLoopBuilder& Rectangle(const UV& lo, const UV& hi, bool clockwise = false);

  /// A full circle in UV as one fin starting at angle 0, counter-clockwise (clockwise with
  /// `clockwise`, as for a hole). `center` within 1e100 in magnitude, `radius` positive and at
  /// most 1e100 (std::invalid_argument naming the argument otherwise).
  MCADLoopBuilder& Circle(const UV& center, double radius, bool clockwise = false);

  /// A fin on any UV curve, used in its own direction or against it.
  /// @throws std::invalid_argument "curve: ..." for a null curve, or a `MCAD2DNurbsCurve` that is
  ///         not continuous (`M3dNurbsCurve::IsContinuous`).
  MCADLoopBuilder& Curve(std::shared_ptr<const MCAD2DVCurve> curve, bool sameSense = true);

  /// A fin on a space curve (for example one that carries no UV), used as given.
  /// @throws std::invalid_argument "curve: ..." for a null curve (from MCADLoop::AddFin), or a
  ///         `MCAD3DNurbsCurve` that is not continuous (`M3dNurbsCurve::IsContinuous`).
  MCADLoopBuilder& SpaceCurve(std::shared_ptr<MCAD3DVUVSurfaceCurve> curve, bool sameSense = true);

  /// Marks the loop with a special case.
  MCADLoopBuilder& SpecialCase(eLoopSpecialCase specialCase);

  /// Adds an alternative loop.
  MCADLoopBuilder& Alternative(std::shared_ptr<MCADLoop> loop);

  /// The loop built so far (the builder can go on and build more).
  std::shared_ptr<MCADLoop> Build() const;

 private:
  std::shared_ptr<const MCADUVSurface> m_surface;
  std::shared_ptr<MCADLoop> m_loop;
};
