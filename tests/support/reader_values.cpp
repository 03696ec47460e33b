#include "support/reader_values.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <set>
#include <vector>

#include "support/truth_values.h"

namespace tarvex::test {
namespace {

template <typename T>
std::string Shortest(T value) {
  if (value != value) return "NaN";
  if (value > std::numeric_limits<T>::max()) return "Infinity";
  if (value < -std::numeric_limits<T>::max()) return "-Infinity";
  char buffer[64];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

double ParseDouble(const std::string& text) {
  if (text == "NaN") return std::numeric_limits<double>::quiet_NaN();
  if (text == "Infinity") return std::numeric_limits<double>::infinity();
  if (text == "-Infinity") return -std::numeric_limits<double>::infinity();
  return std::strtod(text.c_str(), nullptr);
}

// "1.2500" -> "1.25", "3.000" -> "3"; texts without a point stay.
std::string WithoutTrailingZeros(std::string text) {
  const size_t point = text.find('.');
  if (point == std::string::npos) return text;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

// Days from 1 January 1970 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

std::string CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld",
                static_cast<long long>(yoe + era * 400 + (m <= 2)), static_cast<long long>(m),
                static_cast<long long>(d));
  return text;
}

// mdb-reader turns a stored date into a time as if its day count and time of
// day were one signed number; before 30 December 1899 the time of day is
// counted away from zero instead, so the same value means the next day at the
// time that remains to midnight: "1899-09-26T13:40:45" is "1899-09-27T10:19:15".
std::string AccessDateOfReaderDate(const std::string& iso) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, ms = 0;
  if (std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d.%d", &y, &mo, &d, &h, &mi, &sec, &ms) < 6)
    return iso;
  const int64_t day = DaysFromCivil(y, mo, d);
  const int64_t time = ((h * 60 + mi) * 60 + sec) * 1000 + ms;
  if (day >= DaysFromCivil(1899, 12, 30) || time == 0) return iso;
  const int64_t remaining = 86400000 - time;
  char text[64];
  std::snprintf(
      text, sizeof text, "T%02lld:%02lld:%02lld.%03lld",
      static_cast<long long>(remaining / 3600000), static_cast<long long>(remaining / 60000 % 60),
      static_cast<long long>(remaining / 1000 % 60), static_cast<long long>(remaining % 1000));
  return CivilFromDays(day + 1) + text;
}

std::string FromHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return RenderTruthBinary(bytes);
}

}  // namespace

bool ComparableTruthType(const std::string& type) {
  static const std::set<std::string> kTypes = {
      "BOOLEAN",      "BYTE",    "INT",    "LONG",   "BIG_INT",
      "MONEY",        "NUMERIC", "FLOAT",  "DOUBLE", "SHORT_DATE_TIME",
      "TEXT",         "MEMO",    "BINARY", "OLE",    "GUID",
      "EXT_DATE_TIME"};
  return kTypes.contains(type);
}

std::optional<std::string> ComparableValue(const std::string& type,
                                           const std::optional<std::string>& text,
                                           bool fromReader) {
  if (!text) return std::nullopt;
  std::string value = *text;
  if (type == "MONEY") return WithoutTrailingZeros(value);
  // mdb-reader's numbers are JavaScript's, whose text of -0 is "0".
  if (type == "DOUBLE" || type == "FLOAT") {
    const double number = ParseDouble(value) == 0 ? 0.0 : ParseDouble(value);
    return type == "FLOAT" ? Shortest(static_cast<float>(number)) : Shortest(number);
  }
  if (type == "SHORT_DATE_TIME" || type == "EXT_DATE_TIME") {
    if (fromReader && value.ends_with('Z')) value.pop_back();
    if (fromReader && type == "SHORT_DATE_TIME") value = AccessDateOfReaderDate(value);
    std::replace(value.begin(), value.end(), ' ', 'T');
    return WithoutTrailingZeros(value);
  }
  if ((type == "BINARY" || type == "OLE") && fromReader) return FromHex(value);
  if (type == "GUID") {
    std::erase(value, '{');
    std::erase(value, '}');
    std::transform(value.begin(), value.end(), value.begin(), ::toupper);
  }
  return value;
}

}  // namespace tarvex::test
