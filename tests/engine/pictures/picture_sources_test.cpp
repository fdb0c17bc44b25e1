#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/qefunc/picture.h"
#include "platform/system/files.h"
#include "tests/engine/pictures/picture_fixture.h"

namespace vorn::testing {
namespace {

// The "\picw" number of the first group in `text`, -1 without one.
int PicWidth(const std::string& text) {
  const size_t at = text.find("\\picw");
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 5);
}

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class PictureSourceTest : public PictureOutputTest {
 protected:
  std::string FromField(TFieldType type, const std::string& bytes) {
    report_.WritePictureFromField(BytesField(type, bytes), row_);
    return Written();
  }
  std::string FieldError(TFieldType type, const std::string& bytes) {
    try {
      report_.WritePictureFromField(BytesField(type, bytes), row_);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  }
  std::string FromFile(const std::string& file_name) {
    report_.WritePictureFromFile(file_name, row_);
    return Written();
  }
};

TEST_F(PictureSourceTest, BlobPicturesOfEachKindBecomeGroupsAtTheirSize) {
  const struct {
    const char* file;
    int picw;  // pixels x 15
  } kCases[] = {{"card_photo.jpg", 1800}, {"card_label.png", 2400}, {"card_logo.bmp", 1350}};
  for (const auto& c : kCases) {
    out_.Clear();
    const std::string written = FromField(ftGraphic, ReadFileBytes(PictureFile(c.file)));
    EXPECT_EQ(written.rfind("{\\pict", 0), 0u) << c.file;
    EXPECT_EQ(PicWidth(written), c.picw) << c.file;
    EXPECT_TRUE(EndsWith(written, "\r}\\b0 ")) << c.file;
  }
}

TEST_F(PictureSourceTest, AnyBlobFieldTypeHoldsPictures) {
  for (const TFieldType type : {ftBlob, ftMemo}) {
    out_.Clear();
    EXPECT_EQ(PicWidth(FromField(type, ReadFileBytes(PictureFile("block.jpg")))), 480);
  }
}

TEST_F(PictureSourceTest, JpegWithoutJfifMarkIsStillAJpeg) {
  // An Exif camera picture carries no JFIF; it was read as a bitmap and failed.
  std::string bytes = ReadFileBytes(PictureFile("block.jpg"));
  bytes.replace(bytes.find("JFIF"), 4, "Exif");
  EXPECT_EQ(PicWidth(FromField(ftGraphic, bytes)), 480);
}

TEST_F(PictureSourceTest, EmptyBlobWritesOnlyTheFormatting) {
  EXPECT_EQ(FromField(ftGraphic, ""), "\\b0 ");
  EXPECT_TRUE(report_.HeaderTables.Colors.empty());
}

TEST_F(PictureSourceTest, FimgOnAFieldThatIsNoBlobFails) {
  EXPECT_EQ(FieldError(ftString, "card_photo.jpg"), "Invalid class typecast");
  EXPECT_EQ(FieldError(ftInteger, ""), "Invalid class typecast");
  EXPECT_EQ(Written(), "");
}

TEST_F(PictureSourceTest, CorruptBlobsFailWithTheDecodersErrorAndWriteNothing) {
  const std::string jpeg = ReadFileBytes(PictureFile("card_photo.jpg"));
  const std::string bmp = ReadFileBytes(PictureFile("card_logo.bmp"));
  const std::string png = ReadFileBytes(PictureFile("card_label.png"));
  std::string huge_bmp = bmp;
  huge_bmp[18] = huge_bmp[19] = huge_bmp[22] = huge_bmp[23] = '\x7f';  // 32639 x 32639
  std::string zero_bmp = bmp;
  zero_bmp[18] = zero_bmp[19] = zero_bmp[20] = zero_bmp[21] = '\0';
  const struct {
    const char* name;
    std::string bytes;
    const char* message_start;
  } kCases[] = {
      {"jfif random", "\xFF\xD8\xFF\xE0..JFIF" + std::string(200, '\x5A'), "JPEG error: "},
      {"jpeg truncated", jpeg.substr(0, jpeg.size() / 2), "JPEG error: "},
      {"jpeg header only", jpeg.substr(0, 20), "JPEG error: "},
      {"gif", std::string("GIF89a\x0a\x00\x0a\x00\x80\x00\x00", 13) + std::string(40, '\0'),
       "JPEG error: "},
      {"png truncated", png.substr(0, png.size() - 30), ""},
      {"bmp truncated", bmp.substr(0, 60), ""},
      {"bmp too large", huge_bmp, "Picture size out of range: "},
      {"bmp zero width", zero_bmp, "Picture size out of range: 0x"},
      {"random", std::string(64, '\x01'), ""},
      {"one byte", "B", ""},
  };
  for (const auto& c : kCases) {
    out_.Clear();
    const std::string message = FieldError(ftGraphic, c.bytes);
    EXPECT_FALSE(message.empty()) << c.name;
    EXPECT_EQ(message.rfind(c.message_start, 0), 0u) << c.name << ": " << message;
    EXPECT_EQ(Written(), "") << c.name;
  }
}

TEST_F(PictureSourceTest, PictureFileBecomesAGroupThenTheFormatting) {
  const std::string written = FromFile(PictureFile("card_label.png"));
  EXPECT_EQ(PicWidth(written), 2400);
  EXPECT_TRUE(EndsWith(written, "\r}\\b0 "));
  EXPECT_EQ(report_.HeaderTables.Colors.size(), 2u);
}

TEST_F(PictureSourceTest, FileThatCannotBeLoadedBecomesVisibleText) {
  const std::string dir = TempDir() + "/vorn_pics_" + std::to_string(getpid());
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  const std::string fifo = dir + "/pipe.png";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string corrupt = dir + "/cut.png";
  {
    TFileStream file(corrupt, TFileStream::Mode::kCreate);
    file.Write(ReadFileBytes(PictureFile("card_label.png")).substr(0, 50));
    file.Close();
  }
  const struct {
    std::string file_name;
    std::string text;
  } kCases[] = {
      {"/no/such/file.png", "#Can't load file /no/such/file.png"},
      {"", "#Can't load file "},
      {dir, "#Can't load file " + dir},
      // A FIFO would block the run until someone writes to it.
      {fifo, "#Can't load file " + fifo},
      {corrupt, "#Can't load file " + corrupt},
      {"C:\\{cards}\\\xA4\xE5.bmp", "#Can't load file C:\\\\\\{cards\\}\\\\\\'A4\\'E5.bmp"},
  };
  for (const auto& c : kCases) {
    out_.Clear();
    EXPECT_EQ(FromFile(c.file_name), c.text + "\\b0 ");
  }
  EXPECT_TRUE(report_.HeaderTables.Colors.empty());
  unlink(fifo.c_str());
  unlink(corrupt.c_str());
  rmdir(dir.c_str());
}

TEST_F(PictureSourceTest, WindowsMetafileFileBothWays) {
  const std::string emf = FromFile(PictureFile("halves.wmf"));
  EXPECT_NE(emf.find("\\picw1500\\pich750\\emfblip\\picwgoal1500\\pichgoal750\\bin"),
            std::string::npos);
  out_.Clear();
  SetOptions({eoGraphicsWmfCompatible, eoGraphicsBinary});
  const std::string wmf = FromFile(PictureFile("halves.wmf"));
  EXPECT_NE(wmf.find("\\wmetafile8\\bin"), std::string::npos);
}

TEST(UserFunctionPictureTest, PixelsMustMatchTheSize) {
  Picture picture;
  const std::vector<uint32_t> pixels(6, 0xFF00FF00);
  LoadPictureFromPixels(picture, 3, 2, pixels);
  EXPECT_EQ(picture.Width(), 3u);
  ASSERT_NE(picture.AsBitmap(), nullptr);
  EXPECT_EQ(picture.AsBitmap()->Pixel(2, 1), 0xFF00FF00u);
  try {
    LoadPictureFromPixels(picture, 2, 2, pixels);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Pixel count does not match the picture size: 6 for 2x2");
  }
  EXPECT_THROW(LoadPictureFromPixels(picture, 0, 0, {}), Exception);
  // A failed load leaves the picture as it was.
  EXPECT_EQ(picture.Width(), 3u);
}

TEST(UserFunctionPictureTest, BytesAndFiles) {
  Picture picture;
  const std::string png = ReadFileBytes(PictureFile("card_label.png"));
  LoadPictureFromBytes(picture, std::as_bytes(std::span<const char>(png.data(), png.size())));
  EXPECT_EQ(picture.Width(), 160u);
  const std::string junk = "not a picture";
  EXPECT_THROW(
      LoadPictureFromBytes(picture, std::as_bytes(std::span<const char>(junk.data(), junk.size()))),
      Exception);
  LoadPictureFromFile(picture, PictureFile("card_photo.jpg"));
  EXPECT_EQ(picture.Height(), 90u);
  EXPECT_THROW(LoadPictureFromFile(picture, "/no/such.png"), Exception);
  EXPECT_EQ(picture.Height(), 90u);
}

}  // namespace
}  // namespace vorn::testing
