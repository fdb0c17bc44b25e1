#include "imaging/picture_decoders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/imaging/picture_test_support.h"

namespace vorn {
namespace {

using test::ReadPictureData;

// The 4 x 3 source of most test files, row by row, as 0xAARRGGBB.
constexpr std::uint32_t kSource[3][4] = {
    {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF},
    {0xFF000000, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF},
    {0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF},
};

void ExpectSource(const Bitmap& bitmap, bool first_transparent = false) {
  ASSERT_EQ(bitmap.Width(), 4u);
  ASSERT_EQ(bitmap.Height(), 3u);
  for (std::uint32_t y = 0; y < 3; ++y) {
    for (std::uint32_t x = 0; x < 4; ++x) {
      if (first_transparent && x == 0 && y == 0) {
        EXPECT_EQ(bitmap.Pixel(0, 0) >> 24, 0u);
      } else {
        EXPECT_EQ(bitmap.Pixel(x, y), kSource[y][x]) << "at " << x << "," << y;
      }
    }
  }
}

struct LosslessCase {
  const char* file;
  bool first_transparent;
};

class LosslessDecodeTest : public testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessDecodeTest, GivesTheSourcePixels) {
  const Picture picture = LoadPictureFile(test::PictureDataPath(GetParam().file));
  ASSERT_NE(picture.AsBitmap(), nullptr);
  ExpectSource(*picture.AsBitmap(), GetParam().first_transparent);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LosslessDecodeTest,
    testing::Values(LosslessCase{"rgb24.bmp", false}, LosslessCase{"pal4.bmp", false},
                    LosslessCase{"rle8.bmp", false}, LosslessCase{"argb32.bmp", true},
                    LosslessCase{"rgb.png", false}, LosslessCase{"pal.png", false},
                    LosslessCase{"interlaced.png", false}, LosslessCase{"rgba.png", true}));

TEST(PictureDecodeTest, EightBitPaletteBmp) {
  const Bitmap bitmap = DecodeBmp(ReadPictureData("pal8.bmp"));
  ASSERT_EQ(bitmap.Width(), 5u);
  ASSERT_EQ(bitmap.Height(), 4u);
  for (std::uint32_t i = 0; i < 20; ++i) {
    const std::uint32_t expected =
        0xFF000000u | (i * 12) << 16 | (255 - i * 12) << 8 | (i * 37 % 256);
    EXPECT_EQ(bitmap.Pixel(i % 5, i / 5), expected) << "pixel " << i;
  }
}

TEST(PictureDecodeTest, MonochromeBmpUsesItsTwoColours) {
  const Bitmap bitmap = DecodeBmp(ReadPictureData("mono1.bmp"));
  EXPECT_EQ(bitmap.Pixel(3, 0), 0xFFFFFFFFu);
  EXPECT_EQ(bitmap.Pixel(0, 1), 0xFF000000u);
}

TEST(PictureDecodeTest, NegativeHeightBmpIsTopDown) {
  std::vector<std::byte> bytes = ReadPictureData("rgb24.bmp");
  test::WriteU32(bytes, 22, static_cast<std::uint32_t>(-3));
  const Bitmap bitmap = DecodeBmp(bytes);
  // The rows are the same bytes read from the top, so the picture is upside down.
  for (std::uint32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(bitmap.Pixel(x, 0), kSource[2][x]);
    EXPECT_EQ(bitmap.Pixel(x, 2), kSource[0][x]);
  }
}

TEST(PictureDecodeTest, BmpWithoutImageSizeIsRead) {
  std::vector<std::byte> bytes = ReadPictureData("rgb24.bmp");
  test::WriteU32(bytes, 34, 0);
  ExpectSource(DecodeBmp(bytes));
}

TEST(PictureDecodeTest, Rle4Bmp) {
  // 4 x 2, palette black/red; bottom row "run of 4 red", top row "absolute 0,1,0,1".
  test::Bytes b;
  b.U8('B').U8('M').U32(0).U32(0).U32(14 + 40 + 8);                                 // file header
  b.U32(40).I32(4).I32(2).U16(1).U16(4).U32(2).U32(0).U32(0).U32(0).U32(2).U32(0);  // RLE4
  b.U32(0x000000).U32(0xFF0000);                                                    // palette
  b.U8(4).U8(0x11).U8(0).U8(0);                 // 4 pixels of index 1, end of line
  b.U8(0).U8(4).U8(0x01).U8(0x01).U8(0).U8(1);  // absolute 0,1,0,1, end of bitmap
  const std::vector<std::byte> bytes = b.Get();
  const Bitmap bitmap = DecodeBmp(bytes);
  EXPECT_EQ(bitmap.Pixel(0, 1), 0xFFFF0000u);
  EXPECT_EQ(bitmap.Pixel(3, 1), 0xFFFF0000u);
  EXPECT_EQ(bitmap.Pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(bitmap.Pixel(1, 0), 0xFFFF0000u);
}

TEST(PictureDecodeTest, IconTakesTheLargestImageWithItsMask) {
  const Bitmap bitmap = DecodeIco(ReadPictureData("icon.ico"));
  EXPECT_EQ(bitmap.Width(), 32u);
  EXPECT_EQ(bitmap.Height(), 32u);
  EXPECT_EQ(bitmap.Pixel(0, 0) >> 24, 0u);
  EXPECT_EQ(bitmap.Pixel(31, 31) >> 24, 255u);
}

TEST(PictureDecodeTest, IconHoldingPng) {
  const std::vector<std::byte> png = ReadPictureData("rgb.png");
  test::Bytes b;
  b.U16(0).U16(1).U16(1);                                 // directory of one icon
  b.U8(4).U8(3).U8(0).U8(0).U16(1).U16(32);               // 4 x 3, 32 bits
  b.U32(static_cast<std::uint32_t>(png.size())).U32(22);  // size and offset
  const std::vector<std::byte> ico = b.Raw(png).Get();
  ExpectSource(DecodeIco(ico));
}

bool Near(std::uint32_t actual, std::uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>(actual >> shift & 0xFF);
    const int e = static_cast<int>(expected >> shift & 0xFF);
    if (std::abs(a - e) > tolerance) return false;
  }
  return true;
}

class JpegDecodeTest : public testing::TestWithParam<const char*> {};

TEST_P(JpegDecodeTest, BlocksKeepTheirColours) {
  const Bitmap bitmap = DecodeJpeg(ReadPictureData(GetParam()));
  ASSERT_EQ(bitmap.Width(), 32u);
  ASSERT_EQ(bitmap.Height(), 24u);
  const bool gray = std::string(GetParam()) == "gray.jpg";
  for (std::uint32_t y = 0; y < 3; ++y) {
    for (std::uint32_t x = 0; x < 4; ++x) {
      std::uint32_t expected = kSource[y][x];
      if (gray) {
        const double r = expected >> 16 & 0xFF, g = expected >> 8 & 0xFF, b = expected & 0xFF;
        const auto v = static_cast<std::uint32_t>(0.2126 * r + 0.7152 * g + 0.0722 * b + 0.5);
        expected = 0xFF000000u | v << 16 | v << 8 | v;
      }
      EXPECT_TRUE(Near(bitmap.Pixel(x * 8 + 4, y * 8 + 4), expected, gray ? 40 : 24))
          << std::hex << bitmap.Pixel(x * 8 + 4, y * 8 + 4) << " at block " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, JpegDecodeTest,
                         testing::Values("block.jpg", "progressive.jpg", "gray.jpg", "cmyk.jpg"));

TEST(PictureDetectTest, FromBytes) {
  EXPECT_EQ(DetectPictureType(ReadPictureData("rgb24.bmp")), PictureType::kBmp);
  EXPECT_EQ(DetectPictureType(ReadPictureData("icon.ico")), PictureType::kIco);
  EXPECT_EQ(DetectPictureType(ReadPictureData("block.jpg")), PictureType::kJpeg);
  EXPECT_EQ(DetectPictureType(ReadPictureData("rgb.png")), PictureType::kPng);
  EXPECT_EQ(DetectPictureType(test::Bytes().U8('G').U8('I').U8('F').U8('8').U8('9').U8('a').Get()),
            PictureType::kGif);
  EXPECT_EQ(DetectPictureType(test::Bytes().U32(0x9AC6CDD7).Get()), PictureType::kWmf);
  EXPECT_EQ(DetectPictureType(test::Bytes().U16(1).U16(9).U16(0x300).Zeros(12).Get()),
            PictureType::kWmf);
  EXPECT_EQ(DetectPictureType(test::Bytes().U32(1).Zeros(36).U32(0x464D4520).Get()),
            PictureType::kEmf);
  EXPECT_EQ(DetectPictureType({}), PictureType::kUnknown);
  EXPECT_EQ(DetectPictureType(test::Bytes().U8('B').Get()), PictureType::kUnknown);
}

TEST(PictureDetectTest, FromFileName) {
  const std::pair<const char*, PictureType> cases[] = {
      {"a.BMP", PictureType::kBmp},
      {"x/y.ico", PictureType::kIco},
      {"p.Jpeg", PictureType::kJpeg},
      {"p.jpg", PictureType::kJpeg},
      {"p.png", PictureType::kPng},
      {"m.wmf", PictureType::kWmf},
      {"m.EMF", PictureType::kEmf},
      {"noext", PictureType::kUnknown},
      {"dir.png/file", PictureType::kUnknown},
      {"a.txt", PictureType::kUnknown},
  };
  for (const auto& [name, type] : cases) EXPECT_EQ(PictureTypeFromFileName(name), type) << name;
}

TEST(PictureLoadTest, BytesOutweighTheExtension) {
  const std::string path = std::string(VORN_BINARY_DIR) + "/png_named.jpg";
  {
    const std::vector<std::byte> png = ReadPictureData("rgb.png");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  }
  ExpectSource(*LoadPictureFile(path).AsBitmap());
}

TEST(PictureLoadTest, MissingFileFails) {
  try {
    LoadPictureFile("/nonexistent/pic.bmp");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Cannot open picture file /nonexistent/pic.bmp");
  }
}

TEST(PictureLoadTest, GifIsNotDecoded) {
  EXPECT_THROW(
      DecodePicture(test::Bytes().U8('G').U8('I').U8('F').U8('8').Get(), PictureType::kGif),
      Exception);
}

}  // namespace
}  // namespace vorn
