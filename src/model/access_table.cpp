#include "model/access_table.h"

#include "model/table_data_file.h"

namespace tarvex::model {

CAccessTable::~CAccessTable() { CAccessTableDataFile::Delete(tableDefOffset); }

std::u16string CAccessTable::IdText() const {
  const std::string id = std::to_string(tableDefOffset / 4096);
  return {id.begin(), id.end()};
}

std::filesystem::path CAccessTable::DataFilePath() const {
  return TableDataFilePath(tableDefOffset);
}

}  // namespace tarvex::model
