#pragma once
// The recovered rows of one table that the engine refused (a key already in a
// unique index, a null in a primary key, a record too large), each with the
// engine's reason. They wait in a file of the working folder until the table's
// rows are done, then go into a companion table, so that no recovered row is
// lost without a trace.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/access_table.h"
#include "model/table_data_file.h"

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

  int columnCount() const { return static_cast<int>(texts_.size()); }
  // Starts the next row: every value null until kept.
  void StartRow();
  // The buffer of the value at `position` (0 <= position < columnCount()):
  // a row's values are read straight into it, so that keeping one costs no copy.
  std::u16string& ValueText(int position) { return texts_[static_cast<size_t>(position)]; }
  // Keeps the value now in ValueText(position).
  void KeepValue(int position);
  // Keeps the current row with `reason`; false when the file cannot take it.
  bool KeepRow(const std::string& reason);
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
  std::vector<std::u16string> texts_;
  std::vector<bool> present_;
};

}  // namespace tarvex::writer
