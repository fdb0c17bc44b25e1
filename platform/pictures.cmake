find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
target_sources(vorn_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/picture_decoders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ico_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/metafile_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/metafile_writer.cpp)
target_link_libraries(vorn_platform PRIVATE JPEG::JPEG PNG::PNG)
