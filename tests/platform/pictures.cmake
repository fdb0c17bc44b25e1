find_package(JPEG REQUIRED)
vorn_add_test(vorn_platform_picture_tests
  SOURCES
    picture_decoders_test.cpp
    picture_corrupt_input_test.cpp
    metafile_reader_test.cpp
    metafile_writer_test.cpp
    metafile_converter_test.cpp
  LIBS vorn_platform JPEG::JPEG)

# Not a test: writes one picture into an RTF file for tests/e2e/pictures_check.sh.
add_executable(vorn_picture_rtf picture_rtf_tool.cpp)
target_link_libraries(vorn_picture_rtf PRIVATE vorn_platform)
vorn_warnings(vorn_picture_rtf)

