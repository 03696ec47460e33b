#include "dao/date_text.h"

#include <chrono>
#include <cstdint>
#include <string>

#include "dao/dao_exception.h"
#include "dao/text_words.h"

namespace tarvex::dao {
namespace {

constexpr double kSecondsPerDay = 86400.0;

// Reads an unsigned decimal of 1..maxDigits digits at `at`.
std::optional<int> Digits(std::u16string_view text, size_t& at, size_t maxDigits) {
  size_t start = at;
  int value = 0;
  while (at < text.size() && at - start < maxDigits && text[at] >= u'0' && text[at] <= u'9')
    value = value * 10 + (text[at++] - u'0');
  if (at == start) return std::nullopt;
  return value;
}

bool Expect(std::u16string_view text, size_t& at, char16_t c) {
  if (at < text.size() && text[at] == c) {
    ++at;
    return true;
  }
  return false;
}

void SkipBlanks(std::u16string_view text, size_t& at) {
  while (at < text.size() && text[at] == u' ') ++at;
}

struct CivilDate {
  int year = 1899, month = 12, day = 30;
};
struct TimeOfDay {
  int hour = 0, minute = 0, second = 0;
  double secondFraction = 0;
};

int ExpandYear(int year, size_t digits) {
  if (digits > 2) return year;
  return year < 30 ? 2000 + year : 1900 + year;
}

bool IsLetter(std::u16string_view text, size_t at) {
  return at < text.size() &&
         ((text[at] >= u'a' && text[at] <= u'z') || (text[at] >= u'A' && text[at] <= u'Z'));
}

// The word of letters at `at`, consumed.
std::u16string_view Word(std::u16string_view text, size_t& at) {
  size_t start = at;
  while (IsLetter(text, at)) ++at;
  return text.substr(start, at - start);
}

// A name from `names` written whole or as its first three letters: its index.
template <size_t N>
std::optional<int> NameIndex(std::u16string_view word, const char* const (&names)[N]) {
  for (size_t i = 0; i < N; ++i) {
    std::string_view name = names[i];
    if (EqualsNoCase(word, names[i]) ||
        (word.size() == 3 && EqualsNoCase(word, std::string(name.substr(0, 3)).c_str())))
      return static_cast<int>(i);
  }
  return std::nullopt;
}

constexpr const char* kMonths[] = {"january",   "february", "march",    "april",
                                   "may",       "june",     "july",     "august",
                                   "september", "october",  "november", "december"};
constexpr const char* kWeekdays[] = {"sunday",   "monday", "tuesday", "wednesday",
                                     "thursday", "friday", "saturday"};

std::optional<int> Year(std::u16string_view text, size_t& at) {
  size_t start = at;
  auto year = Digits(text, at, 4);
  if (!year) return std::nullopt;
  return ExpandYear(*year, at - start);
}

// "January 15, 2020", "Jan 15 2020", also after a weekday: "Wednesday, January 15, 2020".
std::optional<CivilDate> ParseMonthFirst(std::u16string_view text, size_t& at) {
  auto word = Word(text, at);
  if (NameIndex(word, kWeekdays) && Expect(text, at, u',')) {
    SkipBlanks(text, at);
    word = Word(text, at);
  }
  auto month = NameIndex(word, kMonths);
  SkipBlanks(text, at);
  auto day = Digits(text, at, 2);
  if (!month || !day) return std::nullopt;
  Expect(text, at, u',');
  SkipBlanks(text, at);
  auto year = Year(text, at);
  if (!year) return std::nullopt;
  return CivilDate{*year, *month + 1, *day};
}

// "15-Jan-2020", "15 January 2020": `day` already read.
std::optional<CivilDate> ParseDayFirst(std::u16string_view text, size_t& at, int day) {
  char16_t separator = text[at++];
  auto month = NameIndex(Word(text, at), kMonths);
  if (!month || !Expect(text, at, separator)) return std::nullopt;
  auto year = Year(text, at);
  if (!year) return std::nullopt;
  return CivilDate{*year, *month + 1, day};
}

std::optional<CivilDate> ParseDatePart(std::u16string_view text, size_t& at) {
  if (IsLetter(text, at)) return ParseMonthFirst(text, at);
  size_t start = at;
  auto first = Digits(text, at, 4);
  if (!first) return std::nullopt;
  if (at + 1 < text.size() && (text[at] == u'-' || text[at] == u' ') && IsLetter(text, at + 1))
    return ParseDayFirst(text, at, *first);
  if (at - start == 4 && Expect(text, at, u'-')) {  // ISO year-month-day
    auto month = Digits(text, at, 2);
    if (!month || !Expect(text, at, u'-')) return std::nullopt;
    auto day = Digits(text, at, 2);
    if (!day) return std::nullopt;
    return CivilDate{*first, *month, *day};
  }
  if (!Expect(text, at, u'/')) return std::nullopt;  // month/day/year, the US order of the locale
  auto day = Digits(text, at, 2);
  if (!day || !Expect(text, at, u'/')) return std::nullopt;
  auto year = Year(text, at);
  if (!year) return std::nullopt;
  return CivilDate{*year, *first, *day};
}

// The digits after a decimal point as a fraction ("599": 0.599). Digits past
// the ninth are read but add nothing a date can keep.
std::optional<double> FractionDigits(std::u16string_view text, size_t& at) {
  constexpr size_t kKeptDigits = 9;
  const size_t start = at;
  uint32_t digits = 0;
  double divisor = 1;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
    if (at - start >= kKeptDigits) continue;
    digits = digits * 10 + static_cast<uint32_t>(text[at] - u'0');
    divisor *= 10;
  }
  if (at == start) return std::nullopt;
  return digits / divisor;
}

// "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff", then "AM"/"PM" for the 12-hour clock.
std::optional<TimeOfDay> ParseTimePart(std::u16string_view text, size_t& at) {
  TimeOfDay time;
  auto hour = Digits(text, at, 2);
  if (!hour || !Expect(text, at, u':')) return std::nullopt;
  auto minute = Digits(text, at, 2);
  if (!minute) return std::nullopt;
  std::optional<int> second = 0;
  std::optional<double> secondFraction = 0.0;
  if (Expect(text, at, u':')) {
    second = Digits(text, at, 2);
    if (second && Expect(text, at, u'.')) secondFraction = FractionDigits(text, at);
  }
  if (!second || !secondFraction) return std::nullopt;
  time = {*hour, *minute, *second, *secondFraction};
  SkipBlanks(text, at);
  std::u16string_view rest = text.substr(at);
  if (EqualsNoCase(rest, "am") || EqualsNoCase(rest, "pm")) {
    if (time.hour < 1 || time.hour > 12) return std::nullopt;
    time.hour = time.hour % 12 + (EqualsNoCase(rest, "pm") ? 12 : 0);
    at = text.size();
  }
  if (time.hour > 23 || time.minute > 59 || time.second > 59) return std::nullopt;
  return time;
}

bool LooksLikeTime(std::u16string_view text, size_t at) {
  while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') ++at;
  return at < text.size() && text[at] == u':';
}

// Throws DaoException for a year outside 100..9999 or an invalid day.
double DateToDays(const CivilDate& date, const TimeOfDay& time) {
  using std::chrono::day, std::chrono::month, std::chrono::sys_days, std::chrono::year;
  const std::chrono::year_month_day civil{year{date.year}, month{static_cast<unsigned>(date.month)},
                                          day{static_cast<unsigned>(date.day)}};
  if (date.year < 100 || date.year > 9999 || !civil.ok()) throw DaoException("Invalid date.");
  // Days since 30 December 1899 in the proleptic Gregorian calendar.
  const int64_t days = (sys_days{civil} - sys_days{year{1899} / 12 / 30}).count();
  const double fraction =
      (time.hour * 3600 + time.minute * 60 + time.second + time.secondFraction) / kSecondsPerDay;
  // Before the epoch the time of day is still counted away from zero.
  return days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
}

}  // namespace

std::optional<double> ParseDateText(std::u16string_view raw) {
  std::u16string_view text = TrimBlanks(raw);
  size_t at = 0;
  CivilDate date;
  TimeOfDay time;
  bool any = false;
  if (!LooksLikeTime(text, 0)) {
    auto parsed = ParseDatePart(text, at);
    if (!parsed) return std::nullopt;
    date = *parsed;
    any = true;
    if (at < text.size() && (text[at] == u'T' || text[at] == u' ')) ++at;
    SkipBlanks(text, at);
  }
  if (at < text.size()) {
    auto parsed = ParseTimePart(text, at);
    if (!parsed) return std::nullopt;
    time = *parsed;
    any = true;
  }
  if (!any || at != text.size()) return std::nullopt;
  return DateToDays(date, time);
}

}  // namespace tarvex::dao
