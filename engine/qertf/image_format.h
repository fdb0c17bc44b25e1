#pragma once

#include <cstdint>

namespace vorn {

// Millimetres one pixel covers at the 96 pixels per inch of every picture size.
inline constexpr double kMillimetresPerPixel = 0.264596930676;

// The nearest integer, halves to the even neighbour; values beyond the 64-bit range (and NaN) come
// back as the nearest end of it (NaN as 0). All picture sizes round so.
int64_t RoundHalfEven(double value);

// Size, scale and border of one picture in the document. The engine fills it with the picture's
// defaults and hands it to OnImageFormat, which may change any field.
class TQeImageFormat {
 public:
  TQeImageFormat() = default;
  // The defaults of a picture `width` x `height` pixels: scale 100, the physical size at 96 pixels
  // per inch, no border.
  TQeImageFormat(uint16_t width, uint16_t height);

  // Size for the Windows-metafile \picw and \pich, in pixels.
  uint16_t Width = 0;
  uint16_t Height = 0;
  // Percent, for the enhanced-metafile \picscalex and \picscaley.
  uint16_t ScaleX = 100;
  uint16_t ScaleY = 100;
  // Physical size in millimetres.
  double WidthMM = 0;
  double HeightMM = 0;
  // 0 none, 1 single, 2 double, 3 thick, 4 shadow, 5 dotted, 6 hairline.
  uint8_t BorderStyle = 0;
  // Points.
  float BorderWidth = 0;
  // Index into the report's default palette (0 to 15).
  uint16_t BorderColor = 0;
  uint8_t BorderTwips = 0;

  // Sets the border: the width is kept between 0 and 3.5 points and gives BorderTwips (at most 75);
  // a border that rounds to no twips at all is no border.
  void SetBorder(uint8_t style, uint16_t color, float width);
};

}  // namespace vorn
