#include "writer/value_rules.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>

#include "format/value_types.h"

namespace tarvex::writer {
namespace {

using format::ColumnType;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string_view DecimalText(int32_t value, std::u16string& buffer) {
  char digits[16];
  char* end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
  buffer.assign(std::begin(digits), end);
  return buffer;
}

// True when `text` already is the decimal form of its leading integer: an
// optional minus, then at most nine digits (so that the value fits 32 bits)
// without a leading zero. Most recovered integers are; they pass unchanged.
bool IsPlainInteger(std::u16string_view text) {
  const bool negative = !text.empty() && text.front() == u'-';
  const std::u16string_view digits = text.substr(negative ? 1 : 0);
  if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), IsDigit))
    return false;
  return digits.front() != u'0' || (digits.size() == 1 && !negative);
}

PreparedValue InRange(std::u16string_view text, int32_t low, int32_t high, const char* type,
                      std::u16string& buffer) {
  const int32_t value = LeadingInteger(text);
  PreparedValue prepared;
  if (value < low || value > high) {
    prepared.dropped = true;
    prepared.dropReason = std::to_string(value) + " is out of the range of a " + type + " field.";
  } else {
    prepared.text = IsPlainInteger(text) ? text : DecimalText(value, buffer);
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

PreparedValue PrepareValue(uint8_t typeCode, std::u16string_view text, std::u16string& buffer) {
  switch (static_cast<ColumnType>(typeCode)) {
    case ColumnType::kByte:
      return InRange(text, 0, 255, "Byte", buffer);
    case ColumnType::kInt:
      return InRange(text, -32768, 32767, "Integer", buffer);
    case ColumnType::kLong:
      return {false, {}, IsPlainInteger(text) ? text : DecimalText(LeadingInteger(text), buffer)};
    case ColumnType::kDateTime:
      // In the date text the first two digits of the year stand at 6 and 7.
      if (text.size() >= 8 && (!IsDigit(text[7]) || !IsDigit(text[6]))) {
        buffer.assign(text);
        if (!IsDigit(buffer[7])) buffer[7] = u'0';
        if (!IsDigit(buffer[6])) buffer[6] = u'0';
        return {false, {}, buffer};
      }
      return {false, {}, text};
    default:
      return {false, {}, text};
  }
}

}  // namespace tarvex::writer
