#pragma once
// The parts of one stored row: its column count, null mask and variable
// column offsets, in the Jet 3 (one-byte offsets with a jump table) or the
// Jet 4 (two-byte offsets) layout.
#include <cstdint>
#include <optional>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "model/access_table.h"

namespace tarvex::engine {

struct RowLayout {
  uint16_t columnCount = 0;             // values the row was written with
  std::vector<uint8_t> nullMask;        // empty when the row is too short for it
  std::vector<std::optional<uint32_t>> variableOffsets;  // V + 1 entries; unreadable ones empty
  uint32_t variableCount = 0;           // V

  // The column's bit in the null mask: set when the column has a value (a boolean's value).
  bool Present(uint16_t columnNumber) const;
};

// Reads the row's header parts; nothing when the row is to be rejected (too
// short, no columns, or more columns than the table ever had).
std::optional<RowLayout> ReadRowLayout(format::Bytes row, const format::JetLayout& layout,
                                       const model::CAccessTable& table);

}  // namespace tarvex::engine
