#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"

#include <utility>

using MQuadrangulatedSurface = MCadTriangulator::MQuadrangulatedSurface;

MQuadrangulatedSurface::MQuadrangulatedSurface(const MAnalyticalSurface& surface,
                                               MSurfaceIsolines isolines)
    : quads(surface, std::move(isolines)), loops() {}
