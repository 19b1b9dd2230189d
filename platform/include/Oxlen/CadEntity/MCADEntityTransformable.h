#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/Math/MMTransformMatrix.h"

/// A CAD entity placed in the model by a transformation, with the length tolerance it was
/// modelled with.
class OXLEN_CAD_TRIANGULATION_API MCADEntityTransformable {
 public:
  /// One internal unit: the default length tolerance, in model units.
  static constexpr double kDefaultISU = 1e-4;

  MCADEntityTransformable() = default;
  virtual ~MCADEntityTransformable() = default;

  /// The placement of the entity in the model (identity by default).
  const MMTransformMatrix& GetTransformationMatrix() const { return m_placement; }
  void SetTransformationMatrix(const MMTransformMatrix& placement) { m_placement = placement; }

  /// The entity's length tolerance in model units: gaps below it are not gaps (used to check
  /// that the fins of a loop meet).
  double GetISU() const { return m_isu; }
  /// @param[in] isu a finite positive length. @throws std::invalid_argument ("isu: ...").
  void SetISU(double isu);

 private:
  MMTransformMatrix m_placement;
  double m_isu = kDefaultISU;
};
