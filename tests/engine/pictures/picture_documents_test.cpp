// Whole runs: picture tags in a template reach the document, and their border colours reach the
// colour table written at the end.
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/qefunc/picture.h"
#include "engine/qefunc/user_functions.h"
#include "platform/system/files.h"
#include "tests/engine/pictures/picture_fixture.h"

namespace vorn::testing {
namespace {

// One record whose field 0 is a graphic blob.
class PictureDataSet : public TDataSet {
 public:
  explicit PictureDataSet(std::string bytes) : field_(ftGraphic, std::move(bytes)) {
    SetName("CARDS");
  }
  int FieldCount() const override { return 1; }
  TField& Fields(int) const override { return field_; }
  bool Bof() const override { return true; }
  bool Eof() const override { return false; }
  std::string Bookmark() const override { return "0"; }
  void SetBookmark(const std::string&) override {}
  TDataSetState State() const override { return TDataSetState::dsBrowse; }
  void First() override {}
  void Next() override {}
  void Prior() override {}
  void Last() override {}

 private:
  mutable BytesField field_;
};

class PictureDocumentTest : public ::testing::Test {
 protected:
  ~PictureDocumentTest() override {
    if (!template_path_.empty()) DeleteFile(template_path_);
  }
  std::string Render(const std::string& rtf) {
    template_path_ = TempDir() + "/vorn_pics_doc_" + std::to_string(getpid()) + ".rtf";
    {
      TFileStream file(template_path_, TFileStream::Mode::kCreate);
      file.Write(rtf);
      file.Close();
    }
    report_.SetInFile(template_path_);
    TMemoryStream out;
    report_.ExecuteToStream({&cards_}, out);
    return out.Bytes();
  }

  PictureDataSet cards_{ReadFileBytes(PictureFile("card_photo.jpg"))};
  TQeRTF report_;
  std::string template_path_;
};

TEST_F(PictureDocumentTest, BlobFieldInATemplateWithoutColourTable) {
  const std::string out = Render(R"({\rtf1{\fonttbl{\f0 Arial;}}\pard \\A:PIC\\\par})");
  EXPECT_EQ(out.rfind(R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red0\green0\blue0;}\pard )", 0),
            0u)
      << out.substr(0, 120);
  EXPECT_NE(out.find("\\picw1800\\pich1350\\emfblip\\picwgoal1800\\pichgoal1350\\bin"),
            std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 7), "\r}\\par}");
}

TEST_F(PictureDocumentTest, BorderColourAfterTheTemplateColours) {
  report_.OnImageFormat = [](int, TQeImageFormat& format) { format.SetBorder(3, 0, 1); };
  const std::string out = Render(
      R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red255\green0\blue0;}\pard \\FIMG(A:PIC)\\\par})");
  EXPECT_NE(out.find(R"({\colortbl;\red255\green0\blue0;\red0\green0\blue0;})"), std::string::npos);
  EXPECT_NE(out.find("\\emfblip\\brdrth\\brdrw20\\brdrcf2"), std::string::npos);
}

TEST_F(PictureDocumentTest, FileNamedByAVariable) {
  report_.AddTextVariable("LOGO", PictureFile("card_logo.bmp"));
  report_.AddTextVariable("GONE", "/no/such/logo.bmp");
  const std::string out = Render(R"({\rtf1\pard \\FIMG(LOGO)\\ and \\FIMG(GONE)\\\par})");
  EXPECT_NE(out.find("\\picw1350\\pich675\\emfblip"), std::string::npos);
  EXPECT_NE(out.find("#Can't load file /no/such/logo.bmp"), std::string::npos);
  EXPECT_TRUE(report_.Succeeded());
}

TEST_F(PictureDocumentTest, UserFunctionPictureWithItsFormatIndex) {
  TQeUDFList functions;
  TQeUDF& pic = functions.Functions().Add();
  pic.SetName("SWATCH");
  pic.SetResultType(udfrTPicture);
  pic.OnCalculate = [](TQeBaseReport&, const TQeUDFArgs&, int32_t, TQeUDFObject result) {
    const std::vector<uint32_t> pixels(40 * 20, 0xFF00A000);
    LoadPictureFromPixels(*std::get<Picture*>(result), 40, 20, pixels);
  };
  report_.SetUDFList(&functions);
  int index = -1;
  report_.OnImageFormat = [&index](int format_index, TQeImageFormat&) { index = format_index; };
  report_.SetOptions({eoGraphicsWmfCompatible});
  const std::string out = Render(R"({\rtf1\pard \\FIMG(SWATCH(),4)\\\par})");
  EXPECT_EQ(index, 4);
  EXPECT_NE(out.find("\\picw1058\\pich529\\wmetafile8 0100090000"), std::string::npos);
  report_.SetUDFList(nullptr);
}

}  // namespace
}  // namespace vorn::testing
