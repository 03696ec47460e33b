#pragma once
// A calculated column (ACE) stores its result behind a 16-byte prefix and the
// result's 32-bit length.
#include <cstddef>

#include "format/data_reader.h"

namespace tarvex::format {

inline constexpr size_t kCalculatedLengthOffset = 16;
inline constexpr size_t kCalculatedResultOffset = 20;

// The result's bytes; empty when the stored value cannot hold them.
inline Bytes CalculatedResult(Bytes stored) {
  const auto length = CDataReader::U32(stored, kCalculatedLengthOffset);
  if (!length) return {};
  return CDataReader::Slice(stored, kCalculatedResultOffset, *length).value_or(Bytes{});
}

}  // namespace tarvex::format
