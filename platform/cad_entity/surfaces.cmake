# Analytic surfaces: the frame they are placed by, plane, cylinder, cone and sphere.
list(APPEND OXLEN_CAD_ENTITY_SOURCES
  AnalyticSurfaceSupport.cpp
  MCADFrame.cpp
  MCADUVCone.cpp
  MCADUVCylinder.cpp
  MCADUVPlane.cpp
  MCADUVSphere.cpp)
