#include "imaging/metafile_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/system/exception.h"
#include "tests/imaging/picture_test_support.h"

namespace vorn {
namespace {

using test::Bytes;

std::vector<std::byte> WmfHeader(std::uint16_t version = 0x0300) {
  return Bytes().U16(1).U16(9).U16(version).U32(0).U16(0).U32(0).U16(0).Get();
}

Bytes PlainWmf(std::int16_t ext_x, std::int16_t ext_y) {
  Bytes b;
  b.Raw(WmfHeader());
  b.U32(4).U16(0x0103).U16(8);  // SETMAPMODE anisotropic
  const auto y = static_cast<std::uint16_t>(ext_y), x = static_cast<std::uint16_t>(ext_x);
  b.U32(5).U16(0x020C).U16(y).U16(x);  // SETWINDOWEXT
  return b;
}

std::vector<std::byte> WithEof(Bytes b) { return b.U32(3).U16(0).Get(); }

std::vector<std::byte> PlaceableWmf(std::int16_t right, std::int16_t bottom, std::uint16_t inch) {
  Bytes b;
  b.U32(0x9AC6CDD7).U16(0);  // key, handle
  b.U16(0).U16(0).U16(static_cast<std::uint16_t>(right)).U16(static_cast<std::uint16_t>(bottom));
  b.U16(inch).U32(0).U16(0);  // units, reserved, checksum
  return b.Raw(WithEof(PlainWmf(right, bottom))).Get();
}

// Header of 88 bytes, the given records, and the end record; nBytes is filled in.
std::vector<std::byte> Emf(std::int32_t frame_right, std::int32_t frame_bottom,
                           const std::vector<std::byte>& records = {}) {
  Bytes b;
  b.U32(1).U32(88).I32(0).I32(0).I32(99).I32(49).I32(0).I32(0).I32(frame_right).I32(frame_bottom);
  b.U32(0x464D4520).U32(0x10000).U32(0).U32(0).U16(1).U16(0).U32(0).U32(0).U32(0);
  b.I32(1920).I32(1440).I32(508).I32(381);
  b.Raw(records);
  b.U32(14).U32(20).U32(0).U32(16).U32(20);
  std::vector<std::byte> out = b.Get();
  test::WriteU32(out, 48, static_cast<std::uint32_t>(out.size()));
  test::WriteU32(out, 52, 2);
  return out;
}

TEST(MetafileReadTest, PlaceableWmfSizeComesFromItsBoundingBox) {
  const std::vector<std::byte> bytes = PlaceableWmf(1440, 720, 1440);
  const Metafile wmf = ReadWmf(bytes);
  EXPECT_EQ(wmf.Kind(), MetafileKind::kWmf);
  EXPECT_EQ(wmf.WidthPixels(), 96u);
  EXPECT_EQ(wmf.HeightPixels(), 48u);
  EXPECT_EQ(wmf.WidthHmm(), 2540);
  EXPECT_EQ(wmf.HeightHmm(), 1270);
  EXPECT_EQ(wmf.Bytes().size(), bytes.size());
  ASSERT_EQ(wmf.Records().size(), bytes.size() - 22);
  EXPECT_EQ(wmf.Records()[0], std::byte{1});
}

TEST(MetafileReadTest, PlainWmfSizeComesFromItsWindowExtent) {
  const Metafile wmf = ReadWmf(WithEof(PlainWmf(200, -100)));
  EXPECT_EQ(wmf.WidthPixels(), 200u);
  EXPECT_EQ(wmf.HeightPixels(), 100u);
  EXPECT_EQ(wmf.WidthHmm(), 5292);
  EXPECT_EQ(wmf.Records().size(), wmf.Bytes().size());
}

TEST(MetafileReadTest, EmfSizeComesFromItsFrame) {
  const std::vector<std::byte> bytes = Emf(2540, 1270);
  std::vector<std::byte> with_tail = bytes;
  with_tail.resize(bytes.size() + 7);  // bytes after nBytes are not part of the metafile
  const Metafile emf = ReadEmf(with_tail);
  EXPECT_EQ(emf.Kind(), MetafileKind::kEmf);
  EXPECT_EQ(emf.WidthPixels(), 96u);
  EXPECT_EQ(emf.HeightPixels(), 48u);
  EXPECT_EQ(emf.WidthHmm(), 2540);
  EXPECT_EQ(emf.HeightHmm(), 1270);
  EXPECT_EQ(emf.Bytes().size(), bytes.size());
}

TEST(MetafileReadTest, EmfWithoutFrameUsesItsBounds) {
  const Metafile emf = ReadEmf(Emf(0, 0));
  EXPECT_EQ(emf.WidthPixels(), 100u);
  EXPECT_EQ(emf.HeightPixels(), 50u);
  EXPECT_EQ(emf.WidthHmm(), 2646);
}

struct BadMetafile {
  const char* name;
  std::function<std::vector<std::byte>()> bytes;
  bool emf;
  const char* message;
};

class BadMetafileTest : public testing::TestWithParam<BadMetafile> {};

TEST_P(BadMetafileTest, Fails) {
  try {
    const std::vector<std::byte> bytes = GetParam().bytes();
    GetParam().emf ? ReadEmf(bytes) : ReadWmf(bytes);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  }
}

const BadMetafile kBad[] = {
    {"WmfRecordSizeZero", [] { return PlainWmf(10, 10).U32(0).U16(0x0103).Get(); }, false,
     "Windows metafile record size out of range at offset 36"},
    {"WmfRecordPastEnd", [] { return PlainWmf(10, 10).U32(1000).U16(0x0103).U16(0).Get(); }, false,
     "Windows metafile record size out of range at offset 36"},
    {"WmfRecordSizeOverflows",
     [] { return PlainWmf(10, 10).U32(0x80000001).U16(0x0103).U16(0).Get(); }, false,
     "Windows metafile record size out of range at offset 36"},
    {"WmfNoEndRecord", [] { return PlainWmf(10, 10).Get(); }, false,
     "Windows metafile ends without an end record at offset 36"},
    {"WmfVersion", [] { return WithEof(Bytes().Raw(WmfHeader(0x0200))); }, false,
     "Windows metafile header is not valid"},
    {"WmfEmpty", [] { return std::vector<std::byte>{}; }, false,
     "Windows metafile header is not valid"},
    {"WmfNoUnitsPerInch", [] { return PlaceableWmf(100, 100, 0); }, false,
     "Windows metafile has no units per inch"},
    {"WmfNoSize", [] { return WithEof(Bytes().Raw(WmfHeader())); }, false,
     "Picture size out of range: 0x0"},
    {"WmfHuge", [] { return PlaceableWmf(32000, 32000, 1); }, false,
     "Picture size out of range: 3072000x3072000"},
    {"EmfRecordSizeZero", [] { return Emf(100, 100, Bytes().U32(9).U32(0).Get()); }, true,
     "Enhanced metafile record size out of range at offset 88"},
    {"EmfRecordPastEnd", [] { return Emf(100, 100, Bytes().U32(9).U32(4000).Get()); }, true,
     "Enhanced metafile record size out of range at offset 88"},
    {"EmfRecordMisaligned", [] { return Emf(100, 100, Bytes().U32(9).U32(10).U32(0).Get()); }, true,
     "Enhanced metafile record size out of range at offset 88"},
    {"EmfNoEndRecord",
     [] {
       auto emf = Emf(100, 100);
       emf.resize(88);
       test::WriteU32(emf, 48, 88);
       return emf;
     },
     true, "Enhanced metafile ends without an end record at offset 88"},
    {"EmfTotalPastEnd",
     [] {
       auto emf = Emf(100, 100);
       test::WriteU32(emf, 48, 5000);
       return emf;
     },
     true, "Enhanced metafile is truncated"},
    {"EmfSignature",
     [] {
       auto emf = Emf(100, 100);
       test::WriteU32(emf, 40, 0);
       return emf;
     },
     true, "Enhanced metafile header is not valid"},
    {"EmfHeaderTooSmall",
     [] {
       auto emf = Emf(100, 100);
       test::WriteU32(emf, 4, 40);
       return emf;
     },
     true, "Enhanced metafile header is not valid"},
    {"EmfNoSize",
     [] {
       auto emf = Emf(-5, 0);
       test::WriteU32(emf, 16, static_cast<std::uint32_t>(-10));
       return emf;
     },
     true, "Enhanced metafile has no size"},
};

INSTANTIATE_TEST_SUITE_P(Inputs, BadMetafileTest, testing::ValuesIn(kBad),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vorn
