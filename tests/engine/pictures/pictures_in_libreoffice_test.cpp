// Opens documents with our picture groups in LibreOffice, prints them to PDF and checks on a
// 96-per-inch rendering of each page that the picture shows at the size it states.
#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "engine/qefunc/picture.h"
#include "platform/system/files.h"
#include "tests/engine/pictures/picture_fixture.h"

namespace vorn::testing {
namespace {

struct Box {
  uint32_t left = 0, top = 0, width = 0, height = 0;
};

// The smallest box holding every pixel that is not near white.
Box InkBox(const Bitmap& page) {
  uint32_t left = page.Width(), top = page.Height(), right = 0, bottom = 0;
  for (uint32_t y = 0; y < page.Height(); ++y) {
    for (uint32_t x = 0; x < page.Width(); ++x) {
      const uint32_t p = page.Pixel(x, y);
      if ((p >> 16 & 0xFF) > 240 && (p >> 8 & 0xFF) > 240 && (p & 0xFF) > 240) continue;
      left = std::min(left, x), top = std::min(top, y);
      right = std::max(right, x), bottom = std::max(bottom, y);
    }
  }
  if (right < left) return {};
  return {left, top, right - left + 1, bottom - top + 1};
}

int RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PicturesInLibreOfficeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (RunCommand("command -v soffice >/dev/null && command -v pdftoppm "
                   ">/dev/null") != 0)
      return;
    dir_ = new std::string(TempDir() + "/vorn_pics_lo_" + std::to_string(getpid()));
    RunCommand("mkdir -p " + *dir_);
    WriteDocuments();
    RunCommand("cd " + *dir_ +
               " && soffice --headless "
               "-env:UserInstallation=file:///tmp/lo-pics-profile "
               "--convert-to pdf ./*.rtf >/dev/null 2>&1");
    RunCommand("cd " + *dir_ +
               " && for f in ./*.pdf; do pdftoppm -r 96 -png -singlefile \"$f\" "
               "\"${f%.pdf}\"; done");
  }
  // VORN_KEEP_PICTURE_DOCS=1 keeps the documents, PDFs and page images to look at.
  static void TearDownTestSuite() {
    if (dir_ != nullptr && std::getenv("VORN_KEEP_PICTURE_DOCS") == nullptr) {
      RunCommand("rm -rf " + *dir_);
    }
    delete dir_;
    dir_ = nullptr;
  }

  // One document per case: a paragraph holding the picture and the colour table the picture added,
  // as the report's assembly writes it.
  static void WriteDocument(const std::string& name, TQeRTF& report,
                            const std::function<void(TQeRTF&, const TQeRowContent&)>& write) {
    TMemoryStream body;
    report.SetOutput(&body);
    TQeRowContent row;
    row.FormatText = "\\plain ";
    write(report, row);
    TMemoryStream colours;
    report.HeaderTables.WriteTable(-18, colours);
    TFileStream file(*dir_ + "/" + name + ".rtf", TFileStream::Mode::kCreate);
    file.Write("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Sans;}}" + colours.Bytes() +
               "\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1134\\margb1134"
               "\\pard\\plain " +
               body.Bytes() + "\\par}");
    file.Close();
  }

  static void WriteDocuments() {
    const std::string photo = ReadFileBytes(PictureFile("card_photo.jpg"));
    {
      TQeRTF report;
      WriteDocument("jpeg_blob", report, [&](TQeRTF& r, const TQeRowContent& row) {
        r.WritePictureFromField(BytesField(ftGraphic, photo), row);
      });
    }
    for (const char* file : {"card_label.png", "card_logo.bmp"}) {
      TQeRTF report;
      report.SetOptions({});  // hexadecimal data
      WriteDocument(std::string(file).substr(0, std::string(file).find('.')), report,
                    [&](TQeRTF& r, const TQeRowContent& row) {
                      r.WritePictureFromFile(PictureFile(file), row);
                    });
    }
    {
      TQeRTF report;
      WriteDocument("user_function", report, [](TQeRTF& r, const TQeRowContent& row) {
        Picture picture;
        std::vector<uint32_t> pixels(100 * 50, 0xFF2060C0);
        LoadPictureFromPixels(picture, 100, 50, pixels);
        r.WritePicture(picture, row);
      });
    }
    {
      TQeRTF report;
      report.OnImageFormat = [](int, TQeImageFormat& format) {
        format.WidthMM = 40;
        format.HeightMM = 20;
        format.SetBorder(1, 5, 2);
      };
      WriteDocument("bordered", report, [&](TQeRTF& r, const TQeRowContent& row) {
        r.WritePictureFromField(BytesField(ftGraphic, photo), row);
      });
    }
    {
      TQeRTF report;
      report.SetOptions({eoGraphicsWmfCompatible, eoGraphicsBinary});
      WriteDocument("wmf_compatible", report, [&](TQeRTF& r, const TQeRowContent& row) {
        r.WritePictureFromField(BytesField(ftGraphic, photo), row);
      });
    }
  }

  // The ink box of the page LibreOffice printed for `name`.
  static Box Shown(const std::string& name) {
    if (dir_ == nullptr) return {};
    return InkBox(*LoadPictureFile(*dir_ + "/" + name + ".png").AsBitmap());
  }
  void SkipWithoutLibreOffice() {
    if (dir_ == nullptr) GTEST_SKIP() << "soffice or pdftoppm not installed";
  }

  static std::string* dir_;
};

std::string* PicturesInLibreOfficeTest::dir_ = nullptr;

// Rendering may add one pixel of edge.
MATCHER_P2(ShownAt, width, height, "") {
  *result_listener << "shown " << arg.width << "x" << arg.height;
  return arg.width >= static_cast<uint32_t>(width) &&
         arg.width <= static_cast<uint32_t>(width) + 1 &&
         arg.height >= static_cast<uint32_t>(height) &&
         arg.height <= static_cast<uint32_t>(height) + 1;
}

// One test for all documents: LibreOffice starts once, which is most of the time taken.
TEST_F(PicturesInLibreOfficeTest, EachPictureShowsAtItsSize) {
  SkipWithoutLibreOffice();
  EXPECT_THAT(Shown("jpeg_blob"), ShownAt(120, 90)) << "JPEG blob field, binary";
  EXPECT_THAT(Shown("card_label"), ShownAt(160, 60)) << "PNG file, hex";
  EXPECT_THAT(Shown("card_logo"), ShownAt(90, 45)) << "BMP file, hex";
  EXPECT_THAT(Shown("user_function"), ShownAt(100, 50)) << "user-defined function";
  // The handler's 40 x 20 mm at 96 per inch.
  EXPECT_THAT(Shown("bordered"), ShownAt(151, 76)) << "bordered, resized by OnImageFormat";
  EXPECT_THAT(Shown("wmf_compatible"), ShownAt(120, 90)) << "Windows metafile";
}

}  // namespace
}  // namespace vorn::testing
