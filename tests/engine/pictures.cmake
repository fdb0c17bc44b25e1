find_package(JPEG REQUIRED)
find_package(GTest REQUIRED)
include(GoogleTest)
vorn_add_test(vorn_picture_output_tests
  SOURCES
    pictures/image_format_test.cpp
    pictures/picture_groups_test.cpp
    pictures/picture_documents_test.cpp
    pictures/picture_sources_test.cpp
  LIBS vorn_engine JPEG::JPEG)

# LibreOffice prints the documents; a few seconds in all, labelled e2e.
add_executable(vorn_picture_libreoffice_tests pictures/pictures_in_libreoffice_test.cpp)
target_link_libraries(vorn_picture_libreoffice_tests PRIVATE vorn_engine GTest::gtest
                      GTest::gmock GTest::gtest_main)
target_include_directories(vorn_picture_libreoffice_tests PRIVATE ${PROJECT_SOURCE_DIR}
                           ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(vorn_picture_libreoffice_tests PRIVATE
  VORN_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data_files")
vorn_warnings(vorn_picture_libreoffice_tests)
gtest_discover_tests(vorn_picture_libreoffice_tests DISCOVERY_TIMEOUT 60
                     PROPERTIES LABELS e2e TIMEOUT 120)
