// Every fixture repaired end to end with the real engine, then read back by
// the two independent readers. mdb-reader must find every visible user table
// of the source's ground truth with its columns in order and the rows' values;
// mdbtools the same tables, columns and rows as it reads from the source.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "engine_repair.h"
#include "format/unicode.h"
#include "support/oracle_readers.h"
#include "support/reader_values.h"
#include "support/test_paths.h"
#include "writer/save_report.h"

namespace tarvex::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using writer::test::Repair;

bool Visible(const json& table) {
  return !table.value("system", false) && !table.value("systemByName", false) &&
         table.contains("rows");
}

// The truth table's columns that the repaired table has, with their names there.
struct SavedColumn {
  size_t truthIndex;
  std::string truthName;
  std::string name;
  std::string type;
  bool calculated;
};

std::vector<SavedColumn> SavedColumns(const json& truthTable,
                                      const writer::TableSaveReport& saved) {
  std::set<std::string> missing;
  for (const auto& field : saved.fieldsNotCreated) missing.insert(format::ToUtf8(field.name));
  std::vector<SavedColumn> columns;
  for (size_t i = 0; i < truthTable["columns"].size(); ++i) {
    const auto& column = truthTable["columns"][i];
    const std::string name = column["name"];
    if (missing.contains(name)) continue;
    auto renamed = saved.renamedFields.find(format::FromUtf8(name));
    columns.push_back(
        {i, name, renamed == saved.renamedFields.end() ? name : format::ToUtf8(renamed->second),
         column["type"], column.value("calculated", false)});
  }
  return columns;
}

// Calculated columns are left out: the scan does not read their results yet.
bool Compared(const SavedColumn& column) {
  return ComparableTruthType(column.type) && !column.calculated;
}

std::string RowText(const std::vector<std::optional<std::string>>& row) {
  std::string text;
  for (const auto& value : row) text += (value ? *value : "<null>").substr(0, 100) + " | ";
  return text;
}

// mdb-reader: the table's columns in order and its rows, value for value.
void CompareWithMdbReader(const json& truthTable, const json& ours,
                          const std::vector<SavedColumn>& columns) {
  ASSERT_FALSE(ours.is_null()) << "mdb-reader does not list the table";
  ASSERT_FALSE(ours.contains("error")) << ours["error"];
  std::vector<std::string> expectedNames, names;
  for (const auto& column : columns) expectedNames.push_back(column.name);
  for (const auto& column : ours["columns"]) names.push_back(column["name"]);
  ASSERT_EQ(names, expectedNames);

  std::multiset<std::string> theirs, mine;
  for (const auto& row : truthTable["rows"]) {
    std::vector<std::optional<std::string>> values;
    for (const auto& column : columns) {
      if (!Compared(column)) continue;
      const auto& value = row[column.truthIndex];
      values.push_back(ComparableValue(
          column.type, value.is_null() ? std::nullopt : std::optional(value.get<std::string>()),
          false));
    }
    theirs.insert(RowText(values));
  }
  for (const auto& row : ours["rows"]) {
    std::vector<std::optional<std::string>> values;
    for (size_t c = 0; c < columns.size(); ++c) {
      if (!Compared(columns[c])) continue;
      const auto& value = row[c];
      values.push_back(ComparableValue(
          columns[c].type, value.is_null() ? std::nullopt : std::optional(value.get<std::string>()),
          true));
    }
    mine.insert(RowText(values));
  }
  ASSERT_EQ(mine.size(), theirs.size());
  std::vector<std::string> onlyMine, onlyTheirs;
  std::set_difference(mine.begin(), mine.end(), theirs.begin(), theirs.end(),
                      std::back_inserter(onlyMine));
  std::set_difference(theirs.begin(), theirs.end(), mine.begin(), mine.end(),
                      std::back_inserter(onlyTheirs));
  EXPECT_TRUE(onlyMine.empty()) << onlyMine.size() << " rows differ; first repaired:\n  "
                                << onlyMine.front() << "\nfirst source:\n  " << onlyTheirs.front();
}

