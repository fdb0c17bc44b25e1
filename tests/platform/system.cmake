vorn_add_test(vorn_platform_system_tests
  SOURCES
    system/files_and_streams_test.cpp
  LIBS vorn_platform)
