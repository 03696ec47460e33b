#pragma once
// The table preview: one table's rows as the texts a list shows, read back
// from its table data file. It knows no interface toolkit; the window's list
// and the command line are both fed through the callbacks. Rows are streamed:
// one row's texts are held at a time.
#include <functional>
#include <string>
#include <vector>

#include "model/access_table.h"
#include "model/table_data_file.h"

namespace tarvex::model {

// Longest header text a preview shows, in UTF-16 units.
inline constexpr size_t kMaxPreviewHeaderLength = 255;

struct TablePreviewRow {
  int index = 0;                      // 0-based
  std::vector<std::u16string> cells;  // one per column; a row cut short has empty cells at its end
  bool complete = true;  // false: the file ended or the preview was stopped inside this row
};

struct TablePreviewCallbacks {
  std::function<void(const std::vector<std::u16string>& columnNames)> header;
  std::function<void(const TablePreviewRow& row)> row;
};

// The column names a preview shows as its header.
std::vector<std::u16string> PreviewHeader(const CAccessTable& table);

// Reads a table's preview rows one at a time, so that a caller can stop after
// any row and go on later (the window fetches rows as they are scrolled to).
class CTablePreviewReader {
 public:
  explicit CTablePreviewReader(const CAccessTable& table) : table_(table) {}
  // Opens the table's data file; false when there is nothing to read (no
  // columns, or the file does not open).
  bool Open();
  // Reads the next row into `row`. False when no value of a row could be read:
  // at the end, after a row cut short, or when `stopRequested` answered true
  // before the first value.
  bool NextRow(TablePreviewRow& row, const std::function<bool()>& stopRequested);
  // True once no further row can come.
  bool Finished() const { return finished_; }

 private:
  const CAccessTable& table_;
  CDataFileReader reader_;
  std::u16string value_;
  int nextIndex_ = 0;
  bool finished_ = true;
};

// Yields the header (unless a stop is already requested), then the rows of the
// table's data file in file order. `stopRequested` is tested before the header,
// before every row and before every value; when it answers true the preview
// ends at once. A value record cut short ends the preview. A row of which at
// least one value was read is yielded, marked incomplete when it was cut short.
void PreviewTable(const CAccessTable& table, const std::function<bool()>& stopRequested,
                  const TablePreviewCallbacks& callbacks);

// The text a preview shows for one value of column `position` of `table`.
std::u16string PreviewCellText(const CAccessTable& table, int position,
                               const std::u16string& value);

}  // namespace tarvex::model
