#include "Oxlen/CadEntity/MCADFace.h"

#include <stdexcept>

MCADFace::MCADFace(std::shared_ptr<const MCADUVSurface> surface, eFaceOrientation orientation)
    : m_surface(std::move(surface)), m_orientation(orientation) {}

void MCADFace::AddLoop(std::shared_ptr<MCADLoop> loop) {
  if (!loop)
    throw std::invalid_argument("loop: a face loop must not be null");
  m_loops.push_back(std::move(loop));
}
