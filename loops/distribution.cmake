# The distribution of the trimming loops over the quads: the walk of a loop segment over the grid
# edges, the edge crossing finder, the uncrossing of self-crossing loops and the container's
# AddLoop and validator.
oxlen_add_component(loops_distribution
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/edge_key.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MEdgeCrossingFinder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MLoopsOnQuads_AddLoop.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MLoopsOnQuads_IsValid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/part_uncrossing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/quad_projection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/quad_walk.cpp
    ${CMAKE_CURRENT_LIST_DIR}/seam_twin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/self_crossing_repair.cpp
    ${CMAKE_CURRENT_LIST_DIR}/splitting_points_by_edge.cpp
  DEPENDS grid spatial)
