#pragma once
// What a save wrote and what it could not write, table by table: the record a
// user checks a repaired database against. Filled by the save worker, read
// after it has ended.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "model/table_losses.h"

namespace tarvex::writer {

// An item (field, index, relationship, query) that was not written, or not
// written whole, and why.
struct SkippedItem {
  std::u16string name;
  std::string reason;
};

// A property the engine refused: of a table's field (`object`) or of the
// table itself (`object` empty); of a database document, or of the database itself.
struct RefusedProperty {
  std::u16string object;
  std::u16string property;
  std::string reason;
};

// Values of one column that are missing from the saved rows.
struct RefusedValues {
  uint64_t count = 0;
  std::string firstReason;
};

struct TableSaveReport {
  std::u16string name;       // as recovered
  std::u16string savedName;  // in the repaired database; empty when the table was not created
  std::string problem;       // why it was not created, or its rows not written
  uint64_t rowsRecovered = 0;
  uint64_t rowsWritten = 0;
  RefusedValues rowsRefused;        // records the engine did not store
  std::u16string refusedTable;      // the companion table that keeps the refused records
  uint64_t rowsInRefusedTable = 0;  // refused records it holds
  std::string refusedRowsProblem;   // why refused records are missing from it
  std::map<std::u16string, RefusedValues> refusedValues;  // by column name as recovered
  std::vector<SkippedItem> fieldsNotCreated;
  std::vector<SkippedItem> indexesNotCreated;
  std::map<std::u16string, std::u16string> renamedFields;  // recovered name -> saved name
  std::vector<RefusedProperty> propertiesRefused;
  model::TableLosses losses;  // what the scan could not bring back of the table
};

struct SaveReport {
  std::filesystem::path outputPath;
  bool saved = false;   // the database stands complete at outputPath
  std::string failure;  // why the save ended without a database, when it failed
  std::vector<RefusedProperty> databasePropertiesRefused;
  std::vector<TableSaveReport> tables;
  std::vector<std::u16string> relationshipsWritten;
  std::vector<SkippedItem> relationshipsSkipped;
  // Enforced relationships that saved rows break, with the number of rows
  // that refer to no row of the referenced table.
  std::map<std::u16string, uint64_t> relationshipOrphanRows;
  std::vector<std::u16string> queriesWritten;
  std::vector<SkippedItem> queriesSkipped;
  // Written queries whose recovered rows could not be kept as they were: each
  // was rebuilt from its SQL text alone, for the reason given.
  std::vector<SkippedItem> queriesRebuilt;

  uint64_t RowsRecovered() const;
  uint64_t RowsWritten() const;
  uint64_t ValuesRefused() const;
};

}  // namespace tarvex::writer
