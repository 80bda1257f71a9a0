# The installed package a host builds against: find_package(cae_core CONFIG) gives the module's libraries,
# the loadable module file and the stand-ins for the SDK and the host's services, all as cae::<name>.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Headers are included by their path from the repository root (cae_core/fea2d/Simulation.h): the checkout
# in the build, include/ of the installed package. Detail headers sit under the same root in the build but
# are never installed, so a host cannot reach them.
set(CAE_INCLUDE_ROOT
  "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>" "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")

# Installed programs and libraries find the shared libraries beside them and in the library folder, as in
# the build, where the `cae` program loads the module file and runs the solver from its own folder.
set(CMAKE_INSTALL_RPATH "$ORIGIN" "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

set(CAE_PACKAGE_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/cae_core)

# cae_export(<target> [NAME <name>] [DESTINATION <folder>])
# Makes <target> cae::<name> (default: the target's name without its cae_ prefix) in the build and in the
# installed package, installs it (a library into the library folder unless DESTINATION says otherwise) and,
# once per source folder, the folder's headers outside detail/ at the same path below include/.
function(cae_export target)
  cmake_parse_arguments(ARG "" "NAME;DESTINATION" "" ${ARGN})
  set(name ${ARG_NAME})
  if(NOT name)
    string(REGEX REPLACE "^cae_" "" name ${target})
  endif()
  set(library_destination ${CMAKE_INSTALL_LIBDIR})
  if(ARG_DESTINATION)
    set(library_destination ${ARG_DESTINATION})
  endif()
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
  add_library(cae::${name} ALIAS ${target})
  install(TARGETS ${target} EXPORT cae_core_targets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${library_destination}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  get_property(done DIRECTORY PROPERTY CAE_HEADERS_INSTALLED)
  if(NOT done)
    set_property(DIRECTORY PROPERTY CAE_HEADERS_INSTALLED TRUE)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder}
      FILES_MATCHING PATTERN "*.h" PATTERN "detail" EXCLUDE)
  endif()
endfunction()

# The targets' file, the configuration that finds what the targets need, and the version file. Called
# once all exported targets exist.
function(cae_install_package)
  install(EXPORT cae_core_targets NAMESPACE cae:: FILE cae_coreTargets.cmake
    DESTINATION ${CAE_PACKAGE_CMAKEDIR})
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/cae_coreConfig.cmake.in
    ${PROJECT_BINARY_DIR}/cae_coreConfig.cmake INSTALL_DESTINATION ${CAE_PACKAGE_CMAKEDIR})
  # Before 1.0 a minor version may change the interface.
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/cae_coreConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/cae_coreConfig.cmake ${PROJECT_BINARY_DIR}/cae_coreConfigVersion.cmake
    DESTINATION ${CAE_PACKAGE_CMAKEDIR})
endfunction()
