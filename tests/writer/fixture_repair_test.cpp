// Every fixture repaired end to end with the real engine, then read back by
// the two independent readers. mdb-reader must find every visible user table
// of the source's ground truth with its columns in order and the rows' values;
// mdbtools the same tables, columns and rows as it reads from the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <tuple>

#include "dao/database_file.h"
#include "dao/index_tree_reader.h"
#include "engine_repair.h"
#include "format/property_blob.h"
#include "format/table_definition.h"
#include "format/unicode.h"
#include "format/value_text.h"
#include "format/value_types.h"
#include "support/oracle_readers.h"
#include "support/reader_values.h"
#include "support/scan_file.h"
#include "support/test_paths.h"
#include "writer/save_report.h"

namespace tarvex::test {
namespace {

namespace fs = std::filesystem;
using dao::test::Hex;
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
  uint64_t refused;  // values the engine did not store
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
    const auto refused = saved.refusedValues.find(format::FromUtf8(name));
    columns.push_back(
        {i, name, renamed == saved.renamedFields.end() ? name : format::ToUtf8(renamed->second),
         column["type"], column.value("calculated", false),
         refused == saved.refusedValues.end() ? 0 : refused->second.count});
  }
  return columns;
}

// Calculated columns are left out: the scan does not read their results yet.
// So are columns with refused values (checked on their own).
bool Compared(const SavedColumn& column) {
  return ComparableTruthType(column.type) && !column.calculated && !column.refused;
}

std::string RowText(const std::vector<std::optional<std::string>>& row) {
  std::string text;
  for (const auto& value : row) text += (value ? *value : "<null>").substr(0, 100) + " | ";
  return text;
}

// Nothing when both sides hold the same rows; else how many differ, and the
// first of each side's own.
std::string RowsThatDiffer(const std::multiset<std::string>& mine,
                           const std::multiset<std::string>& theirs) {
  std::vector<std::string> onlyMine, onlyTheirs;
  std::set_difference(mine.begin(), mine.end(), theirs.begin(), theirs.end(),
                      std::back_inserter(onlyMine));
  std::set_difference(theirs.begin(), theirs.end(), mine.begin(), mine.end(),
                      std::back_inserter(onlyTheirs));
  if (onlyMine.empty() && onlyTheirs.empty()) return {};
  return std::to_string(onlyMine.size()) + " rows differ; first repaired:\n  " +
         (onlyMine.empty() ? "" : onlyMine.front()) + "\nfirst source:\n  " +
         (onlyTheirs.empty() ? "" : onlyTheirs.front());
}

std::vector<std::string> NamesOf(const std::vector<SavedColumn>& columns) {
  std::vector<std::string> names;
  for (const auto& column : columns) names.push_back(column.name);
  return names;
}

// mdb-reader: the table's columns in order and its rows, value for value.
void CompareWithMdbReader(const json& truthTable, const json& ours,
                          const std::vector<SavedColumn>& columns) {
  ASSERT_FALSE(ours.is_null()) << "mdb-reader does not list the table";
  ASSERT_FALSE(ours.contains("error")) << ours["error"];
  std::vector<std::string> names;
  for (const auto& column : ours["columns"]) names.push_back(column["name"]);
  ASSERT_EQ(names, NamesOf(columns));
  const auto rowTexts = [&](const json& rows, bool repairedSide) {
    std::multiset<std::string> texts;
    for (const auto& row : rows) {
      std::vector<std::optional<std::string>> values;
      for (size_t c = 0; c < columns.size(); ++c) {
        if (!Compared(columns[c])) continue;
        const auto& value = row[repairedSide ? c : columns[c].truthIndex];
        values.push_back(ComparableValue(
            columns[c].type,
            value.is_null() ? std::nullopt : std::optional(value.get<std::string>()),
            repairedSide));
      }
      texts.insert(RowText(values));
    }
    return texts;
  };
  const auto mine = rowTexts(ours["rows"], true);
  const auto theirs = rowTexts(truthTable["rows"], false);
  ASSERT_EQ(mine.size(), theirs.size());
  EXPECT_EQ(RowsThatDiffer(mine, theirs), "");
}

