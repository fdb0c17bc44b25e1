#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorn::testing {

// Whether `rtf` is brace-balanced as a reader sees it (escapes and \bin data skipped),
// never closing more groups than it opened. Written apart from the engine's own scanner so
// that a fault there cannot hide itself.
inline bool ReaderBalanced(std::string_view rtf) {
  long depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth < 0) return false;
    } else if (c == '\\' && i + 1 < rtf.size()) {
      size_t j = i + 1;
      while (j < rtf.size() &&
             ((rtf[j] >= 'a' && rtf[j] <= 'z') || (rtf[j] >= 'A' && rtf[j] <= 'Z')))
        ++j;
      if (j == i + 1) {
        ++i;  // control symbol
        continue;
      }
      const std::string name(rtf.substr(i + 1, j - i - 1));
      size_t k = j;
      if (k < rtf.size() && rtf[k] == '-') ++k;
      unsigned long long count = 0;
      while (k < rtf.size() && rtf[k] >= '0' && rtf[k] <= '9')
        count = count * 10 + (rtf[k++] - '0');
      if (k < rtf.size() && rtf[k] == ' ') ++k;
      if (name == "bin") {
        if (count > rtf.size() - k) return false;
        k += count;
      }
      i = k - 1;
    }
  }
  return depth == 0;
}

inline size_t CountOf(std::string_view text, std::string_view part) {
  size_t n = 0;
  for (size_t i = text.find(part); i != std::string_view::npos; i = text.find(part, i + 1)) ++n;
  return n;
}

}  // namespace vorn::testing
