#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/qebasereport/rtf_control_words.h"

namespace vorn {

// The one tokenizer every reader of RTF bytes in the engine walks with: the template scanner's
// group extents and header tables, a tag's text, the fragment merger and its tables, the brace
// count of blocks. It hands out group edges, control words, control symbols, runs of text and
// \bin data one at a time, and the caller pulls the next when it wants it, so a reader can look
// ahead with a copy, jump past a group, or stop where it likes.

enum class RtfTokenKind : uint8_t {
  kEnd,         // the text is used up
  kGroupStart,  // "{"
  kGroupEnd,    // "}"
  kText,        // bytes other than backslashes and braces, all that stand together
  kWord,        // a control word, in `word`
  kBinData,     // \bin with a count (in `word`) and the raw bytes it announces
  kSymbol,      // a backslash and the byte it escapes, in `symbol`; "\'" with its hex digits
};

struct RtfToken {
  RtfTokenKind kind = RtfTokenKind::kEnd;
  size_t pos = 0;  // its first byte
  size_t end = 0;  // one past its last byte; for \bin past the data, at most the text's end
  ControlWord word = {};
  // The escaped byte; 0 for a backslash that ends the text. For "\'" `hex` holds the value of
  // the two hex digits after it, or -1 when they are not both there (the symbol is then two
  // bytes long and the digits, if any, read as text).
  unsigned char symbol = 0;
  int hex = -1;
  // \bin data that cannot be passed over soundly: a negative count (on a kWord) or more bytes
  // than the text holds (on a kBinData, which then ends with the text).
  bool unsound_bin = false;

  // False for kEnd alone, so that `while (const RtfToken token = walker.Next())` walks to the end.
  explicit operator bool() const { return kind != RtfTokenKind::kEnd; }
  std::string_view In(std::string_view text) const { return text.substr(pos, end - pos); }
  bool Is(RtfTokenKind k) const { return kind == k; }
  // A control word (or \bin word) of this name, backslash included.
  bool IsWord(std::string_view name) const {
    return (kind == RtfTokenKind::kWord || kind == RtfTokenKind::kBinData) && word.name == name;
  }
};

// How a walk reads the two things readers of RTF differ in.
struct RtfReading {
  // \bin with a count passes over that many raw bytes as one kBinData token. Without it \bin is
  // a word like any other and the bytes after it read as RTF: the table and text scanners that
  // have no data in what they read take it that way.
  bool bin_data = true;
  // Bytes below 32 other than TAB and LF stand between a backslash and the byte it pairs with
  // without parting them, as the template scanner reads its header tables. A control word still
  // begins only right after its backslash; a letter after such a byte is escaped as a symbol.
  bool skip_control_bytes = false;
};

// A pull cursor over RTF text. It keeps a view of the text, which must outlive it, and is cheap
// to copy, so a copy looks ahead without moving the original. Any position and any text is
// read without failing: unbalanced groups only make the depth negative.
class RtfWalker {
 public:
  explicit RtfWalker(std::string_view text, size_t pos = 0, RtfReading reading = {})
      : text_(text), pos_(pos < text.size() ? pos : text.size()), reading_(reading) {}

  // The token at the position, moving past it; kEnd, with pos and end at the text's size, once
  // the text is used up. Inline, as it runs once a token on the merge's and scanner's paths.
  RtfToken Next() {
    const size_t pos = pos_;
    if (pos >= text_.size()) return {.pos = pos, .end = pos};
    switch (text_[pos]) {
      case '{':
        ++depth_;
        return {.kind = RtfTokenKind::kGroupStart, .pos = pos, .end = ++pos_};
      case '}':
        --depth_;
        return {.kind = RtfTokenKind::kGroupEnd, .pos = pos, .end = ++pos_};
      case '\\':
        if (pos + 1 < text_.size() && IsAsciiLetter(static_cast<unsigned char>(text_[pos + 1]))) {
          return ReadWord();
        }
        return ReadSymbol();
      default:
        pos_ = TextEnd(pos + 1);
        return {.kind = RtfTokenKind::kText, .pos = pos, .end = pos_};
    }
  }
  size_t Position() const { return pos_; }
  // The groups opened minus those closed since the walk began, the token just read included:
  // 1 after the document's opening brace, 0 after its closing one.
  int64_t Depth() const { return depth_; }
  // Goes on from `pos` with the depth as it is.
  void MoveTo(size_t pos) { pos_ = pos < text_.size() ? pos : text_.size(); }
  std::string_view Text() const { return text_; }

 private:
  RtfToken ReadWord() {
    RtfToken token{.kind = RtfTokenKind::kWord, .pos = pos_, .word = ReadControlWord(text_, pos_)};
    token.end = pos_ + token.word.length;
    // Only "\\bin" can announce data: its name is the one of four bytes with a "b" second.
    const std::string_view name = token.word.name;
    if (token.word.negative || (name.size() == 4 && name[1] == 'b')) CheckBin(token);
    pos_ = token.end;
    return token;
  }
  // Makes a \bin word with a count kBinData, and marks one whose data cannot be passed soundly.
  void CheckBin(RtfToken& token) const;
  RtfToken ReadSymbol();
  // Where the run of text going on at `pos` ends.
  size_t TextEnd(size_t pos) const;

  std::string_view text_;
  size_t pos_;
  int64_t depth_ = 0;
  RtfReading reading_;
};

struct GroupExtent {
  size_t end = 0;       // one past the closing brace, or text.size()
  bool closed = false;  // false when the input ends first or \bin data cannot be passed over
};

// The extent of the brace group opening at text[pos], as a reader sees it: escaped braces and
// \bin data do not count. Linear in the group's length, no recursion. With `depth` 1, pos
// stands inside the group instead.
GroupExtent FindGroupEnd(std::string_view text, size_t pos, size_t depth = 0);

// The parameter of the first control word `name` (backslash included) in `rtf` that has one,
// at any depth; nullopt when none has.
std::optional<int32_t> FirstWordParam(std::string_view rtf, std::string_view name,
                                      RtfReading reading = {});

}  // namespace vorn
