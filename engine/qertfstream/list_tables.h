#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorn {

// The report's list table and list override table as one merge sees them. A fragment's list
// keeps its \listid unless a list of the report has it (it then gets the next free one); its
// overrides get the next free \ls numbers, which the fragment's \ls words are renumbered to.
class TQEListTables {
 public:
  void Import(const std::vector<std::string>& lists, const std::vector<std::string>& overrides);
  // `entry` is one "{\list...}" of the fragment, its fonts already renumbered.
  void MergeList(std::string_view entry);
  // `entry` is one "{\listoverride...}" of the fragment; lists are merged before overrides.
  void MergeOverride(std::string_view entry);
  // The merged \ls number of the fragment's override `number`, or nullopt.
  std::optional<int32_t> OverrideReplacement(int32_t number) const;
  const std::vector<std::string>& Lists() const { return lists_; }
  const std::vector<std::string>& Overrides() const { return overrides_; }

 private:
  std::vector<std::string> lists_;
  std::vector<std::string> overrides_;
  std::set<int32_t> used_ids_;
  int32_t highest_override_ = 0;
  std::unordered_map<int32_t, int32_t> list_ids_;
  std::unordered_map<int32_t, int32_t> override_numbers_;
};

}  // namespace vorn
