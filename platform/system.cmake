target_sources(vorn_platform PRIVATE
  ascii_text.cpp
  clock.cpp
  files.cpp
  process.cpp
  shell_open.cpp
  stream.cpp
)
