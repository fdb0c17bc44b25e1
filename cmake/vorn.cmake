# Warnings are errors on our own targets only.
function(vorn_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # g++ 12 at -O3 reports -Wrestrict inside inlined std::string code that is not ours; it stays
  # a warning so a Release build still builds.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-error=restrict)
  endif()
endfunction()

# vorn_add_test(NAME SOURCES a.cpp b.cpp LIBS lib...)
function(vorn_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    VORN_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data_files"
    VORN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VORN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  vorn_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
