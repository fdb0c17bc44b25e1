#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/dataset.h"
#include "engine/qebasereport/tag_codec.h"
#include "engine/qertf/image_format.h"
#include "engine/qertf/qertf.h"
#include "imaging/metafile_writer.h"
#include "imaging/picture_decoders.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {
namespace {

constexpr double kHmmPerPixel = 26.4596930676;
constexpr uint16_t kMaxPaletteIndex = 15;
// Hex text is written in pieces so a large picture is never held twice in memory.
constexpr size_t kHexChunkBytes = 32 * 1024;

std::span<const std::byte> AsBytes(std::string_view text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

bool IsBlobField(TFieldType type) { return type == ftBlob || type == ftMemo || type == ftGraphic; }

// Blob pictures carry no type, so the bytes are sniffed: a JFIF or GIF mark near the start means
// the JPEG decoder; bytes that announce JPEG or PNG by their signature alone (camera JPEGs carry
// Exif, not JFIF) go to their decoder; everything else is read as a Windows bitmap, whose reader
// names what is wrong with it.
Picture DecodeBlobPicture(std::string_view bytes) {
  const std::string_view head = bytes.substr(0, 20);
  if (head.find("GIF8") != std::string_view::npos || head.find("JFIF") != std::string_view::npos) {
    return Picture(DecodeJpeg(AsBytes(bytes)));
  }
  switch (DetectPictureType(AsBytes(bytes))) {
    case PictureType::kJpeg:
      return Picture(DecodeJpeg(AsBytes(bytes)));
    case PictureType::kPng:
      return Picture(DecodePng(AsBytes(bytes)));
    default:
      return Picture(DecodeBmp(AsBytes(bytes)));
  }
}

// Only a regular file is opened: a FIFO or device named by a template could block the run forever
// or never end.
std::optional<Picture> TryLoadPictureFile(const std::string& file_name) {
  if (file_name.empty() || !FileSize(file_name).has_value()) return std::nullopt;
  try {
    return LoadPictureFile(file_name);
  } catch (const Exception&) {
    return std::nullopt;
  }
}

std::string SizeText(double width, double height) {
  std::array<char, 64> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%gx%g", width, height);
  return buffer.data();
}

// Hundredths of a millimetre, as the metafile and the head need them; anything the handler set that
// is not a positive size a 32-bit field can hold is refused, so no picture group is written with a
// size a reader cannot take.
int32_t PhysicalHmm(double millimetres, const TQeImageFormat& format) {
  const double hmm = millimetres * 100;
  if (!(hmm >= 0.5) || hmm >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    throw Exception("Image format size out of range: " + SizeText(format.WidthMM, format.HeightMM));
  }
  const int64_t rounded = RoundHalfEven(hmm);
  if (rounded < 1) {
    throw Exception("Image format size out of range: " + SizeText(format.WidthMM, format.HeightMM));
  }
  return static_cast<int32_t>(rounded);
}

uint32_t PixelsOfHmm(int32_t hmm) {
  const int64_t pixels = RoundHalfEven(static_cast<double>(hmm) * ScreenPixelsPerInch() / 2540);
  return static_cast<uint32_t>(std::max<int64_t>(pixels, 1));
}

std::string_view BorderWord(uint8_t style) {
  switch (style) {
    case 1:
      return "\\brdrs";
    case 2:
      return "\\brdrdb";
    case 3:
      return "\\brdrth";
    case 4:
      return "\\brdrsh";
    case 5:
      return "\\brdrdot";
    case 6:
      return "\\brdrhair";
    default:
      return "";
  }
}

std::string Number(int64_t value) { return std::to_string(value); }

std::string WmfHead(const TQeImageFormat& format) {
  return "{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0\\piccropt0"
         "\\piccropb0"
         "\\picw" +
         Number(RoundHalfEven(format.Width * kHmmPerPixel)) + "\\pich" +
         Number(RoundHalfEven(format.Height * kHmmPerPixel)) + "\\wmetafile8";
}

// The enhanced-metafile size is given in twips.
struct TwipsSize {
  int64_t width;
  int64_t height;
};

TwipsSize EmfTwips(const TQeImageFormat& format) {
  return {RoundHalfEven(format.WidthMM * 5669 / 100), RoundHalfEven(format.HeightMM * 5669 / 100)};
}

std::string EmfHead(const TQeImageFormat& format) {
  const TwipsSize twips = EmfTwips(format);
  return "{\\pict\\picscalex" + Number(format.ScaleX) + "\\picscaley" + Number(format.ScaleY) +
         "\\piccropl0\\piccropr0\\piccropt0\\piccropb0\\picw" + Number(twips.width) + "\\pich" +
         Number(twips.height) + "\\emfblip";
}

// Word processors that read \picw of an enhanced metafile as hundredths of a millimetre would show
// it at 57 percent; the goal words state the same twips unambiguously.
std::string EmfGoal(const TQeImageFormat& format) {
  const TwipsSize twips = EmfTwips(format);
  return "\\picwgoal" + Number(twips.width) + "\\pichgoal" + Number(twips.height);
}

std::string BorderText(const TQeImageFormat& format, int color_number) {
  if (format.BorderStyle == 0) return {};
  std::string text(BorderWord(format.BorderStyle));
  text += "\\brdrw" + Number(format.BorderTwips) + "\\brdrcf" + Number(color_number);
  return text;
}

void WriteHexData(TQeRTF& report, std::span<const std::byte> data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  report.WriteOutput(" ");
  std::string chunk;
  chunk.reserve(2 * kHexChunkBytes);
  for (size_t start = 0; start < data.size(); start += kHexChunkBytes) {
    chunk.clear();
    for (const std::byte b : data.subspan(start, std::min(kHexChunkBytes, data.size() - start))) {
      const auto v = std::to_integer<unsigned>(b);
      chunk.push_back(kDigits[v >> 4]);
      chunk.push_back(kDigits[v & 0x0F]);
    }
    report.WriteOutput(chunk);
  }
}

void WriteBinaryData(TQeRTF& report, std::span<const std::byte> data) {
  report.WriteOutput("\\bin" + Number(static_cast<int64_t>(data.size())) + " ");
  report.WriteOutput(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

// Sizes of the Windows metafile drawn and of the image format, at the screen resolution P: the
// canvas scales the source by P / 96; a Windows-metafile source reports its size at 96 per inch.
struct PictureSizes {
  uint32_t canvas_width;
  uint32_t canvas_height;
  uint16_t format_width;
  uint16_t format_height;
};

uint32_t Scaled(uint32_t pixels, int numerator, int denominator) {
  const int64_t value = RoundHalfEven(static_cast<double>(pixels) * numerator / denominator);
  return static_cast<uint32_t>(std::clamp<int64_t>(value, 1, kMaxPictureSide));
}

PictureSizes SizesOf(const Picture& picture) {
  const int ppi = ScreenPixelsPerInch();
  PictureSizes sizes{picture.Width(), picture.Height(), static_cast<uint16_t>(picture.Width()),
                     static_cast<uint16_t>(picture.Height())};
  if (ppi == kScreenPixelsPerInch) return sizes;
  sizes.canvas_width = Scaled(picture.Width(), ppi, kScreenPixelsPerInch);
  sizes.canvas_height = Scaled(picture.Height(), ppi, kScreenPixelsPerInch);
  const Metafile* metafile = picture.AsMetafile();
  if (metafile != nullptr && metafile->Kind() == MetafileKind::kWmf) {
    sizes.format_width = static_cast<uint16_t>(Scaled(picture.Width(), kScreenPixelsPerInch, ppi));
    sizes.format_height =
        static_cast<uint16_t>(Scaled(picture.Height(), kScreenPixelsPerInch, ppi));
  }
  return sizes;
}

}  // namespace

void TQeRTF::WritePictureFromFile(const std::string& file_name, const TQeRowContent& row) {
  const std::optional<Picture> picture = TryLoadPictureFile(file_name);
  if (!picture.has_value()) {
    WriteOutput(EncodeRtfText("#Can't load file " + file_name, CodePage()));
  } else {
    WritePicture(*picture, row);
  }
  WriteOutput(row.FormatText);
}

void TQeRTF::WritePictureFromField(const TField& field, const TQeRowContent& row) {
  if (!IsBlobField(field.DataType())) throw Exception("Invalid class typecast");
  const std::string bytes = field.AsString();
  // A blob without bytes holds no graphic, and that is no error.
  if (!bytes.empty()) WritePicture(DecodeBlobPicture(bytes), row);
  WriteOutput(row.FormatText);
}

void TQeRTF::WritePicture(const Picture& picture, const TQeRowContent& row) {
  if (picture.Empty()) return;
  const bool wmf = Options().Has(eoGraphicsWmfCompatible);
  const PictureSizes sizes = SizesOf(picture);
  TQeImageFormat format(sizes.format_width, sizes.format_height);
  if (OnImageFormat) OnImageFormat(row.Precision, format);
  if (format.BorderColor > kMaxPaletteIndex) {
    format.SetBorder(format.BorderStyle, 0, format.BorderWidth);
  }
  if (wmf && (format.Width == 0 || format.Height == 0)) {
    throw Exception("Image format size out of range: " + SizeText(format.Width, format.Height));
  }
  const int32_t width_hmm = PhysicalHmm(format.WidthMM, format);
  const int32_t height_hmm = PhysicalHmm(format.HeightMM, format);
  // An enhanced metafile is shown at its physical size, and its drawing covers the pixels of its
  // canvas; a canvas of that size at the screen resolution makes a handler's new size scale the
  // picture instead of cropping it or leaving a margin.
  MetafileCanvas canvas(wmf ? sizes.canvas_width : PixelsOfHmm(width_hmm),
                        wmf ? sizes.canvas_height : PixelsOfHmm(height_hmm));
  canvas.Draw(picture);
  canvas.SetPhysicalSize(width_hmm, height_hmm);
  // The data comes first: a picture that cannot be encoded fails before any of its group reaches
  // the document.
  const std::vector<std::byte> data = wmf ? canvas.WmfBytes() : canvas.EmfBytes();

  std::string head = wmf ? WmfHead(format) : EmfHead(format);
  // Every picture puts its border colour into the colour table, bordered or not.
  const TQeColor& color = DefaultPalette().at(format.BorderColor);
  const int color_number =
      HeaderTables.AddColor(TQeHeaderTables::ColorEntry(color.Red, color.Green, color.Blue));
  head += BorderText(format, color_number);
  if (!wmf) head += EmfGoal(format);
  WriteOutput(head);
  if (Options().Has(eoGraphicsBinary)) {
    WriteBinaryData(*this, data);
  } else {
    WriteHexData(*this, data);
  }
  WriteOutput("\r}");
}

}  // namespace vorn
