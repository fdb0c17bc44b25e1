#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

enum class MetafileKind { kWmf, kEmf };

// A Windows or enhanced metafile whose header and record chain have been checked.
// It owns a copy of the bytes; the sizes say how large the picture is meant to be.
class Metafile {
 public:
  struct Rect {
    std::int32_t left, top, right, bottom;
  };

  Metafile(MetafileKind kind, std::vector<std::byte> bytes, std::size_t records_offset, Rect frame,
           std::uint32_t width_px, std::uint32_t height_px, std::int32_t width_hmm,
           std::int32_t height_hmm)
      : kind_(kind),
        bytes_(std::move(bytes)),
        records_offset_(records_offset),
        frame_(frame),
        width_px_(width_px),
        height_px_(height_px),
        width_hmm_(width_hmm),
        height_hmm_(height_hmm) {}
  Metafile(const Metafile&) = delete;
  Metafile& operator=(const Metafile&) = delete;
  Metafile(Metafile&&) noexcept = default;
  Metafile& operator=(Metafile&&) noexcept = default;

  MetafileKind Kind() const { return kind_; }
  // The file as read (a placeable header included; bytes after an EMF's nBytes dropped).
  std::span<const std::byte> Bytes() const { return bytes_; }
  // The metafile proper: for a WMF from its standard header on, for an EMF all of it.
  std::span<const std::byte> Records() const {
    return std::span<const std::byte>(bytes_).subspan(records_offset_);
  }
  // EMF: rclFrame in hundredths of a millimetre. WMF: the placeable bounding box in
  // logical units, or 0,0 to the window extent of a plain file.
  Rect Frame() const { return frame_; }
  // Size in pixels at 96 per inch, and in hundredths of a millimetre.
  std::uint32_t WidthPixels() const { return width_px_; }
  std::uint32_t HeightPixels() const { return height_px_; }
  std::int32_t WidthHmm() const { return width_hmm_; }
  std::int32_t HeightHmm() const { return height_hmm_; }

 private:
  MetafileKind kind_;
  std::vector<std::byte> bytes_;
  std::size_t records_offset_;
  Rect frame_;
  std::uint32_t width_px_;
  std::uint32_t height_px_;
  std::int32_t width_hmm_;
  std::int32_t height_hmm_;
};

// Check a metafile and copy it. A record whose size is 0, misaligned or runs past the
// end, a missing end record, a bad header or a size outside CheckPictureSize throws
// vorn::Exception.
Metafile ReadWmf(std::span<const std::byte> bytes);  // placeable or plain
Metafile ReadEmf(std::span<const std::byte> bytes);

// True when the bytes start like a placeable or plain WMF, or like an EMF.
bool LooksLikeWmf(std::span<const std::byte> bytes);
bool LooksLikeEmf(std::span<const std::byte> bytes);

}  // namespace vorn
