#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/qebasereport/function_table.h"

namespace vorn {

class Picture;
class TField;
class TMemoryStream;
class TQeBaseReport;
class TQeReportVariable;
class TQeUDFCollection;
class TQeUDFList;

// One argument or the result of a user-defined function: a report variable (a reference
// to a named one or a standalone value), a dataset field, a picture, a memory stream, or
// nothing. The evaluator owns all of them except fields, which belong to their datasets.
using TQeUDFObject =
    std::variant<std::monostate, TQeReportVariable*, TField*, Picture*, TMemoryStream*>;
using TQeUDFArgs = std::vector<TQeUDFObject>;
// Fills UDFResult, the object it is given (nothing for udfrNil), from the arguments.
using TQeUDFOnCalculate = std::function<void(TQeBaseReport& Sender, const TQeUDFArgs& Args,
                                             int32_t ArgCount, TQeUDFObject UDFResult)>;

// A function a template may call by name. Names hold letters, "_" and digits (not first),
// unique in their list regardless of case; ArgMinCount <= ArgMaxCount always.
class TQeUDF {
 public:
  explicit TQeUDF(TQeUDFCollection* collection) : collection_(collection) {}
  TQeUDF(const TQeUDF&) = delete;
  TQeUDF& operator=(const TQeUDF&) = delete;

  TQeUDFOnCalculate OnCalculate;

  const std::string& Name() const { return name_; }
  // Trims the value first; throws EIllegalFunctionUse for a name taken in the list or
  // with a character outside the rule. The old name stays then.
  void SetName(std::string_view value);
  uint16_t ArgMinCount() const { return arg_min_count_; }
  // Raises ArgMaxCount along when needed.
  void SetArgMinCount(uint16_t value);
  uint16_t ArgMaxCount() const { return arg_max_count_; }
  // Lowers ArgMinCount along when needed.
  void SetArgMaxCount(uint16_t value);
  TQeUDFResultType ResultType() const { return result_type_; }
  void SetResultType(TQeUDFResultType value) { result_type_ = value; }

  // Copies the handler, the name (unchecked), the counts and the result type.
  void Assign(const TQeUDF& source);
  // The name, or the class name while the name is empty.
  std::string DisplayName() const;
  // Position in the collection, the function id of its calls; -1 outside one.
  int Index() const;
  TQeUDFCollection* Collection() const { return collection_; }

 private:
  TQeUDFCollection* collection_;
  std::string name_;
  uint16_t arg_min_count_ = 0;
  uint16_t arg_max_count_ = 0;
  TQeUDFResultType result_type_ = udfrTQeReportVariable;
};

// The functions of one list, in id order. The collection owns its items.
class TQeUDFCollection {
 public:
  explicit TQeUDFCollection(TQeUDFList* owner = nullptr) : owner_(owner) {}
  TQeUDFCollection(const TQeUDFCollection&) = delete;
  TQeUDFCollection& operator=(const TQeUDFCollection&) = delete;

  // Appends an item with an empty name, counts 0 and result type udfrTQeReportVariable.
  TQeUDF& Add();
  int Count() const { return static_cast<int>(items_.size()); }
  // Throws vorn::Exception outside 0 to Count()-1.
  TQeUDF& Items(int index);
  const TQeUDF& Items(int index) const;
  void Delete(int index);
  void Clear() { items_.clear(); }
  // Replaces the items by copies of the other collection's items.
  void Assign(const TQeUDFCollection& other);
  // Position of the function called `name` (A to Z case and surrounding blanks ignored),
  // -1 when there is none.
  int IndexOf(std::string_view name) const;
  int IndexOfItem(const TQeUDF* item) const;
  TQeUDFList* Owner() const { return owner_; }

 private:
  TQeUDFList* owner_;
  std::vector<std::unique_ptr<TQeUDF>> items_;
};

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

  TQeUDFCollection& Functions() { return functions_; }
  const TQeUDFCollection& Functions() const { return functions_; }
  // Copies the given collection's items into the list's own collection.
  void SetFunctions(const TQeUDFCollection& value);
  int IndexOf(std::string_view name) const { return functions_.IndexOf(name); }

  // Removal notification: the reports registered here are told when the list goes away.
  void AddReport(TQeBaseReport* report);
  void RemoveReport(TQeBaseReport* report);

 private:
  TQeUDFCollection functions_{this};
  std::vector<TQeBaseReport*> reports_;
};

}  // namespace vorn
