#include "writer/relationship_orphans.h"

#include <optional>
#include <unordered_set>

#include "model/table_data_file.h"
#include "writer/object_names.h"

namespace tarvex::writer {
namespace {

// The row positions of `fields` in `table`; empty when one is missing.
std::vector<size_t> Positions(const model::CAccessTable& table,
                              const std::vector<std::u16string>& fields) {
  std::vector<size_t> positions;
  for (const auto& field : fields) {
    size_t position = 0;
    bool found = false;
    for (const auto& column : table.columnList) {
      if (column.colInfo.name == field) {
        found = true;
        break;
      }
      ++position;
    }
    if (!found) return {};
    positions.push_back(position);
  }
  return positions;
}

// Calls `visit` with the key of every row whose key fields are all set. Keys
// compare as Access compares them: text without regard to ASCII case.
template <typename Visit>
bool ForEachKey(const model::CAccessTable& table, const std::vector<size_t>& positions,
                Visit visit) {
  model::CDataFileReader reader(table.DataFilePath());
  if (!reader.Open()) return false;
  const size_t columns = static_cast<size_t>(table.columnList.count());
  std::vector<std::optional<std::u16string>> row(columns);
  std::u16string text;
  while (columns > 0 && !reader.AtEnd()) {
    std::fill(row.begin(), row.end(), std::nullopt);
    for (size_t position = 0; position < columns; ++position) {
      const model::RecordKind kind = reader.ReadRecord(text);
      if (kind == model::RecordKind::kEnd || kind == model::RecordKind::kRowEnd) break;
      if (kind == model::RecordKind::kValue) row[position] = text;
    }
    std::u16string key;
    bool complete = true;
    for (size_t position : positions) {
      if (!row[position]) {
        complete = false;
        break;
      }
      key += FoldName(*row[position]);
      key += u'\x1F';
    }
    if (complete) visit(key);
  }
  return true;
}

}  // namespace

uint64_t CountOrphanRows(const model::CAccessData& data, const dao::RelationInfo& relation) {
  const model::CAccessTable* referenced = data.tableList.FindNamed(relation.table);
  const model::CAccessTable* referencing = data.tableList.FindNamed(relation.foreignTable);
  if (!referenced || !referencing) return 0;
  std::vector<std::u16string> names, foreignNames;
  for (const auto& pair : relation.fields) {
    names.push_back(pair.name);
    foreignNames.push_back(pair.foreignName);
  }
  const auto positions = Positions(*referenced, names);
  const auto foreignPositions = Positions(*referencing, foreignNames);
  if (positions.empty() || foreignPositions.empty()) return 0;
  std::unordered_set<std::u16string> keys;
  if (!ForEachKey(*referenced, positions,
                  [&](std::u16string& key) { keys.insert(std::move(key)); }))
    return 0;
  uint64_t orphans = 0;
  ForEachKey(*referencing, foreignPositions,
             [&](const std::u16string& key) { orphans += keys.count(key) == 0 ? 1 : 0; });
  return orphans;
}

}  // namespace tarvex::writer
