#pragma once

#include <memory>

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/Math/MMTransformMatrix.h"

/// Builds a face: a surface, its loops, orientation, placement and tolerance.
///
/// @code
///   auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0, 100, 0, 60);
///   MCADFace face = MCADFaceBuilder(plane)
///                       .OuterBoundary()
///                       .Loop(MCADLoopBuilder(plane).Circle({50, 30}, 10, true).Build())
///                       .Placement(MMTransformMatrix::Translation({0, 0, 5}))
///                       .Build();
/// @endcode
class OXLEN_CAD_TRIANGULATION_API MCADFaceBuilder {
 public:
  /// @param[in] surface the face's surface; not null (std::invalid_argument).
  explicit MCADFaceBuilder(std::shared_ptr<const MCADUVSurface> surface);

  /// Adds a loop (not null).
  MCADFaceBuilder& Loop(std::shared_ptr<MCADLoop> loop);

  /// Adds the boundary of the surface's whole UV rectangle as a counter-clockwise loop.
  MCADFaceBuilder& OuterBoundary();

  MCADFaceBuilder& Orientation(eFaceOrientation orientation);
  MCADFaceBuilder& Placement(const MMTransformMatrix& placement);
  /// The face's length tolerance in model units (finite, positive).
  MCADFaceBuilder& ISU(double isu);

  /// A loop builder on the face's surface.
  MCADLoopBuilder NewLoop() const { return MCADLoopBuilder(m_face.GetSharedSurface()); }

  /// The face built so far.
  MCADFace Build() const { return m_face; }

 private:
  MCADFace m_face;
};
