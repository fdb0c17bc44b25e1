#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

class TQeBaseReport;

// What a function call yields; shared by the built-ins and the user-defined functions.
enum TQeUDFResultType : uint8_t {
  udfrNil = 0,                // no value: the function acts
  udfrTQeReportVariable = 1,  // a standalone report variable
  udfrTPicture = 2,           // a picture
  udfrTMemoryStream = 3,      // a memory stream of RTF bytes
};

// A row of the built-in function table; row k (from 1) has the id -k.
struct TQEBaseFunctionIDs {
  int32_t Id;
  std::string_view Name;  // upper case; row -22, the grouping function, has none
  int32_t ArgMinCount;
  int32_t ArgMaxCount;
  TQeUDFResultType ResultType;
};

inline constexpr int kBaseFunctionCount = 62;
extern const std::array<TQEBaseFunctionIDs, kBaseFunctionCount> kBaseFunctions;

// Ids of the built-ins, for the evaluator's dispatch.
enum BuiltinFunctionId : int32_t {
  kFnSum = -1,
  kFnCtn = -2,
  kFnCts = -3,
  kFnVar = -4,
  kFnSysAnd = -5,
  kFnSysOr = -6,
  kFnSysLtEq = -7,
  kFnSysGtEq = -8,
  kFnSysNotEq = -9,
  kFnSysUMinus = -10,
  kFnSysUPlus = -11,
  kFnSysNot = -12,
  kFnSysMult = -13,
  kFnSysDiv = -14,
  kFnSysPercent = -15,
  kFnSysAdd = -16,
  kFnSysSub = -17,
  kFnSysGt = -18,
  kFnSysLt = -19,
  kFnIf = -20,
  kFnWhile = -21,
  kFnGroup = -22,
  kFnSysEq = -23,
  kFnSet = -24,
  kFnTrim = -25,
  kFnMid = -26,
  kFnSubstr = -27,
  kFnCopy = -28,
  kFnUpper = -29,
  kFnLower = -30,
  kFnStr = -31,
  kFnVal = -32,
  kFnEof = -33,
  kFnBof = -34,
  kFnNext = -35,
  kFnPrior = -36,
  kFnFirst = -37,
  kFnLast = -38,
  kFnInt = -39,
  kFnFrac = -40,
  kFnRound = -41,
  kFnNow = -42,
  kFnDate = -43,
  kFnTime = -44,
  kFnDateToStr = -45,
  kFnDateTimeToStr = -46,
  kFnTimeToStr = -47,
  kFnStrToDate = -48,
  kFnStrToDateTime = -49,
  kFnStrToTime = -50,
  kFnYear = -51,
  kFnMonth = -52,
  kFnDay = -53,
  kFnSYear = -54,
  kFnSMonth = -55,
  kFnSDay = -56,
  kFnDtos = -57,
  kFnStod = -58,
  kFnFormatFloat = -59,
  kFnPower = -60,
  kFnIntPower = -61,
  kFnIif = -62,
};

// Ids of the format functions, as a tag's format descriptor holds them.
enum FormatFunctionId : int32_t {
  kNoFormat = 0,
  kFormatFexp = 1,
  kFormatFfix = 2,
  kFormatFnum = 3,
  kFormatFcur = 4,
  kFormatFimg = 5,
  kFormatFlnk = 6,
  kFormatFfixr = 7,
  kFormatFnumr = 8,
  kFormatFdtm = 9,
  kFormatFbool = 10,
  kFormatFrtf = 11,
};

// How a numeric format function writes its number.
enum class FloatFormatKind : uint8_t {
  kGeneral = 0,
  kScientific = 1,
  kFixed = 2,
  kNumber = 3,
  kCurrency = 4
};

// A row of the format-function table; the row's position is its id.
struct TQeBaseFormatIDs {
  int32_t Id;
  std::string_view Name;
  int32_t ArgMinCount;
  int32_t ArgMaxCount;
  uint32_t ResultTypes;  // bit n: result type n is accepted (types above 31 never are)
  bool IsFloatFormat;
  FloatFormatKind FloatFormat;

  bool Accepts(uint8_t result_type) const {
    return result_type < 32 && ((ResultTypes >> result_type) & 1u) != 0;
  }
};

inline constexpr int kFormatFunctionCount = 12;
extern const std::array<TQeBaseFormatIDs, kFormatFunctionCount> kFormatFunctions;

// The format descriptor a compiled value tag keeps.
struct FormatDescriptor {
  int32_t FormatId = kNoFormat;
  int32_t Precision = 18;  // FDTM: string-pool index of the format text; FIMG: picture format
  int32_t Digits = 2;
  bool operator==(const FormatDescriptor&) const = default;
};

// The built-in row with that id, or nullptr.
const TQEBaseFunctionIDs* FindBaseFunction(int32_t id);
// The format row with that id (0 to 11), or nullptr.
const TQeBaseFormatIDs* FindFormatFunction(int32_t id);

// The id of the function called `name` (case of A to Z and surrounding blanks ignored):
// the report's user-defined functions first, then the built-ins.
std::optional<int32_t> LookupFunction(const TQeBaseReport& report, std::string_view name);
// Bounds and result type of a built-in (negative id) or a user-defined function;
// 0 and udfrNil for an id that names nothing.
int32_t GetArgMinCount(const TQeBaseReport& report, int32_t id);
int32_t GetArgMaxCount(const TQeBaseReport& report, int32_t id);
TQeUDFResultType GetResultType(const TQeBaseReport& report, int32_t id);
// The function's name as the table or the list holds it; empty for an unknown id.
std::string FunctionName(const TQeBaseReport& report, int32_t id);
// Whether the format function of `format` may wrap an expression whose top function is `id`.
bool FormatConforms(const TQeBaseReport& report, int32_t id, const FormatDescriptor& format);

}  // namespace vorn
