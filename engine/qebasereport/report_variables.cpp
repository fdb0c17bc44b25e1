#include "engine/qebasereport/report_variables.h"

#include <cstdio>
#include <cstring>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/base_report.h"
#include "platform/text/date_format.h"
#include "platform/text/format_settings.h"
#include "platform/text/number_format.h"
#include "platform/text/number_parse.h"

namespace vorn {

namespace {

[[noreturn]] void ThrowIndexError(int index) {
  throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

int32_t TypeCode(VarDataType type) {
  switch (type) {
    case VarDataType::kString:
      return 0;
    case VarDataType::kNumber:
      return 1;
    case VarDataType::kBoolean:
      return 2;
    case VarDataType::kDateTime:
      return 3;
    default:
      return -1;
  }
}

VarDataType TypeFromCode(int32_t code) {
  switch (code) {
    case 0:
      return VarDataType::kString;
    case 1:
      return VarDataType::kNumber;
    case 2:
      return VarDataType::kBoolean;
    case 3:
      return VarDataType::kDateTime;
    default:
      return VarDataType::kNone;
  }
}

void PutInt32(std::string& out, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((bits >> shift) & 0xFF);
}

int32_t GetInt32(std::string_view bytes, size_t offset) {
  if (bytes.size() < 4 || offset > bytes.size() - 4) throw Exception("Stream read error");
  uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) {
    bits = (bits << 8) | static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)]);
  }
  return static_cast<int32_t>(bits);
}

// The run time's integer conversion of the characters from..from+count-1 (0-based).
int DigitsAt(std::string_view text, size_t from, size_t count) {
  return StrToInt(text.substr(from, count));
}

std::string ReplaceFirst(std::string text, char from, char to) {
  if (const size_t p = text.find(from); p != std::string::npos) text[p] = to;
  return text;
}

}  // namespace

// --- TQeVarList ---

TQeVarList::Line& TQeVarList::At(int index) {
  if (index < 0 || index >= Count()) ThrowIndexError(index);
  return lines_[static_cast<size_t>(index)];
}

const TQeVarList::Line& TQeVarList::At(int index) const {
  if (index < 0 || index >= Count()) ThrowIndexError(index);
  return lines_[static_cast<size_t>(index)];
}

int TQeVarList::Add(std::string_view line) {
  lines_.push_back({std::string(line), std::nullopt});
  return Count() - 1;
}

int TQeVarList::Add(std::string_view line, VarDataType type) {
  lines_.push_back({std::string(line), TQeVarListObject{type}});
  return Count() - 1;
}

void TQeVarList::Delete(int index) {
  At(index);
  lines_.erase(lines_.begin() + index);
}

const std::string& TQeVarList::Strings(int index) const { return At(index).text; }

void TQeVarList::SetStrings(int index, std::string_view line) { At(index).text = line; }

const TQeVarListObject* TQeVarList::Objects(int index) const {
  const Line& line = At(index);
  return line.object ? &*line.object : nullptr;
}

VarDataType TQeVarList::DataType(int index) const {
  const Line& line = At(index);
  return line.object ? line.object->DataType : VarDataType::kNone;
}

void TQeVarList::SetDataType(int index, VarDataType type) {
  At(index).object = TQeVarListObject{type};
}

std::string TQeVarList::VarDataTypes() const {
  std::string out;
  PutInt32(out, Count());
  for (int i = 0; i < Count(); ++i) PutInt32(out, TypeCode(DataType(i)));
  return out;
}

void TQeVarList::SetVarDataTypes(std::string_view bytes) {
  const int32_t count = GetInt32(bytes, 0);
  if (count > Count()) ThrowIndexError(Count());
  std::vector<VarDataType> types;
  for (int32_t i = 0; i < count; ++i) {
    types.push_back(TypeFromCode(GetInt32(bytes, 4 + 4 * static_cast<size_t>(i))));
  }
  for (size_t i = 0; i < types.size(); ++i) SetDataType(static_cast<int>(i), types[i]);
}

// --- the report's variable operations ---

int TQeBaseReport::FindVariable(std::string_view name) const {
  const std::string key = UpperAscii(name);
  for (int i = 0; i < var_list_.Count(); ++i) {
    const std::string& line = var_list_.Strings(i);
    const size_t p = line.find('=');
    if (p != std::string::npos && p > 0 && UpperAscii(std::string_view(line).substr(0, p)) == key) {
      return i + 1;
    }
  }
  return 0;
}

void TQeBaseReport::AddTextVariable(std::string_view name, std::string_view value) {
  if (FindVariable(name) > 0) {
    throw EIOError("Can't add report variable " + std::string(name) + " - variable already exists");
  }
  var_list_.Add(std::string(TrimControl(name)) + "=" + std::string(value), VarDataType::kString);
}

void TQeBaseReport::AddNumberVariable(std::string_view name, long double value) {
  if (FindVariable(name) > 0) {
    throw EIOError("Can't add report variable " + std::string(name) + " - variable already exists");
  }
  var_list_.Add(std::string(TrimControl(name)) + "=" + FloatToCanonicalText(value),
                VarDataType::kNumber);
}

TQeReportVariable& TQeBaseReport::GetVariable(std::string_view name) {
  own_variable_.SetName(name);
  return own_variable_;
}

std::string TQeBaseReport::VariableText(int position) const {
  const std::string& line = var_list_.Strings(position - 1);
  const size_t p = line.find('=');
  if (p == std::string::npos || p == 0) return {};
  return line.substr(p + 1);
}

VarDataType TQeBaseReport::VariableType(int position) const {
  return var_list_.DataType(position - 1);
}

// --- TQeReportVariable ---

