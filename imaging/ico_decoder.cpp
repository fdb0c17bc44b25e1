#include <cstdint>
#include <string>

#include "imaging/bmp_decoder.h"
#include "imaging/picture_bytes.h"
#include "imaging/picture_decoders.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;

struct IconEntry {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bit_count = 0;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
};

IconEntry ReadEntry(const PictureBytes& in, std::size_t index) {
  const std::size_t at = kDirectorySize + index * kEntrySize;
  IconEntry e;
  // A stored width or height of 0 means 256.
  e.width = in.U8(at) == 0 ? 256 : in.U8(at);
  e.height = in.U8(at + 1) == 0 ? 256 : in.U8(at + 1);
  e.bit_count = in.U16(at + 6);
  e.size = in.U32(at + 8);
  e.offset = in.U32(at + 12);
  return e;
}

// The largest image, and of equal sizes the one with the most colours.
IconEntry PickEntry(const PictureBytes& in, std::uint16_t count) {
  IconEntry best = ReadEntry(in, 0);
  for (std::size_t i = 1; i < count; ++i) {
    const IconEntry e = ReadEntry(in, i);
    const std::uint64_t area = std::uint64_t{e.width} * e.height;
    const std::uint64_t best_area = std::uint64_t{best.width} * best.height;
    if (area > best_area || (area == best_area && e.bit_count > best.bit_count)) best = e;
  }
  return best;
}

}  // namespace

Bitmap DecodeIco(std::span<const std::byte> bytes) {
  const PictureBytes in(bytes, "Icon");
  if (in.U16(0) != 0 || (in.U16(2) != 1 && in.U16(2) != 2)) {
    throw Exception("Icon header is not valid");
  }
  const std::uint16_t count = in.U16(4);
  if (count == 0) throw Exception("Icon holds no images");
  in.Slice(kDirectorySize, std::uint64_t{count} * kEntrySize);
  const IconEntry entry = PickEntry(in, count);
  if (entry.offset < kDirectorySize + std::uint64_t{count} * kEntrySize ||
      entry.offset > in.Size() || entry.size > in.Size() - entry.offset || entry.size == 0) {
    throw Exception("Icon image lies outside the file at offset " + std::to_string(entry.offset));
  }
  const auto image = in.Slice(entry.offset, entry.size);
  if (DetectPictureType(image) == PictureType::kPng) return DecodePng(image);
  return DecodeDib(image, std::nullopt, DibStorage::kIcon);
}

}  // namespace vorn
