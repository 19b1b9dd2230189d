#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADEnums.h"
#include "Oxlen/CadEntity/MCADFin.h"

class MCAD3DVUVSurfaceCurve;

/// A trimming loop of a face: a closed chain of fins. Outer loops run counter-clockwise in the
/// face's UV plane and holes clockwise, so that the face lies on the left of every fin.
///
/// A loop may carry special-case marks and alternative loops: replacements that a consumer can
/// use when the loop itself cannot be processed (for example a repaired version of it).
class OXLEN_CAD_TRIANGULATION_API MCADLoop {
 public:
  MCADLoop() = default;

  /// Appends a fin on `curve`; the loop shares ownership of the curve.
  /// @param[in] curve     the fin's curve; not null (std::invalid_argument "curve: ...").
  /// @param[in] sameSense false when the fin runs from the curve's end to its start.
  void AddFin(std::shared_ptr<MCAD3DVUVSurfaceCurve> curve, bool sameSense = true);

  std::size_t FinCount() const { return m_fins.size(); }
  /// The fins in loop order.
  const std::list<MCADFin>& Fins() const { return m_fins; }

  /// True when the loop is marked with `specialCase` (never for eLoopSpecialCaseNone).
  bool GetIsSpecialCase(const eLoopSpecialCase& specialCase) const;
  /// Marks the loop with `specialCase`, or removes the mark.
  void SetSpecialCase(eLoopSpecialCase specialCase, bool on = true);

  /// Appends the loop's alternative loops to `loops`.
  /// @return eOk when there is at least one, eNotFound otherwise.
  MGlobalCAD::eReturnValues GetAlternativeLoops(std::list<std::shared_ptr<MCADLoop>>& loops);
  /// Adds an alternative loop (not null: std::invalid_argument "loop: ...").
  void AddAlternativeLoop(std::shared_ptr<MCADLoop> loop);

  /// True when the loop can be used: it has fins, every fin has a curve whose end points are
  /// finite, and each fin ends where the next one starts (the last where the first starts) within
  /// `tolerance` model units.
  /// @param[in] tolerance a finite non-negative length in model units (otherwise the loop is
  ///            reported invalid).
  bool IsValid(double tolerance) const;

 private:
  std::list<MCADFin> m_fins;
  std::vector<std::shared_ptr<MCAD3DVUVSurfaceCurve>> m_curves;  // keeps the fins' curves alive
  std::vector<eLoopSpecialCase> m_specialCases;
  std::list<std::shared_ptr<MCADLoop>> m_alternatives;
};
