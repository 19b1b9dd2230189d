# The initial isolines of a face's grid (with the free-form reduction) and the chordal refinement
# decisions.
oxlen_add_component(triangulator_refinement
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/initial_isolines.cpp
    ${CMAKE_CURRENT_LIST_DIR}/refine_by_tolerance.cpp
  DEPENDS grid spatial)
