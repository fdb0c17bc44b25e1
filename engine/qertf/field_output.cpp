#include <string>

#include "data/dataset.h"
#include "engine/qebasereport/function_table.h"
#include "engine/qebasereport/report_variables.h"
#include "engine/qebasereport/tag_codec.h"
#include "engine/qertf/qertf.h"
#include "platform/text/date_format.h"
#include "platform/text/date_parse.h"
#include "platform/text/date_time.h"
#include "platform/text/format_settings.h"
#include "platform/text/number_format.h"
#include "platform/text/number_parse.h"

namespace vorn {

namespace {
// The marks of the "R" formats: a whole amount ends in "=", decimals follow a "-".
constexpr char kWholeAmountMark = '=';
constexpr char kDecimalMark = '-';

bool HasNonZeroDigit(std::string_view text) {
  for (char c : text) {
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

FloatFormat FloatFormatOf(int32_t format_id) {
  const TQeBaseFormatIDs* row = FindFormatFunction(format_id);
  switch (row != nullptr ? row->FloatFormat : FloatFormatKind::kGeneral) {
    case FloatFormatKind::kScientific:
      return FloatFormat::kExponent;
    case FloatFormatKind::kFixed:
      return FloatFormat::kFixed;
    case FloatFormatKind::kNumber:
      return FloatFormat::kNumber;
    case FloatFormatKind::kCurrency:
      return FloatFormat::kCurrency;
    default:
      return FloatFormat::kGeneral;
  }
}

std::string FormatName(int32_t format_id) {
  const TQeBaseFormatIDs* row = FindFormatFunction(format_id);
  return row != nullptr ? std::string(row->Name) : std::to_string(format_id);
}

bool IsRFormat(int32_t format_id) { return format_id == kFormatFfixr || format_id == kFormatFnumr; }

// 1234.50 -> 1234-50, 1234.00 -> 1234=, 1234 -> 1234=.
std::string ApplyAmountMarks(std::string text, char decimal_separator) {
  const size_t separator = text.find(decimal_separator);
  if (separator == std::string::npos) return text + kWholeAmountMark;
  const std::string decimals = text.substr(separator + 1);
  bool all_zero = !decimals.empty();
  for (char c : decimals) {
    if (c != '0') all_zero = false;
  }
  if (decimals.empty() || all_zero) return text.substr(0, separator) + kWholeAmountMark;
  text[separator] = kDecimalMark;
  return text;
}

std::string TrimmedCopy(std::string_view text) { return std::string(TrimControl(text)); }

std::string TrimRightBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}
}  // namespace

std::string TQeRTF::FormatNumber(std::string_view value, const TQeRowContent& row) const {
  const FormatSettings& settings = DefaultFormatSettings();
  std::string text = TrimmedCopy(value);
  if (text.empty()) return text;
  if (settings.decimal_separator != '.') {
    const size_t dot = text.find('.');
    if (dot != std::string::npos) text[dot] = settings.decimal_separator;
  }
  long double number = 0;
  if (!TryStrToFloat(text, number, settings)) return text;
  std::string result = TrimmedCopy(
      FloatToStrF(number, FloatFormatOf(row.FormatId), row.Precision, row.Digits, settings));
  if (Options().Has(eoNumericFormatClearZero) && !HasNonZeroDigit(result)) return "";
  if (IsRFormat(row.FormatId)) result = ApplyAmountMarks(result, settings.decimal_separator);
  return result;
}

void TQeRTF::WriteValueFrame(std::string_view value, std::string_view format_text) {
  // One write per value, through a buffer that keeps its capacity from value to value.
  frame_.clear();
  AppendRtfValueFrame(frame_, LangText, value, format_text, CodePage(), ValueCharacters());
  WriteOutput(frame_);
}

void TQeRTF::WriteHyperlink(std::string_view value, std::string_view format_text) {
  std::string address(value);
  std::string display(value);
  const size_t bar = value.find('|');
  if (bar != std::string_view::npos) {
    address = std::string(value.substr(0, bar));
    display = bar == 0 ? std::string() : std::string(value.substr(bar + 1));
  }
  if (display.empty()) display = address;
  WriteOutput("{\\field{\\*\\fldinst {\\lang");
  WriteOutput(LangText);
  WriteOutput(" HYPERLINK \"");
  WriteOutput(EncodeRtfText(address, CodePage(), ValueCharacters()));
  WriteOutput("\" }}{\\fldrslt \\lang");
  WriteOutput(LangText);
  WriteOutput(" ");
  WriteOutput(EncodeRtfText(display, CodePage(), ValueCharacters()));
  WriteOutput("}}");
  WriteOutput(format_text);
}

void TQeRTF::WriteFragment(std::string_view fragment, std::string_view format_text) {
  // Text that is no RTF is a value like any other, and is written as values are; merged as
  // nothing, it still leaves the tables in their normal forms, as every merge does.
  if (KeepFontCharsets() && !fragment.starts_with("{\\rtf")) {
    if (!fragment.empty()) WriteValueFrame(fragment, "");
    MergeRtfText("");
  } else {
    MergeRtfText(fragment);
  }
  WriteOutput(format_text);
}

std::string TQeRTF::DateTimeFormatText(const TQeRowContent& row) const {
  const std::string text = TrimmedCopy(Stream().Pool().Get(row.Precision));
  if (IsQuotedString(text)) return text.substr(1, text.size() - 2);
  if (FindVariable(text) == 0) return std::string();
  TQeReportVariable variable(const_cast<TQeRTF*>(this));
  variable.SetName(text);
  return variable.AsString();
}

std::string TQeRTF::BooleanText(std::string_view value) const {
  return value == TrueValue() || UpperAscii(value) == "TRUE" ? TrueValue() : FalseValue();
}

std::string TQeRTF::DateLiteralToText(std::string_view literal) const {
  // "{YYYY-MM-DD}": year from characters 2 to 5, month 7 and 8, day 10 and 11.
  const std::string text(literal);
  auto number = [&](size_t from, size_t length) {
    int value = 0;
    for (size_t i = from; i < from + length && i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  TDateTime date = 0;
  if (text.size() < 11 || !TryEncodeDate(number(1, 4), number(6, 2), number(9, 2), date)) {
    throw EConvertError("'" + text + "' is not a valid date");
  }
  return FormatDateTime(DefaultFormatSettings().short_date_format, date, DefaultFormatSettings());
}

void TQeRTF::WriteValue(std::string_view value, const TQeRowContent& row) {
  switch (row.FormatId) {
    case kNoFormat:
      WriteValueFrame(value, row.FormatText);
      return;
    case kFormatFexp:
    case kFormatFfix:
    case kFormatFnum:
    case kFormatFcur:
    case kFormatFfixr:
    case kFormatFnumr:
      WriteValueFrame(FormatNumber(value, row), row.FormatText);
      return;
    case kFormatFdtm: {
      const TDateTime date = StrToDateTime(TrimmedCopy(value), DefaultFormatSettings());
      WriteValueFrame(FormatDateTime(DateTimeFormatText(row), date, DefaultFormatSettings()),
                      row.FormatText);
      return;
    }
    case kFormatFbool:
      WriteValueFrame(BooleanText(value), row.FormatText);
      return;
    case kFormatFlnk:
      WriteHyperlink(value, row.FormatText);
      return;
    case kFormatFimg:
      WritePictureFromFile(std::string(value), row);
      return;
    case kFormatFrtf:
      WriteFragment(value, row.FormatText);
      return;
    default:
      throw EIllegalFunctionUse("Unknown format function " + FormatName(row.FormatId));
  }
}

void TQeRTF::WriteField(const TField& field, const TQeRowContent& row) {
  if (field.DataType() == ftGraphic || row.FormatId == kFormatFimg) {
    TQeRowContent picture_row = row;
    if (row.FormatId != kFormatFimg) {
      picture_row.FormatId = kFormatFimg;
      picture_row.Precision = 0;
    }
    WritePictureFromField(field, picture_row);
    return;
  }
  if (row.FormatId == kFormatFlnk) {
    WriteHyperlink(field.AsString(), row.FormatText);
    return;
  }
  if (row.FormatId == kFormatFrtf) {
    WriteFragment(field.AsString(), row.FormatText);
    return;
  }
  switch (field.DataType()) {
    case ftBoolean:
      WriteValueFrame(field.AsBoolean() ? TrueValue() : FalseValue(), row.FormatText);
      return;
    case ftDate:
    case ftDateTime:
      if (row.FormatId == kFormatFdtm) {
        WriteValueFrame(
            FormatDateTime(DateTimeFormatText(row), field.AsDateTime(), DefaultFormatSettings()),
            row.FormatText);
      } else {
        // The time part of a date-time is dropped.
        std::string text = field.AsString();
        const size_t blank = text.find(' ');
        if (blank != std::string::npos && blank > 8) text.resize(blank);
        WriteValueFrame(text, row.FormatText);
      }
      return;
    default:
      WriteValue(TrimRightBlanks(field.AsString()), row);
      return;
  }
}

}  // namespace vorn
