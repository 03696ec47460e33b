#pragma once
// Dates and times as text, to the Date/Time encoding: days since 1899-12-30
// with the time of day as a fraction (counted away from zero before that day).
#include <optional>
#include <string_view>

namespace tarvex::dao {

// "MM/DD/YYYY hh:mm:ss AM", "MM/DD/YYYY" (also with a trailing blank),
// "hh:mm:ss AM", 24-hour "hh:mm[:ss]", ISO "YYYY-MM-DD[ T]hh:mm:ss", month
// names ("15-Jan-2020", "January 15, 2020", "Wednesday, January 15, 2020"),
// each date form optionally followed by a time, and two-digit years (below
// 30: 20xx). Seconds may have a fraction ("07:00:37.599 AM"), which the
// value keeps. Nothing when the text is not a date;
// throws DaoException for a date outside the years 100..9999.
std::optional<double> ParseDateText(std::u16string_view text);

}  // namespace tarvex::dao
