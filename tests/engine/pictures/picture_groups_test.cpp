#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "imaging/metafile_writer.h"
#include "tests/engine/pictures/picture_fixture.h"

namespace vorn::testing {
namespace {

constexpr char kEmfHead100x50[] =
    "{\\pict\\picscalex100\\picscaley100\\piccrop"
    "l0\\piccropr0\\piccropt0\\piccropb0"
    "\\picw1500\\pich750\\emfblip";
// Enhanced metafiles state their size as goal words too, after any border words.
constexpr char kGoal100x50[] = "\\picwgoal1500\\pichgoal750";

// The metafile of `picture` drawn on a canvas of its own size, or of the given one.
std::string CanvasBytes(const Picture& picture, int32_t width_hmm, int32_t height_hmm, bool wmf,
                        uint32_t canvas_width = 0, uint32_t canvas_height = 0) {
  MetafileCanvas canvas(canvas_width ? canvas_width : picture.Width(),
                        canvas_height ? canvas_height : picture.Height());
  canvas.Draw(picture);
  canvas.SetPhysicalSize(width_hmm, height_hmm);
  return AsText(wmf ? canvas.WmfBytes() : canvas.EmfBytes());
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    out += kDigits[static_cast<unsigned char>(c) >> 4];
    out += kDigits[static_cast<unsigned char>(c) & 15];
  }
  return out;
}

// The head of a group: everything before its data.
std::string HeadOf(const std::string& group) {
  const size_t bin = group.find("\\bin");
  return group.substr(0, bin == std::string::npos ? group.find(' ') : bin);
}

TEST_F(PictureOutputTest, DefaultOptionsWriteBinaryEnhancedMetafile) {
  const Picture picture = SolidPicture(100, 50);
  const std::string data = CanvasBytes(picture, 2646, 1323, false);
  EXPECT_EQ(Write(picture), kEmfHead100x50 + std::string(kGoal100x50) + "\\bin" +
                                std::to_string(data.size()) + " " + data + "\r}");
}

TEST_F(PictureOutputTest, WmfCompatibleWritesWindowsMetafileAtFixedScale) {
  SetOptions({eoGraphicsWmfCompatible, eoGraphicsBinary});
  report_.OnImageFormat = [](int, TQeImageFormat& format) { format.ScaleX = 50; };
  const Picture picture = SolidPicture(100, 50);
  const std::string data = CanvasBytes(picture, 2646, 1323, true);
  EXPECT_EQ(Write(picture),
            "{\\pict\\picscalex100\\picscaley100\\piccropl0\\pi"
            "ccropr0\\piccropt0\\piccropb0"
            "\\picw2646\\pich1323\\wmetafile8\\bin" +
                std::to_string(data.size()) + " " + data + "\r}");
}

TEST_F(PictureOutputTest, WithoutBinaryOptionDataIsOneLineOfUpperCaseHex) {
  SetOptions({});
  const Picture picture = SolidPicture(100, 50);
  const std::string data = CanvasBytes(picture, 2646, 1323, false);
  EXPECT_EQ(Write(picture), kEmfHead100x50 + std::string(kGoal100x50) + " " + Hex(data) + "\r}");
}

TEST_F(PictureOutputTest, HexWindowsMetafile) {
  SetOptions({eoGraphicsWmfCompatible});
  const Picture picture = SolidPicture(100, 50);
  const std::string written = Write(picture);
  EXPECT_EQ(written.substr(written.find("\\wmetafile8")),
            "\\wmetafile8 " + Hex(CanvasBytes(picture, 2646, 1323, true)) + "\r}");
}

TEST_F(PictureOutputTest, LargePictureHexSpansChunksWhole) {
  // More than one piece of hex output: the pieces must join without a gap or a repeat.
  SetOptions({});
  // Many colours, so the bitmap keeps 24 bits per pixel and its data passes 64 KiB.
  Bitmap bitmap(300, 200);
  for (uint32_t y = 0; y < 200; ++y) {
    for (uint32_t x = 0; x < 300; ++x) bitmap.SetPixel(x, y, 0xFF000000u | (x << 8) | y);
  }
  const Picture picture(std::move(bitmap));
  const std::string written = Write(picture);
  const std::string data = CanvasBytes(picture, 7938, 5292, false);
  ASSERT_GT(data.size(), 64u * 1024);
  EXPECT_EQ(written.substr(written.find(' ') + 1), Hex(data) + "\r}");
}

TEST_F(PictureOutputTest, EmptyPictureWritesNothingAndAddsNoColour) {
  EXPECT_EQ(Write(Picture()), "");
  EXPECT_TRUE(report_.HeaderTables.Colors.empty());
}

TEST_F(PictureOutputTest, HandlerGetsFormatIndexAndDefaults) {
  row_.Precision = 7;
  int index = -1;
  TQeImageFormat seen;
  report_.OnImageFormat = [&](int format_index, TQeImageFormat& format) {
    index = format_index;
    seen = format;
  };
  Write(SolidPicture(100, 50));
  EXPECT_EQ(index, 7);
  EXPECT_EQ(seen.Width, 100);
  EXPECT_EQ(seen.Height, 50);
  EXPECT_EQ(seen.ScaleX, 100);
  EXPECT_EQ(seen.ScaleY, 100);
  EXPECT_DOUBLE_EQ(seen.WidthMM, 26.4596930676);
  EXPECT_DOUBLE_EQ(seen.HeightMM, 13.2298465338);
  EXPECT_EQ(seen.BorderStyle, 0);
  EXPECT_EQ(seen.BorderTwips, 0);
}

struct HandlerCase {
  const char* name;
  std::function<void(TQeImageFormat&)> handler;
  bool wmf;
  std::string head;
};

class PictureHeadTest : public PictureOutputTest,
                        public ::testing::WithParamInterface<HandlerCase> {};

TEST_P(PictureHeadTest, HeadText) {
  if (GetParam().wmf) SetOptions({eoGraphicsWmfCompatible, eoGraphicsBinary});
  report_.OnImageFormat = [](int, TQeImageFormat& format) { GetParam().handler(format); };
  EXPECT_EQ(HeadOf(Write(SolidPicture(100, 50))), GetParam().head);
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, PictureHeadTest,
    ::testing::Values(
        HandlerCase{"Scale", [](TQeImageFormat& f) { f.ScaleX = 50, f.ScaleY = 250; }, false,
                    "{\\pict\\picscalex50\\picscaley250\\piccropl0\\piccropr0\\"
                    "piccropt0"
                    "\\piccropb0\\picw1500\\pich750\\emfblip\\picwgoal1500\\pic"
                    "hgoal750"},
        // 50 mm is 2834.5 twips and 30 mm 1700.7: the half goes to the even neighbour.
        HandlerCase{"MillimetresRoundHalfToEven",
                    [](TQeImageFormat& f) { f.WidthMM = 50, f.HeightMM = 30; }, false,
                    "{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0"
                    "\\piccropt0"
                    "\\piccropb0\\picw2834\\pich1701\\emfblip\\picwgoal2834\\pi"
                    "chgoal1701"},
        HandlerCase{"PixelsOnlyMatterToWmf", [](TQeImageFormat& f) { f.Width = 10; }, false,
                    std::string(kEmfHead100x50) + kGoal100x50},
        HandlerCase{"WmfPixels", [](TQeImageFormat& f) { f.Width = 1, f.Height = 65535; }, true,
                    "{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0"
                    "\\piccropt0"
                    "\\piccropb0\\picw26\\pich1734036\\wmetafile8"},
        HandlerCase{"ReplacedObject", [](TQeImageFormat& f) { f = TQeImageFormat(20, 10); }, false,
                    "{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0\\piccrop"
                    "t0"
                    "\\piccropb0\\picw300\\pich150\\emfblip\\picwgoal300\\pichgoal150"},
        HandlerCase{"SetBorderLimitsWidth", [](TQeImageFormat& f) { f.SetBorder(1, 0, 5); }, false,
                    "{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0\\piccrop"
                    "t0"
                    "\\piccropb0\\picw1500\\pich750\\emfblip\\brdrs\\brdrw70\\brdrcf1"
                    "\\picwgoal1500\\pichgoal750"},
        HandlerCase{"ColourBeyondPaletteIsBlackWithWidthRecomputed",
                    [](TQeImageFormat& f) {
                      f.SetBorder(2, 5, 1.5f);
                      f.BorderColor = 20;
                      f.BorderWidth = 1;
                      f.BorderTwips = 99;
                    },
                    false,
                    "{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0\\piccrop"
                    "t0"
                    "\\piccropb0\\picw1500\\pich750\\emfblip\\brdrdb\\brdrw20\\brdrcf1"
                    "\\picwgoal1500\\pichgoal750"},
        HandlerCase{"BorderOnWmf", [](TQeImageFormat& f) { f.SetBorder(6, 12, 0.5f); }, true,
                    "{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0"
                    "\\piccropt0"
                    "\\piccropb0\\picw2646\\pich1323\\wmetafile8\\brdrhair\\brd"
                    "rw10\\brdrcf1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PictureOutputTest, EveryBorderStyleHasItsWord) {
  const char* const kWords[] = {"\\brdrs",  "\\brdrdb",  "\\brdrth",
                                "\\brdrsh", "\\brdrdot", "\\brdrhair"};
  for (uint8_t style = 1; style <= 6; ++style) {
    out_.Clear();
    report_.OnImageFormat = [style](int, TQeImageFormat& f) { f.SetBorder(style, 3, 1); };
    const std::string head = HeadOf(Write(SolidPicture(2, 2)));
    EXPECT_EQ(head.substr(head.find("\\picw")), std::string("\\picw30\\pich30\\emfblip") +
                                                    kWords[style - 1] +
                                                    "\\brdrw20\\brdrcf1\\picwgoal30\\pichgoal30")
        << int{style};
  }
}

TEST_F(PictureOutputTest, HandlerSizeScalesTheEnhancedMetafile) {
  // The drawing covered only the picture's own pixels of a larger frame, so LibreOffice showed a
  // white margin (or cropped it) instead of the picture at the new size.
  report_.OnImageFormat = [](int, TQeImageFormat& f) { f.WidthMM = 50, f.HeightMM = 12.345; };
  const std::string written = Write(SolidPicture(100, 50));
  const Picture picture = SolidPicture(100, 50);
  // 5000 x 1234 hundredths of a millimetre are 189 x 47 pixels at 96 per inch.
  EXPECT_EQ(written.substr(written.find(' ') + 1),
            CanvasBytes(picture, 5000, 1234, false, 189, 47) + "\r}");
}

TEST_F(PictureOutputTest, HandlerSizeKeepsTheWindowsMetafileCanvas) {
  SetOptions({eoGraphicsWmfCompatible, eoGraphicsBinary});
  report_.OnImageFormat = [](int, TQeImageFormat& f) { f.WidthMM = 50, f.Width = 200; };
  const std::string written = Write(SolidPicture(100, 50));
  EXPECT_EQ(written.substr(written.find(' ') + 1),
            CanvasBytes(SolidPicture(100, 50), 5000, 1323, true) + "\r}");
}

TEST_F(PictureOutputTest, BorderColourJoinsAnEmptyColourTableAsNumberOne) {
  Write(SolidPicture(4, 4));
  EXPECT_EQ(report_.HeaderTables.Colors, (std::vector<std::string>{";", "\\red0\\green0\\blue0;"}));
}

TEST_F(PictureOutputTest, BorderColourFollowsTheTemplateColours) {
  report_.HeaderTables.Colors = {";", "\\red255\\green0\\blue0;", "\\red0\\green0\\blue255;"};
  report_.OnImageFormat = [](int, TQeImageFormat& f) { f.SetBorder(1, 10, 1); };
  const std::string written = Write(SolidPicture(4, 4));
  EXPECT_NE(HeadOf(written).find("\\brdrs\\brdrw20\\brdrcf3"), std::string::npos);
  EXPECT_EQ(report_.HeaderTables.Colors.back(), "\\red0\\green128\\blue0;");
}

TEST_F(PictureOutputTest, TemplateColourAlreadyListedIsReused) {
  report_.HeaderTables.Colors = {"\\red0\\green0\\blue255;", "\\red0\\green0\\blue0;"};
  report_.OnImageFormat = [](int, TQeImageFormat& f) { f.SetBorder(1, 0, 1); };
  EXPECT_NE(HeadOf(Write(SolidPicture(4, 4))).find("\\brdrcf1"), std::string::npos);
  Write(SolidPicture(4, 4));
  EXPECT_EQ(report_.HeaderTables.Colors.size(), 2u);
}

TEST_F(PictureOutputTest, AbsurdHandlerSizesFailBeforeAnythingIsWritten) {
  const double kNan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double width_mm;
    double height_mm;
    const char* message;
  } kCases[] = {
      {0, 10, "Image format size out of range: 0x10"},
      {10, -3, "Image format size out of range: 10x-3"},
      {0.004, 10, "Image format size out of range: 0.004x10"},
      {kNan, 10, "Image format size out of range: nanx10"},
      {1e300, 10, "Image format size out of range: 1e+300x10"},
      {10, std::numeric_limits<double>::infinity(), "Image format size out of range: 10xinf"},
  };
  for (const auto& c : kCases) {
    report_.OnImageFormat = [&c](int, TQeImageFormat& f) {
      f.WidthMM = c.width_mm;
      f.HeightMM = c.height_mm;
    };
    EXPECT_EQ(WriteError(SolidPicture(4, 4)), c.message);
    EXPECT_EQ(Written(), "");
    EXPECT_TRUE(report_.HeaderTables.Colors.empty());
  }
}

TEST_F(PictureOutputTest, ZeroWmfPixelSizeFails) {
  SetOptions({eoGraphicsWmfCompatible});
  report_.OnImageFormat = [](int, TQeImageFormat& f) { f.Height = 0; };
  EXPECT_EQ(WriteError(SolidPicture(4, 4)), "Image format size out of range: 4x0");
  EXPECT_EQ(Written(), "");
}

TEST_F(PictureOutputTest, PictureTooLargeForWmfFailsWithoutAGroup) {
  SetOptions({eoGraphicsWmfCompatible});
  EXPECT_EQ(WriteError(SolidPicture(40000, 2)),
            "Picture too large for a Windows metafile: 40000x2");
  EXPECT_EQ(Written(), "");
}

}  // namespace
}  // namespace vorn::testing
