#pragma once

#include "app/card/card_values.h"

namespace vorn {

// Whether a card showing `now` looks different from one that showed `last`: any value the card
// prints, and whether it shows the promotion. The promotion's price and days count only while a
// card shows it, so a promotion announced for later changes nothing until the day it starts.
bool CardDiffers(const CardValues& now, const CardValues& last);

}  // namespace vorn
