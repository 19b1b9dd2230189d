# Script run by ctest: install, build the examples against the installed package, run them.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "command failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  message(STATUS "${out}")
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
if(NOT EXISTS ${prefix}/include/Oxlen/Cad/Triangulation.h)
  message(FATAL_ERROR "the umbrella header was not installed")
endif()
# The shared library exports the public interface and not the triangulator's building blocks
# (the tests reach those through the component libraries).
file(GLOB library ${prefix}/lib*/libOxlen.Cad.Triangulation.so.*.*.*)
execute_process(COMMAND nm -D -C --defined-only ${library} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "nm -D failed on '${library}'")
endif()
foreach(wanted "MCadTriangulator::Triangulate(" "MCADFaceBuilder::MCADFaceBuilder("
               "M3dNurbsSurface::M3dNurbsSurface(" "Oxlen::Geometry::stitch_points(")
  string(FIND "${symbols}" "${wanted}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the library does not export ${wanted}")
  endif()
endforeach()
foreach(internal MQuads MLoopsOnQuads MQuadrangulatedSurface MAnalyticalSurface
                 MPointToQuadProjector MLoopSegmenter MTrimmer MTrimPartSelector MInternal)
  string(REGEX MATCH "[^\n]*MCadTriangulator::${internal}::[^\n]*" found "${symbols}")
  if(found)
    message(FATAL_ERROR "the library exports a building block: ${found}")
  endif()
endforeach()

run(${CMAKE_COMMAND} -S ${EXAMPLES_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/oxlen-platform-example)
