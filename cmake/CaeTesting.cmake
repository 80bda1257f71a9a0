find_package(GTest REQUIRED)
include(GoogleTest)

# cae_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per library target, each test case registered with CTest with a time
# limit: a fault that makes an algorithm loop for ever then fails its test instead of hanging the run.
# Generous on purpose; speed is measured in bench/, not here.
set(CAE_TEST_TIMEOUT 60 CACHE STRING "Seconds one test case may run before CTest stops it")
function(cae_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  cae_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "CAE_SOURCE_DIR=${PROJECT_SOURCE_DIR}" TIMEOUT ${CAE_TEST_TIMEOUT})
endfunction()
