#pragma once

#include <string_view>

namespace vorn {

class Picture;

// The smallest module a card prints a QR code with: a phone camera reads it at arm's length.
inline constexpr double kMinQrModuleMm = 0.5;

// Draws `text` (UTF-8; an address or any text) as a QR code with medium error correction and
// its quiet zone into `picture`, about `size_mm` wide and high and never larger, each module a
// whole number of pixels. Returns false, leaving the picture empty, when the text needs more
// modules than fit `size_mm` at kMinQrModuleMm, or more than a QR code holds. Throws
// vorn::Exception with the encoder's message for any other failure.
bool RenderQrCode(std::string_view text, double size_mm, Picture& picture);

}  // namespace vorn
