#include "engine/qefunc/user_functions.h"

#include <algorithm>

#include "engine/qebasereport/base_report.h"

namespace vorn {

TQeUDFList::~TQeUDFList() {
  // Copy first: each report removes itself from the list while being told.
  const std::vector<TQeBaseReport*> reports = reports_;
  for (TQeBaseReport* report : reports) report->UDFListDestroyed(this);
}

void TQeUDFList::AddReport(TQeBaseReport* report) {
  if (std::find(reports_.begin(), reports_.end(), report) == reports_.end()) {
    reports_.push_back(report);
  }
}

void TQeUDFList::RemoveReport(TQeBaseReport* report) {
  reports_.erase(std::remove(reports_.begin(), reports_.end(), report), reports_.end());
}

}  // namespace vorn
