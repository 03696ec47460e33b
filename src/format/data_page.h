#pragma once
// The row offset table of a data page: one 16-bit word per row, the row's
// start in the low bits and two flags in the high ones. Rows are stored from
// the page's end towards its start, so row n ends where row n - 1 starts.
#include <cstdint>
#include <optional>

#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::format {

inline constexpr uint16_t kRowDeletedFlag = 0x8000;
inline constexpr uint16_t kRowPointerFlag = 0x4000;  // the row holds only a pointer to the real row
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;

inline bool IsDataPage(Bytes page, const JetLayout& layout) {
  return page.size() >= 2 && page[0] == layout.dataPageSignature[0] && page[1] == layout.dataPageSignature[1];
}

// The page's row count, or nothing when its offset table would not fit on the page.
inline std::optional<uint32_t> DataPageRowCount(Bytes page, const JetLayout& layout) {
  auto count = CDataReader::U16(page, layout.dataPageRowCountOffset);
  if (!count || layout.dataPageRowTableOffset + 2 * uint64_t{*count} > page.size()) return std::nullopt;
  return *count;
}

// The offset word of row `row`; the caller has checked the row count.
inline uint16_t RowOffsetWord(Bytes page, const JetLayout& layout, uint32_t row) {
  return CDataReader::U16(page, layout.dataPageRowTableOffset + 2 * size_t{row}).value_or(0);
}

}  // namespace tarvex::format
