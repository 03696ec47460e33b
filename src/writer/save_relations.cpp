// The relationship step: rebuilds the relationships from the recovered rows
// of MSysRelationships, and the table order they imply for the row step.
#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "format/unicode.h"
#include "writer/access_save_repaired_file.h"
#include "writer/object_names.h"
#include "writer/relationship_orphans.h"
#include "writer/relationship_rows.h"

namespace tarvex::writer {
namespace {

using format::FromUtf8;

// Attribute bits of relationships that are neither enforced nor one-sided
// (unique and not enforced, alone or with a left or right join): they do not
// decide the order in which tables are filled.
constexpr long kUnorderedRelationAttributes[] = {3, 16777219, 33554435};
// Beyond this many rows MSysRelationships is damage, not relationships: it is not regrouped.
constexpr size_t kMaxRegroupedRows = size_t{1} << 20;

RelationshipPositions PositionsIn(const model::CAccessTable& table, bool jet4) {
  std::vector<std::u16string> names;
  for (const auto& column : table.columnList) names.push_back(column.colInfo.name);
  return RelationshipPositions::Of(names, jet4);
}

bool OrdersTables(long attributes) {
  for (long unordered : kUnorderedRelationAttributes)
    if (attributes == unordered) return false;
  return true;
}

// The name of the index that `table` kept only for `relation`, over exactly its referencing
// fields; empty when there is none.
std::u16string IndexKeptFor(const dao::RelationInfo& relation, const model::CAccessTable& table) {
  std::vector<std::u16string> fields;
  for (const auto& pair : relation.fields) fields.push_back(pair.foreignName);
  std::sort(fields.begin(), fields.end());
  for (const auto& index : table.indexList) {
    if (!index.relationshipsOnly) continue;
    std::vector<std::u16string> keys;
    for (int slot = 0; slot < index.columnCount && slot < model::kMaxIndexColumns; ++slot)
      keys.push_back(table.columnList.NameOfNumber(
          static_cast<uint16_t>(index.columns[static_cast<size_t>(slot)].columnNumber)));
    std::sort(keys.begin(), keys.end());
    if (keys == fields) return index.name;
  }
  return {};
}

// Copies `length` bytes from `offset` of `from` to the end of `to`.
bool CopyBytes(std::FILE* from, uint64_t offset, uint64_t length, std::FILE* to) {
  if (fseeko(from, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  char buffer[1 << 14];
  while (length > 0) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(length, sizeof buffer));
    if (std::fread(buffer, 1, chunk, from) != chunk || std::fwrite(buffer, 1, chunk, to) != chunk)
      return false;
    length -= chunk;
  }
  return true;
}

}  // namespace

bool CAccessSaveRepairedFile::SaveRelations() {
  relationTables_.clear();
  enforcedRelations_.clear();
  referenceTables_ = {};
  model::CAccessTable* table = model ? model->tableList.FindNamed(u"MSysRelationships") : nullptr;
  if (!table || table->tableDefInfo.rowCount == 0) return true;
  auto& progress = job_.progress();
  progress.Restart(table->tableDefInfo.rowCount);
  if (!OpenDatabase()) return false;
  if (!Saving()) {
    CloseDatabase();
    return true;
  }
  Log(u"Saving relations");
  const int columnCount = table->tableDefInfo.columnCount;
  SortRelationshipRows(*table);
  if (!OpenTableDataFile(table->tableDefOffset)) {
    CloseDatabase();
    return false;
  }
  CRelationshipAssembler assembler(PositionsIn(*table, SourceIsJet4()));
  std::vector<std::u16string> values;
  while (columnCount > 0 && !dataFile_.AtEnd()) {
    progress.Step();
    ReadRowTexts(columnCount, values);
    if (!Saving()) {
      dataFile_.Close();
      CloseDatabase();
      return false;
    }
    if (auto relation = assembler.AddRow(values, report_.relationshipsSkipped))
      CreateRelationship(*relation);
  }
  assembler.Finish(report_.relationshipsSkipped);
  dataFile_.Close();
  const bool saving = Saving();
  const bool closed = CloseDatabase();
  if (!saving) return false;
  progress.SetPosition(progress.Maximum());
  FinishStep();
  return closed;
}

void CAccessSaveRepairedFile::CreateRelationship(const dao::RelationInfo& relation) {
  // Relationships of system tables (the navigation pane's) go with those tables, which the new
  // database does not copy; they are no user data, so the report does not count them as lost.
  if (IsSystemObjectName(relation.table) || IsSystemObjectName(relation.foreignTable)) return;
  // The relationship names tables and fields as recovered; they may have been saved under other
  // names.
  dao::RelationInfo info = relation;
  const SavedTable* referenced = SavedTableNamed(relation.table);
  const SavedTable* referencing = SavedTableNamed(relation.foreignTable);
  auto savedField = [&](const SavedTable* table, const std::u16string& name) {
    if (!table) return name;
    const auto& renamed = report_.tables[table->report].renamedFields;
    auto found = renamed.find(name);
    return found == renamed.end() ? name : found->second;
  };
  if (referenced) info.table = referenced->name;
  if (referencing) info.foreignTable = referencing->name;
  if (const auto* table = model->tableList.FindNamed(relation.foreignTable))
    info.foreignIndex = IndexKeptFor(relation, *table);
  for (auto& pair : info.fields) {
    pair.name = savedField(referenced, pair.name);
    pair.foreignName = savedField(referencing, pair.foreignName);
  }
  try {
    database_->CreateRelation(info);
  } catch (const dao::DaoException& error) {
    report_.relationshipsSkipped.push_back({relation.name, error.what()});
    return;
  }
  report_.relationshipsWritten.push_back(relation.name);
  if (!(relation.attributes & dao::kDbRelationDontEnforce)) enforcedRelations_.push_back(relation);
  if (OrdersTables(relation.attributes))
    relationTables_.push_front({relation.attributes, relation.foreignTable, relation.table});
}

void CAccessSaveRepairedFile::SortRelationshipRows(const model::CAccessTable& table) {
  if (!OpenTableDataFile(table.tableDefOffset)) return;
  struct Row {
    uint64_t start;
    uint64_t length;
  };
  const int columnCount = table.tableDefInfo.columnCount;
  const int namePosition = PositionsIn(table, SourceIsJet4()).name;
  // Rows grouped by relationship name, groups in the order of their first rows,
  // rows of a group in file order (their order is the order of the field pairs).
  std::vector<std::vector<Row>> groups;
  std::unordered_map<std::u16string, size_t> groupOfName;
  size_t rowCount = 0;
  std::u16string text;
  while (columnCount > 0 && !dataFile_.AtEnd() && rowCount < kMaxRegroupedRows) {
    const uint64_t start = dataFile_.position();
    std::u16string name;
    for (int position = 0; position < columnCount; ++position) {
      const model::RecordKind kind = dataFile_.ReadRecord(text);
      if (kind == model::RecordKind::kEnd || kind == model::RecordKind::kRowEnd) break;
      if (position == namePosition) name = text;
    }
    auto [group, added] = groupOfName.try_emplace(name, groups.size());
    if (added) groups.emplace_back();
    groups[group->second].push_back({start, dataFile_.position() - start});
    ++rowCount;
  }
  const bool complete = dataFile_.AtEnd();
  dataFile_.Close();
  if (!complete || groups.size() == rowCount) return;  // too large to trust, or nothing to regroup

  const std::filesystem::path path = table.DataFilePath();
  std::filesystem::path regrouped = path;
  regrouped += "Temp";
  std::error_code ignored;
  std::filesystem::remove(regrouped, ignored);
  std::FILE* from = std::fopen(path.c_str(), "rb");
  std::FILE* to = from ? std::fopen(regrouped.c_str(), "wb") : nullptr;
  bool copied = to != nullptr;
  for (const auto& group : groups)
    for (const Row& row : group) copied = copied && CopyBytes(from, row.start, row.length, to);
  if (from) std::fclose(from);
  if (to && std::fclose(to) != 0) copied = false;
  if (copied) std::filesystem::rename(regrouped, path, ignored);
  std::filesystem::remove(regrouped, ignored);
}

void CAccessSaveRepairedFile::ReportOrphanRows() {
  for (const auto& relation : enforcedRelations_)
    if (const uint64_t orphans = CountOrphanRows(*model, relation))
      report_.relationshipOrphanRows[relation.name] = orphans;
}

void CAccessSaveRepairedFile::OrderTables() {
  referenceTables_ = BuildReferenceTables(relationTables_);
  if (model) referenceTables_.MoveTablesToEnd(model->tableList);
}

}  // namespace tarvex::writer
