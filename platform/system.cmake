target_sources(vorn_platform PRIVATE
  clock.cpp
  files.cpp
  shell_open.cpp
  stream.cpp
)
