#include "support/scan_file.h"

#include "model/table_data_file.h"

namespace tarvex::test {

std::unique_ptr<ScannedFile> ScanFile(const std::filesystem::path& data,
                                      const std::filesystem::path& definitions) {
  auto scanned = std::make_unique<ScannedFile>();
  scanned->job.Start();
  scanned->Repair(data, definitions.empty() ? data : definitions);
  scanned->job.Stop();
  return scanned;
}

std::vector<ValueRow> ReadRows(const model::CAccessTable& table) {
  std::vector<ValueRow> rows;
  const int columns = table.columnList.count();
  model::CDataFileReader reader(table.DataFilePath());
  if (columns == 0 || !reader.Open()) return rows;
  ValueRow row;
  std::u16string value;
  for (auto kind = reader.ReadRecord(value);
       kind == model::RecordKind::kValue || kind == model::RecordKind::kNull;
       kind = reader.ReadRecord(value)) {
    row.push_back(kind == model::RecordKind::kValue ? std::optional(value) : std::nullopt);
    if (static_cast<int>(row.size()) == columns) rows.push_back(std::move(row)), row.clear();
  }
  return rows;
}

}  // namespace tarvex::test
