#pragma once
// Row pointers: where a row lies, packed in 4 bytes with the row number in the
// low byte and the page above it. A moved row (its offset word has the pointer
// flag) holds only the pointer to the place the row went to.
#include <cstdint>
#include <optional>

#include "format/data_reader.h"

namespace tarvex::format {

struct RowPointer {
  uint32_t page = 0;
  uint8_t row = 0;

  static RowPointer FromU32(uint32_t value) {
    return {value >> 8, static_cast<uint8_t>(value & 0xFF)};
  }
  uint32_t ToU32() const { return page << 8 | row; }
  bool operator==(const RowPointer&) const = default;
};

// Where a moved row lies now; nothing when the row is too short to hold a pointer.
inline std::optional<RowPointer> DecodeMovedRow(Bytes row) {
  const auto value = CDataReader::U32(row, 0);
  if (!value) return std::nullopt;
  return RowPointer::FromU32(*value);
}

}  // namespace tarvex::format
