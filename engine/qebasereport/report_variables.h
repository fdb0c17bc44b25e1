#pragma once

#include <string>
#include <vector>

namespace vorn {

// The report's variables: lines "NAME=VALUE" with a data type per line.
// (Completed by the expression language: typed values, lookup, "VarDataTypes".)
class TQeVarList {
 public:
  TQeVarList() = default;
  TQeVarList(const TQeVarList&) = delete;
  TQeVarList& operator=(const TQeVarList&) = delete;

  // Copies the lines (and their data types) of another list.
  void Assign(const TQeVarList& other) { lines_ = other.lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  void Clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
};

}  // namespace vorn
