#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/system/exception.h"

namespace vorn {

// Bounds-checked little-endian reads over picture bytes, shared by the decoders and
// the metafile reader. Every read past the end throws "<what> is truncated".
class PictureBytes {
 public:
  PictureBytes(std::span<const std::byte> bytes, const char* what) : bytes_(bytes), what_(what) {}

  std::size_t Size() const { return bytes_.size(); }
  std::span<const std::byte> All() const { return bytes_; }

  // The count bytes at offset; throws when they do not all lie inside.
  std::span<const std::byte> Slice(std::uint64_t offset, std::uint64_t count) const {
    if (offset > bytes_.size() || count > bytes_.size() - offset) {
      throw Exception(std::string(what_) + " is truncated");
    }
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
  }
  std::uint8_t U8(std::uint64_t offset) const {
    return std::to_integer<std::uint8_t>(Slice(offset, 1)[0]);
  }
  std::uint16_t U16(std::uint64_t offset) const {
    const auto s = Slice(offset, 2);
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(s[0]) |
                                      std::to_integer<unsigned>(s[1]) << 8);
  }
  std::int16_t I16(std::uint64_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
  std::uint32_t U32(std::uint64_t offset) const {
    const auto s = Slice(offset, 4);
    return std::to_integer<std::uint32_t>(s[0]) | std::to_integer<std::uint32_t>(s[1]) << 8 |
           std::to_integer<std::uint32_t>(s[2]) << 16 | std::to_integer<std::uint32_t>(s[3]) << 24;
  }
  std::int32_t I32(std::uint64_t offset) const { return static_cast<std::int32_t>(U32(offset)); }

 private:
  std::span<const std::byte> bytes_;
  const char* what_;
};

}  // namespace vorn
