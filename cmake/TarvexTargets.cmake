# tarvex_library(NAME DEPS...): a static library of every .cpp in the calling
# folder, named tarvex_NAME, with src/ on the include path.
function(tarvex_library name)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  if(sources)
    add_library(tarvex_${name} STATIC ${sources})
    target_include_directories(tarvex_${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(tarvex_${name} PUBLIC ${ARGN})
  else()
    add_library(tarvex_${name} INTERFACE)
    target_include_directories(tarvex_${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(tarvex_${name} INTERFACE ${ARGN})
  endif()
endfunction()

# tarvex_tests(NAME LIBS...): one GoogleTest binary of every .cpp in tests/NAME.
function(tarvex_tests name)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name}_tests ${sources})
  target_link_libraries(${name}_tests PRIVATE ${ARGN} tarvex_test_support GTest::gtest_main)
  gtest_discover_tests(${name}_tests
    DISCOVERY_TIMEOUT 60
    # Tests keep their temporary files in the build tree, never in the user's cache.
    PROPERTIES ENVIRONMENT "TARVEX_FIXTURES=${TARVEX_FIXTURES};TARVEX_WORK_DIR=${CMAKE_BINARY_DIR}/test-work")
endfunction()
