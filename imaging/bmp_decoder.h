#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "imaging/bitmap.h"

namespace vorn {

// How a DIB is stored: in a .bmp file the bits lie at an offset the file header gives;
// in an icon they follow the palette, the header holds twice the height and a
// 1-bit transparency mask follows the colour bits.
enum class DibStorage { kFile, kIcon };

// Decodes a DIB that starts with its info header. bits_offset, counted from the start
// of dib, is the file header's offset when there is one. Throws vorn::Exception.
Bitmap DecodeDib(std::span<const std::byte> dib, std::optional<std::size_t> bits_offset,
                 DibStorage storage);

}  // namespace vorn
