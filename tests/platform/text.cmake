vorn_add_test(vorn_platform_text_tests
  SOURCES
    code_page_test.cpp
    date_format_test.cpp
    format_settings_test.cpp
    date_time_test.cpp
    number_format_test.cpp
    format_float_test.cpp
    number_parse_test.cpp
    decimal_digits_test.cpp
  LIBS vorn_platform)
