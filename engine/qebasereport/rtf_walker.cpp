#include "engine/qebasereport/rtf_walker.h"

#include <array>
#include <cstring>

namespace vorn {

namespace {
constexpr std::array<bool, 256> kEndsText = [] {
  std::array<bool, 256> ends{};
  ends['\\'] = ends['{'] = ends['}'] = true;
  return ends;
}();

bool IsControlByte(unsigned char c) { return c < 32 && c != '\t' && c != '\n'; }

// Whether any byte of `word` equals `byte`, eight at a time: a byte that is zero after the
// exclusive or borrows into its high bit, and no other does.
constexpr bool HasByte(uint64_t word, unsigned char byte) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  const uint64_t x = word ^ (kOnes * byte);
  return ((x - kOnes) & ~x & (kOnes * 0x80)) != 0;
}
}  // namespace

size_t RtfWalker::TextEnd(size_t pos) const {
  const char* const data = text_.data();
  const size_t size = text_.size();
  // Runs of text are most of a document, pictures' hex above all: passed eight bytes a time.
  for (uint64_t word = 0; pos + sizeof word <= size; pos += sizeof word) {
    std::memcpy(&word, data + pos, sizeof word);
    if (HasByte(word, '\\') || HasByte(word, '{') || HasByte(word, '}')) break;
  }
  while (pos < size && !kEndsText[static_cast<unsigned char>(data[pos])]) ++pos;
  return pos;
}

void RtfWalker::CheckBin(RtfToken& token) const {
  if (reading_.bin_data && AnnouncesBinData(token.word)) {
    token.kind = RtfTokenKind::kBinData;
    token.unsound_bin = static_cast<size_t>(token.word.param) > text_.size() - token.end;
    token.end = BinDataEnd(text_, token.pos, token.word);
  } else if (token.word.negative) {
    token.unsound_bin = token.word.name == "\\bin";
  }
}

RtfToken RtfWalker::ReadSymbol() {
  RtfToken token{.kind = RtfTokenKind::kSymbol, .pos = pos_};
  const size_t size = text_.size();
  size_t at = pos_ + 1;
  if (reading_.skip_control_bytes) {
    while (at < size && IsControlByte(static_cast<unsigned char>(text_[at]))) ++at;
  }
  if (at >= size) {
    token.end = pos_ = size;
    return token;
  }
  // A letter after skipped bytes is escaped: a control word begins only right after its
  // backslash.
  token.symbol = static_cast<unsigned char>(text_[at]);
  token.end = at + 1;
  if (token.symbol == '\'' && at + 2 < size) {
    const int high = HexDigitValue(static_cast<unsigned char>(text_[at + 1]));
    const int low = HexDigitValue(static_cast<unsigned char>(text_[at + 2]));
    if (high >= 0 && low >= 0) {
      token.hex = high * 16 + low;
      token.end = at + 3;
    }
  }
  pos_ = token.end;
  return token;
}

GroupExtent FindGroupEnd(std::string_view text, size_t pos, size_t depth) {
  RtfWalker walker(text, pos);
  while (const RtfToken token = walker.Next()) {
    if (token.unsound_bin) break;
    if (token.Is(RtfTokenKind::kGroupStart)) {
      ++depth;
    } else if (token.Is(RtfTokenKind::kGroupEnd) && --depth == 0) {
      return {token.end, true};
    }
  }
  return {text.size(), false};
}

std::optional<int32_t> FirstWordParam(std::string_view rtf, std::string_view name,
                                      RtfReading reading) {
  RtfWalker walker(rtf, 0, reading);
  while (const RtfToken token = walker.Next()) {
    if (token.IsWord(name) && token.word.has_param) return token.word.param;
  }
  return std::nullopt;
}

}  // namespace vorn