// mdbtools: the table's columns in order, and the same rows as it reads from
// the source in the columns whose type the repair keeps (calculated columns,
// which it cannot read, left out). Where it misreads the source (more or fewer
// rows than the ground truth), only the repaired row count is compared.
void CompareWithMdbtools(const fs::path& source, const fs::path& repaired,
                         const std::string& sourceName, const std::string& savedName,
                         const std::vector<SavedColumn>& columns, size_t truthRows) {
  static const std::set<std::string> kKeptTypes = {
      "BOOLEAN",         "BYTE",   "INT", "LONG", "MONEY",  "FLOAT", "DOUBLE", "TEXT", "MEMO",
      "SHORT_DATE_TIME", "BINARY", "OLE", "GUID", "NUMERIC"};
  const MdbExport mine = MdbExportTable(repaired, savedName);
  EXPECT_EQ(mine.columns, NamesOf(columns));
  EXPECT_EQ(mine.rows.size(), truthRows);
  const MdbExport theirs = MdbExportTable(source, sourceName);
  if (theirs.rows.size() != truthRows || mine.columns != NamesOf(columns)) return;
  auto rowTexts = [&](const MdbExport& table, bool repairedSide) {
    std::multiset<std::string> texts;
    for (const auto& row : table.rows) {
      std::vector<std::optional<std::string>> values;
      for (size_t c = 0; c < columns.size(); ++c) {
        if (!kKeptTypes.contains(columns[c].type) || columns[c].calculated || columns[c].refused)
          continue;
        const size_t index = repairedSide ? c : columns[c].truthIndex;
        std::optional<std::string> value = index < row.size() ? row[index] : std::string();
        values.push_back(value);
      }
      texts.insert(RowText(values));
    }
    return texts;
  };
  EXPECT_EQ(RowsThatDiffer(rowTexts(mine, true), rowTexts(theirs, false)), "");
}

// True when `a` and `b`, read as big-endian numbers of the same length, differ by one.
bool OneUnitApart(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return false;
  const auto& [low, high] = a < b ? std::tie(a, b) : std::tie(b, a);
  std::vector<uint8_t> next = low;
  for (auto at = next.rbegin(); at != next.rend() && ++*at == 0; ++at) {
  }
  return next == high;
}

// The keys of every leaf entry of the tree at `root`, sorted, row pointers left out.
std::multiset<std::vector<uint8_t>> TreeKeys(const dao::PageFile& file, uint32_t root) {
  int depth = 0;
  std::multiset<std::vector<uint8_t>> keys;
  for (auto& entry : dao::test::TreeEntries(file, root, depth))
    keys.emplace(entry.begin(), entry.end() - format::kIndexRowPointerSize);
  return keys;
}

