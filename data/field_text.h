#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Text forms of field values: the parsers the fields' text assignment uses and the
// texts their AsString gives. Parsers return nullopt for text that is not of the form.
namespace vorn {

// Equal ignoring the case of A-Z only, so double-byte names are never folded.
bool SameFieldName(std::string_view a, std::string_view b);

// Optional sign and decimal digits, blanks (codes 0 to 32) around; nullopt on overflow.
std::optional<int64_t> ParseFieldInteger(std::string_view text);
// A finite decimal number with "." as the separator and an optional exponent.
std::optional<double> ParseFieldFloat(std::string_view text);
// True/False, T/F, Yes/No, Y/N, 1/0, in any case.
std::optional<bool> ParseFieldBoolean(std::string_view text);
// "yyyy-mm-dd"
std::optional<double> ParseIsoDate(std::string_view text);
// "hh:nn", "hh:nn:ss" or "hh:nn:ss.zzz"
std::optional<double> ParseIsoTime(std::string_view text);
// A date, optionally followed by " " or "T" and a time.
std::optional<double> ParseIsoDateTime(std::string_view text);

// Up to 15 significant digits, "." as the separator, exponent as "1E20".
std::string FloatFieldText(double value);
std::string IsoDateText(double date_time);
std::string IsoTimeText(double date_time);
// The date alone when the time of day is midnight.
std::string IsoDateTimeText(double date_time);

// The length of the longest prefix of `text` of at most `size` bytes that does not end
// in the middle of a double-byte character of `code_page` (0: single-byte).
size_t CutLength(std::string_view text, size_t size, int code_page);

}  // namespace vorn
