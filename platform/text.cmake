target_sources(vorn_platform PRIVATE
  ansi_case.cpp
  code_page.cpp
  date_format.cpp
  date_parse.cpp
  date_time.cpp
  decimal_digits.cpp
  format_float.cpp
  format_settings.cpp
  number_format.cpp
  number_parse.cpp
  strftime_pattern.cpp)