// Every index the repair created holds the keys of the source's index, entry
// for entry (the rows' places aside): same columns, order, flags and nulls.
// The source's definitions are read with the format's codec, which also takes
// .accdb and Jet 3 files.
void CompareIndexes(const fs::path& source, const fs::path& repaired,
                    const writer::SaveReport& report, const format::JetLayout& layout) {
  const auto scan = ScanFile(source);
  auto to = dao::DatabaseFile::OpenExisting(repaired, false, true);
  const dao::PageFile sourcePages(source, dao::PageFile::Mode::kReadOnly, false, layout);
  const dao::PageFile repairedPages(repaired, dao::PageFile::Mode::kReadOnly, false, layout);
  for (const auto& table : scan->model()->tableList) {
    const auto saved = std::find_if(report.tables.begin(), report.tables.end(),
                                    [&](const auto& t) { return t.name == table->name; });
    // A refused record or value leaves its keys out.
    if (saved == report.tables.end() || saved->savedName.empty() || saved->rowsRefused.count ||
        !saved->refusedValues.empty() || !saved->indexesNotCreated.empty())
      continue;
    const auto stream =
        format::ReadDefinitionStream(static_cast<uint32_t>(table->tableDefOffset / layout.pageSize),
                                     layout, [&](uint32_t page, std::span<uint8_t> into) {
                                       if (page >= sourcePages.pageCount()) return false;
                                       sourcePages.Read(page, into);
                                       return true;
                                     });
    const auto theirs = format::DecodeTableDefinition(stream.bytes, layout).definition;
    dao::TableStore& ours = to->Table(*to->FindTable(saved->savedName));
    const auto& reals = theirs.realIndexes;
    ASSERT_EQ(ours.definition().realIndexes.size(), reals.size()) << format::ToUtf8(table->name);
    for (size_t r = 0; r < reals.size(); ++r) {
      SCOPED_TRACE(format::ToUtf8(table->name) + " index " + std::to_string(r));
      const auto& mine = ours.definition().realIndexes[r];
      EXPECT_EQ(mine.flags, reals[r].flags);
      // Columns saved under another type (multi-valued, decimal) key differently.
      const auto myColumns = dao::KeyColumnsOf(ours.definition(), mine);
      bool sameTypes = myColumns.size() == reals[r].keys.size();
      for (size_t k = 0; sameTypes && k < myColumns.size(); ++k) {
        const auto* column = theirs.ColumnByNumber(reals[r].keys[k].columnNumber);
        // A text column of another sort order (French, the newer General)
        // keys by rules the engine does not write; it uses General (Legacy).
        sameTypes = column && column->type == myColumns[k].type &&
                    column->extra == ours.definition().columns[myColumns[k].index].extra;
      }
      if (!sameTypes) continue;
      // A date goes through its text in whole seconds, and tools differ in the
      // last bit of the day fraction they make of it (seconds / 86400 or
      // seconds × 1 / 86400): such a date may come back one unit apart.
      const bool dated = std::any_of(myColumns.begin(), myColumns.end(), [](const auto& column) {
        return column.type == format::TypeCode(format::ColumnType::kDateTime);
      });
      const auto myKeys = TreeKeys(repairedPages, mine.rootPage);
      const auto theirKeys = TreeKeys(sourcePages, reals[r].rootPage);
      EXPECT_EQ(myKeys.size(), theirKeys.size());
      const auto [a, b] = std::mismatch(
          myKeys.begin(), myKeys.end(), theirKeys.begin(), theirKeys.end(),
          [&](const auto& x, const auto& y) { return x == y || (dated && OneUnitApart(x, y)); });
      if (a != myKeys.end() && b != theirKeys.end())
        ADD_FAILURE() << "first different key: ours " << Hex(*a) << ", the source's " << Hex(*b);
    }
  }
}

// What our scanner reads of a file that a repair must give back: per table its
// columns (name and type) and properties, and the database's properties.
struct ScannedModel {
  struct Table {
    std::vector<std::pair<std::u16string, uint8_t>> columns;
    std::vector<format::PropertyObject> properties;
  };
  format::DatabaseFormat format{};
  std::map<std::u16string, Table> tables;
  std::vector<format::PropertyObject> databaseProperties;
};

ScannedModel ScanModel(const fs::path& file) {
  const auto scan = ScanFile(file);
  ScannedModel out;
  out.format = scan->model()->sourceFormat;
  out.databaseProperties = scan->model()->databaseProperties;
  for (const auto& table : scan->model()->tableList) {
    auto& entry = out.tables[table->name];
    for (const auto& column : table->columnList)
      entry.columns.emplace_back(column.colInfo.name, column.colInfo.type);
    entry.properties = table->properties;
  }
  return out;
}

