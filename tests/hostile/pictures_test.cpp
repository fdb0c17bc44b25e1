#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/memory_field.h"
#include "data/memory_table.h"
#include "hostile/hostile_fixture.h"

namespace vorn::testing {
namespace {

std::string PictureFile(const std::string& name) {
  std::ifstream in(std::string(VORN_TEST_DATA_DIR) + "/pictures/" + name, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void PutLe32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}
void PutLe16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value);
  bytes[at + 1] = static_cast<char>(value >> 8);
}
void PutBe16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value >> 8);
  bytes[at + 1] = static_cast<char>(value);
}
size_t SofAt(const std::string& jpeg) { return jpeg.find("\xFF\xC0"); }

struct PictureCase {
  const char* name;
  std::string bytes;
};

// A picture field of one card holds the bytes. A picture the decoders refuse ends the run
// with the decoder's message; the process lives on and the next run works.
class BrokenPictureTest : public HostileTest, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(BrokenPictureTest, FailsTheRunWithAMessage) {
  TMemoryTable table(950);
  table.AddFieldDef({"PIC", ftGraphic, 0, false});
  table.CreateDataSet();
  table.Append();
  table.Field(0).SetAsString(GetParam().bytes);
  table.Post();
  const std::string message = RunError(Doc("\\\\A:PIC\\\\"), {&table});
  EXPECT_FALSE(message.empty());
  EXPECT_NE(RunOutput(Doc("after")).find("after"), std::string::npos);
}

std::vector<PictureCase> BrokenPictures() {
  std::vector<PictureCase> cases;
  const std::string jpeg = PictureFile("block.jpg");
  std::string random_after_soi = "\xFF\xD8";
  for (int i = 0; i < 2000; ++i) random_after_soi.push_back(static_cast<char>((i * 7919) >> 3));
  cases.push_back({"JpegRandomAfterSoi", random_after_soi});
  cases.push_back({"JpegCutAfterSof", jpeg.substr(0, SofAt(jpeg) + 19)});
  std::string zero_size = jpeg;
  PutBe16(zero_size, SofAt(jpeg) + 5, 0);
  PutBe16(zero_size, SofAt(jpeg) + 7, 0);
  cases.push_back({"JpegZeroByZero", zero_size});
  std::string huge = jpeg;
  PutBe16(huge, SofAt(jpeg) + 5, 65535);
  PutBe16(huge, SofAt(jpeg) + 7, 65535);
  cases.push_back({"Jpeg65535Square", huge});

  const std::string bmp = PictureFile("rgb24.bmp");
  std::string overflow = bmp;
  PutLe32(overflow, 18, 0x40000000);
  PutLe32(overflow, 22, 0x40000000);
  cases.push_back({"BmpSizeOverflowing32Bits", overflow});
  std::string tall = bmp;
  PutLe32(tall, 18, 1);
  PutLe32(tall, 22, 65535);
  cases.push_back({"BmpOneBy65535WithoutPixels", tall});
  std::string negative = bmp;
  PutLe32(negative, 22, 0x80000000u);
  cases.push_back({"BmpHeightMinInt", negative});
  std::string offset = bmp;
  PutLe32(offset, 10, 0xFFFFFFF0u);
  cases.push_back({"BmpPixelOffsetPastTheEnd", offset});
  cases.push_back({"BmpHeaderOnly", bmp.substr(0, 30)});

  const std::string ico = PictureFile("icon.ico");
  std::string no_entries = ico;
  PutLe16(no_entries, 4, 0);
  cases.push_back({"IcoWithoutEntries", no_entries.substr(0, 6)});
  std::string far_offset = ico;
  PutLe32(far_offset, 6 + 12, 0x7FFFFFFF);
  cases.push_back({"IcoOffsetPastTheEnd", far_offset});
  std::string many = ico;
  PutLe16(many, 4, 65535);
  cases.push_back({"IcoClaimingManyEntries", many});

  const std::string wmf = PictureFile("halves.wmf");
  const size_t records = static_cast<uint8_t>(wmf[0]) == 0xD7 ? 22 + 18 : 18;
  std::string zero_record = wmf;
  PutLe32(zero_record, records, 0);
  cases.push_back({"WmfRecordOfSizeZero", zero_record});
  std::string long_record = wmf;
  PutLe32(long_record, records, 0x7FFFFFFF);
  cases.push_back({"WmfRecordPastTheEnd", long_record});
  std::string emf(108, '\0');
  PutLe32(emf, 0, 1);
  PutLe32(emf, 4, 108);
  PutLe32(emf, 40, 0x464D4520);
  PutLe32(emf, 48, 0xFFFFFFF0u);
  cases.push_back({"EmfClaimingFourGigabytes", emf});
  std::string emf_zero = emf;
  PutLe32(emf_zero, 4, 0);
  cases.push_back({"EmfHeaderOfSizeZero", emf_zero});
  cases.push_back({"NotAPicture", "plain text, no picture"});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenPictureTest, ::testing::ValuesIn(BrokenPictures()),
                         [](const auto& info) { return std::string(info.param.name); });

using PictureFileTest = HostileTest;

// A picture file that cannot be loaded shows as visible text and the run goes on; a pipe
// or a device must not stall it.
TEST_F(PictureFileTest, NamesThatAreNoRegularFileFailWithoutWaiting) {
  const std::string fifo = dir_.File("pipe.jpg");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name :
       {fifo, dir_.Path(), std::string("/dev/zero"), dir_.File("missing.jpg")}) {
    const std::string out = RunOutput(Doc("\\\\FIMG(\"" + name + "\")\\\\"));
    EXPECT_NE(out.find("#Can't load file " + name), std::string::npos) << out;
  }
}

}  // namespace
}  // namespace vorn::testing
