#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorn {

// The merged numbers of one fragment's entries, filled while the fragment is read, and two
// counters: entries taken over from the report and entries the fragment added.
class TQEReplTable {
 public:
  // The merged number of the fragment's entry `key`, or nullopt when it has none.
  std::optional<int32_t> Replacement(uint32_t key) const;
  void SetReplacement(uint32_t key, int32_t merged);
  int32_t ImportedCount() const { return imported_count_; }
  int32_t AddedCount() const { return added_count_; }

 protected:
  int32_t imported_count_ = 0;
  int32_t added_count_ = 0;

 private:
  std::vector<int32_t> replacements_;  // -1: no entry
};

struct TQEFontStr {
  uint16_t Number = 0;
  std::string Rest;  // everything after the number, the closing brace included
};

// A font list entry in its parts: "{\f", a number of at most 16 bits, and a rest ending
// "}"; nullopt for anything else.
std::optional<TQEFontStr> ParseFontEntry(std::string_view entry);

class TQEFontStrings : public TQEReplTable {
 public:
  // Takes the report's fonts; entries that are no numbered font drop out.
  void Import(const std::vector<std::string>& fonts);
  std::vector<std::string> Export() const;
  // Maps the fragment's font `number` to the font with the same rest, adding one with the
  // next free number when there is none. Nothing is mapped once 16 bits are used up.
  void Merge(uint16_t number, std::string rest);
  const std::vector<TQEFontStr>& Items() const { return items_; }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  int32_t Highest() const { return highest_; }

 private:
  std::vector<TQEFontStr> items_;
  std::unordered_map<std::string, uint16_t> by_rest_;
  int32_t highest_ = -1;
};

// The normal form of a fragment's colour entry (the text before its ";"): ";" for the auto
// colour, else "\red" R "\green" G "\blue" B ";", a missing part counting as 0.
std::string NormalColorEntry(std::string_view entry);

class TQEColorStrings : public TQEReplTable {
 public:
  // Takes the report's colours. An entry without its ";" keeps its place with one added,
  // so that the report's own colour numbers stay valid.
  void Import(const std::vector<std::string>& colors);
  std::vector<std::string> Export() const { return items_; }
  // Maps the fragment's colour `index` to the equal entry, appending it when there is none;
  // the first colour appended to an empty list comes after an auto entry, as AddColor does.
  void Merge(uint32_t index, const std::string& entry);
  const std::vector<std::string>& Items() const { return items_; }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

 private:
  int32_t Append(const std::string& entry);

  std::vector<std::string> items_;
  std::unordered_map<std::string, int32_t> by_entry_;
};

enum TQEStyleKind : uint8_t {
  kStylePlainGroup = 0,  // an entry kept in its own form, such as "{\*\ts11 ..."
  kStyleParagraph = 1,   // \s
  kStyleCharacter = 2,   // \*\cs
  kStyleSection = 3,     // \ds
};

struct TQEStyleStr {
  uint16_t Number = 0;
  uint8_t Kind = kStyleParagraph;
  std::string Rest;
  // Set on the entries a merge adds while their links to other styles are still the
  // fragment's numbers.
  uint32_t Flags = 0;
};

// A stylesheet entry in its parts, bytes below 32 removed; nullopt unless it is longer than
// 5 bytes, begins "{" and ends ";}", or when its number needs more than 16 bits.
std::optional<TQEStyleStr> ParseStyleEntry(std::string_view entry);
std::string StyleEntryText(const TQEStyleStr& style);

class TQEStyleStrings : public TQEReplTable {
 public:
  static constexpr uint32_t kLinksPending = 1;

  void Import(const std::vector<std::string>& styles);
  std::vector<std::string> Export() const;
  // Maps the fragment's style (`kind`, `number`) to the style of that kind with the same
  // rest apart from the numbers of linked styles, adding one with the next free number when
  // there is none; returns the merged entry's position, or nullopt when no number is left.
  std::optional<size_t> Merge(uint8_t kind, uint16_t number, const std::string& rest);
  // Replaces the rest of an entry this merge added (once its links are renumbered).
  void SetRest(size_t position, std::string rest);
  std::optional<int32_t> StyleReplacement(uint8_t kind, uint16_t number) const {
    return Replacement(Key(kind, number));
  }
  const std::vector<TQEStyleStr>& Items() const { return items_; }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  int32_t Highest() const { return highest_; }

 private:
  static uint32_t Key(uint8_t kind, uint16_t number) { return (uint32_t{kind} << 16) | number; }
  static std::string ContentKey(uint8_t kind, std::string_view rest);

  std::vector<TQEStyleStr> items_;
  std::unordered_map<std::string, size_t> by_content_;
  int32_t highest_ = -1;
};

}  // namespace vorn
