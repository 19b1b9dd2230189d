# Components of the library. Each subsystem (and each area of the platform layer) is an OBJECT
# library compiled with hidden visibility; the shared library is linked from all of them, and a
# test executable links just the components it exercises (with their dependencies), so that it can
# reach internal steps that the shared library does not export.

define_property(GLOBAL PROPERTY OXLEN_COMPONENTS
  BRIEF_DOCS "Object libraries that make up the shared library" FULL_DOCS "-")

# oxlen_add_component(<name> SOURCES <files...> [DEPENDS <components...>])
# Creates the object library oxlen_<name>.
function(oxlen_add_component name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  set(target oxlen_${name})
  if(NOT ARG_SOURCES)
    return()  # a component that has no code yet
  endif()
  add_library(${target} OBJECT ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    OXLEN_DEPENDS "${ARG_DEPENDS}")
  target_compile_definitions(${target} PUBLIC OXLEN_CAD_TRIANGULATION_BUILDING)
  target_include_directories(${target}
    PUBLIC
      ${PROJECT_SOURCE_DIR}/include
      ${PROJECT_SOURCE_DIR}/platform/include
      ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC Boost::headers TBB::tbb PRIVATE oxlen_warnings)
  foreach(dep IN LISTS ARG_DEPENDS)
    if(TARGET oxlen_${dep})
      target_link_libraries(${target} PUBLIC oxlen_${dep})
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY OXLEN_COMPONENTS ${target})
endfunction()

# Collects <components> and everything they depend on into <out> (target names).
function(oxlen_component_closure out)
  set(result "")
  set(todo ${ARGN})
  while(todo)
    list(POP_FRONT todo name)
    if(TARGET oxlen_${name} AND NOT "oxlen_${name}" IN_LIST result)
      list(APPEND result oxlen_${name})
      get_target_property(deps oxlen_${name} OXLEN_DEPENDS)
      if(deps)
        list(APPEND todo ${deps})
      endif()
    endif()
  endwhile()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# oxlen_link_components(<target> <components...>): links the objects of the components and of all
# their dependencies into an executable.
function(oxlen_link_components target)
  oxlen_component_closure(objs ${ARGN})
  foreach(obj IN LISTS objs)
    # Linking an object library directly adds its objects to the executable.
    target_link_libraries(${target} PRIVATE ${obj})
  endforeach()
endfunction()
