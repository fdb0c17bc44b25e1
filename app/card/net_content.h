#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// A pack's net content reduced to what a unit price is counted in.
struct NetContent {
  enum class Kind { kWeight, kVolume, kCount };
  Kind kind;
  // Grams, millilitres or pieces, in thousandths, so that "1.5L" and "0.25kg" stay exact.
  int64_t thousandths;
};

// Reads a pack's content as shops write it: an amount with a unit, "600ml", "1.5L", "300g",
// "2kg", "300 公克", "2公斤", "600毫升", "1.5公升", "12入" (also 個, 片, 包, 支, 顆, 粒, 枚, 張,
// 捲, 卷, pcs), and a multipack of them, "6x330ml", "6 x 330 ml", "6*330ml", "6×330ml" or
// "330ml x 6" (1980 ml). Units in any case; blanks anywhere between the parts. `text` is UTF-8.
// Throws vorn::Exception ("cannot read the net content: TEXT") for anything else, a zero or
// absurdly large amount included.
NetContent ParseNetContent(std::string_view text);

// The unit price of a pack costing `price` whole dollars: per 100 g for weights, per 100 ml for
// volumes and per piece for counts, rounded half up to one decimal, written as the card shows
// it (UTF-8): "每100g $12.5", "每100ml $5.3", "每入 $8.3"; thousands separated ("$1,234.5").
std::string UnitPriceText(int64_t price, const NetContent& content);

}  // namespace vorn
