#include "engine/qertf/image_format.h"

#include <cmath>
#include <limits>

namespace vorn {
namespace {

constexpr float kMaxBorderPoints = 3.5f;
constexpr int64_t kMaxBorderTwips = 75;

}  // namespace

int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  // 2^63 is exactly representable; anything at or beyond it saturates.
  constexpr double kLimit = 9223372036854775808.0;
  if (value >= kLimit) return std::numeric_limits<int64_t>::max();
  if (value <= -kLimit) return std::numeric_limits<int64_t>::min();
  const double floor = std::floor(value);
  const double fraction = value - floor;
  double result = floor;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) result += 1.0;
  if (result >= kLimit) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(result);
}

TQeImageFormat::TQeImageFormat(uint16_t width, uint16_t height)
    : Width(width),
      Height(height),
      WidthMM(width * kMillimetresPerPixel),
      HeightMM(height * kMillimetresPerPixel) {}

void TQeImageFormat::SetBorder(uint8_t style, uint16_t color, float width) {
  // A negative or NaN width would wrap around the byte of BorderTwips; it means no border.
  if (!(width > 0)) width = 0;
  if (width > kMaxBorderPoints) width = kMaxBorderPoints;
  BorderStyle = style;
  BorderWidth = width;
  int64_t twips = RoundHalfEven(static_cast<double>(width) * 20);
  if (twips > kMaxBorderTwips) twips = kMaxBorderTwips;
  BorderTwips = static_cast<uint8_t>(twips);
  if (BorderTwips == 0) BorderStyle = 0;
  BorderColor = color;
}

}  // namespace vorn
