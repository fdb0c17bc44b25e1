#include "engine/qebasereport/tag_codec.h"

#include <cstddef>

#include "engine/qebasereport/quote_rules.h"
#include "engine/qebasereport/rtf_walker.h"
#include "platform/text/ascii_text.h"
#include "platform/text/code_page.h"

namespace vorn {

namespace {

bool IsPlainByte(unsigned char c) {
  return (c >= 32 && c <= 91) || c == 93 || (c >= 95 && c <= 122) || c == 124 || c == 126 ||
         c == kLeftDoubleQuote || c == kRightDoubleQuote || c == kLeftGuillemet ||
         c == kRightGuillemet;
}

unsigned char At(std::string_view raw, size_t i) {
  return i < raw.size() ? static_cast<unsigned char>(raw[i]) : ' ';
}

// The quote control word `word` stands for, as written (lower case); the word's own digits,
// if any, are text after it.
const QuoteForm* QuoteWord(const ControlWord& word) {
  for (const QuoteForm& form : kQuoteForms) {
    if (form.IsWord() && word.name == form.token) return &form;
  }
  return nullptr;
}

// A "{\*\pn" group is the list text of a numbered paragraph, formatting as a whole.
bool StartsListText(std::string_view raw, size_t brace) {
  return raw.substr(brace + 1, 5) == "\\*\\pn" &&
         (At(raw, brace + 6) == ' ' || IsAsciiLetter(At(raw, brace + 6)));
}

// A control symbol goes to the plain text when it escapes a character; true when the sink
// stops the pass.
template <typename Sink>
bool SplitSymbol(std::string_view raw, const RtfToken& token, Sink& sink) {
  switch (token.symbol) {
    case 0:
      return false;  // a lone backslash at the end would swallow whatever follows the value
    case '\'':
      // A broken escape is dropped rather than left to corrupt the output.
      return token.hex > 0 && sink.Plain(static_cast<unsigned char>(token.hex));
    case '\\':
    case '{':
    case '}':
      return sink.Plain(token.symbol);
    case '~':
      return sink.Plain(' ');
    default:
      sink.Format(token.In(raw));
      return false;
  }
}

// The first pass: every byte of `raw` goes to the plain text or to the formatting. The
// sink's Plain(byte) may answer true to stop the pass early. A control word takes one
// delimiting blank with it; a word processor often ends one with a line break right before
// visible text, and that text belongs to the tag.
template <typename Sink>
void SplitRaw(std::string_view raw, Sink& sink) {
  RtfWalker walker(raw, 0, {.bin_data = false});
  while (const RtfToken token = walker.Next()) {
    switch (token.kind) {
      case RtfTokenKind::kGroupStart:
        if (StartsListText(raw, token.pos)) walker.MoveTo(FindGroupEnd(raw, token.pos).end);
        sink.Format(raw.substr(token.pos, walker.Position() - token.pos));
        break;
      case RtfTokenKind::kText:
        for (size_t i = token.pos; i < token.end; ++i) {
          const auto c = static_cast<unsigned char>(raw[i]);
          if (!IsPlainByte(c)) {
            sink.Format(raw.substr(i, 1));
          } else if (sink.Plain(c)) {
            return;
          }
        }
        break;
      case RtfTokenKind::kSymbol:
        if (SplitSymbol(raw, token, sink)) return;
        break;
      case RtfTokenKind::kWord:
        if (const QuoteForm* quote = QuoteWord(token.word)) {
          if (sink.Plain(quote->byte)) return;
          size_t after = token.pos + quote->token.size();
          if (At(raw, after) == ' ' && after < raw.size()) ++after;
          walker.MoveTo(after);
        } else {
          sink.Format(token.In(raw));
        }
        break;
      default:
        sink.Format(token.In(raw));  // a closing brace
        break;
    }
  }
}

struct CollectingSink {
  TagTextParts parts;
  bool Plain(unsigned char c) {
    parts.text.push_back(static_cast<char>(c));
    return false;
  }
  void Format(std::string_view bytes) { parts.format_text.append(bytes); }
};

struct PlainFinder {
  bool found = false;
  bool Plain(unsigned char c) {
    // Blanks, control bytes and square brackets never survive the second pass alone.
    found = c > ' ' && c != '[' && c != ']';
    return found;
  }
  void Format(std::string_view) {}
};

// The second pass: blanks survive only inside quotes and square brackets.
std::string DropBlanks(std::string_view plain) {
  std::string out;
  out.reserve(plain.size());
  unsigned char opener = 0;
  bool in_brackets = false;
  for (const char ch : TrimControl(plain)) {
    const auto c = static_cast<unsigned char>(ch);
    if (opener != 0) {
      out.push_back(ch);
      if (ClosesQuote(opener, c)) opener = 0;
    } else if (IsQuoteOpener(c)) {
      opener = c;
      out.push_back(ch);
    } else if (c == '[' || c == ']') {
      in_brackets = c == '[';
    } else if (c != ' ' || in_brackets) {
      out.push_back(ch);
    }
  }
  return std::string(TrimControl(out));
}
}  // namespace

TagTextParts ExtractTagText(std::string_view raw) {
  CollectingSink sink;
  SplitRaw(raw, sink);
  sink.parts.text = DropBlanks(sink.parts.text);
  return std::move(sink.parts);
}

bool HasPlainText(std::string_view raw) {
  PlainFinder finder;
  SplitRaw(raw, finder);
  return finder.found;
}

namespace {
// Bytes that RTF text takes as they are: everything below 128 but the control bytes that have
// words, the three characters RTF uses itself and the mark of a Unicode form.
constexpr bool IsPlainRtfByte(unsigned char c) {
  return c < 127 && c != 9 && c != 11 && c != 12 && c != 13 && c != '\\' && c != '{' && c != '}';
}

void AppendHexEscape(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const char escape[4] = {'\\', '\'', kHex[c >> 4], kHex[c & 0x0F]};
  out.append(escape, 4);
}

// "\uN?" with N the signed 16-bit value RTF wants; past U+FFFF a surrogate pair of them.
void AppendUnicodeEscape(std::string& out, char32_t code_point) {
  const auto word = [&out](char32_t unit) {
    out += "\\u";
    const int n = static_cast<int>(unit);
    out += std::to_string(n > 0x7FFF ? n - 0x10000 : n);
    out += '?';
  };
  if (code_point > 0xFFFF) {
    word(0xD800 + ((code_point - 0x10000) >> 10));
    word(0xDC00 + ((code_point - 0x10000) & 0x3FF));
  } else {
    word(code_point);
  }
}

// Code-page bytes from 128 up as "\uN?", or as "\'XX" where they are no character.
void AppendBytesAsUnicode(std::string& out, std::string_view bytes, CodePage page) {
  std::string utf8;
  if (ConvertToUtf8(bytes, page, utf8) != std::string_view::npos) {
    if (CharacterLength(bytes, 0, page) == bytes.size()) {
      for (const char c : bytes) AppendHexEscape(out, static_cast<unsigned char>(c));
      return;
    }
    for (size_t at = 0; at < bytes.size();) {
      const size_t length = CharacterLength(bytes, at, page);
      AppendBytesAsUnicode(out, bytes.substr(at, length), page);
      at += length;
    }
    return;
  }
  for (size_t at = 0; at < utf8.size();) {
    char32_t code_point = 0;
    at += DecodeUtf8At(utf8, at, code_point);
    AppendUnicodeEscape(out, code_point);
  }
}

// The characters from `at` that need "\u": Unicode forms, and with `all` every byte from 128 up
// too. They go in a group of their own so that the "\uc1" in force for their fallback never reaches
// the template's text after them.
size_t AppendUnicodeRun(std::string& out, std::string_view value, size_t at, CodePage page,
                        bool all) {
  out += "{\\uc1";
  size_t bytes_start = at;
  const auto flush_bytes = [&](size_t end) {
    if (end > bytes_start) {
      AppendBytesAsUnicode(out, value.substr(bytes_start, end - bytes_start), page);
    }
  };
  while (at < value.size()) {
    const char32_t code_point = UnicodeFormAt(value, at);
    if (code_point > 0x7F) {
      flush_bytes(at);
      AppendUnicodeEscape(out, code_point);
      at += kUnicodeFormSize;
      bytes_start = at;
    } else if (all && static_cast<unsigned char>(value[at]) >= 128) {
      at += CharacterLength(value, at, page);
    } else {
      break;
    }
  }
  flush_bytes(at);
  out += '}';
  return at;
}
}  // namespace

void AppendRtfText(std::string& out, std::string_view value, int code_page,
                   RtfCharacters characters) {
  const CodePage page(code_page == 0 ? 1252 : code_page);
  const bool double_byte = page.IsDoubleByte();
  const bool all_unicode = characters == RtfCharacters::kUnicode;
  const size_t size = value.size();
  size_t at = 0;
  while (at < size) {
    // Values are mostly plain text: copy each run of it at once.
    size_t run_end = at;
    while (run_end < size && IsPlainRtfByte(static_cast<unsigned char>(value[run_end]))) {
      ++run_end;
    }
    out.append(value.data() + at, run_end - at);
    if (run_end == size) break;
    at = run_end;
    const auto c = static_cast<unsigned char>(value[at]);
    if ((c == 127 && UnicodeFormAt(value, at) > 0x7F) || (c >= 128 && all_unicode)) {
      at = AppendUnicodeRun(out, value, at, page, all_unicode);
      continue;
    }
    if (c == 127) {
      out.push_back(static_cast<char>(c));  // U+007F, in its form or not, as it always was
      at += UnicodeFormAt(value, at) != 0 ? kUnicodeFormSize : 1;
      continue;
    }
    ++at;
    switch (c) {
      case 9:
        out += "\\tab ";
        break;
      case 11:
        out += "\\line ";
        break;
      case 12:
        out += "\\page ";
        break;
      case 13:
        out += "\\par ";
        break;
      case '\\':
      case '{':
      case '}':
        out.push_back('\\');
        out.push_back(static_cast<char>(c));
        break;
      default:
        AppendHexEscape(out, c);
        // The second byte of a double-byte character is always an escape, whatever it is.
        if (double_byte && CharacterLength(value, at - 1, page) == 2) {
          AppendHexEscape(out, static_cast<unsigned char>(value[at++]));
        }
        break;
    }
  }
}

std::string EncodeRtfText(std::string_view value, int code_page, RtfCharacters characters) {
  std::string out;
  out.reserve(value.size() + value.size() / 4);
  AppendRtfText(out, value, code_page, characters);
  return out;
}

void AppendRtfValueFrame(std::string& out, std::string_view lang_text, std::string_view value,
                         std::string_view format_text, int code_page, RtfCharacters characters) {
  out += "\\lang";
  out += lang_text;
  out += ' ';
  AppendRtfText(out, value, code_page, characters);
  out += format_text;
}

std::string RtfValueFrame(std::string_view lang_text, std::string_view value,
                          std::string_view format_text, int code_page) {
  std::string out;
  AppendRtfValueFrame(out, lang_text, value, format_text, code_page, RtfCharacters::kCodePage);
  return out;
}

}  // namespace vorn
