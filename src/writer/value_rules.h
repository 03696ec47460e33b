#pragma once
// What the row step hands the engine for one non-empty value text, by the
// column's type code. The engine converts texts to the field's type; these
// rules only keep out what a field of that type cannot hold.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex::writer {

// The text's leading decimal integer: leading white space skipped, an optional
// sign, 0 without digits, saturating at the 32-bit limits.
int32_t LeadingInteger(std::u16string_view text);

struct PreparedValue {
  bool dropped = false;
  std::string dropReason;
  std::u16string_view text;  // what to pass when not dropped
};

// Byte and Integer texts outside their range are dropped; Byte, Integer and
// Long pass their leading integer; a date text gets digits where the first
// two digits of its year are not; every other text passes unchanged. A
// changed text is made in `buffer` (reused from value to value, so that no
// value costs an allocation); the result's text lies in `text` or `buffer`.
PreparedValue PrepareValue(uint8_t typeCode, std::u16string_view text, std::u16string& buffer);

}  // namespace tarvex::writer
