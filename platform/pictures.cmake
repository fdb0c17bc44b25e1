find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
target_sources(vorn_platform PRIVATE
  picture_decoders.cpp
  bmp_decoder.cpp
  ico_decoder.cpp
  jpeg_decoder.cpp
  png_decoder.cpp
  metafile_reader.cpp
  metafile_writer.cpp
  metafile_converter.cpp)
target_link_libraries(vorn_platform PRIVATE JPEG::JPEG PNG::PNG)
