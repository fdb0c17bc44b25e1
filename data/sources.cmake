target_sources(vorn_data PRIVATE
  csv_header.cpp
  csv_loader.cpp
  text_decoding.cpp
  csv_reader.cpp
  column_store.cpp
  dataset.cpp
  field_text.cpp
  memory_field.cpp
  memory_table.cpp
  sqlite_loader.cpp)
find_package(SQLite3 REQUIRED)
target_link_libraries(vorn_data PRIVATE SQLite::SQLite3)