TQeReportVariable::TQeReportVariable(TQeBaseReport* report)
    : report_(report), standalone_(report == nullptr) {}

void TQeReportVariable::SetStandalone(bool standalone) {
  if (standalone == standalone_) return;
  standalone_ = standalone;
  value_.clear();
  data_type_ = VarDataType::kNone;
}

int TQeReportVariable::FindLine(const char* action) const {
  const int position = report_ != nullptr ? report_->FindVariable(name_) : 0;
  if (position == 0) {
    throw EIOError(std::string(action) + ": report variable not found: " + name_);
  }
  return position;
}

TQeReportVariable::Stored TQeReportVariable::Read() const {
  if (standalone_) return {value_, data_type_};
  const int position = FindLine("Get variable");
  return {report_->VariableText(position), report_->VariableType(position)};
}

void TQeReportVariable::SetText(std::string_view text, VarDataType type) {
  if (standalone_) {
    value_ = std::string(text);
    data_type_ = type;
    return;
  }
  const int index = FindLine("Set variable") - 1;
  TQeVarList& list = report_->VarList();
  // The line takes the name as this reference writes it.
  list.SetStrings(index, name_ + "=" + std::string(text));
  list.SetDataType(index, type);
}

std::string TQeReportVariable::Text() const { return Read().text; }

VarDataType TQeReportVariable::DataType() const { return Read().type; }

void TQeReportVariable::SetDataType(VarDataType type) {
  if (standalone_) {
    data_type_ = type;
    return;
  }
  report_->VarList().SetDataType(FindLine("Set variable") - 1, type);
}

const std::string& TQeReportVariable::TrueText() const {
  static const std::string kTrue = "True";
  return report_ != nullptr ? report_->TrueValue() : kTrue;
}

const std::string& TQeReportVariable::FalseText() const {
  static const std::string kFalse = "False";
  return report_ != nullptr ? report_->FalseValue() : kFalse;
}

std::string TQeReportVariable::AsString() const {
  const Stored stored = Read();
  const FormatSettings& settings = DefaultFormatSettings();
  if (stored.type == VarDataType::kNumber) {
    return ReplaceFirst(stored.text, '.', settings.decimal_separator);
  }
  if (stored.type == VarDataType::kDateTime && stored.text.size() > 11) {
    if (stored.text[11] == ',') return DateTimeToStr(TextToDateTime(stored.text), settings);
    return DateToStr(TextToDate(stored.text), settings);
  }
  return stored.text;
}

void TQeReportVariable::SetAsString(std::string_view value) {
  SetText(value, VarDataType::kString);
}

long double TQeReportVariable::AsFloat() const {
  std::string text = Read().text;
  if (TrimControl(text).empty()) text = "0";
  const FormatSettings& settings = DefaultFormatSettings();
  return StrToFloat(ReplaceFirst(text, '.', settings.decimal_separator), settings);
}

void TQeReportVariable::SetAsFloat(long double value) {
  SetText(FloatToCanonicalText(value), VarDataType::kNumber);
}

int64_t TQeReportVariable::AsInteger() const {
  std::string text = Read().text;
  if (TrimControl(text).empty()) text = "0";
  return StrToInt64(text);
}

void TQeReportVariable::SetAsInteger(int64_t value) {
  SetText(std::to_string(value), VarDataType::kNumber);
}

TDateTime TQeReportVariable::AsDate() const { return TextToDate(Read().text); }

void TQeReportVariable::SetAsDate(TDateTime value) {
  SetText(DateToText(value), VarDataType::kDateTime);
}

TDateTime TQeReportVariable::AsDateTime() const { return TextToDateTime(Read().text); }

void TQeReportVariable::SetAsDateTime(TDateTime value) {
  SetText(DateTimeToText(value), VarDataType::kDateTime);
}

bool TQeReportVariable::AsBoolean() const {
  const std::string text = Read().text;
  return text == TrueText() || UpperAscii(text) == "TRUE";
}

void TQeReportVariable::SetAsBoolean(bool value) {
  // Equal texts could not be told apart again, so the fixed words stand in.
  if (TrueText() == FalseText()) {
    SetText(value ? "True" : "False", VarDataType::kBoolean);
  } else {
    SetText(value ? TrueText() : FalseText(), VarDataType::kBoolean);
  }
}

// --- canonical date texts ---

std::string DateToText(TDateTime value) {
  const DateParts d = DecodeDate(value);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "{%04d-%02d-%02d}", d.year, d.month, d.day);
  return buffer;
}

std::string DateTimeToText(TDateTime value) {
  const DateParts d = DecodeDate(value);
  const TimeParts t = DecodeTime(value);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "{%04d-%02d-%02d,%02d:%02d:%02d:%03d}", d.year, d.month,
                d.day, t.hour, t.minute, t.second, t.millisecond);
  return buffer;
}

TDateTime TextToDate(std::string_view text) {
  if (text.size() < 12) throw Exception(std::string(text) + " is not a valid date value");
  return EncodeDate(DigitsAt(text, 1, 4), DigitsAt(text, 6, 2), DigitsAt(text, 9, 2));
}

TDateTime TextToDateTime(std::string_view text) {
  if (text.size() < 12) throw Exception(std::string(text) + " is not a valid datetime value");
  const TDateTime date =
      EncodeDate(DigitsAt(text, 1, 4), DigitsAt(text, 6, 2), DigitsAt(text, 9, 2));
  if (text.size() != 25 || text[11] != ',') return date;
  const TDateTime time = EncodeTime(DigitsAt(text, 12, 2), DigitsAt(text, 15, 2),
                                    DigitsAt(text, 18, 2), DigitsAt(text, 21, 3));
  return ComposeDateTime(date, time);
}

}  // namespace vorn
