# Faces, loops, their placement and the builders.
list(APPEND OXLEN_CAD_ENTITY_SOURCES
  MCADEntityTransformable.cpp
  MCADFace.cpp
  MCADFaceBuilder.cpp
  MCADLoop.cpp
  MCADLoopBuilder.cpp)
