#include "imaging/picture_decoders.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/system/exception.h"

namespace vorn {
namespace {

// Larger files are refused before they are read; the pixel cap limits them anyway.
constexpr std::uintmax_t kMaxPictureFileBytes = 256ull * 1024 * 1024;

bool StartsWith(std::span<const std::byte> bytes, std::initializer_list<unsigned> magic) {
  if (bytes.size() < magic.size()) return false;
  return std::equal(magic.begin(), magic.end(), bytes.begin(),
                    [](unsigned m, std::byte b) { return std::to_integer<unsigned>(b) == m; });
}

bool LooksLikeIco(std::span<const std::byte> bytes) {
  // Reserved 0, type 1 (icon) or 2 (cursor), at least one image, width byte, height byte.
  return bytes.size() >= 6 && StartsWith(bytes, {0, 0}) &&
         (StartsWith(bytes.subspan(2), {1, 0}) || StartsWith(bytes.subspan(2), {2, 0})) &&
         !StartsWith(bytes.subspan(4), {0, 0});
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::vector<std::byte> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw Exception("Cannot open picture file " + path);
  const std::streamoff size = in.tellg();
  if (size < 0) throw Exception("Cannot read picture file " + path);
  if (static_cast<std::uintmax_t>(size) > kMaxPictureFileBytes) {
    throw Exception("Picture file is too large: " + path);
  }
  std::vector<std::byte> bytes(static_cast<std::size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), size);
  if (in.gcount() != size) throw Exception("Cannot read picture file " + path);
  return bytes;
}

}  // namespace

PictureType DetectPictureType(std::span<const std::byte> bytes) {
  if (StartsWith(bytes, {'B', 'M'})) return PictureType::kBmp;
  if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) return PictureType::kJpeg;
  if (StartsWith(bytes, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return PictureType::kPng;
  if (StartsWith(bytes, {'G', 'I', 'F', '8'})) return PictureType::kGif;
  if (LooksLikeEmf(bytes)) return PictureType::kEmf;
  if (LooksLikeWmf(bytes)) return PictureType::kWmf;
  if (LooksLikeIco(bytes)) return PictureType::kIco;
  return PictureType::kUnknown;
}

PictureType PictureTypeFromFileName(std::string_view file_name) {
  const std::size_t dot = file_name.find_last_of('.');
  const std::size_t slash = file_name.find_last_of('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return PictureType::kUnknown;
  }
  const std::string ext = Lower(file_name.substr(dot + 1));
  if (ext == "bmp" || ext == "dib") return PictureType::kBmp;
  if (ext == "ico" || ext == "cur") return PictureType::kIco;
  if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif") return PictureType::kJpeg;
  if (ext == "png") return PictureType::kPng;
  if (ext == "gif") return PictureType::kGif;
  if (ext == "wmf") return PictureType::kWmf;
  if (ext == "emf") return PictureType::kEmf;
  return PictureType::kUnknown;
}

std::uint32_t Picture::Width() const {
  if (const Bitmap* b = AsBitmap()) return b->Width();
  if (const Metafile* m = AsMetafile()) return m->WidthPixels();
  return 0;
}

std::uint32_t Picture::Height() const {
  if (const Bitmap* b = AsBitmap()) return b->Height();
  if (const Metafile* m = AsMetafile()) return m->HeightPixels();
  return 0;
}

Picture DecodePicture(std::span<const std::byte> bytes, PictureType type) {
  switch (type) {
    case PictureType::kBmp:
      return Picture(DecodeBmp(bytes));
    case PictureType::kIco:
      return Picture(DecodeIco(bytes));
    case PictureType::kJpeg:
      return Picture(DecodeJpeg(bytes));
    case PictureType::kPng:
      return Picture(DecodePng(bytes));
    case PictureType::kWmf:
      return Picture(ReadWmf(bytes));
    case PictureType::kEmf:
      return Picture(ReadEmf(bytes));
    case PictureType::kGif:
      throw Exception("Unsupported picture type: GIF");
    case PictureType::kUnknown:
      break;
  }
  throw Exception("Unsupported picture type");
}

Picture LoadPictureFile(const std::string& path) {
  const std::vector<std::byte> bytes = ReadWholeFile(path);
  PictureType type = DetectPictureType(bytes);
  if (type == PictureType::kUnknown) type = PictureTypeFromFileName(path);
  if (type == PictureType::kUnknown) throw Exception("Unsupported picture file type: " + path);
  return DecodePicture(bytes, type);
}

}  // namespace vorn
