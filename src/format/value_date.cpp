// Date texts: CDataConversion::DateText and ExtendedDateText.
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "format/value_conversion.h"
#include "format/value_text.h"

namespace tarvex::format {
namespace {

// Day numbers relative to 30 December 1899 that Access can show.
constexpr int64_t kFirstDay = -657434;        // 1 January 100
constexpr int64_t kLastDay = 2958465;         // 31 December 9999
constexpr int64_t kDaysBeforeEpoch = 693593;  // from 1 January of year 1 to 30 December 1899
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kMillisecondsPerDay = kSecondsPerDay * 1000;

struct CivilDate {
  int64_t year;
  int month;  // 1-12
  int day;    // 1-31
};

// The proleptic Gregorian date `n` days after 1 January of year 1 (n >= 0).
CivilDate CivilFromDayNumber(int64_t n) {
  using std::chrono::sys_days, std::chrono::year;
  const std::chrono::year_month_day date{sys_days{year{1} / 1 / 1} + std::chrono::days{n}};
  return {int{date.year()}, static_cast<int>(unsigned{date.month()}),
          static_cast<int>(unsigned{date.day()})};
}

// "00" to "99", so that each pair of digits takes one lookup instead of two divisions.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Puts `value` (below 100) as two digits.
char* PutTwoDigits(char* out, int64_t value) {
  std::memcpy(out, &kDigitPairs[2 * static_cast<size_t>(value)], 2);
  return out + 2;
}

// "MM/DD/YYYY hh:mm:ss AM", with ".fff" after the seconds when the time has a
// fraction of a second. The days Access can show keep the year to four digits.
std::string_view FormatDateTime(const CivilDate& date, int64_t milliseconds,
                                std::array<char, 32>& buffer) {
  const int64_t seconds = milliseconds / 1000;
  const int64_t hour = seconds / 3600;
  char* out = PutTwoDigits(buffer.data(), date.month);
  *out++ = '/';
  out = PutTwoDigits(out, date.day);
  *out++ = '/';
  out = PutTwoDigits(PutTwoDigits(out, date.year / 100), date.year % 100);
  *out++ = ' ';
  out = PutTwoDigits(out, hour % 12 == 0 ? 12 : hour % 12);
  *out++ = ':';
  out = PutTwoDigits(out, seconds / 60 % 60);
  *out++ = ':';
  out = PutTwoDigits(out, seconds % 60);
  if (const int64_t part = milliseconds % 1000; part != 0) {
    *out++ = '.';
    *out++ = static_cast<char>('0' + part / 100);
    out = PutTwoDigits(out, part % 100);
  }
  *out++ = ' ';
  *out++ = hour < 12 ? 'A' : 'P';
  *out++ = 'M';
  return {buffer.data(), static_cast<size_t>(out - buffer.data())};
}

// Reads `count` decimal digits at raw[offset], or nothing when any is not a digit.
std::optional<uint64_t> ReadDigits(Bytes raw, size_t offset, size_t count) {
  const auto field = CDataReader::Slice(raw, offset, count);
  if (!field) return std::nullopt;
  uint64_t value = 0;  // 19 digits always fit
  for (uint8_t c : *field) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

constexpr uint64_t kTicksPerSecond = 10'000'000;

struct ExtendedDate {
  uint64_t days;   // since 1 January of year 1
  uint64_t ticks;  // time of day in units of 100 nanoseconds
};

// "DDDDDDDDDDDDDDDDDDD:TTTTTTTTTTTTTTTTTTT:7" (the last digit is the precision),
// or nothing when the bytes do not follow it or name no time of a valid day.
std::optional<ExtendedDate> ReadExtendedDate(Bytes raw) {
  constexpr size_t kFieldDigits = 19;
  constexpr uint64_t kLastDayNumber = kLastDay + kDaysBeforeEpoch;
  constexpr uint64_t kTicksPerDay = kSecondsPerDay * kTicksPerSecond;
  const auto days = ReadDigits(raw, 0, kFieldDigits);
  const auto ticks = ReadDigits(raw, kFieldDigits + 1, kFieldDigits);
  const bool separated = CDataReader::U8(raw, kFieldDigits) == ':' &&
                         CDataReader::U8(raw, 2 * kFieldDigits + 1) == ':' &&
                         ReadDigits(raw, 2 * kFieldDigits + 2, 1);
  if (!days || !ticks || !separated || *days > kLastDayNumber || *ticks >= kTicksPerDay) {
    return std::nullopt;
  }
  return ExtendedDate{*days, *ticks};
}

void DaysText(double days, std::u16string& text) {
  text.clear();
  if (!std::isfinite(days)) return;
  const double whole = std::trunc(days);
  if (whole < kFirstDay || whole > kLastDay) return;
  int64_t day = static_cast<int64_t>(whole);
  // The time of day is the fraction's magnitude, also for days before 1899,
  // to the nearest millisecond: Access keeps fractions of a second too.
  int64_t milliseconds = static_cast<int64_t>(std::fabs(days - whole) * kMillisecondsPerDay + 0.5);
  if (milliseconds >= kMillisecondsPerDay) {
    // Rounded up to midnight: the next day, except on the last day there is.
    if (day < kLastDay) {
      ++day;
      milliseconds = 0;
    } else {
      milliseconds = kMillisecondsPerDay - 1;
    }
  }
  constexpr std::string_view kMidnight = "12:00:00 AM";
  if (day == 0 && milliseconds == 0) return AsciiToTextInto(kMidnight, text);
  std::array<char, 32> buffer;
  std::string_view formatted =
      FormatDateTime(CivilFromDayNumber(day + kDaysBeforeEpoch), milliseconds, buffer);
  if (milliseconds == 0) formatted.remove_suffix(kMidnight.size());
  AsciiToTextInto(formatted, text);
}

}  // namespace

std::u16string CDataConversion::DateText(Bytes raw) {
  std::u16string text;
  DateTextInto(raw, text);
  return text;
}

std::u16string CDataConversion::DateText(double days) {
  std::u16string text;
  DaysText(days, text);
  return text;
}

void CDataConversion::DateTextInto(Bytes raw, std::u16string& text) {
  const std::optional<double> days = DoubleFromBytes(raw);
  if (!days) return text.clear();
  DaysText(*days, text);
}

std::u16string CDataConversion::ExtendedDateText(Bytes raw) {
  const std::optional<ExtendedDate> value = ReadExtendedDate(raw);
  if (!value) return {};
  const CivilDate date = CivilFromDayNumber(static_cast<int64_t>(value->days));
  const uint64_t seconds = value->ticks / kTicksPerSecond;
  std::array<char, 64> text;
  std::snprintf(text.data(), text.size(), "%04lld-%02d-%02d %02llu:%02llu:%02llu",
                static_cast<long long>(date.year), date.month, date.day,
                static_cast<unsigned long long>(seconds / 3600),
                static_cast<unsigned long long>(seconds / 60 % 60),
                static_cast<unsigned long long>(seconds % 60));
  std::string result = text.data();
  if (const uint64_t fraction = value->ticks % kTicksPerSecond; fraction != 0) {
    std::snprintf(text.data(), text.size(), ".%07llu", static_cast<unsigned long long>(fraction));
    const std::string digits = text.data();
    result += digits.substr(0, digits.find_last_not_of('0') + 1);
  }
  return AsciiToText(result);
}

}  // namespace tarvex::format
