#pragma once

#include "Oxlen/Export.h"
#include "Oxlen/CadEntity/MCADDomainLimits.h"
#include "Oxlen/CadEntity/MCADEnums.h"

/// The parameter rectangle of a UV surface: the limits along U and along V.
class OXLEN_CAD_TRIANGULATION_API MCADUVRectangle {
 public:
  MCADUVRectangle() = default;
  MCADUVRectangle(const MCADDomainLimits& u, const MCADDomainLimits& v) : m_u(u), m_v(v) {}
  virtual ~MCADUVRectangle() = default;

  /// The limits along U (eInU, 0) or V (any other value).
  const MCADDomainLimits& GetExtremesUV(const eInUV& direction) const {
    return direction == eInU ? m_u : m_v;
  }

 protected:
  void SetExtremesUV(const eInUV& direction, const MCADDomainLimits& limits) {
    (direction == eInU ? m_u : m_v) = limits;
  }

 private:
  MCADDomainLimits m_u;
  MCADDomainLimits m_v;
};
