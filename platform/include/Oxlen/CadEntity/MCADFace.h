#pragma once

#include <cstddef>
#include <list>
#include <memory>

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADEntityTransformable.h"
#include "Oxlen/CadEntity/MCADEnums.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"

/// A trimmed face of a CAD model: a surface, the loops that bound the used part of its UV
/// domain, an orientation and a placement in the model.
///
/// A face without loops uses its whole UV rectangle. A face without a surface is allowed (it has
/// nothing to mesh).
class OXLEN_CAD_TRIANGULATION_API MCADFace : public MCADEntityTransformable {
 public:
  /// @param[in] surface the face's surface (may be null); shared, kept alive by the face.
  explicit MCADFace(std::shared_ptr<const MCADUVSurface> surface = nullptr,
                    eFaceOrientation orientation = eFaceOrientationForward);

  /// The surface, or null.
  const MCADUVSurface* GetSurface() const { return m_surface.get(); }
  /// The surface as a shared pointer (to build curves on it).
  const std::shared_ptr<const MCADUVSurface>& GetSharedSurface() const { return m_surface; }

  /// The loops, in the order they were added; the order is stable.
  const std::list<std::shared_ptr<MCADLoop>>& Loops() const { return m_loops; }
  std::size_t LoopCount() const { return m_loops.size(); }
  /// Appends a loop (not null: std::invalid_argument "loop: ...").
  void AddLoop(std::shared_ptr<MCADLoop> loop);

  eFaceOrientation GetOrientation() const { return m_orientation; }
  void SetOrientation(eFaceOrientation orientation) { m_orientation = orientation; }

 private:
  std::shared_ptr<const MCADUVSurface> m_surface;
  std::list<std::shared_ptr<MCADLoop>> m_loops;
  eFaceOrientation m_orientation;
};
