#include "app/card/price_text.h"

#include <charconv>

#include "platform/system/exception.h"
#include "platform/text/ascii_text.h"

namespace vorn {

std::string PriceDigits(std::string_view text) {
  const std::string original(text);
  text = TrimControl(text);
  if (text.empty()) return std::string();
  if (text.front() == '-')
    throw PriceError(PriceError::Reason::kNegative, "price is negative: " + original);
  const auto strip_prefix = [&text](std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      if ((text[i] & ~0x20) != (prefix[i] & ~0x20)) return false;
    }
    text.remove_prefix(prefix.size());
    return true;
  };
  if (!strip_prefix("NT$") && !strip_prefix("NT")) strip_prefix("$");
  if (text.ends_with("元")) text.remove_suffix(std::string_view("元").size());
  text = TrimControl(text);
  if (!text.empty() && text.front() == '-')
    throw PriceError(PriceError::Reason::kNegative, "price is negative: " + original);
  const size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  if (point != std::string_view::npos) {
    const std::string_view fraction = text.substr(point + 1);
    if (fraction.find_first_not_of('0') != std::string_view::npos) {
      throw PriceError(PriceError::Reason::kNotWhole, "price is not a whole number: " + original);
    }
  }
  // Separators stand between groups of three digits: "1,280", "12,345,678".
  std::string digits;
  size_t group = 0;
  for (size_t i = 0; i < whole.size(); ++i) {
    const char c = whole[i];
    if (c >= '0' && c <= '9') {
      digits.push_back(c);
      ++group;
    } else if (c != ',' || group == 0 || group > 3 || (digits.size() > group && group != 3)) {
      throw PriceError(PriceError::Reason::kNotWhole, "price is not a whole number: " + original);
    } else {
      group = 0;
    }
  }
  const bool grouped = whole.find(',') != std::string_view::npos;
  if (grouped && group != 3)
    throw PriceError(PriceError::Reason::kNotWhole, "price is not a whole number: " + original);
  if (digits.empty())
    throw PriceError(PriceError::Reason::kNotWhole, "price is not a whole number: " + original);
  if (digits.find_first_not_of('0') == std::string::npos) return "0";
  digits.erase(0, digits.find_first_not_of('0'));
  if (digits.size() > 7) {
    throw PriceError(PriceError::Reason::kTooLarge,
                     "price is too large (at most 9,999,999): " + original);
  }
  return digits;
}

std::string WithThousands(int64_t value) {
  std::string digits = std::to_string(value);
  const int first = digits.front() == '-' ? 1 : 0;
  for (int i = static_cast<int>(digits.size()) - 3; i > first; i -= 3) {
    digits.insert(static_cast<size_t>(i), ",");
  }
  return digits;
}

int CountValue(std::string_view text, int max, std::string_view what) {
  const std::string_view trimmed = TrimControl(text);
  if (trimmed.empty()) return -1;
  int count = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), count);
  if (error != std::errc() || end != trimmed.data() + trimmed.size() || count < 0 || count > max) {
    throw Exception(std::string(what) + " must be a whole number from 0 to " + std::to_string(max) +
                    ": " + std::string(text));
  }
  return count;
}

}  // namespace vorn
