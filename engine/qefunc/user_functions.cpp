#include "engine/qefunc/user_functions.h"

#include <algorithm>
#include <utility>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/base_report.h"

namespace vorn {

namespace {
bool IsNameCharacter(char c, bool first) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') return true;
  return !first && c >= '0' && c <= '9';
}

bool IsValidName(std::string_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    if (!IsNameCharacter(name[i], i == 0)) return false;
  }
  return true;
}
}  // namespace

// --- TQeUDF ---

void TQeUDF::SetName(std::string_view value) {
  if (value == name_) return;
  const std::string name(TrimControl(value));
  // The item itself counts, so a change of case alone is refused as well.
  if (collection_ != nullptr && collection_->IndexOf(name) >= 0) {
    throw EIllegalFunctionUse("User defined function with name " + name + " already exists");
  }
  if (!IsValidName(name)) throw EIllegalFunctionUse("Illegal function name " + name);
  name_ = name;
}

void TQeUDF::SetArgMinCount(uint16_t value) {
  if (value == arg_min_count_) return;
  arg_min_count_ = value;
  if (arg_min_count_ > arg_max_count_) arg_max_count_ = arg_min_count_;
}

void TQeUDF::SetArgMaxCount(uint16_t value) {
  if (value == arg_max_count_) return;
  arg_max_count_ = value;
  if (arg_max_count_ < arg_min_count_) arg_min_count_ = arg_max_count_;
}

void TQeUDF::Assign(const TQeUDF& source) {
  if (&source == this) return;
  OnCalculate = source.OnCalculate;
  name_ = source.name_;
  arg_min_count_ = source.arg_min_count_;
  arg_max_count_ = source.arg_max_count_;
  result_type_ = source.result_type_;
}

std::string TQeUDF::DisplayName() const { return name_.empty() ? "TQeUDF" : name_; }

int TQeUDF::Index() const { return collection_ != nullptr ? collection_->IndexOfItem(this) : -1; }

// --- TQeUDFCollection ---

TQeUDF& TQeUDFCollection::Add() {
  items_.push_back(std::make_unique<TQeUDF>(this));
  return *items_.back();
}

TQeUDF& TQeUDFCollection::Items(int index) {
  return const_cast<TQeUDF&>(std::as_const(*this).Items(index));
}

const TQeUDF& TQeUDFCollection::Items(int index) const {
  if (index < 0 || index >= Count()) {
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  }
  return *items_[static_cast<size_t>(index)];
}

void TQeUDFCollection::Delete(int index) {
  Items(index);  // range check
  items_.erase(items_.begin() + index);
}

void TQeUDFCollection::Assign(const TQeUDFCollection& other) {
  if (&other == this) return;
  std::vector<std::unique_ptr<TQeUDF>> copies;
  for (const auto& item : other.items_) {
    copies.push_back(std::make_unique<TQeUDF>(this));
    copies.back()->Assign(*item);
  }
  items_ = std::move(copies);
}

int TQeUDFCollection::IndexOf(std::string_view name) const {
  const std::string key = UpperAscii(TrimControl(name));
  for (size_t i = 0; i < items_.size(); ++i) {
    if (UpperAscii(TrimControl(items_[i]->Name())) == key) return static_cast<int>(i);
  }
  return -1;
}

int TQeUDFCollection::IndexOfItem(const TQeUDF* item) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == item) return static_cast<int>(i);
  }
  return -1;
}

// --- TQeUDFList ---

TQeUDFList::~TQeUDFList() {
  // Copy first: each report removes itself from the list while being told.
  const std::vector<TQeBaseReport*> reports = reports_;
  for (TQeBaseReport* report : reports) report->UDFListDestroyed(this);
}

void TQeUDFList::SetFunctions(const TQeUDFCollection& value) { functions_.Assign(value); }

void TQeUDFList::AddReport(TQeBaseReport* report) {
  if (std::find(reports_.begin(), reports_.end(), report) == reports_.end()) {
    reports_.push_back(report);
  }
}

void TQeUDFList::RemoveReport(TQeBaseReport* report) {
  reports_.erase(std::remove(reports_.begin(), reports_.end(), report), reports_.end());
}

}  // namespace vorn
