#pragma once

#include <string>
#include <vector>

#include "data/dataset.h"

namespace vorn::testing {

// A dataset of string fields over fixed rows, for engine tests that need no table engine.
class FakeDataSet : public TDataSet {
 public:
  FakeDataSet(std::string name, std::vector<std::string> field_names,
              std::vector<std::vector<std::string>> rows)
      : rows_(std::move(rows)) {
    SetName(std::move(name));
    for (size_t i = 0; i < field_names.size(); ++i) {
      fields_.push_back(std::make_unique<Field>(*this, field_names[i], static_cast<int>(i)));
    }
  }

  int FieldCount() const override { return static_cast<int>(fields_.size()); }
  TField& Fields(int index) const override { return *fields_[static_cast<size_t>(index)]; }
  bool Bof() const override { return bof_; }
  bool Eof() const override { return eof_; }
  std::string Bookmark() const override { return std::to_string(current_); }
  void SetBookmark(const std::string& bookmark) override {
    current_ = std::stoi(bookmark);
    bof_ = eof_ = false;
  }
  TDataSetState State() const override { return TDataSetState::dsBrowse; }
  void First() override {
    current_ = 0;
    bof_ = true;
    eof_ = rows_.empty();
  }
  void Next() override {
    bof_ = false;
    if (current_ + 1 < static_cast<int>(rows_.size())) {
      ++current_;
    } else {
      eof_ = true;
    }
  }
  void Prior() override {
    eof_ = false;
    if (current_ > 0) {
      --current_;
    } else {
      bof_ = true;
    }
  }
  void Last() override {
    current_ = rows_.empty() ? 0 : static_cast<int>(rows_.size()) - 1;
    eof_ = true;
    bof_ = rows_.empty();
  }

  std::string Value(int field) const {
    if (rows_.empty()) return {};
    return rows_[static_cast<size_t>(current_)][static_cast<size_t>(field)];
  }

 private:
  class Field : public TField {
   public:
    Field(FakeDataSet& owner, const std::string& name, int index)
        : TField(name, ftString, 50, false), owner_(owner), index_(index) {}
    bool IsNull() const override { return owner_.Value(index_).empty(); }
    std::string AsString() const override { return owner_.Value(index_); }
    int32_t AsInteger() const override { return std::stoi("0" + owner_.Value(index_)); }
    int64_t AsLargeInt() const override { return AsInteger(); }
    double AsFloat() const override { return std::stod("0" + owner_.Value(index_)); }
    double AsCurrency() const override { return AsFloat(); }
    bool AsBoolean() const override { return owner_.Value(index_) == "True"; }
    double AsDateTime() const override { return AsFloat(); }
    void SetAsString(std::string_view) override {}
    void Clear() override {}

   private:
    FakeDataSet& owner_;
    int index_;
  };

  std::vector<std::vector<std::string>> rows_;
  std::vector<std::unique_ptr<Field>> fields_;
  int current_ = 0;
  bool bof_ = true;
  bool eof_ = false;
};

}  // namespace vorn::testing
