#pragma once
// The recovered rows of one table that the engine refused (a key already in a
// unique index, a null in a primary key, a record too large), each with the
// engine's reason. They wait in a file of the working folder until the table's
// rows are done, then go into a companion table, so that no recovered row is
// lost without a trace.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "model/access_table.h"
#include "model/table_data_file.h"
#include "writer/row_batches.h"

namespace tarvex::writer {

// The companion table's name stem and the field that holds the reason.
inline constexpr char16_t kRefusedTableSuffix[] = u"_Refused";
inline constexpr char16_t kRefusedReasonField[] = u"RefusedReason";

class RefusedRows {
 public:
  RefusedRows(const model::CAccessTable& table, int columnCount);
  ~RefusedRows();
  RefusedRows(const RefusedRows&) = delete;
  RefusedRows& operator=(const RefusedRows&) = delete;

  int columnCount() const { return columnCount_; }
  // Keeps a row, given by its values in column order (a column without one
  // is null), with `reason`; false when the file cannot take it.
  bool KeepRow(std::span<const PendingValue> values, const std::string& reason);
  // Rows kept (those the file could not take are not counted).
  uint64_t count() const { return count_; }
  // Ends the writing and opens the rows for reading: each row is
  // columnCount() value records (a null as a null record), then the reason.
  bool OpenForReading(model::CDataFileReader& reader);

 private:
  std::filesystem::path path_;
  model::CAccessTableDataFile file_;
  bool started_ = false;
  bool failed_ = false;
  uint64_t count_ = 0;
  int columnCount_ = 0;
};

}  // namespace tarvex::writer
