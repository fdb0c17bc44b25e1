#include "engine/qebasereport/quote_rules.h"

namespace vorn {

bool IsQuotedText(std::string_view text) {
  if (text.size() <= 2) return false;
  const auto opener = static_cast<unsigned char>(text.front());
  if (!IsQuoteOpener(opener) || !ClosesQuote(opener, static_cast<unsigned char>(text.back()))) {
    return false;
  }
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    if (ClosesQuote(opener, static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

}  // namespace vorn
