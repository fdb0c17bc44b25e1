#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text/code_page.h"

namespace vorn {

// Which code page the template's text stands in at the scanner's position, as a reader
// decides it: the current font's character set, else the document's \ansicpg. Only that
// tells a double-byte character's trail byte (which may be 0x5C, "\") from RTF.
class TemplateCodePages {
 public:
  // The character set each font of the template's font table declares.
  void SetFontCharset(int32_t font, int charset) { font_charsets_[font] = charset; }
  void OpenGroup();
  void CloseGroup();
  // A control word of the body, its name without the backslash.
  void NoteWord(std::string_view name, bool has_param, int32_t param);
  // The code page text is read in here; 1252 stands for any single-byte one.
  CodePage Current() const;

 private:
  static constexpr int32_t kNoFont = -1;

  int document_code_page_ = 1252;
  int32_t default_font_ = kNoFont;
  int32_t font_ = kNoFont;
  std::vector<int32_t> saved_fonts_;
  std::unordered_map<int32_t, int> font_charsets_;
};

}  // namespace vorn
