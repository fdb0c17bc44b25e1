#include "app/card/net_content.h"

#include <array>
#include <optional>

#include "app/card/price_text.h"
#include "platform/system/exception.h"

namespace vorn {

namespace {
// Beyond a tonne or a thousand pieces a shelf card's unit price means nothing.
constexpr int64_t kMaxThousandths = int64_t{1'000'000} * 1000;
constexpr int64_t kMaxPackCount = 1000;

struct Unit {
  std::string_view name;  // ASCII lower case or UTF-8
  NetContent::Kind kind;
  int64_t scale;  // base units per unit
};

constexpr std::array<Unit, 28> kUnits = {{
    {"g", NetContent::Kind::kWeight, 1},       {"gr", NetContent::Kind::kWeight, 1},
    {"kg", NetContent::Kind::kWeight, 1000},   {"克", NetContent::Kind::kWeight, 1},
    {"公克", NetContent::Kind::kWeight, 1},    {"公斤", NetContent::Kind::kWeight, 1000},
    {"ml", NetContent::Kind::kVolume, 1},      {"cc", NetContent::Kind::kVolume, 1},
    {"cl", NetContent::Kind::kVolume, 10},     {"l", NetContent::Kind::kVolume, 1000},
    {"lt", NetContent::Kind::kVolume, 1000},   {"毫升", NetContent::Kind::kVolume, 1},
    {"公升", NetContent::Kind::kVolume, 1000}, {"升", NetContent::Kind::kVolume, 1000},
    {"入", NetContent::Kind::kCount, 1},       {"個", NetContent::Kind::kCount, 1},
    {"片", NetContent::Kind::kCount, 1},       {"包", NetContent::Kind::kCount, 1},
    {"支", NetContent::Kind::kCount, 1},       {"顆", NetContent::Kind::kCount, 1},
    {"粒", NetContent::Kind::kCount, 1},       {"枚", NetContent::Kind::kCount, 1},
    {"張", NetContent::Kind::kCount, 1},       {"捲", NetContent::Kind::kCount, 1},
    {"卷", NetContent::Kind::kCount, 1},       {"pcs", NetContent::Kind::kCount, 1},
    {"pc", NetContent::Kind::kCount, 1},       {"p", NetContent::Kind::kCount, 1},
}};

// A cursor over the text that skips blanks before every part.
class ContentReader {
 public:
  explicit ContentReader(std::string_view text) : text_(text) {}

  bool AtEnd() {
    SkipBlanks();
    return at_ == text_.size();
  }

