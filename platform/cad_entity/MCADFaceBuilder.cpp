#include "Oxlen/CadEntity/MCADFaceBuilder.h"

#include <stdexcept>

MCADFaceBuilder::MCADFaceBuilder(std::shared_ptr<const MCADUVSurface> surface)
    : m_face(std::move(surface)) {
  if (m_face.GetSurface() == nullptr)
    throw std::invalid_argument("surface: a face builder needs a surface");
}

MCADFaceBuilder& MCADFaceBuilder::Loop(std::shared_ptr<MCADLoop> loop) {
  m_face.AddLoop(std::move(loop));
  return *this;
}

MCADFaceBuilder& MCADFaceBuilder::OuterBoundary() {
  const MCADUVSurface& s = *m_face.GetSurface();
  const MCADDomainLimits& u = s.GetExtremesUV(eInU);
  const MCADDomainLimits& v = s.GetExtremesUV(eInV);
  return Loop(NewLoop().Rectangle({u.GetMin(), v.GetMin()}, {u.GetMax(), v.GetMax()}).Build());
}

MCADFaceBuilder& MCADFaceBuilder::Orientation(eFaceOrientation orientation) {
  m_face.SetOrientation(orientation);
  return *this;
}

MCADFaceBuilder& MCADFaceBuilder::Placement(const MMTransformMatrix& placement) {
  m_face.SetTransformationMatrix(placement);
  return *this;
}

MCADFaceBuilder& MCADFaceBuilder::ISU(double isu) {
  m_face.SetISU(isu);
  return *this;
}
