#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text/code_page.h"

namespace vorn::testing {

// `text` with each "<hex>" replaced by the Unicode form of that code point.
inline std::string Forms(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::size_t close = text.find('>', at);
    if (text[at] != '<' || close == std::string_view::npos) {
      out.push_back(text[at]);
      continue;
    }
    AppendUnicodeForm(out,
                      std::stoul(std::string(text.substr(at + 1, close - at - 1)), nullptr, 16));
    at = close;
  }
  return out;
}

}  // namespace vorn::testing