  // An amount in thousandths: digits with at most three decimals.
  std::optional<int64_t> Amount() {
    SkipBlanks();
    int64_t value = 0;
    size_t digits = 0;
    while (at_ < text_.size() && IsDigit(text_[at_])) {
      value = value * 10 + (text_[at_++] - '0');
      if (++digits > 9) return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    value *= 1000;
    if (at_ + 1 < text_.size() && text_[at_] == '.' && IsDigit(text_[at_ + 1])) {
      ++at_;
      int64_t scale = 100;
      while (at_ < text_.size() && IsDigit(text_[at_])) {
        if (scale == 0) return std::nullopt;
        value += (text_[at_++] - '0') * scale;
        scale /= 10;
      }
    }
    return value;
  }

  // The longest unit that stands here and is not followed by further letters.
  std::optional<Unit> UnitWord() {
    SkipBlanks();
    std::optional<Unit> found;
    for (const Unit& unit : kUnits) {
      if (!StartsWithFolded(unit.name)) continue;
      // "g" must not take the start of "gal"; a multiplication sign may follow ("330mlx6").
      const size_t end = at_ + unit.name.size();
      if (IsAsciiLetter(unit.name[0]) && end < text_.size() && IsAsciiLetter(text_[end]) &&
          (text_[end] | 0x20) != 'x') {
        continue;
      }
      if (!found || unit.name.size() > found->name.size()) found = unit;
    }
    if (found) at_ += found->name.size();
    return found;
  }

  bool Times() {
    SkipBlanks();
    for (std::string_view sign : {"x", "X", "*", "×", "＊"}) {
      if (text_.substr(at_, sign.size()) == sign) {
        at_ += sign.size();
        return true;
      }
    }
    return false;
  }

  size_t Position() const { return at_; }
  void Rewind(size_t position) { at_ = position; }

 private:
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static bool IsAsciiLetter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

  bool StartsWithFolded(std::string_view word) const {
    if (text_.size() - at_ < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      char c = text_[at_ + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      if (c != word[i]) return false;
    }
    return true;
  }

  void SkipBlanks() {
    while (at_ < text_.size()) {
      if (static_cast<unsigned char>(text_[at_]) <= ' ') {
        ++at_;
      } else if (text_.substr(at_, 3) == "\u3000") {  // the ideographic blank
        at_ += 3;
      } else {
        break;
      }
    }
  }

  std::string_view text_;
  size_t at_ = 0;
};

struct Term {
  int64_t thousandths;
  Unit unit;
};

std::optional<Term> ReadTerm(ContentReader& reader) {
  const std::optional<int64_t> amount = reader.Amount();
  if (!amount) return std::nullopt;
  const std::optional<Unit> unit = reader.UnitWord();
  if (!unit) return std::nullopt;
  return Term{*amount, *unit};
}

// A pack count: a whole number, perhaps with a count word ("6入 x 330ml").
std::optional<int64_t> ReadPackCount(ContentReader& reader) {
  const std::optional<int64_t> amount = reader.Amount();
  if (!amount || *amount % 1000 != 0) return std::nullopt;
  const size_t before_unit = reader.Position();
  const std::optional<Unit> unit = reader.UnitWord();
  if (unit && unit->kind != NetContent::Kind::kCount) return std::nullopt;
  if (!unit) reader.Rewind(before_unit);
  return *amount / 1000;
}

std::optional<NetContent> Parse(std::string_view text) {
  ContentReader reader(text);
  int64_t packs = 1;
  std::optional<Term> term;
  // "6x330ml": a count first.
  const size_t start = reader.Position();
  if (const std::optional<int64_t> count = ReadPackCount(reader); count && reader.Times()) {
    packs = *count;
  } else {
    reader.Rewind(start);
  }
  term = ReadTerm(reader);
  if (!term) return std::nullopt;
  // "330ml x 6": the count last.
  if (packs == 1 && reader.Times()) {
    const std::optional<int64_t> count = ReadPackCount(reader);
    if (!count) return std::nullopt;
    packs = *count;
  }
  if (!reader.AtEnd() || packs < 1 || packs > kMaxPackCount) return std::nullopt;
  const int64_t thousandths = term->thousandths * term->unit.scale * packs;
  if (term->unit.kind == NetContent::Kind::kCount && term->thousandths % 1000 != 0) {
    return std::nullopt;
  }
  if (thousandths <= 0 || thousandths > kMaxThousandths) return std::nullopt;
  return NetContent{term->unit.kind, thousandths};
}

}  // namespace

NetContent ParseNetContent(std::string_view text) {
  const std::optional<NetContent> content = Parse(text);
  if (!content) throw Exception("cannot read the net content: " + std::string(text));
  return *content;
}

std::string UnitPriceText(int64_t price, const NetContent& content) {
  // Tenths of a dollar per 100 units, or per piece: price * 10 * 100 * 1000 / thousandths.
  const int64_t per = content.kind == NetContent::Kind::kCount ? 10'000 : 1'000'000;
  const int64_t numerator = price * per;
  int64_t tenths = numerator / content.thousandths;
  if (2 * (numerator % content.thousandths) >= content.thousandths) ++tenths;
  const char* label = "每入";
  if (content.kind == NetContent::Kind::kWeight) label = "每100g";
  if (content.kind == NetContent::Kind::kVolume) label = "每100ml";
  return std::string(label) + " $" + WithThousands(tenths / 10) + "." +
         static_cast<char>('0' + tenths % 10);
}

}  // namespace vorn
