#pragma once

#include <vector>

namespace vorn {

class TQeBaseReport;

// A list of user-defined functions that reports refer to without owning it. When the
// list is destroyed, every report that refers to it forgets it.
class TQeUDFList {
 public:
  static constexpr int kVersion = 300;

  TQeUDFList() = default;
  virtual ~TQeUDFList();
  TQeUDFList(const TQeUDFList&) = delete;
  TQeUDFList& operator=(const TQeUDFList&) = delete;

  virtual int Version() const { return kVersion; }

  // Removal notification: the reports registered here are told when the list goes away.
  void AddReport(TQeBaseReport* report);
  void RemoveReport(TQeBaseReport* report);

 private:
  std::vector<TQeBaseReport*> reports_;
};

}  // namespace vorn
