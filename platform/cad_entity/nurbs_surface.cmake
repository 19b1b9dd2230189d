# The free-form (NURBS) surface.
list(APPEND OXLEN_CAD_ENTITY_SOURCES
  MCADUVNurbsSurface.cpp)
