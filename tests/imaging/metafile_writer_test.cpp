#include "imaging/metafile_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/system/exception.h"
#include "tests/imaging/picture_test_support.h"

namespace vorn {
namespace {

using test::ReadU16;
using test::ReadU32;

// Top row red, green, blue; bottom row white, black, and a fully transparent pixel.
Bitmap ThreeByTwo() {
  Bitmap bitmap(3, 2);
  bitmap.SetPixel(0, 0, 0xFFFF0000);
  bitmap.SetPixel(1, 0, 0xFF00FF00);
  bitmap.SetPixel(2, 0, 0xFF0000FF);
  bitmap.SetPixel(0, 1, 0xFFFFFFFF);
  bitmap.SetPixel(1, 1, 0xFF000000);
  bitmap.SetPixel(2, 1, 0x00123456);
  return bitmap;
}

std::vector<std::byte> Emf3x2() {
  MetafileCanvas canvas(3, 2);
  canvas.DrawBitmap(ThreeByTwo());
  return canvas.EmfBytes();
}

std::vector<std::byte> Wmf3x2() {
  MetafileCanvas canvas(3, 2);
  canvas.DrawBitmap(ThreeByTwo());
  return canvas.WmfBytes();
}

std::string HexAt(const std::vector<std::byte>& bytes, std::size_t at, std::size_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = at; i < at + count; ++i) {
    const auto v = std::to_integer<unsigned>(bytes.at(i));
    out += kDigits[v >> 4];
    out += kDigits[v & 15];
  }
  return out;
}

TEST(MetafileWriterTest, EmfFieldsForThreeByTwoBitmap) {
  const std::vector<std::byte> emf = Emf3x2();
  ASSERT_EQ(emf.size(), 272u);
  const std::pair<std::size_t, std::uint32_t> fields[] = {
      // EMR_HEADER: type, size, bounds, frame (3 x 2 px at 96 per inch = 79 x 53)
      {0, 1},
      {4, 108},
      {8, 0},
      {12, 0},
      {16, 2},
      {20, 1},
      {24, 0},
      {28, 0},
      {32, 79},
      {36, 53},
      {40, 0x464D4520},
      {44, 0x10000},
      {48, 272},
      {52, 3},
      {56, 1},
      {60, 0},
      {64, 0},
      {68, 0},
      {72, 1920},
      {76, 1440},
      {80, 508},
      {84, 381},
      {88, 0},
      {92, 0},
      {96, 0},
      {100, 508000},
      {104, 381000},
      // EMR_STRETCHDIBITS
      {108, 0x51},
      {112, 144},
      {116, 0},
      {120, 0},
      {124, 2},
      {128, 1},
      {132, 0},
      {136, 0},
      {140, 0},
      {144, 0},
      {148, 3},
      {152, 2},
      {156, 80},
      {160, 40},
      {164, 120},
      {168, 24},
      {172, 0},
      {176, 0x00CC0020},
      {180, 3},
      {184, 2},
      // BITMAPINFOHEADER
      {188, 40},
      {192, 3},
      {196, 2},
      {204, 0},
      {208, 24},
      {212, 3780},
      {216, 3780},
      {220, 0},
      // EMR_EOF
      {252, 14},
      {256, 20},
      {260, 0},
      {264, 16},
      {268, 20},
  };
  for (const auto& [at, value] : fields) EXPECT_EQ(ReadU32(emf, at), value) << "offset " << at;
  EXPECT_EQ(ReadU16(emf, 200), 1);
  EXPECT_EQ(ReadU16(emf, 202), 24);
  // Rows bottom-up, blue-green-red, padded to 12 bytes; transparency laid on white.
  EXPECT_EQ(HexAt(emf, 228, 12), "FFFFFF000000FFFFFF000000");
  EXPECT_EQ(HexAt(emf, 240, 12), "0000FF00FF00FF0000000000");
}

TEST(MetafileWriterTest, WmfFieldsForThreeByTwoBitmap) {
  const std::vector<std::byte> wmf = Wmf3x2();
  ASSERT_EQ(wmf.size(), 144u);
  const std::pair<std::size_t, std::uint16_t> words[] = {
      // header: memory metafile, 9 words, version 3
      {0, 1},
      {2, 9},
      {4, 0x300},
      {10, 0},
      {16, 0},
      // META_SETMAPMODE anisotropic, META_SETWINDOWORG 0,0, META_SETWINDOWEXT 2 high, 3 wide
      {22, 0x0103},
      {24, 8},
      {30, 0x020B},
      {32, 0},
      {34, 0},
      {40, 0x020C},
      {42, 2},
      {44, 3},
      // META_STRETCHDIB: colour usage, source 2 x 3 at 0,0, destination 2 x 3 at 0,0
      {50, 0x0F43},
      {56, 0},
      {58, 2},
      {60, 3},
      {62, 0},
      {64, 0},
      {66, 2},
      {68, 3},
      {70, 0},
      {72, 0},
      // end record
      {142, 0},
  };
  for (const auto& [at, value] : words) EXPECT_EQ(ReadU16(wmf, at), value) << "offset " << at;
  EXPECT_EQ(ReadU32(wmf, 6), 72u);   // total words
  EXPECT_EQ(ReadU32(wmf, 12), 46u);  // largest record
  EXPECT_EQ(ReadU32(wmf, 18), 4u);
  EXPECT_EQ(ReadU32(wmf, 26), 5u);
  EXPECT_EQ(ReadU32(wmf, 36), 5u);
  EXPECT_EQ(ReadU32(wmf, 46), 46u);
  EXPECT_EQ(ReadU32(wmf, 52), 0x00CC0020u);
  EXPECT_EQ(ReadU32(wmf, 74), 40u);  // the DIB follows
  EXPECT_EQ(HexAt(wmf, 114, 12), "FFFFFF000000FFFFFF000000");
  EXPECT_EQ(HexAt(wmf, 126, 12), "0000FF00FF00FF0000000000");
  EXPECT_EQ(ReadU32(wmf, 138), 3u);
}

// A barcode's two colours: black bars on a white ground, one of them transparent.
TEST(MetafileWriterTest, TwoColourBitmapIsWrittenAtOneBitPerPixel) {
  Bitmap bitmap(10, 2);
  for (std::uint32_t x = 0; x < 10; ++x) {
    bitmap.SetPixel(x, 0, x % 3 == 0 ? 0xFF000000 : 0xFFFFFFFF);
    bitmap.SetPixel(x, 1, x == 9 ? 0xFF000000 : 0x00FFFFFF);
  }
  MetafileCanvas canvas(10, 2);
  canvas.DrawBitmap(bitmap);
  const std::vector<std::byte> emf = canvas.EmfBytes();
  // header 108, EMR_STRETCHDIBITS 80 + info 40 + two colours 8 + bits 2 rows of 4, EOF 20
  ASSERT_EQ(emf.size(), 108u + 80 + 48 + 8 + 20);
  const std::pair<std::size_t, std::uint32_t> fields[] = {
      {112, 136},       // record size
      {156, 80},        // offBmiSrc
      {160, 48},        // cbBmiSrc: the header and its colour table
      {164, 128},       // offBitsSrc
      {168, 8},         // cbBitsSrc
      {188, 40},        // biSize
      {208, 8},         // biSizeImage
      {220, 2},         // biClrUsed
      {228, 0x000000},  // colour 0: black, the first one met
      {232, 0xFFFFFF},  // colour 1: white
  };
  for (const auto& [at, value] : fields) EXPECT_EQ(ReadU32(emf, at), value) << "offset " << at;
  EXPECT_EQ(ReadU16(emf, 202), 1);
  // Bottom row first: white but the last pixel; then black at 0, 3, 6 and 9.
  EXPECT_EQ(HexAt(emf, 236, 4), "FF800000");
  EXPECT_EQ(HexAt(emf, 240, 4), "6D800000");

  // The Windows metafile carries the same DIB, and translates back to the same record.
  MetafileCanvas from_wmf(10, 2);
  from_wmf.DrawMetafile(ReadWmf(canvas.WmfBytes()));
  const std::vector<std::byte> translated = from_wmf.EmfBytes();
  const std::vector<std::byte> dib(emf.begin() + 188, emf.begin() + 244);
  EXPECT_NE(std::search(translated.begin(), translated.end(), dib.begin(), dib.end()),
            translated.end());
  EXPECT_EQ(ReadEmf(emf).WidthPixels(), 10u);
}

TEST(MetafileWriterTest, WrittenMetafilesReadBack) {
  const Metafile emf = ReadEmf(Emf3x2());
  EXPECT_EQ(emf.WidthPixels(), 3u);
  EXPECT_EQ(emf.HeightPixels(), 2u);
  const Metafile wmf = ReadWmf(Wmf3x2());
  EXPECT_EQ(wmf.WidthPixels(), 3u);
  EXPECT_EQ(wmf.HeightPixels(), 2u);
}

TEST(MetafileWriterTest, BitmapIsStretchedOverTheCanvasAndFrameFollowsPhysicalSize) {
  MetafileCanvas canvas(6, 4);
  canvas.DrawBitmap(ThreeByTwo());
  canvas.SetPhysicalSize(5000, 2500);
  const std::vector<std::byte> emf = canvas.EmfBytes();
  EXPECT_EQ(ReadU32(emf, 16), 5u);     // bounds right
  EXPECT_EQ(ReadU32(emf, 32), 5000u);  // frame right
  EXPECT_EQ(ReadU32(emf, 36), 2500u);
  EXPECT_EQ(ReadU32(emf, 148), 3u);  // source width
  EXPECT_EQ(ReadU32(emf, 180), 6u);  // destination width
  EXPECT_EQ(ReadU32(emf, 184), 4u);
  const std::vector<std::byte> wmf = canvas.WmfBytes();
  EXPECT_EQ(ReadU16(wmf, 42), 4);
  EXPECT_EQ(ReadU16(wmf, 44), 6);
  EXPECT_EQ(ReadU16(wmf, 66), 4);
  EXPECT_EQ(ReadU16(wmf, 68), 6);
}

TEST(MetafileWriterTest, DefaultPhysicalSizeIsThePixelSizeAt96PerInch) {
  const MetafileCanvas canvas(100, 50);
  EXPECT_EQ(canvas.WidthHmm(), 2646);
  EXPECT_EQ(canvas.HeightHmm(), 1323);
}

TEST(MetafileWriterTest, EnhancedSourceKeepsItsRecordsWithTheNewFrame) {
  const Metafile source = ReadEmf(Emf3x2());
  MetafileCanvas canvas(3, 2);
  canvas.DrawMetafile(source);
  canvas.SetPhysicalSize(1000, 700);
  std::vector<std::byte> emf = canvas.EmfBytes();
  EXPECT_EQ(ReadU32(emf, 32), 1000u);
  EXPECT_EQ(ReadU32(emf, 36), 700u);
  test::WriteU32(emf, 32, 79);
  test::WriteU32(emf, 36, 53);
  EXPECT_EQ(emf, Emf3x2());
}

TEST(MetafileWriterTest, EnhancedSourceFrameNearTheLimitDoesNotOverflow) {
  std::vector<std::byte> bytes = Emf3x2();
  test::WriteU32(bytes, 24, INT32_MAX - 100);
  test::WriteU32(bytes, 32, INT32_MAX - 21);
  MetafileCanvas canvas(3, 2);
  canvas.DrawMetafile(ReadEmf(bytes));
  canvas.SetPhysicalSize(1000, 53);
  EXPECT_EQ(ReadU32(canvas.EmfBytes(), 32), static_cast<std::uint32_t>(INT32_MAX));
}

TEST(MetafileWriterTest, WindowsSourceDropsItsPlaceableHeader) {
  const std::vector<std::byte> plain = Wmf3x2();
  test::Bytes header;
  header.U32(0x9AC6CDD7).U16(0).U16(0).U16(0).U16(3).U16(2).U16(96).U32(0).U16(0);
  std::vector<std::byte> placeable = header.Get();
  placeable.insert(placeable.end(), plain.begin(), plain.end());
  MetafileCanvas canvas(3, 2);
  canvas.DrawMetafile(ReadWmf(placeable));
  EXPECT_EQ(canvas.WmfBytes(), plain);
}

template <typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(MetafileWriterTest, Failures) {
  EXPECT_EQ(ErrorOf([] { MetafileCanvas(40000, 10).WmfBytes(); }),
            "Picture too large for a Windows metafile: 40000x10");
  EXPECT_EQ(ErrorOf([] { MetafileCanvas(0, 10); }), "Picture size out of range: 0x10");
  EXPECT_EQ(ErrorOf([] { MetafileCanvas(3, 2).SetPhysicalSize(-1, 5); }),
            "Metafile size out of range: -1x5");
  EXPECT_EQ(ErrorOf([] {
              MetafileCanvas canvas(3, 2);
              canvas.DrawMetafile(ReadEmf(Emf3x2()));
              canvas.WmfBytes();
            }),
            "Cannot convert an enhanced metafile to a Windows metafile");
}

}  // namespace
}  // namespace vorn
