target_sources(vorn_platform PRIVATE
  date_time.cpp)
