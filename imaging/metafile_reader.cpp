#include "imaging/metafile_reader.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/picture_bytes.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr std::uint16_t kMetaEof = 0x0000;
constexpr std::uint16_t kMetaSetWindowExt = 0x020C;
constexpr std::uint32_t kEmfSignature = 0x464D4520;
constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::size_t kEmfMinHeaderSize = 88;
constexpr double kHmmPerInch = 2540.0;

bool IsWmfHeaderAt(const PictureBytes& in, std::size_t offset) {
  if (in.Size() < offset + kWmfHeaderSize) return false;
  const std::uint16_t type = in.U16(offset);
  const std::uint16_t version = in.U16(offset + 4);
  return (type == 1 || type == 2) && in.U16(offset + 2) == 9 &&
         (version == 0x0100 || version == 0x0300);
}

std::uint32_t ToPixels(std::int64_t length, double units_per_inch) {
  return static_cast<std::uint32_t>(
      std::llround(static_cast<double>(length) * 96.0 / units_per_inch));
}

std::int32_t ToHmm(std::int64_t length, double units_per_inch) {
  return static_cast<std::int32_t>(
      std::llround(static_cast<double>(length) * kHmmPerInch / units_per_inch));
}

struct WmfScan {
  bool has_window_ext = false;
  std::int16_t ext_x = 0;
  std::int16_t ext_y = 0;
};

// Walks the record chain up to META_EOF; the window extent gives a plain file its size.
WmfScan ScanWmfRecords(const PictureBytes& in, std::size_t offset) {
  WmfScan scan;
  while (true) {
    if (in.Size() - offset < 6) {
      throw Exception("Windows metafile ends without an end record at offset " +
                      std::to_string(offset));
    }
    const std::uint64_t size_bytes = std::uint64_t{in.U32(offset)} * 2;
    const std::uint16_t function = in.U16(offset + 4);
    if (size_bytes < 6 || size_bytes > in.Size() - offset) {
      throw Exception("Windows metafile record size out of range at offset " +
                      std::to_string(offset));
    }
    if (function == kMetaEof) return scan;
    if (function == kMetaSetWindowExt && size_bytes >= 10 && !scan.has_window_ext) {
      scan.has_window_ext = true;
      scan.ext_y = in.I16(offset + 6);
      scan.ext_x = in.I16(offset + 8);
    }
    offset += static_cast<std::size_t>(size_bytes);
  }
}

void CheckEmfRecords(const PictureBytes& in, std::size_t end) {
  std::size_t offset = 0;
  while (true) {
    if (end - offset < 8) {
      throw Exception("Enhanced metafile ends without an end record at offset " +
                      std::to_string(offset));
    }
    const std::uint32_t type = in.U32(offset);
    const std::uint32_t size = in.U32(offset + 4);
    if (size < 8 || size % 4 != 0 || size > end - offset) {
      throw Exception("Enhanced metafile record size out of range at offset " +
                      std::to_string(offset));
    }
    if (type == kEmrEof) return;
    offset += size;
  }
}

}  // namespace

bool LooksLikeWmf(std::span<const std::byte> bytes) {
  const PictureBytes in(bytes, "Windows metafile");
  if (in.Size() >= 4 && in.U32(0) == kPlaceableKey) return true;
  return IsWmfHeaderAt(in, 0);
}

bool LooksLikeEmf(std::span<const std::byte> bytes) {
  const PictureBytes in(bytes, "Enhanced metafile");
  return in.Size() >= 44 && in.U32(0) == kEmrHeader && in.U32(40) == kEmfSignature;
}

Metafile ReadWmf(std::span<const std::byte> bytes) {
  const PictureBytes in(bytes, "Windows metafile");
  const bool placeable = in.Size() >= 4 && in.U32(0) == kPlaceableKey;
  const std::size_t header = placeable ? kPlaceableSize : 0;
  if (!IsWmfHeaderAt(in, header)) throw Exception("Windows metafile header is not valid");
  const WmfScan scan = ScanWmfRecords(in, header + kWmfHeaderSize);

  Metafile::Rect frame{};
  double units_per_inch = 96.0;
  if (placeable) {
    frame = {in.I16(6), in.I16(8), in.I16(10), in.I16(12)};
    units_per_inch = in.U16(14);
    if (units_per_inch == 0) throw Exception("Windows metafile has no units per inch");
  } else if (scan.has_window_ext) {
    frame = {0, 0, scan.ext_x, scan.ext_y};
  }
  const std::int64_t width = std::llabs(std::int64_t{frame.right} - frame.left);
  const std::int64_t height = std::llabs(std::int64_t{frame.bottom} - frame.top);
  const std::uint32_t width_px = ToPixels(width, units_per_inch);
  const std::uint32_t height_px = ToPixels(height, units_per_inch);
  CheckPictureSize(width_px, height_px);
  return Metafile(MetafileKind::kWmf, {bytes.begin(), bytes.end()}, header, frame, width_px,
                  height_px, ToHmm(width, units_per_inch), ToHmm(height, units_per_inch));
}

Metafile ReadEmf(std::span<const std::byte> bytes) {
  const PictureBytes in(bytes, "Enhanced metafile");
  if (!LooksLikeEmf(bytes)) throw Exception("Enhanced metafile header is not valid");
  const std::uint32_t header_size = in.U32(4);
  const std::uint32_t total = in.U32(48);
  if (header_size < kEmfMinHeaderSize || header_size % 4 != 0 || header_size > total) {
    throw Exception("Enhanced metafile header is not valid");
  }
  if (total > in.Size()) throw Exception("Enhanced metafile is truncated");
  CheckEmfRecords(in, total);

  const Metafile::Rect bounds{in.I32(8), in.I32(12), in.I32(16), in.I32(20)};
  const Metafile::Rect frame{in.I32(24), in.I32(28), in.I32(32), in.I32(36)};
  std::int64_t width_hmm = std::int64_t{frame.right} - frame.left;
  std::int64_t height_hmm = std::int64_t{frame.bottom} - frame.top;
  std::uint32_t width_px = 0;
  std::uint32_t height_px = 0;
  if (width_hmm > 0 && height_hmm > 0) {
    width_px = ToPixels(width_hmm, kHmmPerInch);
    height_px = ToPixels(height_hmm, kHmmPerInch);
  } else {
    // A frame of no area leaves the device bounds, which are inclusive.
    const std::int64_t w = std::int64_t{bounds.right} - bounds.left + 1;
    const std::int64_t h = std::int64_t{bounds.bottom} - bounds.top + 1;
    if (w <= 0 || h <= 0) throw Exception("Enhanced metafile has no size");
    CheckPictureSize(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h));
    width_px = static_cast<std::uint32_t>(w);
    height_px = static_cast<std::uint32_t>(h);
    width_hmm = ToHmm(w, 96.0);
    height_hmm = ToHmm(h, 96.0);
  }
  CheckPictureSize(width_px, height_px);
  return Metafile(MetafileKind::kEmf, {bytes.begin(), bytes.begin() + total}, 0, frame, width_px,
                  height_px, static_cast<std::int32_t>(width_hmm),
                  static_cast<std::int32_t>(height_hmm));
}

}  // namespace vorn
