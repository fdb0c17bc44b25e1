#include "imaging/metafile_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "imaging/metafile_converter.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrStretchDibits = 0x51;
constexpr std::uint32_t kEmfSignature = 0x464D4520;
constexpr std::uint32_t kEmfVersion = 0x00010000;
constexpr std::uint16_t kMetaSetMapMode = 0x0103;
constexpr std::uint16_t kMetaSetWindowOrg = 0x020B;
constexpr std::uint16_t kMetaSetWindowExt = 0x020C;
constexpr std::uint16_t kMetaStretchDib = 0x0F43;
constexpr std::uint16_t kMetaEof = 0x0000;
constexpr std::uint32_t kWmfHeaderWords = 9;
constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 per inch
constexpr std::uint32_t kMaxWmfCoordinate = 32767;

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::byte>& out) : out_(out) {}
  void U16(std::uint16_t v) {
    out_.push_back(static_cast<std::byte>(v));
    out_.push_back(static_cast<std::byte>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void Bytes(std::span<const std::byte> bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }

 private:
  std::vector<std::byte>& out_;
};

void PutU32At(std::vector<std::byte>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::byte>(v >> (8 * i));
}

std::uint8_t OnWhite(std::uint8_t channel, std::uint8_t alpha) {
  return static_cast<std::uint8_t>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
}

// A pixel laid on white, as 0x00RRGGBB.
inline std::uint32_t PixelOnWhite(const std::uint8_t* p) {
  const std::uint8_t alpha = p[3];
  // Most pixels are opaque; the division of the blend would dominate a batch of barcodes.
  if (alpha == 255) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
  }
  return std::uint32_t{OnWhite(p[0], alpha)} | std::uint32_t{OnWhite(p[1], alpha)} << 8 |
         std::uint32_t{OnWhite(p[2], alpha)} << 16;
}

// The two colours of a bitmap that has no more (a barcode, a line drawing), or none.
std::optional<std::array<std::uint32_t, 2>> TwoColours(const Bitmap& bitmap) {
  std::array<std::uint32_t, 2> colours{};
  int found = 0;
  for (std::uint32_t y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* p = bitmap.Row(y).data();
    for (std::uint32_t x = 0; x < bitmap.Width(); ++x, p += 4) {
      const std::uint32_t c = PixelOnWhite(p);
      if (found > 0 && c == colours[0]) continue;
      if (found > 1 && c == colours[1]) continue;
      if (found == 2) return std::nullopt;
      colours[found++] = c;
    }
  }
  if (found == 1) colours[1] = colours[0];
  return colours;
}

void WriteDibHeader(ByteWriter& w, const Bitmap& bitmap, std::uint16_t bit_count,
                    std::size_t bits_size, std::uint32_t colours_used) {
  w.U32(kDibHeaderSize);
  w.I32(static_cast<std::int32_t>(bitmap.Width()));
  w.I32(static_cast<std::int32_t>(bitmap.Height()));  // positive: rows bottom-up
  w.U16(1);
  w.U16(bit_count);
  w.U32(0);
  w.U32(static_cast<std::uint32_t>(bits_size));
  w.I32(kPixelsPerMetre);
  w.I32(kPixelsPerMetre);
  w.U32(colours_used);
  w.U32(0);
}

// A two-colour bitmap goes out at one bit per pixel: a barcode card is then a twentieth of
// its 24-bit size, which is most of a batch's bytes.
std::vector<std::byte> BuildTwoColourDib(const Bitmap& bitmap,
                                         const std::array<std::uint32_t, 2>& colours) {
  const std::size_t stride = (std::size_t{bitmap.Width()} + 31) / 32 * 4;
  const std::size_t bits_size = stride * bitmap.Height();
  const std::size_t info_size = kDibHeaderSize + 8;
  std::vector<std::byte> dib;
  dib.reserve(info_size + bits_size);
  ByteWriter w(dib);
  WriteDibHeader(w, bitmap, 1, bits_size, 2);
  for (const std::uint32_t c : colours) w.U32(c);  // RGBQUAD: blue, green, red, 0
  dib.resize(info_size + bits_size);
  const bool two = !(colours[1] == colours[0]);
  for (std::uint32_t row = 0; row < bitmap.Height(); ++row) {
    if (!two) break;
    const std::uint8_t* p = bitmap.Row(bitmap.Height() - 1 - row).data();
    std::byte* dst = dib.data() + info_size + row * stride;
    for (std::uint32_t x = 0; x < bitmap.Width(); ++x, p += 4) {
      if (PixelOnWhite(p) == colours[1]) dst[x / 8] |= static_cast<std::byte>(0x80u >> (x % 8));
    }
  }
  return dib;
}

