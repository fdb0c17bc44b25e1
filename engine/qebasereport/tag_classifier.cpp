#include "engine/qebasereport/tag_classifier.h"

#include <limits>
#include <optional>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/base_rtf_report.h"
#include "engine/qebasereport/expression_parser.h"
#include "engine/qebasereport/function_calls.h"
#include "platform/text/format_settings.h"

namespace vorn {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::optional<int32_t> CommandKind(std::string_view decoded_text) {
  const std::string upper = UpperAscii(decoded_text);
  if (StartsWith(upper, "SCAN(") && upper.find(')', 5) != std::string::npos) return kTagScan;
  if (StartsWith(upper, "SCANENTRY")) return kTagScanEntry;
  if (StartsWith(upper, "SCANFOOTER")) return kTagScanFooter;
  if (StartsWith(upper, "ENDSCAN")) return kTagEndScan;
  if (StartsWith(upper, "IF(") && upper.find(')', 4) != std::string::npos) return kTagIf;
  if (StartsWith(upper, "ENDIF")) return kTagEndIf;
  if (StartsWith(upper, "ELSE")) return kTagElse;
  return std::nullopt;
}

const TQeBaseFormatIDs* FormatByName(std::string_view name) {
  const std::string upper = UpperAscii(name);
  for (int id = kFormatFexp; id < kFormatFunctionCount; ++id) {
    if (kFormatFunctions[static_cast<size_t>(id)].Name == upper) return &kFormatFunctions[id];
  }
  return nullptr;
}

std::optional<int32_t> ParseCount(std::string_view digits) {
  digits = TrimControl(digits);
  if (digits.empty()) return std::nullopt;
  int64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

struct PrecisionDigits {
  int32_t precision = 0;  // 0 when the argument has no "p:" part
  int32_t digits = 0;
};

// The second argument of a numeric format or FIMG: "d" or "p:d", digits and blanks only.
PrecisionDigits ParseNumericArgument(std::string_view tag_text, const std::string& arg) {
  const auto fail = [&]() -> PrecisionDigits {
    throw EIllegalFunctionUse("Illegal use of format function " + std::string(tag_text) +
                              " - cannot understand argument " + arg);
  };
  const size_t colon = arg.find(':');
  if (colon == std::string::npos) {
    const std::optional<int32_t> d = ParseCount(arg);
    return d ? PrecisionDigits{0, *d} : fail();
  }
  if (colon == 0 || colon + 1 == arg.size() || arg.find(':', colon + 1) != std::string::npos) {
    return fail();
  }
  const std::optional<int32_t> p = ParseCount(std::string_view(arg).substr(0, colon));
  const std::optional<int32_t> d = ParseCount(std::string_view(arg).substr(colon + 1));
  return p && d ? PrecisionDigits{*p, *d} : fail();
}

FormatDescriptor Describe(TQeBaseRTFReport& report, const TQeBaseFormatIDs& row,
                          std::string_view tag_text, const std::string* second) {
  FormatDescriptor format;
  format.FormatId = row.Id;
  if (row.IsFloatFormat) {
    if (second != nullptr) {
      const PrecisionDigits pd = ParseNumericArgument(tag_text, *second);
      format.Digits = pd.digits;
      if (pd.precision > 0) format.Precision = pd.precision;
    } else if (row.Id == kFormatFcur) {
      format.Digits = DefaultFormatSettings().currency_decimals;
    }
  } else if (row.Id == kFormatFimg) {
    format.Precision = 0;
    if (second != nullptr) {
      const PrecisionDigits pd = ParseNumericArgument(tag_text, *second);
      format.Precision = pd.precision > 0 ? pd.precision : pd.digits;
    }
  } else if (row.Id == kFormatFdtm && second != nullptr) {
    format.Precision = report.Stream().Pool().Append(*second);
  }
  return format;
}

}  // namespace

FormatCall ParseFormatCall(TQeBaseRTFReport& report, std::string_view text) {
  size_t name_length = 0;
  while (name_length < text.size() && ((text[name_length] >= 'A' && text[name_length] <= 'Z') ||
                                       (text[name_length] >= 'a' && text[name_length] <= 'z'))) {
    ++name_length;
  }
  const FormatCall none{std::string(text), {}};
  if (name_length == 0 || name_length + 2 >= text.size() || text[name_length] != '(' ||
      text.back() != ')') {
    return none;
  }
  const TQeBaseFormatIDs* row = FormatByName(text.substr(0, name_length));
  if (row == nullptr) return none;

  const std::string tag(text);
  const std::string_view inner = text.substr(name_length + 1, text.size() - name_length - 2);
  const SplitArgumentsResult split = SplitArguments(report, inner);
  if (!split.Balanced) {
    throw EIllegalFunctionUse("Brackets balance violation in format function " + tag);
  }
  const auto count = static_cast<int32_t>(split.Args.size());
  if (count < row->ArgMinCount) {
    throw EIllegalFunctionUse("Illegal format function use: " + tag +
                              " - number of arguments is less than minimum required");
  }
  if (count > row->ArgMaxCount) {
    throw EIllegalFunctionUse("Illegal format function use: " + tag +
                              " - number of arguments is more than maximum allowed");
  }
  FormatCall result;
  if (count == 2) {
    // The expression runs to the last comma, so a second argument cannot hold one.
    const size_t last_comma = text.rfind(',');
    result.Text = tag.substr(name_length + 1, last_comma - name_length - 1);
    result.Format = Describe(report, *row, text, &split.Args[1]);
  } else {
    result.Text = std::string(inner);
    result.Format = Describe(report, *row, text, nullptr);
  }
  return result;
}

TagClass ClassifyTag(TQeBaseRTFReport& report, std::string_view decoded_text) {
  if (const std::optional<int32_t> command = CommandKind(decoded_text)) {
    return {*command, std::string(decoded_text), {}};
  }
  FormatCall call = ParseFormatCall(report, decoded_text);
  TagClass tag;
  tag.Format = call.Format;
  tag.Text = std::string(TrimControl(call.Text));
  const ScannedOperand first = ScanOperand(report, tag.Text, report.Options().Has(eoDotAsColon));
  tag.Kind = first.Kind;
  if (first.Kind == okInvalid) return tag;
  if (!first.Rest.empty()) {
    tag.Kind = okExpression;
  } else if (first.Kind != okExpression) {
    tag.Text = first.Token;
  }
  return tag;
}

FieldReference SplitFieldReference(int32_t kind, std::string_view token) {
  const size_t separator = token.find(kind == okFieldDot ? '.' : ':');
  if (separator == std::string_view::npos) return {"", std::string(token)};
  std::string alias(token.substr(0, separator));
  if (alias.size() != 1) alias = UpperAscii(alias);
  return {alias, std::string(token.substr(separator + 1))};
}

}  // namespace vorn
