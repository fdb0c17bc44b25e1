#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace vorn {

// A day as clerks write it: 2026-12-24, 2026/12/24, 2026.12.24, 20261224, or with the year of
// the Minguo calendar (1 to 3 digits, 1912 = year 1): 115/12/24, 115-12-24; months and days may
// lose their leading zero (2026/1/5). Blanks around it are ignored. Throws vorn::Exception
// ("not a date: TEXT") for anything else, an impossible day (2026-02-30) included.
std::chrono::year_month_day ParseCardDate(std::string_view text);

// "2026-12-24".
std::string IsoDate(std::chrono::year_month_day day);

// "12/24", the day as the card shows it.
std::string MonthDayText(std::chrono::year_month_day day);

// Today in the local time zone.
std::chrono::year_month_day LocalToday();

}  // namespace vorn