std::vector<std::byte> BuildDib(const Bitmap& bitmap) {
  if (const auto colours = TwoColours(bitmap)) return BuildTwoColourDib(bitmap, *colours);
  const std::size_t stride = (std::size_t{bitmap.Width()} * 3 + 3) / 4 * 4;
  const std::size_t bits_size = stride * bitmap.Height();
  std::vector<std::byte> dib;
  dib.reserve(kDibHeaderSize + bits_size);
  ByteWriter w(dib);
  WriteDibHeader(w, bitmap, 24, bits_size, 0);
  dib.resize(kDibHeaderSize + bits_size);
  for (std::uint32_t row = 0; row < bitmap.Height(); ++row) {
    const std::uint8_t* p = bitmap.Row(bitmap.Height() - 1 - row).data();
    std::byte* dst = dib.data() + kDibHeaderSize + row * stride;
    for (std::uint32_t x = 0; x < bitmap.Width(); ++x, p += 4, dst += 3) {
      const std::uint32_t c = PixelOnWhite(p);
      dst[0] = static_cast<std::byte>(c);
      dst[1] = static_cast<std::byte>(c >> 8);
      dst[2] = static_cast<std::byte>(c >> 16);
    }
  }
  return dib;
}

// Header and colour table: what comes before the bits.
std::uint32_t DibInfoSize(const std::vector<std::byte>& dib) {
  const auto colours_used =
      static_cast<std::uint32_t>(dib[32]) | static_cast<std::uint32_t>(dib[33]) << 8 |
      static_cast<std::uint32_t>(dib[34]) << 16 | static_cast<std::uint32_t>(dib[35]) << 24;
  return kDibHeaderSize + 4 * colours_used;
}

void WriteEmfStretchDibits(ByteWriter& w, const std::vector<std::byte>& dib,
                           std::uint32_t dib_width, std::uint32_t dib_height,
                           std::uint32_t width_px, std::uint32_t height_px) {
  const std::uint32_t info_size = DibInfoSize(dib);
  const auto bits_size = static_cast<std::uint32_t>(dib.size() - info_size);
  w.U32(kEmrStretchDibits);
  w.U32(kEmfStretchDibitsSize + static_cast<std::uint32_t>(dib.size()));
  w.I32(0);
  w.I32(0);
  w.I32(static_cast<std::int32_t>(width_px) - 1);
  w.I32(static_cast<std::int32_t>(height_px) - 1);
  w.I32(0);  // destination x, y
  w.I32(0);
  w.I32(0);  // source x, y
  w.I32(0);
  w.I32(static_cast<std::int32_t>(dib_width));
  w.I32(static_cast<std::int32_t>(dib_height));
  w.U32(kEmfStretchDibitsSize);
  w.U32(info_size);
  w.U32(kEmfStretchDibitsSize + info_size);
  w.U32(bits_size);
  w.U32(0);  // DIB_RGB_COLORS
  w.U32(kRopSrcCopy);
  w.I32(static_cast<std::int32_t>(width_px));
  w.I32(static_cast<std::int32_t>(height_px));
  w.Bytes(dib);
}

void WriteEmfEof(ByteWriter& w) {
  w.U32(kEmrEof);
  w.U32(kEmfEofSize);
  w.U32(0);   // no palette entries
  w.U32(16);  // where they would start
  w.U32(kEmfEofSize);
}

void CheckWmfSize(std::uint32_t width, std::uint32_t height) {
  if (width > kMaxWmfCoordinate || height > kMaxWmfCoordinate) {
    throw Exception("Picture too large for a Windows metafile: " + std::to_string(width) + "x" +
                    std::to_string(height));
  }
}

