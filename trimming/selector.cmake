# The inside/outside classification of the grid vertices: the seeding strategies, the flood over
# the grid edges and the final vote.
oxlen_add_component(trimming_selector
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/edge_segment_seeding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/geometric_seeding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/inner_loop_seeding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/one_direction_seeding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/splitting_point_seeding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/trim_part_selector.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vertex_flood.cpp
  DEPENDS grid spatial)
