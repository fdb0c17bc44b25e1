#include "engine/qefunc/picture.h"

#include <string>

#include "imaging/bitmap.h"
#include "platform/system/exception.h"

namespace vorn {

void LoadPictureFromFile(Picture& picture, const std::string& file_name) {
  picture = LoadPictureFile(file_name);
}

void LoadPictureFromBytes(Picture& picture, std::span<const std::byte> bytes) {
  const PictureType type = DetectPictureType(bytes);
  if (type == PictureType::kUnknown) throw Exception("Unsupported picture type");
  picture = DecodePicture(bytes, type);
}

void LoadPictureFromPixels(Picture& picture, uint32_t width, uint32_t height,
                           std::span<const uint32_t> argb) {
  CheckPictureSize(width, height);
  if (argb.size() != std::size_t{width} * height) {
    throw Exception("Pixel count does not match the picture size: " + std::to_string(argb.size()) +
                    " for " + std::to_string(width) + "x" + std::to_string(height));
  }
  Bitmap bitmap(width, height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) bitmap.SetPixel(x, y, argb[std::size_t{y} * width + x]);
  }
  picture = Picture(std::move(bitmap));
}

}  // namespace vorn
