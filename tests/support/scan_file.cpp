#include "support/scan_file.h"

#include "engine/job_status.h"
#include "model/table_data_file.h"

namespace tarvex::test {

std::unique_ptr<engine::CAccessRepair> ScanFile(const std::filesystem::path& data,
                                                const std::filesystem::path& definitions) {
  engine::RepairingFileStatus().Set(true);
  auto repair = std::make_unique<engine::CAccessRepair>(engine::ScanSettings::WithoutPause());
  repair->Repair(data, definitions.empty() ? data : definitions);
  engine::RepairingFileStatus().Set(false);
  return repair;
}

std::vector<std::vector<std::u16string>> ReadRows(const model::CAccessTable& table) {
  std::vector<std::vector<std::u16string>> rows;
  const int columns = table.columnList.count();
  model::CDataFileReader reader(table.DataFilePath());
  if (columns == 0 || !reader.Open()) return rows;
  std::vector<std::u16string> row;
  std::u16string value;
  while (reader.ReadTextRecord(value)) {
    row.push_back(value);
    if (static_cast<int>(row.size()) == columns) rows.push_back(std::move(row)), row.clear();
  }
  return rows;
}

}  // namespace tarvex::test
