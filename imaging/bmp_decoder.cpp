#include "imaging/bmp_decoder.h"

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/picture_bytes.h"
#include "imaging/picture_decoders.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

struct DibHeader {
  std::uint32_t header_size = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;  // rows of the colour image (an icon's doubled height halved)
  bool top_down = false;
  std::uint16_t bit_count = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t size_image = 0;
  std::uint32_t colors_used = 0;
  std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
  std::size_t masks_after_header = 0;    // bytes of masks stored after a 40-byte header
};

// One channel of a bit-field pixel scaled to 8 bits; a missing mask reads as `absent`.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    max = (std::uint64_t{mask} >> shift);
  }
  std::uint8_t Get(std::uint32_t pixel, std::uint8_t absent) const {
    if (mask == 0) return absent;
    const std::uint64_t value = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>(value * 255 / max);
  }
};

void ReadMasks(const PictureBytes& in, DibHeader& h) {
  const bool has_alpha = h.compression == kBiAlphaBitfields;
  if (h.header_size >= 52) {
    for (int i = 0; i < 3; ++i) h.masks[i] = in.U32(40 + 4 * i);
    if (h.header_size >= 56) h.masks[3] = in.U32(52);
    return;
  }
  h.masks_after_header = has_alpha ? 16 : 12;
  for (int i = 0; i < (has_alpha ? 4 : 3); ++i) h.masks[i] = in.U32(h.header_size + 4 * i);
}

void SetDefaultMasks(DibHeader& h) {
  if (h.bit_count == 16) h.masks = {0x7C00, 0x03E0, 0x001F, 0};
  if (h.bit_count == 32) h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
}

void CheckCompression(const DibHeader& h) {
  const std::uint32_t c = h.compression;
  const bool ok =
      (c == kBiRgb && (h.bit_count == 1 || h.bit_count == 4 || h.bit_count == 8 ||
                       h.bit_count == 16 || h.bit_count == 24 || h.bit_count == 32)) ||
      (c == kBiRle8 && h.bit_count == 8) || (c == kBiRle4 && h.bit_count == 4) ||
      ((c == kBiBitfields || c == kBiAlphaBitfields) && (h.bit_count == 16 || h.bit_count == 32));
  if (!ok) {
    throw Exception("Unsupported bitmap format: " + std::to_string(h.bit_count) +
                    " bits, compression " + std::to_string(c));
  }
  if (h.top_down && (c == kBiRle8 || c == kBiRle4)) {
    throw Exception("Bitmap with compressed rows cannot be top-down");
  }
}

DibHeader ReadHeader(const PictureBytes& in, DibStorage storage) {
  DibHeader h;
  h.header_size = in.U32(0);
  std::int64_t width = 0;
  std::int64_t height = 0;
  if (h.header_size == kCoreHeaderSize) {
    width = in.U16(4);
    height = in.U16(6);
    h.bit_count = in.U16(10);
  } else if (h.header_size >= kInfoHeaderSize && h.header_size <= 1024) {
    width = in.I32(4);
    height = in.I32(8);
    h.bit_count = in.U16(14);
    h.compression = in.U32(16);
    h.size_image = in.U32(20);
    h.colors_used = in.U32(32);
  } else {
    throw Exception("Bitmap header size is not valid: " + std::to_string(h.header_size));
  }
  h.top_down = height < 0;
  if (height < 0) height = -height;  // int64, so INT32_MIN cannot overflow
  if (storage == DibStorage::kIcon) height /= 2;
  if (width < 0) throw Exception("Bitmap width is negative: " + std::to_string(width));
  CheckPictureSize(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height));
  h.width = static_cast<std::uint32_t>(width);
  h.height = static_cast<std::uint32_t>(height);
  CheckCompression(h);
  if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    ReadMasks(in, h);
  } else {
    SetDefaultMasks(h);
  }
  return h;
}

std::uint64_t RowStride(std::uint32_t width, std::uint32_t bit_count) {
  return (std::uint64_t{width} * bit_count + 31) / 32 * 4;
}

