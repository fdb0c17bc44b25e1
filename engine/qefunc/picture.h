#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "imaging/picture_decoders.h"

namespace vorn {

// The result object of a user-defined function of result type udfrTPicture is a Picture, empty
// until the function's OnCalculate fills it with one of these. An empty picture writes nothing.
// Each loader replaces the picture only when it succeeds; on failure it throws vorn::Exception and
// the picture stays as it was.

// A picture file (BMP, ICO, JPEG, PNG, WMF, EMF), its type from its bytes or extension.
void LoadPictureFromFile(Picture& picture, const std::string& file_name);

// Picture bytes of any of those types, their type from their first bytes.
void LoadPictureFromBytes(Picture& picture, std::span<const std::byte> bytes);

// Pixels as 0xAARRGGBB (alpha 255 opaque), rows top-down, exactly width x height of them.
void LoadPictureFromPixels(Picture& picture, uint32_t width, uint32_t height,
                           std::span<const uint32_t> argb);

}  // namespace vorn