// The objects' properties, one line each, sorted: objects, and properties
// within an object, may come back in another order.
std::string PropertyLines(const std::vector<format::PropertyObject>& objects) {
  std::set<std::string> lines;
  for (const auto& object : objects)
    for (const auto& p : object.properties)
      lines.insert((object.column ? "column " : "object ") + format::ToUtf8(object.name) + ": " +
                   format::ToUtf8(p.name) + " type " + std::to_string(p.type) +
                   (p.ddl ? " ddl " : " ") + Hex(p.data));
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

// The type a column of `type` is saved with: binary columns become long binary
// fields, as the writer's field types say.
uint8_t SavedType(uint8_t type) {
  using format::ColumnType;
  switch (static_cast<ColumnType>(type)) {
    case ColumnType::kBinary:
    case ColumnType::kUnknown13:
      return format::TypeCode(ColumnType::kOle);
    case ColumnType::kComplex:
    case ColumnType::kBigInt:
    case ColumnType::kExtDateTime:
      return format::TypeCode(ColumnType::kText);
    default:
      return type;
  }
}

// The repair read by our scanner gives the source's model back: the format, the
// database's properties, and every saved table's columns and properties under
// their saved names.
void CompareModels(const ScannedModel& source, const ScannedModel& repaired,
                   const writer::SaveReport& report) {
  EXPECT_EQ(repaired.format, source.format);
  EXPECT_EQ(PropertyLines(repaired.databaseProperties), PropertyLines(source.databaseProperties));
  EXPECT_TRUE(report.databasePropertiesRefused.empty());
  for (const auto& saved : report.tables) {
    if (saved.savedName.empty() || !saved.fieldsNotCreated.empty()) continue;
    SCOPED_TRACE("table " + format::ToUtf8(saved.name));
    const auto theirs = source.tables.find(saved.name);
    const auto ours = repaired.tables.find(saved.savedName);
    ASSERT_NE(theirs, source.tables.end());
    ASSERT_NE(ours, repaired.tables.end());
    auto columns = theirs->second.columns;
    auto properties = theirs->second.properties;
    for (auto& [name, type] : columns) {
      type = SavedType(type);
      if (const auto renamed = saved.renamedFields.find(name); renamed != saved.renamedFields.end())
        name = renamed->second;
    }
    for (auto& object : properties)
      if (const auto renamed = saved.renamedFields.find(object.name);
          object.column && renamed != saved.renamedFields.end())
        object.name = renamed->second;
    EXPECT_EQ(ours->second.columns, columns);
    EXPECT_TRUE(saved.propertiesRefused.empty());
    EXPECT_EQ(PropertyLines(ours->second.properties), PropertyLines(properties));
  }
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
  // A record the engine refuses (a duplicate key) is kept in the table's companion table.
  for (const auto& table : report.tables)
    EXPECT_EQ(table.rowsWritten + table.rowsInRefusedTable, table.rowsRecovered)
        << format::ToUtf8(table.name);

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
    if (saved->rowsRefused.count) {
      EXPECT_EQ(DumpTable(dump, savedName)["rows"].size() +
                    DumpTable(dump, format::ToUtf8(saved->refusedTable))["rows"].size(),
                truthTable["rows"].size());
      continue;
    }
    for (const auto& column : columns) EXPECT_EQ(column.refused, 0u) << column.name;
    CompareWithMdbReader(truthTable, DumpTable(dump, savedName), columns);
    EXPECT_NE(std::find(mdbTables.begin(), mdbTables.end(), savedName), mdbTables.end())
        << "mdbtools does not list it";
    CompareWithMdbtools(fixture.file, output, name, savedName, columns, truthTable["rows"].size());
  }
  CompareIndexes(fixture.file, output, report, jet3 ? format::kJet3Layout : format::kJet4Layout);
  const auto repaired = ScanModel(output);
  CompareModels(ScanModel(fixture.file), repaired, report);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRepair, testing::ValuesIn(FixturesWithTruth()),
                         [](const auto& info) { return TestNameOf(info.param.file); });

}  // namespace
}  // namespace tarvex::test
