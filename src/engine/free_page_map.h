#pragma once
// Usage maps read from the scanned file. The file's global usage map on page 1
// tells which pages the database freed.
// A freed data page keeps its old bytes: its rows were deleted with their
// table (or the table was rebuilt), and reading them would bring them back.
#include <cstdint>
#include <vector>

#include "engine/db_file_reader.h"
#include "format/jet_layout.h"
#include "format/row_pointer.h"

namespace tarvex::engine {

// The pages the usage map in row `mapRow` marks, one flag per page of the
// file; empty when the map cannot be read.
std::vector<bool> ReadUsageMapPages(CDBFileReader& file, uint64_t fileSize,
                                    const format::JetLayout& layout, format::RowPointer mapRow);

class FreePageMap {
 public:
  // Reads the map; a map that cannot be read, or that calls the header or the
  // catalogue pages free (so it is damaged), frees nothing.
  static FreePageMap Read(CDBFileReader& file, uint64_t fileSize, const format::JetLayout& layout);

  bool IsFree(uint64_t page) const { return page < free_.size() && free_[page]; }

 private:
  std::vector<bool> free_;
};

}  // namespace tarvex::engine
