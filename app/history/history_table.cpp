#include <ctime>
#include <ostream>
#include <string>
#include <string_view>

#include "app/history/print_history.h"

namespace vorn {

namespace {
constexpr std::string_view kHeader =
    "time\tlayout\tproduct\tname\tstore_price\tsuggested_price\tmember_price\tpromo_price\t"
    "promo_start\tpromo_end\tcopies\tfile\n";

// A value stays on its line and in its column, and reads back unchanged: the separators and
// everything else a terminal would act on are written as escapes.
std::string Escaped(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(value.size());
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      text += "\\\\";
    } else if (c == '\t') {
      text += "\\t";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\r') {
      text += "\\r";
    } else if (byte < 0x20 || byte == 0x7f) {
      text += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
    } else {
      text += c;
    }
  }
  return text;
}

std::string LocalTime(int64_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm local{};
  char text[32];
  if (localtime_r(&time, &local) == nullptr ||
      std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) {
    return std::to_string(seconds);
  }
  return text;
}

void WriteRow(std::ostream& out, const RecordedCard& card) {
  const CardValues& values = card.values;
  const bool promotion = values.promo_shown;
  const std::string_view none;
  out << LocalTime(card.time);
  for (const std::string_view cell :
       {std::string_view(card.layout), std::string_view(values.product_id),
        std::string_view(values.name), std::string_view(values.store_price),
        std::string_view(values.suggested_price), std::string_view(values.member_price),
        promotion ? std::string_view(values.promo_price) : none,
        promotion ? std::string_view(values.promo_start) : none,
        promotion ? std::string_view(values.promo_end) : none}) {
    out << '\t' << Escaped(cell);
  }
  out << '\t' << card.copies << '\t' << Escaped(card.output) << '\n';
}
}  // namespace

int64_t WriteHistoryTable(PrintHistory& history, const HistorySelection& which, std::ostream& out) {
  out << kHeader;
  int64_t rows = 0;
  history.ListCards(which, [&](const RecordedCard& card) {
    WriteRow(out, card);
    ++rows;
  });
  return rows;
}

}  // namespace vorn
