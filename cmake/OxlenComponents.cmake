# Components of the library. Each subsystem (and each area of the platform layer) is an OBJECT
# library compiled with hidden visibility; the shared library is linked from all of them, and a
# test executable links just the components it exercises (with their dependencies), so that it can
# reach internal steps that the shared library does not export.
#
# The components form layers, bottom up: platform, spatial, grid, loops, trimming, triangulator
# (then postprocess, stitch, tools). A component sees its own headers and those of the components
# it depends on (directly or through them), and nothing else, so an include that goes up the
# layers does not compile. Its headers live in its folder:
#   include/   the installed interface (spelled "Oxlen/..."), seen by the components above and by
#              programs using the library;
#   internal/  headers the components above use inside the library, never installed nor
#              exported: shared helpers (spelled "<layer>/<name>.h") and the triangulator's
#              building blocks (spelled "Oxlen/Cad/Triangulation/<name>.h", declared
#              OXLEN_CAD_TRIANGULATION_LOCAL);
#   *.h next to the sources: private, included by name from the component's own sources and
#              from its tests (the test folder that mirrors the component's folder).
# A component without sources is header-only (an INTERFACE library).

define_property(GLOBAL PROPERTY OXLEN_COMPONENTS
  BRIEF_DOCS "Object libraries that make up the shared library" FULL_DOCS "-")
define_property(GLOBAL PROPERTY OXLEN_ALL_COMPONENTS
  BRIEF_DOCS "Every component target, header-only ones included" FULL_DOCS "-")
define_property(GLOBAL PROPERTY OXLEN_PUBLIC_INCLUDE_DIRS
  BRIEF_DOCS "Installed include directories of the components" FULL_DOCS "-")

# oxlen_add_component(<name> [SOURCES <files...>] [DEPENDS <components...>] [INCLUDE <dir>])
# Creates the library oxlen_<name> for the component in the current folder. Its installed headers
# are in INCLUDE (default: the folder's include/ when there is one), the headers it shares with the
# components above in the folder's internal/. Every component named in DEPENDS must exist already.
function(oxlen_add_component name)
  cmake_parse_arguments(ARG "" "INCLUDE" "SOURCES;DEPENDS" ${ARGN})
  set(target oxlen_${name})
  if(NOT ARG_INCLUDE AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/include)
    set(ARG_INCLUDE ${CMAKE_CURRENT_SOURCE_DIR}/include)
  endif()
  set(include_dirs ${ARG_INCLUDE})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/internal)
    list(APPEND include_dirs ${CMAKE_CURRENT_SOURCE_DIR}/internal)
  endif()
  foreach(dep IN LISTS ARG_DEPENDS)
    if(NOT TARGET oxlen_${dep})
      message(FATAL_ERROR "component ${name} depends on ${dep}, which is not defined before it")
    endif()
  endforeach()

  if(ARG_SOURCES)
    add_library(${target} OBJECT ${ARG_SOURCES})
    set_target_properties(${target} PROPERTIES
      POSITION_INDEPENDENT_CODE ON
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON
      OXLEN_FOLDER ${CMAKE_CURRENT_SOURCE_DIR})
    set(scope PUBLIC)
    target_link_libraries(${target} PRIVATE oxlen_warnings)
    set_property(GLOBAL APPEND PROPERTY OXLEN_COMPONENTS ${target})
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  set_target_properties(${target} PROPERTIES OXLEN_DEPENDS "${ARG_DEPENDS}")
  target_compile_definitions(${target} ${scope} OXLEN_CAD_TRIANGULATION_BUILDING)
  target_include_directories(${target} ${scope} ${include_dirs})
  target_link_libraries(${target} ${scope} Boost::headers TBB::tbb)
  foreach(dep IN LISTS ARG_DEPENDS)
    target_link_libraries(${target} ${scope} oxlen_${dep})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY OXLEN_ALL_COMPONENTS ${target})
  if(ARG_INCLUDE)
    set_property(GLOBAL APPEND PROPERTY OXLEN_PUBLIC_INCLUDE_DIRS ${ARG_INCLUDE})
  endif()
endfunction()

# Collects <components> and everything they depend on into <out> (target names).
function(oxlen_component_closure out)
  set(result "")
  set(todo ${ARGN})
  while(todo)
    list(POP_FRONT todo name)
    if(NOT TARGET oxlen_${name})
      message(FATAL_ERROR "there is no component ${name}")
    endif()
    if(NOT "oxlen_${name}" IN_LIST result)
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
# their dependencies into an executable (header-only components bring their include paths).
function(oxlen_link_components target)
  oxlen_component_closure(objs ${ARGN})
  foreach(obj IN LISTS objs)
    # Linking an object library directly adds its objects to the executable.
    target_link_libraries(${target} PRIVATE ${obj})
  endforeach()
endfunction()

# oxlen_mirrored_private_dirs(<out> <folder>): the folder of the component whose sources are in
# <folder>, when there is one: where that component's private headers are.
function(oxlen_mirrored_private_dirs out folder)
  set(result "")
  get_property(components GLOBAL PROPERTY OXLEN_ALL_COMPONENTS)
  foreach(component IN LISTS components)
    get_target_property(dir ${component} OXLEN_FOLDER)
    if(dir AND dir STREQUAL folder)
      list(APPEND result ${dir})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} ${result} PARENT_SCOPE)
endfunction()
