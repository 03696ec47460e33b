#include "format/calculated_value.h"

#include <algorithm>

namespace tarvex::format {

std::optional<CalculatedDecimal> ReadCalculatedDecimal(Bytes result) {
  const auto length = CDataReader::U16(result, 0);
  const auto scale = CDataReader::U8(result, 2);
  const auto sign = CDataReader::U8(result, 3);
  if (!length || !scale || !sign || *scale > kMaxDecimalPrecision) return std::nullopt;
  // The magnitude's length (the stated length less two, or what follows the length field less
  // two), whole words, at most four: one 32-bit word first where they are odd in number, then
  // 64-bit ones, each little-endian, the most significant first.
  const size_t rest = result.size() - 2;
  if (*length == 1 || (*length == 0 && rest < 2)) return std::nullopt;
  const size_t bytes = std::min<size_t>(((*length ? *length : rest) - 2) / 4 * 4, 16);
  if (bytes == 0 || !CDataReader::Fits(result, 4, bytes)) return std::nullopt;
  CalculatedDecimal decimal{{*sign != 0, 0}, *scale};
  size_t at = 4;
  if (bytes % 8 != 0) {
    decimal.value.magnitude = *CDataReader::U32(result, at);
    at += 4;
  }
  for (; at < 4 + bytes; at += 8)
    decimal.value.magnitude = decimal.value.magnitude << 64 | *CDataReader::U64(result, at);
  return decimal;
}

}  // namespace tarvex::format
