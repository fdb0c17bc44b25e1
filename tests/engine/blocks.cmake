vorn_add_test(vorn_blocks_tests
  SOURCES
    blocks/brace_balance_test.cpp
    blocks/if_blocks_test.cpp
    blocks/large_scan_test.cpp
    blocks/scan_commands_test.cpp
    blocks/scan_generation_test.cpp
  LIBS vorn_engine)

# Opens filled block templates in LibreOffice; a few seconds each.
find_package(GTest REQUIRED)
include(GoogleTest)
add_executable(vorn_blocks_e2e_tests blocks/blocks_in_libreoffice_test.cpp)
target_link_libraries(vorn_blocks_e2e_tests PRIVATE vorn_engine vorn_data GTest::gtest
                      GTest::gtest_main)
target_include_directories(vorn_blocks_e2e_tests PRIVATE ${PROJECT_SOURCE_DIR}
                           ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(vorn_blocks_e2e_tests PRIVATE
  VORN_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data_files"
  VORN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  VORN_BINARY_DIR="${PROJECT_BINARY_DIR}")
vorn_warnings(vorn_blocks_e2e_tests)
gtest_discover_tests(vorn_blocks_e2e_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS e2e)
