#include "Oxlen/CadEntity/MCADEntityTransformable.h"

#include <cmath>
#include <stdexcept>

void MCADEntityTransformable::SetISU(double isu) {
  if (!std::isfinite(isu) || !(isu > 0.0))
    throw std::invalid_argument("isu: must be a finite positive length");
  m_isu = isu;
}
