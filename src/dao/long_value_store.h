#pragma once
// Writes memo and long binary data of one column: inline in the row, as one
// row of an LVAL page, or as a chain of LVAL rows; returns the bytes the
// column holds in the table row.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "dao/page_file.h"
#include "dao/usage_map.h"
#include "format/data_page.h"
#include "format/row_pointer.h"

namespace tarvex::dao {

class LongValueStore {
 public:
  LongValueStore(PageFile& file, PageSet ownedPages, PageSet freePages);

  // The long-value header, followed by the data itself when it stays in the row
  // (format::LongValueKindFor). Throws DaoException for data of 1 GiB or more.
  std::vector<uint8_t> Store(std::span<const uint8_t> data, bool inlineAllowed);
  // Writes the page being filled.
  void Flush();
  const PageSet& ownedPages() const { return owned_; }
  // Pages with room left: the page being filled, when it has room.
  PageSet FreePages() const;

 private:
  format::RowPointer AddRow(std::span<const uint8_t> row);

  PageFile& file_;
  PageSet owned_;
  PageSet free_;
  std::optional<format::DataPageBuilder> page_;
  uint32_t pageNumber_ = 0;
};

}  // namespace tarvex::dao
