#pragma once
// Decimal values (code 16, Jet 4 and later). A row holds 17 bytes: a sign byte
// (0x80 for a negative value) and the unscaled magnitude, a 128-bit unsigned
// integer stored as four little-endian 32-bit words, the most significant word
// first. The column's definition gives the precision (digits in all, 1 to 28)
// and the scale (digits after the point) in the low two bytes of its extra word.
// One read half and one write half, shared by the scanner and the engine.
#include <array>
#include <cstdint>
#include <optional>

#include "format/data_reader.h"

namespace tarvex::format {

__extension__ typedef unsigned __int128 DecimalMagnitude;

inline constexpr size_t kDecimalSize = 17;
inline constexpr uint8_t kMaxDecimalPrecision = 28;

struct DecimalValue {
  bool negative = false;
  DecimalMagnitude magnitude = 0;
};

// The value in a row's bytes; nothing when they are fewer than kDecimalSize.
std::optional<DecimalValue> ReadDecimal(Bytes raw);
// The row's bytes for a value.
std::array<uint8_t, kDecimalSize> EncodeDecimal(const DecimalValue& value);

// The precision and scale in a decimal column's extra word, and the word for them.
uint8_t DecimalPrecision(uint32_t extra);
uint8_t DecimalScale(uint32_t extra);
uint32_t DecimalExtra(uint8_t precision, uint8_t scale);

}  // namespace tarvex::format
