// Date functions: the clock, locale date texts both ways, date parts and the YYYYMMDD form.
#include <string>

#include "engine/qertf/builtins.h"
#include "platform/text/date_format.h"
#include "platform/text/date_parse.h"
#include "platform/text/date_time.h"
#include "platform/text/number_parse.h"

namespace vorn {

namespace {

constexpr VarDataType kString = VarDataType::kString;
constexpr VarDataType kDateTime = VarDataType::kDateTime;

std::string_view NameOf(int32_t id) {
  switch (id) {
    case kFnDateToStr:
      return "DATETOSTR";
    case kFnDateTimeToStr:
      return "DATETIMETOSTR";
    case kFnTimeToStr:
      return "TIMETOSTR";
    case kFnStrToDate:
      return "STRTODATE";
    case kFnStrToDateTime:
      return "STRTODATETIME";
    case kFnStrToTime:
      return "STRTOTIME";
    case kFnYear:
      return "YEAR";
    case kFnMonth:
      return "MONTH";
    case kFnDay:
      return "DAY";
    case kFnSYear:
      return "SYEAR";
    case kFnSMonth:
      return "SMONTH";
    case kFnSDay:
      return "SDAY";
    case kFnDtos:
      return "DTOS";
    default:
      return "STOD";
  }
}

// The one argument, checked for `expected`, with the function's two messages.
void CheckSingle(int32_t id, const BuiltinCall& call, VarDataType expected) {
  const std::string name(NameOf(id));
  const std::string unknown = "Operand type unknown. Function \"" + name + "\", expression ";
  const std::string expected_message =
      expected == kString
          ? "Operand of string type expected. Function \"" + name + "\", expression "
          : "Operand of date/time type expected. Function \"" + name + "\", expression ";
  call.CheckTyped(1, expected, unknown, expected_message);
}

std::string Padded(int value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), '0');
  return text;
}

void Clock(int32_t id, const BuiltinCall& call) {
  const TDateTime now = Now();
  switch (id) {
    case kFnNow:
      call.SetDateTime(now);
      return;
    case kFnDate:
      call.SetDateTime(DateOf(now));
      return;
    default:
      call.SetDateTime(TimeOf(now));
      return;
  }
}

void ToText(int32_t id, const BuiltinCall& call) {
  CheckSingle(id, call, kDateTime);
  const TDateTime value = call.Copy(1)->AsDateTime();
  switch (id) {
    case kFnDateToStr:
      call.SetString(DateToStr(value));
      return;
    case kFnDateTimeToStr:
      call.SetString(DateTimeToStr(value));
      return;
    default:
      call.SetString(TimeToStr(value));
      return;
  }
}

void FromText(int32_t id, const BuiltinCall& call) {
  CheckSingle(id, call, kString);
  const std::string text = call.Text(1);
  switch (id) {
    case kFnStrToDate:
      call.SetDate(StrToDate(text));
      return;
    case kFnStrToDateTime:
      call.SetDateTime(StrToDateTime(text));
      return;
    default:
      call.SetDateTime(StrToTime(text));
      return;
  }
}

void Part(int32_t id, const BuiltinCall& call) {
  CheckSingle(id, call, kDateTime);
  const DateParts date = DecodeDate(call.Copy(1)->AsDateTime());
  switch (id) {
    case kFnYear:
      call.SetInteger(date.year);
      return;
    case kFnMonth:
      call.SetInteger(date.month);
      return;
    case kFnDay:
      call.SetInteger(date.day);
      return;
    case kFnSYear:
      call.SetString(Padded(date.year, 4));
      return;
    case kFnSMonth:
      call.SetString(Padded(date.month, 2));
      return;
    case kFnSDay:
      call.SetString(Padded(date.day, 2));
      return;
    default:
      call.SetString(Padded(date.year, 4) + Padded(date.month, 2) + Padded(date.day, 2));
      return;
  }
}

void Stod(const BuiltinCall& call) {
  CheckSingle(kFnStod, call, kString);
  const std::string text = call.Text(1);
  if (text.size() != 8) {
    call.Fail("Operand of string type YYYYMMDD expected. Function \"STOD\", expression ");
  }
  const int year = StrToInt(text.substr(0, 4));
  const int month = StrToInt(text.substr(4, 2));
  const int day = StrToInt(text.substr(6, 2));
  call.SetDate(EncodeDate(year, month, day));
}

}  // namespace

bool EvaluateDateFunction(int32_t id, const BuiltinCall& call) {
  switch (id) {
    case kFnNow:
    case kFnDate:
    case kFnTime:
      Clock(id, call);
      return true;
    case kFnDateToStr:
    case kFnDateTimeToStr:
    case kFnTimeToStr:
      ToText(id, call);
      return true;
    case kFnStrToDate:
    case kFnStrToDateTime:
    case kFnStrToTime:
      FromText(id, call);
      return true;
    case kFnYear:
    case kFnMonth:
    case kFnDay:
    case kFnSYear:
    case kFnSMonth:
    case kFnSDay:
    case kFnDtos:
      Part(id, call);
      return true;
    case kFnStod:
      Stod(call);
      return true;
    default:
      return false;
  }
}

}  // namespace vorn
