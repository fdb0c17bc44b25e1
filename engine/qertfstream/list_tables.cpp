#include "engine/qertfstream/list_tables.h"

#include <limits>

#include "engine/qebasereport/rtf_control_words.h"

namespace vorn {

namespace {
// The parameter of the first control word `name` (backslash included) in `rtf`.
std::optional<int32_t> WordParam(std::string_view rtf, std::string_view name) {
  for (size_t i = rtf.find(name); i != std::string_view::npos; i = rtf.find(name, i + 1)) {
    if (i > 0 && rtf[i - 1] == '\\') continue;
    const ControlWord word = ReadControlWord(rtf, i);
    if (word.name == name && word.has_param) return word.param;
  }
  return std::nullopt;
}

// `rtf` with the parameter of every control word `name` set to `value`.
std::string WithWordParam(std::string_view rtf, std::string_view name, int32_t value) {
  std::string out;
  size_t copied = 0;
  for (size_t i = rtf.find(name); i != std::string_view::npos; i = rtf.find(name, i + 1)) {
    if (i > 0 && rtf[i - 1] == '\\') continue;
    const ControlWord word = ReadControlWord(rtf, i);
    if (word.name != name || !word.has_param) continue;
    out.append(rtf.substr(copied, i - copied));
    out.append(name).append(std::to_string(value));
    if (word.space_delimited) out.push_back(' ');
    copied = i + word.length;
    i = copied - 1;
  }
  out.append(rtf.substr(copied));
  return out;
}
}  // namespace

void TQEListTables::Import(const std::vector<std::string>& lists,
                           const std::vector<std::string>& overrides) {
  lists_ = lists;
  overrides_ = overrides;
  for (const std::string& list : lists_) {
    if (auto id = WordParam(list, "\\listid")) used_ids_.insert(*id);
  }
  for (const std::string& entry : overrides_) {
    if (auto number = WordParam(entry, "\\ls")) {
      highest_override_ = std::max(highest_override_, *number);
    }
  }
}

void TQEListTables::MergeList(std::string_view entry) {
  const std::optional<int32_t> id = WordParam(entry, "\\listid");
  if (!id || list_ids_.count(*id) != 0) return;
  int32_t merged = *id;
  if (used_ids_.count(merged) != 0) {
    merged = *used_ids_.rbegin();
    // Ids fill the 32-bit range; past its end no id is left for this list.
    if (merged == std::numeric_limits<int32_t>::max()) return;
    ++merged;
  }
  used_ids_.insert(merged);
  list_ids_[*id] = merged;
  lists_.push_back(WithWordParam(entry, "\\listid", merged));
}

void TQEListTables::MergeOverride(std::string_view entry) {
  const std::optional<int32_t> id = WordParam(entry, "\\listid");
  const std::optional<int32_t> number = WordParam(entry, "\\ls");
  if (!id || !number || override_numbers_.count(*number) != 0) return;
  const auto list = list_ids_.find(*id);
  if (list == list_ids_.end() || highest_override_ == std::numeric_limits<int32_t>::max()) return;
  const int32_t merged = ++highest_override_;
  override_numbers_[*number] = merged;
  overrides_.push_back(
      WithWordParam(WithWordParam(entry, "\\listid", list->second), "\\ls", merged));
}

std::optional<int32_t> TQEListTables::OverrideReplacement(int32_t number) const {
  const auto found = override_numbers_.find(number);
  if (found == override_numbers_.end()) return std::nullopt;
  return found->second;
}

}  // namespace vorn
