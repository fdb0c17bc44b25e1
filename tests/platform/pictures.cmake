find_package(JPEG REQUIRED)
vorn_add_test(vorn_platform_picture_tests
  SOURCES
    picture_decoders_test.cpp
    picture_corrupt_input_test.cpp
    metafile_reader_test.cpp
    metafile_writer_test.cpp
  LIBS vorn_platform JPEG::JPEG)
