#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "imaging/bitmap.h"
#include "imaging/metafile_reader.h"

namespace vorn {

enum class PictureType { kUnknown, kBmp, kIco, kJpeg, kPng, kGif, kWmf, kEmf };

// The type the first bytes announce (BM, icon directory, FF D8 FF, PNG signature,
// GIF8, placeable or plain WMF header, EMF header); kUnknown otherwise.
PictureType DetectPictureType(std::span<const std::byte> bytes);

// The type a file name's extension stands for, case-insensitively: .bmp .dib .ico .jpg
// .jpeg .jpe .jfif .png .gif .wmf .emf; kUnknown otherwise.
PictureType PictureTypeFromFileName(std::string_view file_name);

// Decoders. Each throws vorn::Exception for truncated, corrupt or oversized data
// (see CheckPictureSize) and never returns an empty Bitmap.
Bitmap DecodeBmp(std::span<const std::byte> bytes);   // a .bmp file, starting with "BM"
Bitmap DecodeIco(std::span<const std::byte> bytes);   // the largest image of an icon file
Bitmap DecodeJpeg(std::span<const std::byte> bytes);  // messages carry the JPEG library's text
Bitmap DecodePng(std::span<const std::byte> bytes);

// A loaded picture: pixels or a metafile. A default Picture is empty.
class Picture {
 public:
  Picture() = default;
  explicit Picture(Bitmap bitmap) : content_(std::move(bitmap)) {}
  explicit Picture(Metafile metafile) : content_(std::move(metafile)) {}

  bool Empty() const { return std::holds_alternative<std::monostate>(content_); }
  const Bitmap* AsBitmap() const { return std::get_if<Bitmap>(&content_); }
  const Metafile* AsMetafile() const { return std::get_if<Metafile>(&content_); }

  // Size in pixels at the screen resolution; 0 x 0 when empty.
  std::uint32_t Width() const;
  std::uint32_t Height() const;

 private:
  std::variant<std::monostate, Bitmap, Metafile> content_;
};

// Decodes bytes of the given type; kUnknown and kGif throw "Unsupported picture type".
Picture DecodePicture(std::span<const std::byte> bytes, PictureType type);

// Reads a picture file. The bytes decide the type when they announce one, else the
// extension does. Throws vorn::Exception when the file cannot be read or decoded.
Picture LoadPictureFile(const std::string& path);

// The screen resolution every size conversion assumes (there is no screen to ask).
inline constexpr int kScreenPixelsPerInch = 96;
inline int ScreenPixelsPerInch() { return kScreenPixelsPerInch; }

}  // namespace vorn
