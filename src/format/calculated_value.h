#pragma once
// A calculated column (ACE) stores its result behind a 16-byte prefix and the
// result's 32-bit length, in the type its ResultType property names (which can
// differ from the type in the column's entry). A calculated decimal carries its
// own scale: a 16-bit length, the scale, a sign byte, then the magnitude as
// little-endian 32-bit words, the most significant first.
#include <cstddef>
#include <optional>

#include "format/data_reader.h"
#include "format/value_decimal.h"

namespace tarvex::format {

inline constexpr size_t kCalculatedLengthOffset = 16;
inline constexpr size_t kCalculatedResultOffset = 20;

// The result's bytes; empty when the stored value cannot hold them.
inline Bytes CalculatedResult(Bytes stored) {
  const auto length = CDataReader::U32(stored, kCalculatedLengthOffset);
  if (!length) return {};
  return CDataReader::Slice(stored, kCalculatedResultOffset, *length).value_or(Bytes{});
}

struct CalculatedDecimal {
  DecimalValue value;
  uint8_t scale = 0;
};

// A calculated decimal's value; nothing when its bytes do not hold one.
std::optional<CalculatedDecimal> ReadCalculatedDecimal(Bytes result);

}  // namespace tarvex::format