std::vector<std::uint32_t> ReadPalette(const PictureBytes& in, const DibHeader& h,
                                       std::size_t offset) {
  std::uint64_t count = h.colors_used;
  if (h.bit_count <= 8) {
    const std::uint64_t full = std::uint64_t{1} << h.bit_count;
    if (count == 0 || count > full) count = full;
  } else {
    count = 0;
  }
  const std::size_t entry = h.header_size == kCoreHeaderSize ? 3 : 4;
  std::vector<std::uint32_t> palette(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const auto rgb = in.Slice(offset + i * entry, 3);
    palette[i] = 0xFF000000u | std::to_integer<std::uint32_t>(rgb[2]) << 16 |
                 std::to_integer<std::uint32_t>(rgb[1]) << 8 |
                 std::to_integer<std::uint32_t>(rgb[0]);
  }
  return palette;
}

// Palette size in bytes, as stored, for finding the bits when no offset is given.
std::uint64_t StoredPaletteBytes(const DibHeader& h) {
  std::uint64_t count = h.colors_used;
  if (count == 0 && h.bit_count <= 8) count = std::uint64_t{1} << h.bit_count;
  return count * (h.header_size == kCoreHeaderSize ? 3 : 4);
}

std::uint32_t PaletteColor(const std::vector<std::uint32_t>& palette, std::uint32_t index) {
  // An index past the palette is drawn black, as a display driver does.
  return index < palette.size() ? palette[index] : 0xFF000000u;
}

void DecodeRows(std::span<const std::byte> bits, const DibHeader& h,
                const std::vector<std::uint32_t>& palette, bool keep_alpha, Bitmap& out) {
  const std::uint64_t stride = RowStride(h.width, h.bit_count);
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]),
      alpha(keep_alpha ? h.masks[3] : 0);
  for (std::uint32_t row = 0; row < h.height; ++row) {
    const std::byte* src = bits.data() + row * stride;
    const std::uint32_t y = h.top_down ? row : h.height - 1 - row;
    for (std::uint32_t x = 0; x < h.width; ++x) {
      std::uint32_t argb = 0;
      switch (h.bit_count) {
        case 1:
        case 4:
        case 8: {
          const std::uint64_t bit = std::uint64_t{x} * h.bit_count;
          const auto byte = std::to_integer<std::uint32_t>(src[bit / 8]);
          const std::uint32_t index =
              (byte >> (8 - h.bit_count - bit % 8)) & ((1u << h.bit_count) - 1);
          argb = PaletteColor(palette, index);
          break;
        }
        case 24: {
          const std::byte* p = src + std::size_t{x} * 3;
          argb = 0xFF000000u | std::to_integer<std::uint32_t>(p[2]) << 16 |
                 std::to_integer<std::uint32_t>(p[1]) << 8 | std::to_integer<std::uint32_t>(p[0]);
          break;
        }
        default: {
          const std::byte* p = src + std::size_t{x} * (h.bit_count / 8);
          std::uint32_t v =
              std::to_integer<std::uint32_t>(p[0]) | std::to_integer<std::uint32_t>(p[1]) << 8;
          if (h.bit_count == 32) {
            v |= std::to_integer<std::uint32_t>(p[2]) << 16 | std::to_integer<std::uint32_t>(p[3])
                                                                  << 24;
          }
          argb = std::uint32_t{alpha.Get(v, 255)} << 24 | std::uint32_t{red.Get(v, 0)} << 16 |
                 std::uint32_t{green.Get(v, 0)} << 8 | blue.Get(v, 0);
        }
      }
      out.SetPixel(x, y, argb);
    }
  }
}

// Run-length coded rows: pairs of (count, index), or an escape (0, code). Pixels the
// runs skip keep palette entry 0; runs past the right edge are clipped.
void DecodeRle(std::span<const std::byte> bits, const DibHeader& h,
               const std::vector<std::uint32_t>& palette, Bitmap& out) {
  const PictureBytes in(bits, "Bitmap data");
  const bool four = h.compression == kBiRle4;
  for (std::uint32_t y = 0; y < h.height; ++y) {
    for (std::uint32_t x = 0; x < h.width; ++x) out.SetPixel(x, y, PaletteColor(palette, 0));
  }
  std::uint64_t x = 0, y = 0, at = 0;
  auto put = [&](std::uint32_t index) {
    if (x < h.width && y < h.height) {
      out.SetPixel(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(h.height - 1 - y),
                   PaletteColor(palette, index));
    }
    ++x;
  };
  while (true) {
    if (at + 2 > in.Size()) {
      if (y >= h.height) return;
      throw Exception("Bitmap data is truncated");
    }
    const unsigned count = in.U8(at), value = in.U8(at + 1);
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i) put(four ? (i % 2 ? value & 15 : value >> 4) : value);
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      x += in.U8(at);
      y += in.U8(at + 1);
      at += 2;
    } else {
      const std::uint64_t bytes = four ? (value + 1) / 2 : value;
      const auto run = in.Slice(at, bytes);
      for (unsigned i = 0; i < value; ++i) {
        const auto b = std::to_integer<unsigned>(run[four ? i / 2 : i]);
        put(four ? (i % 2 ? b & 15 : b >> 4) : b);
      }
      at += (bytes + 1) / 2 * 2;
    }
  }
}

