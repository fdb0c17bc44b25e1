target_sources(vorn_platform PRIVATE
  date_time.cpp
  decimal_digits.cpp
  format_float.cpp
  format_settings.cpp
  number_format.cpp
  number_parse.cpp)
