#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/qebasereport/base_report.h"
#include "engine/qebasereport/header_tables.h"
#include "engine/qebasereport/tag_codec.h"

namespace vorn {

enum TQeRTFOption : uint8_t {
  eoGraphicsWmfCompatible = 0,
  eoGraphicsBinary = 1,
  eoClearMissedFields = 2,
  eoDotAsColon = 3,
  eoNumericFormatClearZero = 4,
};

// A set of TQeRTFOption; bit n is option n.
class TQeRTFOptions {
 public:
  constexpr TQeRTFOptions() = default;
  constexpr TQeRTFOptions(std::initializer_list<TQeRTFOption> options) {
    for (TQeRTFOption o : options) bits_ |= static_cast<uint8_t>(1u << o);
  }
  constexpr bool Has(TQeRTFOption o) const { return (bits_ >> o) & 1u; }
  constexpr void Include(TQeRTFOption o) { bits_ |= static_cast<uint8_t>(1u << o); }
  constexpr void Exclude(TQeRTFOption o) { bits_ &= static_cast<uint8_t>(~(1u << o)); }
  constexpr uint8_t Bits() const { return bits_; }
  static constexpr TQeRTFOptions FromBits(uint8_t bits) {
    TQeRTFOptions o;
    o.bits_ = bits & 0x1F;
    return o;
  }
  constexpr bool operator==(const TQeRTFOptions&) const = default;

 private:
  uint8_t bits_ = 0;
};

struct TQeColor {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  // 24-bit value with red in the low byte.
  uint32_t ToValue() const { return Red | (Green << 8) | (static_cast<uint32_t>(Blue) << 16); }
  static TQeColor FromValue(uint32_t v) {
    return {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF),
            static_cast<uint8_t>((v >> 16) & 0xFF)};
  }
};

// A header table as the generator wrote it into the intermediate output, at [Start, End).
struct TQeOutTab {
  int64_t Start = 0;
  int64_t End = 0;
  int32_t TableType = 0;  // rkFontTable .. rkInfo, or 0 for the closing entry
  std::string Text;       // the bytes written there
};
using TQeOutTabArray = std::vector<TQeOutTab>;

// Adds the RTF side: character set and language of the text written, options, the run's
// header tables and the default palette.
class TQeBaseRTFReport : public TQeBaseReport {
 public:
  TQeBaseRTFReport();

  uint8_t Charset() const { return charset_; }
  void SetCharset(uint8_t value) {
    if (value != charset_) charset_ = value;
  }
  uint16_t Lang() const { return lang_; }
  void SetLang(uint16_t value) {
    if (value != lang_) lang_ = value;
  }
  TQeRTFOptions Options() const { return options_; }
  void SetOptions(TQeRTFOptions value) {
    if (!(value == options_)) options_ = value;
  }
  // The ANSI code page of the text the report holds and writes: 0 follows Charset.
  int CodePage() const;
  void SetCodePage(int value) { code_page_ = value; }
  // False (the default): every font of the template takes Charset. True: fonts keep their own
  // character sets, and values are written in RTF Unicode, which reads the same in a font of any
  // character set.
  bool KeepFontCharsets() const { return keep_font_charsets_; }
  void SetKeepFontCharsets(bool value) { keep_font_charsets_ = value; }
  // The character set the template's fonts are given; none when they keep their own.
  std::optional<uint8_t> FontCharset() const;
  RtfCharacters ValueCharacters() const {
    return keep_font_charsets_ ? RtfCharacters::kUnicode : RtfCharacters::kCodePage;
  }

  bool IsQuoteOpen(unsigned char c) const override;
  bool IsQuoteClose(unsigned char opener, unsigned char c) const override;
  bool IsQuotedString(std::string_view text) const override;

  // A fresh output name: Dir + Prefix + tick digits + four random digits + ".doc".
  virtual std::string CreateFileName(const std::string& dir, const std::string& prefix);
  // As above with the extension Ext ("." put in front when missing; empty: none).
  virtual std::string CreateFileName(const std::string& dir, const std::string& prefix,
                                     const std::string& ext);

  const std::vector<TQeColor>& DefaultPalette() const { return palette_; }

  // --- run state ---
  TQeHeaderTables HeaderTables;
  TQeOutTabArray OutTabs;
  // `Lang` in decimal, kept for value output during a run.
  std::string LangText;

  // Writes the table of `table_type` at the position of `out` as the run's tables hold it
  // now, and records where; type 0 writes nothing and marks the end of the body.
  void PlaceTable(int32_t table_type, TStream& out);
  // Whether a table placed earlier would now be written differently.
  bool PlacedTablesChanged() const;

 private:
  uint8_t charset_ = 1;
  uint16_t lang_ = 0;
  TQeRTFOptions options_{eoGraphicsBinary, eoDotAsColon};
  int code_page_ = 0;
  bool keep_font_charsets_ = false;
  std::vector<TQeColor> palette_;
};

}  // namespace vorn
