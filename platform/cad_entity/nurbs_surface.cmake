# The free-form (NURBS) surface and its point inversion.
list(APPEND OXLEN_CAD_ENTITY_SOURCES
  MCADUVNurbsSurface.cpp
  nurbs_point_inversion.cpp)
