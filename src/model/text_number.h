#pragma once
// Decimal parsing of stored texts the way the catalogue texts need it:
// leading blanks and a sign are allowed, parsing stops at the first
// non-digit, a text without digits gives 0, and overflow saturates.
#include <cstdint>
#include <string_view>

namespace tarvex::model {

int ParseDecimal(std::u16string_view text);
int64_t ParseDecimal64(std::u16string_view text);

}  // namespace tarvex::model
