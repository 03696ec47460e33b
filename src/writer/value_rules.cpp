#include "writer/value_rules.h"

#include <algorithm>
#include <limits>

#include "format/value_types.h"

namespace tarvex::writer {
namespace {

using format::ColumnType;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string DecimalText(int64_t value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

PreparedValue InRange(int32_t value, int32_t low, int32_t high, const char* type) {
  PreparedValue prepared;
  if (value < low || value > high) {
    prepared.dropped = true;
    prepared.dropReason = std::to_string(value) + " is out of the range of a " + type + " field.";
  } else {
    prepared.text = DecimalText(value);
  }
  return prepared;
}

}  // namespace

int32_t LeadingInteger(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && IsDigit(text[i]); ++i)
    value = std::min(kLimit, value * 10 + (text[i] - u'0'));
  value = negative ? -value : value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

PreparedValue PrepareValue(uint8_t typeCode, std::u16string text) {
  switch (static_cast<ColumnType>(typeCode)) {
    case ColumnType::kByte:
      return InRange(LeadingInteger(text), 0, 255, "Byte");
    case ColumnType::kInt:
      return InRange(LeadingInteger(text), -32768, 32767, "Integer");
    case ColumnType::kLong:
      return {false, {}, DecimalText(LeadingInteger(text))};
    case ColumnType::kDateTime:
      // In the date text the first two digits of the year stand at 6 and 7.
      if (text.size() >= 8) {
        if (!IsDigit(text[7])) text[7] = u'0';
        if (!IsDigit(text[6])) text[6] = u'0';
      }
      return {false, {}, std::move(text)};
    default:
      return {false, {}, std::move(text)};
  }
}

}  // namespace tarvex::writer
