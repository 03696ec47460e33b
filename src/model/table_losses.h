#pragma once
// What a scan could not bring back of one table, counted so that a user can
// tell a clean recovery from a silent loss. The table data file holds only
// what was recovered; these counts say what is missing from it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::model {

enum class RowLoss : uint8_t {
  kUnlocated,     // its place in the page's offset table is damaged
  kMovedNowhere,  // a moved row whose pointer leads to no row
  kFailedChecks,  // its bytes fail the row's checks (column count, null mask, bounds)
};

// "row offset damaged", "moved row points nowhere", "row fails its checks".
std::string_view RowLossText(RowLoss reason);

struct SkippedRows {
  RowLoss reason = RowLoss::kFailedChecks;
  uint64_t pageOffset = 0;  // of the data page the rows were on
  uint32_t rows = 0;
};

struct ColumnLosses {
  std::u16string column;
  uint32_t partial = 0;     // values of which only a part was read (a long value cut short)
  uint32_t unreadable = 0;  // values that could not be read at all and were left empty
};

struct TableLosses {
  std::vector<SkippedRows> skipped;  // one entry per reason and page, in scan order
  std::vector<uint64_t>
      unreadablePages;               // file offsets of the table's pages that could not be read
  std::vector<ColumnLosses> values;  // one per column, in column-list order
  bool dataFileFailed = false;       // the table data file could not be written whole
  bool definitionLost = false;       // its columns were read from its rows

  void Skip(RowLoss reason, uint64_t pageOffset);
  uint64_t SkippedRowCount() const;
  uint64_t PartialValueCount() const;
  uint64_t UnreadableValueCount() const;
};

// What a summary line adds after a table's record count, such as
// " (2 skipped, 1 partial value)"; empty when nothing was lost.
std::string LossNote(const TableLosses& losses);

}  // namespace tarvex::model
