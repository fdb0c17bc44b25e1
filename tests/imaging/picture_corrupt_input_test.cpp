#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

// libjpeg's header relies on size_t and FILE being declared before it.
#include <jpeglib.h>

#include "imaging/picture_decoders.h"
#include "tests/imaging/picture_test_support.h"

namespace vorn {
namespace {

using test::ReadPictureData;

std::string DecodeError(const std::vector<std::byte>& bytes, PictureType type) {
  try {
    DecodePicture(bytes, type);
  } catch (const Exception& e) {
    return e.what();
  }
  return "(no error)";
}

std::vector<std::byte> Cut(std::vector<std::byte> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<std::byte> WithU32(std::vector<std::byte> bytes, std::size_t at, std::uint32_t v) {
  test::WriteU32(bytes, at, v);
  return bytes;
}

std::vector<std::byte> WithU16(std::vector<std::byte> bytes, std::size_t at, std::uint16_t v) {
  test::WriteU16(bytes, at, v);
  return bytes;
}

// Offset just past the end of the first SOF0 segment.
std::size_t EndOfSof(const std::vector<std::byte>& jpeg) {
  for (std::size_t i = 2; i + 3 < jpeg.size(); ++i) {
    if (jpeg[i] == std::byte{0xFF} && jpeg[i + 1] == std::byte{0xC0}) {
      return i + 2 +
             (std::to_integer<std::size_t>(jpeg[i + 2]) << 8 |
              std::to_integer<std::size_t>(jpeg[i + 3]));
    }
  }
  return 0;
}

std::vector<std::byte> RandomAfterSoi() {
  std::mt19937 random(7);
  std::vector<std::byte> bytes{std::byte{0xFF}, std::byte{0xD8}};
  for (int i = 0; i < 4000; ++i) bytes.push_back(static_cast<std::byte>(random()));
  return bytes;
}

// Sets the IHDR width and mends the chunk's CRC, so only the size is wrong.
std::vector<std::byte> WithPngWidth(std::vector<std::byte> png, std::uint32_t width) {
  for (int i = 0; i < 4; ++i) png[16 + i] = static_cast<std::byte>(width >> (24 - 8 * i));
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 12; i < 29; ++i) {
    crc ^= std::to_integer<std::uint32_t>(png[i]);
    for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (crc & 1 ? 0xEDB88320u : 0);
  }
  crc ^= 0xFFFFFFFFu;
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<std::byte>(crc >> (24 - 8 * i));
  return png;
}

struct CorruptCase {
  const char* name;
  std::function<std::vector<std::byte>()> bytes;
  PictureType type;
  const char* message;  // whole message, or its start when it ends with "*"
};

class CorruptPictureTest : public testing::TestWithParam<CorruptCase> {};

TEST_P(CorruptPictureTest, FailsWithItsMessage) {
  const std::string message = DecodeError(GetParam().bytes(), GetParam().type);
  const std::string expected = GetParam().message;
  if (expected.ends_with('*')) {
    EXPECT_TRUE(message.starts_with(expected.substr(0, expected.size() - 1))) << message;
  } else {
    EXPECT_EQ(message, expected);
  }
}

const CorruptCase kCases[] = {
    // JPEG
    {"JpegEmpty", [] { return std::vector<std::byte>{}; }, PictureType::kJpeg, "JPEG error: *"},
    {"JpegRandomAfterSoi", RandomAfterSoi, PictureType::kJpeg, "JPEG error: *"},
    {"JpegTruncatedAfterSof",
     [] {
       const auto jpeg = ReadPictureData("block.jpg");
       return Cut(jpeg, EndOfSof(jpeg));
     },
     PictureType::kJpeg, "JPEG error: *"},
    {"JpegTruncatedInScan",
     [] {
       const auto jpeg = ReadPictureData("block.jpg");
       return Cut(jpeg, jpeg.size() - 60);
     },
     PictureType::kJpeg, "JPEG error: Premature end of JPEG file"},
    {"JpegProgressiveTruncated",
     [] {
       const auto jpeg = ReadPictureData("progressive.jpg");
       return Cut(jpeg, jpeg.size() / 2);
     },
     PictureType::kJpeg, "JPEG error: *"},
    {"PngGivenToJpeg", [] { return ReadPictureData("rgb.png"); }, PictureType::kJpeg,
     "JPEG error: Not a JPEG file: starts with 0x89 0x50"},
    // PNG
    {"PngTruncated",
     [] {
       const auto png = ReadPictureData("rgb.png");
       return Cut(png, png.size() / 2);
     },
     PictureType::kPng, "PNG error: *"},
    {"PngBadCrc",
     [] {
       auto png = ReadPictureData("rgb.png");
       png[30] ^= std::byte{0x55};  // inside IHDR
       return png;
     },
     PictureType::kPng, "PNG error: *"},
    {"PngTooWide", [] { return WithPngWidth(ReadPictureData("rgb.png"), 70000); },
     PictureType::kPng, "PNG error: Invalid IHDR data"},
    {"PngSignature", [] { return ReadPictureData("rgb24.bmp"); }, PictureType::kPng,
     "PNG signature is not valid"},
    // BMP
    {"BmpNoMagic", [] { return ReadPictureData("rgb.png"); }, PictureType::kBmp,
     "Bitmap does not start with BM"},
    {"BmpTruncatedHeader", [] { return Cut(ReadPictureData("rgb24.bmp"), 30); }, PictureType::kBmp,
     "Bitmap is truncated"},
    {"BmpTruncatedBits", [] { return Cut(ReadPictureData("rgb24.bmp"), 80); }, PictureType::kBmp,
     "Bitmap is truncated"},
    {"BmpNegativeWidth", [] { return WithU32(ReadPictureData("rgb24.bmp"), 18, -4); },
     PictureType::kBmp, "Bitmap width is negative: -4"},
    {"BmpMostNegativeHeight", [] { return WithU32(ReadPictureData("rgb24.bmp"), 22, 0x80000000u); },
     PictureType::kBmp, "Picture size out of range: 4x2147483648"},
    {"BmpZeroHeight", [] { return WithU32(ReadPictureData("rgb24.bmp"), 22, 0); },
     PictureType::kBmp, "Picture size out of range: 4x0"},
    {"BmpZeroWidth", [] { return WithU32(ReadPictureData("rgb24.bmp"), 18, 0); }, PictureType::kBmp,
     "Picture size out of range: 0x3"},
    {"BmpWidthTimesHeightOverflows",
     [] { return WithU32(WithU32(ReadPictureData("rgb24.bmp"), 18, 0x40000000), 22, 0x40000000); },
     PictureType::kBmp, "Picture size out of range: 1073741824x1073741824"},
    {"BmpAboveThePixelCap",
     [] { return WithU32(WithU32(ReadPictureData("rgb24.bmp"), 18, 65535), 22, 65535); },
     PictureType::kBmp, "Picture size out of range: 65535x65535"},
    {"BmpLargeButUnderCapTruncated",
     [] { return WithU32(WithU32(ReadPictureData("rgb24.bmp"), 18, 8000), 22, 8000); },
     PictureType::kBmp, "Bitmap is truncated"},
    {"BmpBitCount", [] { return WithU16(ReadPictureData("rgb24.bmp"), 28, 7); }, PictureType::kBmp,
     "Unsupported bitmap format: 7 bits, compression 0"},
    {"BmpHeaderSize", [] { return WithU32(ReadPictureData("rgb24.bmp"), 14, 5); },
     PictureType::kBmp, "Bitmap header size is not valid: 5"},
    {"BmpBitsOffsetPastEnd", [] { return WithU32(ReadPictureData("rgb24.bmp"), 10, 5000); },
     PictureType::kBmp, "Bitmap data is truncated"},
    {"BmpBitsOffsetInsideFileHeader", [] { return WithU32(ReadPictureData("rgb24.bmp"), 10, 3); },
     PictureType::kBmp, "Bitmap data offset is not valid: 3"},
    {"BmpRleTopDown", [] { return WithU32(ReadPictureData("rle8.bmp"), 22, -3); },
     PictureType::kBmp, "Bitmap with compressed rows cannot be top-down"},
    {"BmpRleWithoutEnd",
     [] {
       auto bmp = ReadPictureData("rle8.bmp");
       return WithU32(Cut(bmp, bmp.size() - 12), 34, 0);
     },
     PictureType::kBmp, "Bitmap data is truncated"},
    // ICO
    {"IcoNoEntries", [] { return test::Bytes().U16(0).U16(1).U16(0).Get(); }, PictureType::kIco,
     "Icon holds no images"},
    {"IcoDirectoryTruncated", [] { return Cut(ReadPictureData("icon.ico"), 30); },
     PictureType::kIco, "Icon is truncated"},
    {"IcoOffsetPastEnd",
     [] { return WithU32(WithU32(ReadPictureData("icon.ico"), 18, 1000000), 34, 1000000); },
     PictureType::kIco, "Icon image lies outside the file at offset 1000000"},
    {"IcoSizePastEnd",
     [] { return WithU32(WithU32(ReadPictureData("icon.ico"), 14, 0xFFFFFFF0), 30, 0xFFFFFFF0); },
     PictureType::kIco, "Icon image lies outside the file at offset *"},
    {"IcoHeader", [] { return test::Bytes().U16(0).U16(7).U16(1).Get(); }, PictureType::kIco,
     "Icon header is not valid"},
};

INSTANTIATE_TEST_SUITE_P(Inputs, CorruptPictureTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Writes a grey 8 x 8 progressive JPEG with one DC scan and eleven successive
// approximation scans for each AC coefficient on its own: 694 valid scans.
std::vector<std::byte> ManyScanJpeg() {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = 8;
  cinfo.image_height = 8;
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  std::vector<jpeg_scan_info> scans;
  scans.push_back({1, {0}, 0, 0, 0, 0});
  for (int k = 1; k < 64; ++k) {
    scans.push_back({1, {0}, k, k, 0, 10});
    for (int al = 9; al >= 0; --al) scans.push_back({1, {0}, k, k, al + 1, al});
  }
  cinfo.scan_info = scans.data();
  cinfo.num_scans = static_cast<int>(scans.size());
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(8, 128);
  for (int y = 0; y < 8; ++y) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::byte> bytes(reinterpret_cast<std::byte*>(buffer),
                               reinterpret_cast<std::byte*>(buffer) + size);
  std::free(buffer);
  return bytes;
}

TEST(JpegScanLimitTest, ThousandsOfScansAreRefused) {
  EXPECT_EQ(DecodeError(ManyScanJpeg(), PictureType::kJpeg),
            "JPEG error: Too many progressive scans: 501");
}

}  // namespace
}  // namespace vorn
