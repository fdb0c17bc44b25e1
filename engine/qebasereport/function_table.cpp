#include "engine/qebasereport/function_table.h"

#include "engine/qebasereport/base_report.h"
#include "engine/qefunc/user_functions.h"

namespace vorn {

namespace {
constexpr TQeUDFResultType kNil = udfrNil;
constexpr TQeUDFResultType kValue = udfrTQeReportVariable;
constexpr uint32_t kValueBit = 1u << udfrTQeReportVariable;
constexpr uint32_t kPictureBit = 1u << udfrTPicture;

const TQeUDF* FindUserFunction(const TQeBaseReport& report, int32_t id) {
  const TQeUDFList* list = report.UDFList();
  if (list == nullptr || id < 0 || id >= list->Functions().Count()) return nullptr;
  return &list->Functions().Items(id);
}
}  // namespace

const std::array<TQEBaseFunctionIDs, kBaseFunctionCount> kBaseFunctions{{
    {-1, "SUM", 2, 3, kNil},
    {-2, "CTN", 2, 3, kNil},
    {-3, "CTS", 2, 3, kNil},
    {-4, "VAR", 1, 10000, kNil},
    {-5, "SYS_AND", 2, 2, kValue},
    {-6, "SYS_OR", 2, 2, kValue},
    {-7, "SYS_LTEQ", 2, 2, kValue},
    {-8, "SYS_GTEQ", 2, 2, kValue},
    {-9, "SYS_NOTEQ", 2, 2, kValue},
    {-10, "SYS_UMINUS", 1, 1, kValue},
    {-11, "SYS_UPLUS", 1, 1, kValue},
    {-12, "SYS_NOT", 1, 1, kValue},
    {-13, "SYS_MULT", 2, 2, kValue},
    {-14, "SYS_DIV", 2, 2, kValue},
    {-15, "SYS_PERCENT", 2, 2, kValue},
    {-16, "SYS_ADD", 2, 2, kValue},
    {-17, "SYS_SUB", 2, 2, kValue},
    {-18, "SYS_GT", 2, 2, kValue},
    {-19, "SYS_LT", 2, 2, kValue},
    {-20, "IF", 1, 1, kValue},
    {-21, "WHILE", 1, 1, kValue},
    {-22, "", 1, 1, kValue},
    {-23, "SYS_EQ", 2, 2, kValue},
    {-24, "SET", 2, 2, kNil},
    {-25, "TRIM", 1, 1, kValue},
    {-26, "MID", 2, 3, kValue},
    {-27, "SUBSTR", 2, 3, kValue},
    {-28, "COPY", 2, 3, kValue},
    {-29, "UPPER", 1, 1, kValue},
    {-30, "LOWER", 1, 1, kValue},
    {-31, "STR", 1, 3, kValue},
    {-32, "VAL", 1, 1, kValue},
    {-33, "EOF", 1, 1, kValue},
    {-34, "BOF", 1, 1, kValue},
    {-35, "NEXT", 1, 1, kNil},
    {-36, "PRIOR", 1, 1, kNil},
    {-37, "FIRST", 1, 1, kNil},
    {-38, "LAST", 1, 1, kNil},
    {-39, "INT", 1, 1, kValue},
    {-40, "FRAC", 1, 1, kValue},
    {-41, "ROUND", 1, 2, kValue},
    {-42, "NOW", 0, 0, kValue},
    {-43, "DATE", 0, 0, kValue},
    {-44, "TIME", 0, 0, kValue},
    {-45, "DATETOSTR", 1, 1, kValue},
    {-46, "DATETIMETOSTR", 1, 1, kValue},
    {-47, "TIMETOSTR", 1, 1, kValue},
    {-48, "STRTODATE", 1, 1, kValue},
    {-49, "STRTODATETIME", 1, 1, kValue},
    {-50, "STRTOTIME", 1, 1, kValue},
    {-51, "YEAR", 1, 1, kValue},
    {-52, "MONTH", 1, 1, kValue},
    {-53, "DAY", 1, 1, kValue},
    {-54, "SYEAR", 1, 1, kValue},
    {-55, "SMONTH", 1, 1, kValue},
    {-56, "SDAY", 1, 1, kValue},
    {-57, "DTOS", 1, 1, kValue},
    {-58, "STOD", 1, 1, kValue},
    {-59, "FORMATFLOAT", 2, 2, kValue},
    {-60, "POWER", 2, 2, kValue},
    {-61, "INTPOWER", 2, 2, kValue},
    {-62, "IIF", 3, 3, kValue},
}};

const std::array<TQeBaseFormatIDs, kFormatFunctionCount> kFormatFunctions{{
    {0, "NOFORMAT", 1, 1, 0, false, FloatFormatKind::kGeneral},
    {1, "FEXP", 1, 2, kValueBit, true, FloatFormatKind::kScientific},
    {2, "FFIX", 1, 2, kValueBit, true, FloatFormatKind::kFixed},
    {3, "FNUM", 1, 2, kValueBit, true, FloatFormatKind::kNumber},
    {4, "FCUR", 1, 2, kValueBit, true, FloatFormatKind::kCurrency},
    {5, "FIMG", 1, 2, kValueBit | kPictureBit, false, FloatFormatKind::kGeneral},
    {6, "FLNK", 1, 1, kValueBit, false, FloatFormatKind::kGeneral},
    {7, "FFIXR", 1, 2, kValueBit, true, FloatFormatKind::kFixed},
    {8, "FNUMR", 1, 2, kValueBit, true, FloatFormatKind::kNumber},
    {9, "FDTM", 2, 2, kValueBit, false, FloatFormatKind::kGeneral},
    {10, "FBOOL", 1, 1, kValueBit, false, FloatFormatKind::kGeneral},
    {11, "FRTF", 1, 1, kValueBit, false, FloatFormatKind::kGeneral},
}};

const TQEBaseFunctionIDs* FindBaseFunction(int32_t id) {
  if (id >= 0 || id < -kBaseFunctionCount) return nullptr;
  return &kBaseFunctions[static_cast<size_t>(-id - 1)];
}

const TQeBaseFormatIDs* FindFormatFunction(int32_t id) {
  if (id < 0 || id >= kFormatFunctionCount) return nullptr;
  return &kFormatFunctions[static_cast<size_t>(id)];
}

std::optional<int32_t> LookupFunction(const TQeBaseReport& report, std::string_view name) {
  if (const TQeUDFList* list = report.UDFList(); list != nullptr) {
    if (const int index = list->IndexOf(name); index >= 0) return index;
  }
  const std::string key = UpperAscii(TrimControl(name));
  for (const TQEBaseFunctionIDs& row : kBaseFunctions) {
    if (row.Name == key) return row.Id;
  }
  return std::nullopt;
}

int32_t GetArgMinCount(const TQeBaseReport& report, int32_t id) {
  if (id < 0) {
    const TQEBaseFunctionIDs* row = FindBaseFunction(id);
    return row != nullptr ? row->ArgMinCount : 0;
  }
  const TQeUDF* udf = FindUserFunction(report, id);
  return udf != nullptr ? udf->ArgMinCount() : 0;
}

int32_t GetArgMaxCount(const TQeBaseReport& report, int32_t id) {
  if (id < 0) {
    const TQEBaseFunctionIDs* row = FindBaseFunction(id);
    return row != nullptr ? row->ArgMaxCount : 0;
  }
  const TQeUDF* udf = FindUserFunction(report, id);
  return udf != nullptr ? udf->ArgMaxCount() : 0;
}

TQeUDFResultType GetResultType(const TQeBaseReport& report, int32_t id) {
  if (id < 0) {
    const TQEBaseFunctionIDs* row = FindBaseFunction(id);
    return row != nullptr ? row->ResultType : udfrNil;
  }
  const TQeUDF* udf = FindUserFunction(report, id);
  return udf != nullptr ? udf->ResultType() : udfrNil;
}

std::string FunctionName(const TQeBaseReport& report, int32_t id) {
  if (id < 0) {
    const TQEBaseFunctionIDs* row = FindBaseFunction(id);
    return row != nullptr ? std::string(row->Name) : std::string();
  }
  const TQeUDF* udf = FindUserFunction(report, id);
  return udf != nullptr ? udf->Name() : std::string();
}

bool FormatConforms(const TQeBaseReport& report, int32_t id, const FormatDescriptor& format) {
  if (format.FormatId <= 0) return true;
  const TQeBaseFormatIDs* row = FindFormatFunction(format.FormatId);
  return row != nullptr && row->Accepts(GetResultType(report, id));
}

}  // namespace vorn