void WriteWmfRecord(ByteWriter& w, std::uint16_t function,
                    std::initializer_list<std::uint16_t> params) {
  w.U32(static_cast<std::uint32_t>(3 + params.size()));
  w.U16(function);
  for (std::uint16_t p : params) w.U16(p);
}

// Frame left and top stay, so the records keep their place inside it; only an end
// that would not fit the field is written as the largest one that does.
std::uint32_t FrameEnd(std::int32_t start, std::int32_t length) {
  const std::int64_t end = std::int64_t{start} + length;
  return static_cast<std::uint32_t>(
      static_cast<std::int32_t>(std::min<std::int64_t>(end, INT32_MAX)));
}

}  // namespace

std::vector<std::byte> EmfHeaderRecord(std::uint32_t width_px, std::uint32_t height_px,
                                       std::int32_t width_hmm, std::int32_t height_hmm,
                                       std::uint32_t total_bytes, std::uint32_t records,
                                       std::uint32_t handles) {
  std::vector<std::byte> out;
  out.reserve(kEmfHeaderSize);
  ByteWriter w(out);
  w.U32(kEmrHeader);
  w.U32(kEmfHeaderSize);
  // Bounds are inclusive device pixels; the frame spans the physical size.
  w.I32(0);
  w.I32(0);
  w.I32(static_cast<std::int32_t>(width_px) - 1);
  w.I32(static_cast<std::int32_t>(height_px) - 1);
  w.I32(0);
  w.I32(0);
  w.I32(width_hmm);
  w.I32(height_hmm);
  w.U32(kEmfSignature);
  w.U32(kEmfVersion);
  w.U32(total_bytes);
  w.U32(records);
  // Handle 0 is reserved, so even a metafile without objects counts one.
  w.U16(static_cast<std::uint16_t>(std::clamp<std::uint32_t>(handles, 1, 0xFFFF)));
  w.U16(0);
  w.U32(0);  // no description
  w.U32(0);
  w.U32(0);  // no palette
  w.I32(kReferenceDevicePixels[0]);
  w.I32(kReferenceDevicePixels[1]);
  w.I32(kReferenceDeviceMm[0]);
  w.I32(kReferenceDeviceMm[1]);
  w.U32(0);  // no pixel format, no OpenGL
  w.U32(0);
  w.U32(0);
  w.I32(kReferenceDeviceMm[0] * 1000);
  w.I32(kReferenceDeviceMm[1] * 1000);
  return out;
}

std::int32_t PixelsToHmm(std::uint32_t pixels) {
  return static_cast<std::int32_t>(std::llround(pixels * 2540.0 / kScreenPixelsPerInch));
}

MetafileCanvas::MetafileCanvas(std::uint32_t width_px, std::uint32_t height_px)
    : width_px_(width_px),
      height_px_(height_px),
      width_hmm_(PixelsToHmm(width_px)),
      height_hmm_(PixelsToHmm(height_px)) {
  CheckPictureSize(width_px, height_px);
}

void MetafileCanvas::DrawBitmap(const Bitmap& bitmap) {
  if (bitmap.Empty()) return;
  dib_ = BuildDib(bitmap);
  dib_width_ = bitmap.Width();
  dib_height_ = bitmap.Height();
  metafile_kind_.reset();
  metafile_records_.clear();
}

void MetafileCanvas::DrawMetafile(const Metafile& metafile) {
  const auto records = metafile.Records();
  metafile_records_.assign(records.begin(), records.end());
  metafile_kind_ = metafile.Kind();
  metafile_frame_ = metafile.Frame();
  dib_.clear();
}

void MetafileCanvas::Draw(const Picture& picture) {
  if (const Bitmap* bitmap = picture.AsBitmap()) DrawBitmap(*bitmap);
  if (const Metafile* metafile = picture.AsMetafile()) DrawMetafile(*metafile);
}

