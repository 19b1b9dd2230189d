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

# The importer, where it was built: installed with its header, exporting its interface only, and
# usable from an outside project (the example reads a test model and meshes it).
if(STEP_MODEL)
  if(NOT EXISTS ${prefix}/include/Oxlen/Cad/Import.h)
    message(FATAL_ERROR "the importer's header was not installed")
  endif()
  file(GLOB importer ${prefix}/lib*/libOxlen.Cad.Import.so.*.*.*)
  execute_process(COMMAND nm -D -C --defined-only ${importer} OUTPUT_VARIABLE symbols)
  string(FIND "${symbols}" "Oxlen::Cad::MCadImport::Import(" at)
  string(FIND "${symbols}" "Oxlen::Cad::detail::" internal)
  if(at EQUAL -1 OR NOT internal EQUAL -1)
    message(FATAL_ERROR "the importer's exports are wrong:\n${symbols}")
  endif()
  execute_process(COMMAND ${WORK_DIR}/build/oxlen-import-example ${STEP_MODEL}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0 OR NOT out MATCHES "faces meshed, 0 lost")
    message(FATAL_ERROR "the import example failed (${result}):\n${out}\n${err}")
  endif()
  message(STATUS "${out}")
endif()

# The installed tool runs from the prefix: it finds the installed libraries by its run path.
run(${prefix}/bin/oxlen-mesh --help)
if(STEP_MODEL)
  run(${prefix}/bin/oxlen-mesh ${STEP_MODEL} -q -o ${WORK_DIR}/installed.stl)
  if(NOT EXISTS ${WORK_DIR}/installed.stl)
    message(FATAL_ERROR "the installed tool wrote no mesh")
  endif()
endif()
