# The trimmer: a crossed quad cut into triangles along its loop parts, with the 2- and
# 3-splitting generators and the selection of the inner triangles.
oxlen_add_component(trimming
  SOURCES
    M2SplittingGenerator.cpp
    M3SplittingChoice.cpp
    M3SplittingGenerator.cpp
    MTrimmerEdgeLookup.cpp
    MTrimmerInitialSplitting.cpp
    MTrimmerSelectInnerTriangles.cpp
    MTrimmerSynchronizeEdgePoints.cpp
    MTrimmerTrimQuad.cpp
    MTrimmerTrimTriangle.cpp
    MTrimmerValidation.cpp
    bulk_splitting.cpp
    loop_edge_index.cpp
    trimming_helpers.cpp
  DEPENDS grid spatial)
