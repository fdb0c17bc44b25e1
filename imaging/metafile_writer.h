#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/metafile_reader.h"
#include "imaging/picture_decoders.h"

namespace vorn {

// Fixed values of the metafiles this writer produces.
inline constexpr std::uint32_t kEmfHeaderSize = 108;
inline constexpr std::uint32_t kEmfStretchDibitsSize = 80;  // before the DIB
inline constexpr std::uint32_t kEmfEofSize = 20;
inline constexpr std::uint32_t kDibHeaderSize = 40;
inline constexpr std::uint32_t kRopSrcCopy = 0x00CC0020;
inline constexpr std::uint16_t kMapModeAnisotropic = 8;
inline constexpr std::int32_t kReferenceDevicePixels[2] = {1920, 1440};  // exactly 96 per inch
inline constexpr std::int32_t kReferenceDeviceMm[2] = {508, 381};

// An EMR_HEADER of kEmfHeaderSize bytes: bounds 0,0 to the pixel size less one, frame
// 0,0 to the physical size, a 96-per-inch reference device, no description or palette.
std::vector<std::byte> EmfHeaderRecord(std::uint32_t width_px, std::uint32_t height_px,
                                       std::int32_t width_hmm, std::int32_t height_hmm,
                                       std::uint32_t total_bytes, std::uint32_t records,
                                       std::uint32_t handles);

// Hundredths of a millimetre that `pixels` cover at the screen resolution, rounded.
std::int32_t PixelsToHmm(std::uint32_t pixels);

// A metafile being built, the stand-in for a drawing surface: it has a size in pixels
// and a physical size, and holds what was drawn on it (the last picture drawn).
// A drawn bitmap is copied, so the caller need not keep it.
class MetafileCanvas {
 public:
  // Throws as CheckPictureSize does. The physical size starts as the pixel size at 96
  // per inch.
  MetafileCanvas(std::uint32_t width_px, std::uint32_t height_px);
  MetafileCanvas(const MetafileCanvas&) = delete;
  MetafileCanvas& operator=(const MetafileCanvas&) = delete;

  std::uint32_t WidthPixels() const { return width_px_; }
  std::uint32_t HeightPixels() const { return height_px_; }
  std::int32_t WidthHmm() const { return width_hmm_; }
  std::int32_t HeightHmm() const { return height_hmm_; }

  // Stretches the bitmap over the whole canvas; transparent pixels are laid on white.
  void DrawBitmap(const Bitmap& bitmap);
  // Keeps a copy of the metafile's records, played over the canvas.
  void DrawMetafile(const Metafile& metafile);
  // Either of the above; an empty picture draws nothing.
  void Draw(const Picture& picture);

  // Throws vorn::Exception when either is negative.
  void SetPhysicalSize(std::int32_t width_hmm, std::int32_t height_hmm);

  // The enhanced metafile: EMR_HEADER (bounds in pixels, frame in hundredths of a
  // millimetre), one EMR_STRETCHDIBITS for a bitmap, EMR_EOF. A drawn EMF is returned
  // with its frame set to the physical size; a drawn WMF is translated (see
  // ConvertWmfToEmf) and played over the canvas.
  std::vector<std::byte> EmfBytes() const;
  // The Windows metafile in the anisotropic mapping mode: header, META_SETMAPMODE,
  // META_SETWINDOWORG, META_SETWINDOWEXT (the pixel size), META_STRETCHDIB, end
  // record. A drawn WMF is returned without its placeable header. Throws when a
  // size does not fit the format's 16-bit coordinates, and for a drawn EMF, which
  // is not translated.
  std::vector<std::byte> WmfBytes() const;

 private:
  std::uint32_t width_px_;
  std::uint32_t height_px_;
  std::int32_t width_hmm_;
  std::int32_t height_hmm_;
  // A 24-bit bottom-up DIB (info header, then rows padded to 4 bytes).
  std::vector<std::byte> dib_;
  std::uint32_t dib_width_ = 0;
  std::uint32_t dib_height_ = 0;
  std::optional<MetafileKind> metafile_kind_;
  std::vector<std::byte> metafile_records_;
  Metafile::Rect metafile_frame_{};
};

}  // namespace vorn