// An icon's 1-bit mask marks transparent pixels; a 32-bit image with any alpha uses
// its alpha instead, as the desktop does.
void ApplyIconMask(std::span<const std::byte> mask, const DibHeader& h, Bitmap& out) {
  bool has_alpha = false;
  if (h.bit_count == 32) {
    for (std::uint32_t y = 0; y < h.height && !has_alpha; ++y) {
      for (std::uint32_t x = 0; x < h.width && !has_alpha; ++x) has_alpha = out.Pixel(x, y) >> 24;
    }
    if (has_alpha) return;
  }
  const std::uint64_t stride = RowStride(h.width, 1);
  if (mask.size() < stride * h.height) {
    if (h.bit_count == 32) return;
    throw Exception("Icon mask is truncated");
  }
  for (std::uint32_t row = 0; row < h.height; ++row) {
    const std::uint32_t y = h.top_down ? row : h.height - 1 - row;
    for (std::uint32_t x = 0; x < h.width; ++x) {
      const auto byte = std::to_integer<unsigned>(mask[row * stride + x / 8]);
      const bool transparent = (byte >> (7 - x % 8)) & 1;
      const std::uint32_t rgb = out.Pixel(x, y) & 0x00FFFFFF;
      out.SetPixel(x, y, transparent ? rgb : rgb | 0xFF000000u);
    }
  }
}

}  // namespace

Bitmap DecodeDib(std::span<const std::byte> dib, std::optional<std::size_t> bits_offset,
                 DibStorage storage) {
  const PictureBytes in(dib, "Bitmap");
  DibHeader h = ReadHeader(in, storage);
  if (storage == DibStorage::kIcon && h.bit_count == 32) h.masks[3] = 0xFF000000u;
  const std::size_t palette_at = h.header_size + h.masks_after_header;
  const std::vector<std::uint32_t> palette = ReadPalette(in, h, palette_at);
  const std::uint64_t bits_at = bits_offset ? *bits_offset : palette_at + StoredPaletteBytes(h);
  if (bits_at > in.Size()) throw Exception("Bitmap data is truncated");

  const auto rest = dib.subspan(static_cast<std::size_t>(bits_at));
  if (h.compression == kBiRle8 || h.compression == kBiRle4) {
    Bitmap out(h.width, h.height);
    const bool sized = h.size_image != 0 && h.size_image <= rest.size();
    DecodeRle(sized ? rest.first(h.size_image) : rest, h, palette, out);
    return out;
  }
  // The bits are checked before the pixels are allocated.
  const std::uint64_t bits_size = RowStride(h.width, h.bit_count) * h.height;
  const auto bits = in.Slice(bits_at, bits_size);
  Bitmap out(h.width, h.height);
  DecodeRows(
      bits, h, palette,
      storage == DibStorage::kIcon || h.header_size >= 56 || h.compression == kBiAlphaBitfields,
      out);
  if (storage == DibStorage::kIcon) ApplyIconMask(rest.subspan(bits.size()), h, out);
  return out;
}

Bitmap DecodeBmp(std::span<const std::byte> bytes) {
  const PictureBytes in(bytes, "Bitmap");
  if (in.Size() < 2 || in.U8(0) != 'B' || in.U8(1) != 'M') {
    throw Exception("Bitmap does not start with BM");
  }
  const std::uint32_t bits_offset = in.U32(10);
  if (bits_offset < kFileHeaderSize) {
    throw Exception("Bitmap data offset is not valid: " + std::to_string(bits_offset));
  }
  return DecodeDib(in.Slice(kFileHeaderSize, in.Size() - kFileHeaderSize),
                   bits_offset - kFileHeaderSize, DibStorage::kFile);
}

}  // namespace vorn
