#include "imaging/metafile_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/metafile_writer.h"
#include "platform/system/exception.h"
#include "tests/imaging/picture_test_support.h"

namespace vorn {
namespace {

using test::Bytes;
using test::ReadU32;

struct EmfRecord {
  std::uint32_t type;
  std::size_t offset;
  std::uint32_t size;
};

std::vector<EmfRecord> RecordsOf(const std::vector<std::byte>& emf) {
  std::vector<EmfRecord> records;
  for (std::size_t at = 0; at + 8 <= emf.size();) {
    records.push_back({ReadU32(emf, at), at, ReadU32(emf, at + 4)});
    if (records.back().size == 0) break;
    at += records.back().size;
  }
  return records;
}

std::vector<std::uint32_t> TypesOf(const std::vector<EmfRecord>& records) {
  std::vector<std::uint32_t> types;
  for (const auto& r : records) types.push_back(r.type);
  return types;
}

// A plain WMF of the given records, each given as function and 16-bit parameters.
std::vector<std::byte> Wmf(std::initializer_list<std::vector<std::uint16_t>> records) {
  Bytes body;
  for (const auto& r : records) {
    body.U32(static_cast<std::uint32_t>(2 + r.size()));
    for (std::uint16_t v : r) body.U16(v);
  }
  body.U32(3).U16(0);
  return Bytes().U16(1).U16(9).U16(0x300).U32(0).U16(0).U32(0).U16(0).Raw(body.Get()).Get();
}

std::vector<std::byte> Convert(const std::vector<std::byte>& wmf) {
  return ConvertWmfToEmf(wmf, {{0, 0, 100, 50}, 200, 100, 5292, 2646});
}

TEST(WmfToEmfTest, PlaysTheWindowOverTheCanvas) {
  const std::vector<std::byte> emf = Convert(Wmf({}));
  const auto records = RecordsOf(emf);
  EXPECT_EQ(TypesOf(records), (std::vector<std::uint32_t>{1, 17, 10, 9, 12, 11, 14}));
  EXPECT_EQ(ReadU32(emf, 16), 199u);   // bounds: the canvas in pixels
  EXPECT_EQ(ReadU32(emf, 32), 5292u);  // frame: the physical size
  EXPECT_EQ(ReadU32(emf, 48), emf.size());
  EXPECT_EQ(ReadU32(emf, 52), 7u);
  EXPECT_EQ(ReadU32(emf, records[3].offset + 8), 100u);  // window extent
  EXPECT_EQ(ReadU32(emf, records[3].offset + 12), 50u);
  EXPECT_EQ(ReadU32(emf, records[5].offset + 8), 200u);  // viewport extent
  EXPECT_EQ(ReadU32(emf, records[5].offset + 12), 100u);
  EXPECT_NO_THROW(ReadEmf(emf));
}

TEST(WmfToEmfTest, ObjectSlotsBecomeHandles) {
  const std::vector<std::byte> emf = Convert(Wmf({
      {0x02FA, 0, 1, 0, 0x00FF, 0},  // pen, slot 0
      {0x00F7, 0x300, 0},            // palette, slot 1, not carried over
      {0x02FC, 0, 0xFF00, 0, 0},     // brush, slot 2
      {0x012D, 1},                   // selecting the palette writes nothing
      {0x012D, 2},
      {0x01F0, 0},
      {0x02FC, 1, 0, 0, 0},  // a hollow brush reuses slot 0
      {0x012D, 0},
  }));
  const auto records = RecordsOf(emf);
  ASSERT_EQ(TypesOf(records),
            (std::vector<std::uint32_t>{1, 17, 10, 9, 12, 11, 38, 39, 37, 40, 39, 37, 14}));
  EXPECT_EQ(ReadU32(emf, records[6].offset + 8), 1u);      // pen handle
  EXPECT_EQ(ReadU32(emf, records[6].offset + 24), 0xFFu);  // pen colour
  EXPECT_EQ(ReadU32(emf, records[7].offset + 8), 3u);      // brush in slot 2
  EXPECT_EQ(ReadU32(emf, records[7].offset + 16), 0xFF00u);
  EXPECT_EQ(ReadU32(emf, records[8].offset + 8), 3u);
  EXPECT_EQ(ReadU32(emf, records[9].offset + 8), 1u);
  EXPECT_EQ(ReadU32(emf, records[10].offset + 8), 1u);
  EXPECT_EQ(ReadU32(emf, records[11].offset + 8), 1u);
  EXPECT_EQ(test::ReadU16(emf, 56), 4);  // handles 1 to 3, and the reserved 0
}

TEST(WmfToEmfTest, ShapesSwapTheirCoordinatesIntoPlace) {
  const std::vector<std::byte> emf = Convert(Wmf({
      {0x041B, 40, 30, 20, 10},  // rectangle: bottom, right, top, left
      {0x0214, 7, 5},            // move to y 7, x 5
      {0x0324, 3, 1, 2, 30, 4, static_cast<std::uint16_t>(-5), 40},  // polygon
  }));
  const auto records = RecordsOf(emf);
  ASSERT_EQ(TypesOf(records), (std::vector<std::uint32_t>{1, 17, 10, 9, 12, 11, 43, 27, 86, 14}));
  const std::size_t rect = records[6].offset;
  EXPECT_EQ(ReadU32(emf, rect + 8), 10u);
  EXPECT_EQ(ReadU32(emf, rect + 12), 20u);
  EXPECT_EQ(ReadU32(emf, rect + 16), 30u);
  EXPECT_EQ(ReadU32(emf, rect + 20), 40u);
  EXPECT_EQ(ReadU32(emf, records[7].offset + 8), 5u);
  const std::size_t poly = records[8].offset;
  EXPECT_EQ(records[8].size, 40u);
  EXPECT_EQ(static_cast<std::int32_t>(ReadU32(emf, poly + 8)), -5);  // bounds
  EXPECT_EQ(ReadU32(emf, poly + 12), 2u);
  EXPECT_EQ(ReadU32(emf, poly + 16), 30u);
  EXPECT_EQ(ReadU32(emf, poly + 20), 40u);
  EXPECT_EQ(ReadU32(emf, poly + 24), 3u);
  EXPECT_EQ(ReadU32(emf, poly + 28), 0x00020001u);  // first point, x then y
}

TEST(WmfToEmfTest, TextKeepsItsBytes) {
  const std::vector<std::byte> emf = Convert(Wmf({{0x0521, 3, 'H' | 'i' << 8, '!', 9, 8}}));
  const auto records = RecordsOf(emf);
  ASSERT_EQ(records[6].type, 83u);
  const std::size_t text = records[6].offset;
  EXPECT_EQ(ReadU32(emf, text + 36), 8u);   // reference x
  EXPECT_EQ(ReadU32(emf, text + 40), 9u);   // reference y
  EXPECT_EQ(ReadU32(emf, text + 44), 3u);   // characters
  EXPECT_EQ(ReadU32(emf, text + 48), 76u);  // string offset
  EXPECT_EQ(ReadU32(emf, text + 76) & 0xFFFFFF, 'H' | 'i' << 8 | '!' << 16);
}

TEST(WmfToEmfTest, OurOwnBitmapMetafileTranslatesToStretchDibits) {
  Bitmap bitmap(3, 2);
  bitmap.SetPixel(0, 0, 0xFFFF0000);
  bitmap.SetPixel(1, 0, 0xFF00FF00);  // three colours: a 24-bit DIB
  MetafileCanvas wmf_canvas(3, 2);
  wmf_canvas.DrawBitmap(bitmap);
  MetafileCanvas canvas(3, 2);
  canvas.DrawMetafile(ReadWmf(wmf_canvas.WmfBytes()));
  const std::vector<std::byte> emf = canvas.EmfBytes();
  const std::vector<std::byte> direct = wmf_canvas.EmfBytes();
  const auto records = RecordsOf(emf);
  ASSERT_EQ(TypesOf(records), (std::vector<std::uint32_t>{1, 17, 10, 9, 12, 11, 10, 9, 81, 14}));
  const std::size_t s = records[8].offset;
  ASSERT_EQ(records[8].size, 144u);
  for (std::size_t field = 32; field < 80; field += 4) {
    EXPECT_EQ(ReadU32(emf, s + field), ReadU32(direct, 108 + field)) << "field at " << field;
  }
  EXPECT_TRUE(std::equal(emf.begin() + s + 80, emf.begin() + s + 144, direct.begin() + 188));
}

TEST(WmfToEmfTest, RecordCutShortFails) {
  try {
    Convert(Wmf({{0x0324, 100, 1, 2}}));
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Windows metafile record is truncated");
  }
}

}  // namespace
}  // namespace vorn
