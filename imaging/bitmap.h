#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/system/exception.h"

namespace vorn {

// Limits that every decoder checks before it allocates pixels, so a hostile header
// cannot ask for more memory than a real price-card picture needs.
inline constexpr std::uint32_t kMaxPictureSide = 65535;
inline constexpr std::uint64_t kMaxPicturePixels = 64ull * 1024 * 1024;

// Throws vorn::Exception "Picture size out of range: WxH" unless both sides are
// 1..kMaxPictureSide and the area is at most kMaxPicturePixels.
inline void CheckPictureSize(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height > kMaxPicturePixels) {
    throw Exception("Picture size out of range: " + std::to_string(width) + "x" +
                    std::to_string(height));
  }
}

// Decoded pixels: rows top-down, 4 bytes per pixel in the order blue, green, red,
// alpha (255 opaque), as a little-endian DIB holds them. A default Bitmap is empty.
class Bitmap {
 public:
  static constexpr std::size_t kBytesPerPixel = 4;

  Bitmap() = default;
  // Throws as CheckPictureSize does; the pixels start as transparent black.
  Bitmap(std::uint32_t width, std::uint32_t height)
      : width_(width),
        height_(height),
        pixels_((CheckPictureSize(width, height), std::size_t{width} * height * kBytesPerPixel)) {}
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;

  std::uint32_t Width() const { return width_; }
  std::uint32_t Height() const { return height_; }
  bool Empty() const { return pixels_.empty(); }

  std::span<std::uint8_t> Row(std::uint32_t y) {
    return {pixels_.data() + std::size_t{y} * width_ * kBytesPerPixel, width_ * kBytesPerPixel};
  }
  std::span<const std::uint8_t> Row(std::uint32_t y) const {
    return {pixels_.data() + std::size_t{y} * width_ * kBytesPerPixel, width_ * kBytesPerPixel};
  }

  // 0xAARRGGBB of the pixel at column x, row y (0 is the top row).
  std::uint32_t Pixel(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* p = Row(y).data() + std::size_t{x} * kBytesPerPixel;
    return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
  }
  void SetPixel(std::uint32_t x, std::uint32_t y, std::uint32_t argb) {
    std::uint8_t* p = Row(y).data() + std::size_t{x} * kBytesPerPixel;
    p[0] = static_cast<std::uint8_t>(argb);
    p[1] = static_cast<std::uint8_t>(argb >> 8);
    p[2] = static_cast<std::uint8_t>(argb >> 16);
    p[3] = static_cast<std::uint8_t>(argb >> 24);
  }

 private:
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace vorn