void MetafileCanvas::SetPhysicalSize(std::int32_t width_hmm, std::int32_t height_hmm) {
  // A size of 0 is kept: the picture is then drawn at no size, which is what the
  // caller asked for, rather than ending the run.
  if (width_hmm < 0 || height_hmm < 0) {
    throw Exception("Metafile size out of range: " + std::to_string(width_hmm) + "x" +
                    std::to_string(height_hmm));
  }
  width_hmm_ = width_hmm;
  height_hmm_ = height_hmm;
}

std::vector<std::byte> MetafileCanvas::EmfBytes() const {
  if (metafile_kind_ == MetafileKind::kEmf) {
    std::vector<std::byte> out = metafile_records_;
    PutU32At(out, 32, FrameEnd(metafile_frame_.left, width_hmm_));
    PutU32At(out, 36, FrameEnd(metafile_frame_.top, height_hmm_));
    return out;
  }
  if (metafile_kind_ == MetafileKind::kWmf) {
    return ConvertWmfToEmf(metafile_records_,
                           {metafile_frame_, width_px_, height_px_, width_hmm_, height_hmm_});
  }
  const bool drawn = !dib_.empty();
  const std::uint64_t total =
      kEmfHeaderSize + (drawn ? kEmfStretchDibitsSize + dib_.size() : 0) + kEmfEofSize;
  if (total > 0xFFFFFFFFu) throw Exception("Picture too large for an enhanced metafile");
  std::vector<std::byte> out;
  out.reserve(static_cast<std::size_t>(total));
  ByteWriter w(out);
  w.Bytes(EmfHeaderRecord(width_px_, height_px_, width_hmm_, height_hmm_,
                          static_cast<std::uint32_t>(total), drawn ? 3 : 2, 1));
  if (drawn) WriteEmfStretchDibits(w, dib_, dib_width_, dib_height_, width_px_, height_px_);
  WriteEmfEof(w);
  return out;
}

std::vector<std::byte> MetafileCanvas::WmfBytes() const {
  if (metafile_kind_ == MetafileKind::kWmf) return metafile_records_;
  if (metafile_kind_ == MetafileKind::kEmf) {
    throw Exception("Cannot convert an enhanced metafile to a Windows metafile");
  }
  CheckWmfSize(width_px_, height_px_);
  CheckWmfSize(dib_width_, dib_height_);
  const bool drawn = !dib_.empty();
  const std::uint64_t dib_words = (dib_.size() + 1) / 2;
  const std::uint64_t stretch_words = 14 + dib_words;
  const std::uint64_t total_words = kWmfHeaderWords + 4 + 5 + 5 + (drawn ? stretch_words : 0) + 3;
  if (total_words > 0x7FFFFFFFu) throw Exception("Picture too large for a Windows metafile");
  std::vector<std::byte> out;
  out.reserve(static_cast<std::size_t>(total_words * 2));
  ByteWriter w(out);
  w.U16(1);  // a memory metafile
  w.U16(kWmfHeaderWords);
  w.U16(0x0300);
  w.U32(static_cast<std::uint32_t>(total_words));
  w.U16(0);  // no objects
  w.U32(static_cast<std::uint32_t>(drawn ? stretch_words : 5));
  w.U16(0);
  WriteWmfRecord(w, kMetaSetMapMode, {kMapModeAnisotropic});
  WriteWmfRecord(w, kMetaSetWindowOrg, {0, 0});  // y before x, as in every WMF record
  WriteWmfRecord(w, kMetaSetWindowExt,
                 {static_cast<std::uint16_t>(height_px_), static_cast<std::uint16_t>(width_px_)});
  if (drawn) {
    w.U32(static_cast<std::uint32_t>(stretch_words));
    w.U16(kMetaStretchDib);
    w.U32(kRopSrcCopy);
    w.U16(0);  // DIB_RGB_COLORS
    for (std::uint32_t v : {dib_height_, dib_width_, 0u, 0u, height_px_, width_px_, 0u, 0u}) {
      w.U16(static_cast<std::uint16_t>(v));
    }
    w.Bytes(dib_);
    if (dib_.size() % 2) out.push_back(std::byte{0});
  }
  WriteWmfRecord(w, kMetaEof, {});
  return out;
}

}  // namespace vorn
