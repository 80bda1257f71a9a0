# Installs the build tree into a fresh prefix, checks what a host may see there, then configures, builds
# and runs the consumer program against that prefix alone, and runs the installed `cae` program once.
# Run with cmake -P; BUILD_DIR, SOURCE_DIR, WORK_DIR, GENERATOR, CXX_COMPILER, CXX_FLAGS and LAUNCHER
# come from the test's registration.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "package: ${what} failed (${status})")
  endif()
endfunction()

run("installing ${BUILD_DIR} into ${prefix}" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

file(GLOB_RECURSE detail_headers LIST_DIRECTORIES false RELATIVE ${prefix} ${prefix}/include/*/detail/*)
if(detail_headers)
  message(FATAL_ERROR "package: detail headers are installed: ${detail_headers}")
endif()
foreach(installed bin/cae bin/nastran bin/cae_core.tx include/cae_core/fea2d/Simulation.h
                  include/platform/db/DbRegion.h)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "package: ${installed} is not installed")
  endif()
endforeach()

run("configuring the consumer" ${CMAKE_COMMAND} -S ${SOURCE_DIR}/consumer -B ${WORK_DIR}/consumer
  -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
  "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
run("building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run("the consumer on the module's libraries" ${WORK_DIR}/consumer/plate_in_tension_libraries)
run("the consumer on the module file" ${WORK_DIR}/consumer/plate_in_tension_module)

# The installed program finds the module file and the solver beside it and the shared libraries below
# the prefix, with nothing of the build tree on its search paths.
run("the installed cae program" ${prefix}/bin/cae analyze2d ${EXAMPLE} --out ${WORK_DIR}/example --quiet)
