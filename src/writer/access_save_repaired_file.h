#pragma once
// One save: writes the recovered model into a new database through the
// engine, in a fixed order of steps (structure, queries, relationships,
// table order, rows), reporting through its job and stopping between any
// two items when the job's run flag falls. The database is built under a
// temporary name beside the output path and takes that path only once it is
// complete, so a stopped or failed save leaves an old file there untouched.
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/access_data.h"
#include "model/job.h"
#include "model/table_data_file.h"
#include "query/query.h"
#include "writer/database_engine.h"
#include "writer/refused_rows.h"
#include "writer/save_report.h"
#include "writer/table_order.h"

namespace tarvex::writer {

struct SaveSettings {
  // Pause after a step has shown a full progress bar (the window wants it; the command line does
  // not).
  std::chrono::milliseconds stepPause{1000};
  // Makes the engine a save writes through; empty for the dao engine.
  std::function<std::unique_ptr<CDatabaseEngine>()> makeEngine;

  static SaveSettings WithoutPause() {
    SaveSettings settings;
    settings.stepPause = std::chrono::milliseconds(0);
    return settings;
  }
};

inline constexpr char kDatabaseLocale[] = ";LANGID=0x0409;CP=1252;COUNTRY=0";

class CAccessSaveRepairedFile {
 public:
  // Reports to `job`, which outlives the save; the job also tells the format the source was read
  // in, which the new database keeps.
  explicit CAccessSaveRepairedFile(model::Job& job, SaveSettings settings = {});
  virtual ~CAccessSaveRepairedFile();
  CAccessSaveRepairedFile(const CAccessSaveRepairedFile&) = delete;
  CAccessSaveRepairedFile& operator=(const CAccessSaveRepairedFile&) = delete;

  // Runs every step; true when the database stands complete at outputPath.
  bool RunSave();

  // Creates the database and every user table with its fields and indexes.
  bool SaveStructure();
  // Creates the saved queries recovered in MSysQueries, named from the catalogue.
  bool SaveQueries();
  // Creates the relationships recovered in MSysRelationships.
  bool SaveRelations();
  // Regroups the rows of the MSysRelationships table so that each relationship's rows are adjacent.
  void SortRelationshipRows(const model::CAccessTable& table);
  // Puts the tables tied by created relationships last, referenced tables first.
  void OrderTables();
  // Copies every row of every created table from its table data file.
  bool SaveTableData();
  // Opens the table data file of the table defined at `tableDefOffset` in dataFile.
  bool OpenTableDataFile(uint64_t tableDefOffset);
  // Reads the next row of dataFile into `values`: up to `columnCount` value
  // texts (a null as the empty text), fewer where a row end or the file's end
  // cuts it short.
  void ReadRowTexts(int columnCount, std::vector<std::u16string>& values);

  const SaveReport& report() const { return report_; }
  const CAccessRelationTablesList& relationTables() const { return relationTables_; }

  model::CAccessData* model = nullptr;  // not owned
  std::filesystem::path outputPath;

 private:
  // A table the structure step created.
  struct SavedTable {
    std::u16string name;             // in the repaired database
    size_t report = 0;               // its entry in report_.tables
    std::vector<int> fieldOfColumn;  // field position per column position; -1: no field
    std::vector<int> fieldType;      // the created field's type per column position
  };

  void CreateTable(const model::CAccessTable& table);
  void CreateFields(const model::CAccessTable& table, SavedTable& saved, TableSaveReport& entry);
  void CreateIndexes(const model::CAccessTable& table, TableSaveReport& entry);
  // Gives the table definition being made the table's and its fields' properties.
  void CreateProperties(const model::CAccessTable& table, const SavedTable& saved,
                        TableSaveReport& entry);
  bool CreateDatabase();
  // Gives the new database the source's database and document properties.
  void CreateDatabaseProperties();
  void CreateQuery(query::CQuery& query, const model::TableLosses& losses);
  void CreateRelationship(const dao::RelationInfo& relation);
  // Counts, per enforced relationship created, the saved rows that break it.
  void ReportOrphanRows();
  bool SaveRows(const model::CAccessTable& table, const SavedTable& saved, TableSaveReport& entry);
  // Gives the engine one prepared value of the record being added.
  void StoreValue(const model::CAccessTable& table, PendingValue& value, TableSaveReport& entry);
  // Writes the rows the engine refused into the table's companion table.
  void SaveRefusedRows(const model::CAccessTable& table, const SavedTable& saved, RefusedRows& rows,
                       TableSaveReport& entry);
  bool OpenDatabase();
  bool CloseDatabase();
  // Names in the report the indexes the engine left out when the rows were written.
  void ReportIndexesLeftOut();
  // Ends the save as failed: the reason is logged and reported, the failure flag set.
  void Fail(const std::string& reason);
  bool Saving() const { return job_.Running(); }
  bool SourceIsJet4() const;
  void Log(const std::u16string& line) { job_.log().AppendLine(line); }
  void Log(std::string_view utf8Line);
  void SetCaption(std::u16string caption) { job_.SetCaption(std::move(caption)); }
  // Ends a step: a full bar, then a pause so that it is seen.
  void FinishStep();
  bool Publish();
  const SavedTable* SavedTableNamed(const std::u16string& recoveredName) const;

  model::Job& job_;
  SaveSettings settings_;
  std::unique_ptr<CDatabaseEngine> database_;
  model::CDataFileReader dataFile_;
  CAccessRelationTablesList relationTables_;
  CAccessRelationReferenceTableList referenceTables_;
  std::vector<dao::RelationInfo> enforcedRelations_;  // as recovered
  std::filesystem::path buildPath_;
  std::map<const model::CAccessTable*, SavedTable> savedTables_;
  std::unordered_set<std::u16string> usedTableNames_;  // folded
  std::u16string text_;                                // the value text ReadRowTexts reads into
  SaveReport report_;
};

}  // namespace tarvex::writer
