#include "engine/qebasereport/template_code_pages.h"

namespace vorn {

namespace {
// Groups nested deeper than this share the font of the deepest one kept.
constexpr size_t kMaxSavedFonts = 10000;
constexpr int kDefaultCharset = 1;
}  // namespace

void TemplateCodePages::OpenGroup() {
  if (saved_fonts_.size() < kMaxSavedFonts) saved_fonts_.push_back(font_);
}

void TemplateCodePages::CloseGroup() {
  if (saved_fonts_.empty()) return;
  font_ = saved_fonts_.back();
  saved_fonts_.pop_back();
}

void TemplateCodePages::NoteWord(std::string_view name, bool has_param, int32_t param) {
  if (name == "f") {
    font_ = has_param ? param : 0;
  } else if (name == "plain") {
    font_ = default_font_;
  } else if (name == "deff" && has_param) {
    default_font_ = param;
    if (saved_fonts_.size() <= 1) font_ = param;
  } else if (name == "ansicpg" && has_param) {
    document_code_page_ = param;
  }
}

CodePage TemplateCodePages::Current() const {
  const auto found = font_charsets_.find(font_);
  // A font that names no character set, or the default one, reads in the document's.
  if (found == font_charsets_.end() || found->second == kDefaultCharset) {
    return CodePage(document_code_page_);
  }
  return CodePage::FromCharset(found->second);
}

}  // namespace vorn
