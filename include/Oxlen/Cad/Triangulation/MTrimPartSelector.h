#pragma once

#include "Oxlen/Cad/Triangulation/Export.h"
#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"

/// Decides which side of the trimming loops every grid vertex lies on.
class OXLEN_CAD_TRIANGULATION_API MCadTriangulator::MTrimPartSelector {
 public:
  /// Side of a grid vertex: inside the trimmed face (kept) or outside it.
  enum EVertexStatus : int {
    Inside = 0,
    Outside = 1,
  };
};
