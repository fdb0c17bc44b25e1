#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/date_time.h"

namespace vorn {

class TQeBaseReport;

// The data type of a report variable's value.
enum class VarDataType : uint8_t {
  kNone = 0,
  kString = 1,
  kNumber = 2,    // canonical text with "." and at most 15 significant digits
  kBoolean = 3,   // TrueValue or FalseValue
  kDateTime = 4,  // "{YYYY-MM-DD}" or "{YYYY-MM-DD,HH:NN:SS:ZZZ}"
};

// The type object a variable line may carry; a line without one has the type none.
struct TQeVarListObject {
  VarDataType DataType = VarDataType::kNone;
};

// The report's variables: lines "NAME=VALUE" in the order added, each with an optional
// type object the list owns. Nothing keeps two lines from sharing a name. Indexes are
// 0-based; an index outside the list throws vorn::Exception "List index out of bounds (i)".
class TQeVarList {
 public:
  TQeVarList() = default;
  TQeVarList(const TQeVarList&) = delete;
  TQeVarList& operator=(const TQeVarList&) = delete;

  // Copies the lines and gives each copied line a type object of its own.
  void Assign(const TQeVarList& other) { lines_ = other.lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  void Clear() { lines_.clear(); }

  // Appends a line without a type object; returns its index.
  int Add(std::string_view line);
  // Appends a line with a type object of that type; returns its index.
  int Add(std::string_view line, VarDataType type);
  void Delete(int index);
  const std::string& Strings(int index) const;
  void SetStrings(int index, std::string_view line);
  // The line's type object, or nullptr.
  const TQeVarListObject* Objects(int index) const;
  // The type of the line's object; kNone without one.
  VarDataType DataType(int index) const;
  // Sets the type, attaching a type object when the line has none.
  void SetDataType(int index, VarDataType type);

  // The stored property "VarDataTypes": int32 little-endian count, then one int32 code per
  // line (string 0, number 1, boolean 2, date/time 3, none -1).
  std::string VarDataTypes() const;
  // Reads that property into the lines' type objects; other codes mean none. Throws
  // vorn::Exception when the count exceeds the lines or the bytes end early; nothing
  // changes then.
  void SetVarDataTypes(std::string_view bytes);

 private:
  struct Line {
    std::string text;
    std::optional<TQeVarListObject> object;
  };
  Line& At(int index);
  const Line& At(int index) const;

  std::vector<Line> lines_;
};

// A report value: either a reference to the named line of a report's variable list or a
// standalone value with a text and a type of its own. Values are held as canonical texts
// (see VarDataType). A reference whose line is missing throws EIOError "Get variable: ..."
// on reads and "Set variable: ..." on writes. The report is not owned and must outlive it.
class TQeReportVariable {
 public:
  // Without a report the value is standalone and the boolean texts are "True"/"False".
  explicit TQeReportVariable(TQeBaseReport* report = nullptr);

  TQeBaseReport* Report() const { return report_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string_view name) { name_ = std::string(name); }
  bool Standalone() const { return standalone_; }
  // A change of mode empties the value and sets the type none; the name stays.
  void SetStandalone(bool standalone);

  // The canonical text and its type as stored, and their joint write.
  std::string Text() const;
  void SetText(std::string_view text, VarDataType type);

  // The display text: numbers with the locale decimal separator, dates in the locale's
  // short date form, date-times in its date-and-time form.
  std::string AsString() const;
  void SetAsString(std::string_view value);
  // An empty text reads as 0; throws EConvertError for a text that is no number.
  long double AsFloat() const;
  void SetAsFloat(long double value);
  int64_t AsInteger() const;
  void SetAsInteger(int64_t value);
  TDateTime AsDate() const;
  void SetAsDate(TDateTime value);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime value);
  // True for the text of TrueValue or any case of "TRUE".
  bool AsBoolean() const;
  void SetAsBoolean(bool value);
  VarDataType DataType() const;
  void SetDataType(VarDataType type);

 private:
  struct Stored {
    std::string text;
    VarDataType type;
  };
  Stored Read() const;
  // The 1-based line of the reference; throws EIOError with `action` when missing.
  int FindLine(const char* action) const;
  const std::string& TrueText() const;
  const std::string& FalseText() const;

  TQeBaseReport* report_;
  std::string name_;
  bool standalone_;
  std::string value_;
  VarDataType data_type_ = VarDataType::kNone;
};

// Canonical date texts: "{YYYY-MM-DD}" and "{YYYY-MM-DD,HH:NN:SS:ZZZ}".
std::string DateToText(TDateTime value);
std::string DateTimeToText(TDateTime value);
// The reverse; the separators are not checked. Texts under 12 characters throw
// vorn::Exception "<text> is not a valid date value" (or "datetime"); bad digits and
// impossible dates throw EConvertError. The time is read only from a 25-character text
// with "," as its 12th character, else it is midnight.
TDateTime TextToDate(std::string_view text);
TDateTime TextToDateTime(std::string_view text);

}  // namespace vorn
