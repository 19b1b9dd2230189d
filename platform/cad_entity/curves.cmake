# Curves: UV curves, NURBS curves in space and UV curves lifted onto their surface.
list(APPEND OXLEN_CAD_ENTITY_SOURCES
  MCAD2DLineSegment.cpp
  MCAD2DNurbsCurve.cpp
  MCAD3DNurbsCurve.cpp
  MCAD3DVUVSurfaceCurve2DBased.cpp)
