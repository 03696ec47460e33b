#pragma once
// A row location: low byte the row number on the page, upper 24 bits the page.
#include <cstdint>

namespace tarvex::dao {

struct RowPointer {
  uint32_t page = 0;
  uint8_t row = 0;

  static RowPointer FromU32(uint32_t value) {
    return {value >> 8, static_cast<uint8_t>(value & 0xFF)};
  }
  uint32_t ToU32() const { return page << 8 | row; }
  bool operator==(const RowPointer&) const = default;
};

}  // namespace tarvex::dao
