#include "engine/qertf/image_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace vorn {
namespace {

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
  const double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    int64_t rounded;
  } kCases[] = {
      {0.5, 0},           {1.5, 2},          {2.5, 2},           {1499.5, 1500},
      {2834.5, 2834},     {-0.5, 0},         {-1.5, -2},         {-2.5, -2},
      {2.4999, 2},        {2.5001, 3},       {-2.6, -3},         {0, 0},
      {std::nan(""), 0},  {kInf, INT64_MAX}, {-kInf, INT64_MIN}, {1e19, INT64_MAX},
      {-1e19, INT64_MIN},
  };
  for (const auto& c : kCases) EXPECT_EQ(RoundHalfEven(c.value), c.rounded) << c.value;
}

TEST(ImageFormatTest, DefaultsFollowThePixelSize) {
  const TQeImageFormat format(100, 50);
  EXPECT_EQ(format.ScaleX, 100);
  EXPECT_EQ(format.ScaleY, 100);
  EXPECT_DOUBLE_EQ(format.WidthMM, 26.4596930676);
  EXPECT_DOUBLE_EQ(format.HeightMM, 13.2298465338);
  EXPECT_EQ(format.BorderStyle, 0);
  EXPECT_EQ(format.BorderColor, 0);
  EXPECT_EQ(format.BorderWidth, 0);
  EXPECT_EQ(format.BorderTwips, 0);
}

TEST(ImageFormatTest, SetBorder) {
  const struct {
    uint8_t style;
    float width;
    uint8_t expected_style;
    float expected_width;
    uint8_t twips;
  } kCases[] = {
      {1, 5, 1, 3.5f, 70},  // limited to 3.5 points
      {3, 3.5f, 3, 3.5f, 70},
      {2, 1.5f, 2, 1.5f, 30},
      {4, 0.125f, 4, 0.125f, 2},  // 2.5 twips to the even 2
      {5, 0.375f, 5, 0.375f, 8},  // 7.5 twips to the even 8
      {6, 0.02f, 0, 0.02f, 0},    // no twips: no border
      {1, 0, 0, 0, 0},
      {1, -2, 0, 0, 0},  // a negative width is no border, not 216 twips
      {1, std::nanf(""), 0, 0, 0},
      {1, std::numeric_limits<float>::infinity(), 1, 3.5f, 70},
  };
  for (const auto& c : kCases) {
    TQeImageFormat format(10, 10);
    format.SetBorder(c.style, 9, c.width);
    EXPECT_EQ(format.BorderStyle, c.expected_style) << c.width;
    EXPECT_EQ(format.BorderWidth, c.expected_width) << c.width;
    EXPECT_EQ(format.BorderTwips, c.twips) << c.width;
    EXPECT_EQ(format.BorderColor, 9) << c.width;
  }
}

}  // namespace
}  // namespace vorn
