#pragma once

#include <map>

#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Cad/Triangulation/MTrimPartSelector.h"

// Types shared by the steps of the vertex classification (internal to the trim part selector).

namespace selector::detail {

using MQuads = MCadTriangulator::MQuads;
using EVertexStatus = MCadTriangulator::MTrimPartSelector::EVertexStatus;

/// Vertices of known status from which the classification floods the grid, in vertex order.
using SeedMap = std::map<MQuads::MVertexIndex, EVertexStatus>;

/// The other side: Inside for Outside (and for any other non-zero value), Outside for Inside.
inline EVertexStatus Inverted(EVertexStatus status) {
  return status == MCadTriangulator::MTrimPartSelector::Inside
             ? MCadTriangulator::MTrimPartSelector::Outside
             : MCadTriangulator::MTrimPartSelector::Inside;
}

}  // namespace selector::detail