// mdbtools: the table's columns in order, and the same rows as it reads from
// the source in the columns whose type the repair keeps (calculated columns,
// which it cannot read, left out). Where it misreads the source (more or fewer
// rows than the ground truth), only the repaired row count is compared.
void CompareWithMdbtools(const fs::path& source, bool jet3Source, const fs::path& repaired,
                         const std::string& sourceName, const std::string& savedName,
                         const std::vector<SavedColumn>& columns, size_t truthRows) {
  static const std::set<std::string> kKeptTypes = {
      "BOOLEAN",         "BYTE",   "INT", "LONG", "MONEY",  "FLOAT", "DOUBLE", "TEXT", "MEMO",
      "SHORT_DATE_TIME", "BINARY", "OLE", "GUID", "NUMERIC"};
  const MdbExport mine = MdbExportTable(repaired, savedName);
  std::vector<std::string> expectedNames;
  for (const auto& column : columns) expectedNames.push_back(column.name);
  EXPECT_EQ(mine.columns, expectedNames);
  EXPECT_EQ(mine.rows.size(), truthRows);
  const MdbExport theirs = MdbExportTable(source, sourceName);
  if (theirs.rows.size() != truthRows || mine.columns != expectedNames) return;
  auto rowTexts = [&](const MdbExport& table, bool repairedSide) {
    std::multiset<std::string> texts;
    for (const auto& row : table.rows) {
      std::vector<std::optional<std::string>> values;
      for (size_t c = 0; c < columns.size(); ++c) {
        if (!kKeptTypes.contains(columns[c].type) || columns[c].calculated) continue;
        const size_t index = repairedSide ? c : columns[c].truthIndex;
        std::optional<std::string> value = index < row.size() ? row[index] : std::string();
        // mdbtools shows a Jet 3 character that its code page leaves undefined as "?".
        if (jet3Source && repairedSide)
          for (size_t at; (at = value->find("\xEF\xBF\xBD")) != std::string::npos;)
            value->replace(at, 3, "?");
        values.push_back(value);
      }
      texts.insert(RowText(values));
    }
    return texts;
  };
  const auto mineTexts = rowTexts(mine, true);
  const auto theirTexts = rowTexts(theirs, false);
  std::vector<std::string> onlyMine, onlyTheirs;
  std::set_difference(mineTexts.begin(), mineTexts.end(), theirTexts.begin(), theirTexts.end(),
                      std::back_inserter(onlyMine));
  std::set_difference(theirTexts.begin(), theirTexts.end(), mineTexts.begin(), mineTexts.end(),
                      std::back_inserter(onlyTheirs));
  EXPECT_TRUE(onlyMine.empty() && onlyTheirs.empty())
      << onlyMine.size() << " rows differ; first repaired:\n  "
      << (onlyMine.empty() ? "" : onlyMine.front()) << "\nfirst source:\n  "
      << (onlyTheirs.empty() ? "" : onlyTheirs.front());
}

class FixtureRepair : public testing::TestWithParam<TruthFixture> {};

TEST_P(FixtureRepair, BothReadersFindEveryTableColumnAndRow) {
  const TruthFixture& fixture = GetParam();
  std::ifstream in(fixture.truth);
  const json truth = json::parse(in);
  ScratchDir scratch;
  const fs::path output = scratch.path() / ("Tarvex_" + fixture.file.filename().string());
  const writer::SaveReport report = Repair(fixture.file, output);
  ASSERT_TRUE(report.saved);
  for (const auto& table : report.tables)
    EXPECT_EQ(table.rowsWritten, table.rowsRecovered) << format::ToUtf8(table.name);

  const bool jet3 = truth.value("jetFormat", "").find("3") != std::string::npos;
  const json dump = MdbReaderDump(output);
  const auto mdbTables = MdbTables(output);
  for (const auto& truthTable : truth["tables"]) {
    if (!Visible(truthTable)) continue;
    const std::string name = truthTable["name"];
    SCOPED_TRACE(fixture.file.filename().string() + " table " + name);
    const writer::TableSaveReport* saved = nullptr;
    for (const auto& table : report.tables)
      if (format::ToUtf8(table.name) == name) saved = &table;
    ASSERT_NE(saved, nullptr) << "the table was not saved";
    ASSERT_FALSE(saved->savedName.empty()) << saved->problem;
    const std::string savedName = format::ToUtf8(saved->savedName);
    const auto columns = SavedColumns(truthTable, *saved);
    CompareWithMdbReader(truthTable, DumpTable(dump, savedName), columns);
    EXPECT_NE(std::find(mdbTables.begin(), mdbTables.end(), savedName), mdbTables.end())
        << "mdbtools does not list it";
    CompareWithMdbtools(fixture.file, jet3, output, name, savedName, columns,
                        truthTable["rows"].size());
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRepair, testing::ValuesIn(FixturesWithTruth()),
                         [](const auto& info) { return TestNameOf(info.param.file); });

}  // namespace
}  // namespace tarvex::test
