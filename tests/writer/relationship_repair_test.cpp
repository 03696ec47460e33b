// Every relationship of the real fixtures that have them comes back in the
// repaired file with its attributes and field pairs: in the MSysRelationships
// rows mdb-reader reads, and in the relationships our own scanner rebuilds
// from the repaired file, as a second repair would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "dao/database_file.h"
#include "engine_repair.h"
#include "format/catalogue_objects.h"
#include "format/unicode.h"
#include "support/oracle_readers.h"
#include "support/scan_file.h"
#include "support/test_paths.h"
#include "writer/object_names.h"
#include "writer/relationship_rows.h"

namespace tarvex::test {
namespace {

namespace fs = std::filesystem;
using format::FromUtf8;
using format::ToUtf8;
using nlohmann::json;

const char* const kColumns[] = {"szRelationship",
                                "grbit",
                                "ccolumn",
                                "icolumn",
                                "szObject",
                                "szColumn",
                                "szReferencedObject",
                                "szReferencedColumn"};

// The real fixtures whose manifest says they hold relationships between user tables.
std::vector<fs::path> FixturesWithRelationships() {
  std::vector<fs::path> files;
  std::ifstream manifest(FixturesDir() / "real" / "MANIFEST.tsv");
  for (std::string line; std::getline(manifest, line);) {
    std::vector<std::string> fields;
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    if (fields.size() > 11 && fields[11] == "yes")
      files.push_back(FixturesDir() / "real" / fields[0]);
  }
  return files;
}

// One MSysRelationships row as text, tables and fields under their saved names.
std::string RowText(const json& row, const writer::SaveReport& report) {
  auto savedTable = [&](const std::string& name) -> const writer::TableSaveReport* {
    for (const auto& table : report.tables)
      if (ToUtf8(table.name) == name) return &table;
    return nullptr;
  };
  auto savedField = [&](const std::string& table, const std::string& field) {
    const auto* saved = savedTable(table);
    if (!saved) return field;
    const auto renamed = saved->renamedFields.find(FromUtf8(field));
    return renamed == saved->renamedFields.end() ? field : ToUtf8(renamed->second);
  };
  auto savedName = [&](const std::string& table) {
    const auto* saved = savedTable(table);
    return saved ? ToUtf8(saved->savedName) : table;
  };
  const std::string object = row["szObject"], referenced = row["szReferencedObject"];
  return std::string(row["szRelationship"]) + " | " + std::string(row["grbit"]) + " | " +
         std::string(row["ccolumn"]) + " | " + std::string(row["icolumn"]) + " | " +
         savedName(object) + "." + savedField(object, row["szColumn"]) + " -> " +
         savedName(referenced) + "." + savedField(referenced, row["szReferencedColumn"]);
}

// True when the repair left out the referencing table's index named as the
// relationship, which it does when it cannot enforce the relationship.
bool LostEnforcement(const json& row, const writer::SaveReport& report) {
  for (const auto& table : report.tables)
    if (ToUtf8(table.name) == row["szObject"])
      for (const auto& index : table.indexesNotCreated)
        if (ToUtf8(index.name) == row["szRelationship"]) return true;
  return false;
}

// Relationships between user tables, as the source's ground truth lists their
// rows; one the repair could not enforce is marked not enforced.
std::multiset<std::string> Expected(const json& truth, const writer::SaveReport& report) {
  std::multiset<std::string> rows;
  for (json row : truth["rawRelationshipRows"]) {
    if (writer::IsSystemObjectName(FromUtf8(row["szObject"].get<std::string>())) ||
        writer::IsSystemObjectName(FromUtf8(row["szReferencedObject"].get<std::string>())))
      continue;
    if (LostEnforcement(row, report))
      row["grbit"] =
          std::to_string(std::stol(row["grbit"].get<std::string>()) | dao::kDbRelationDontEnforce);
    rows.insert(RowText(row, report));
  }
  return rows;
}

std::multiset<std::string> ReadByMdbReader(const fs::path& file) {
  const json table = DumpTable(MdbReaderDump(file, true), "MSysRelationships");
  std::multiset<std::string> rows;
  for (const auto& values : table["rows"]) {
    json row;
    for (size_t c = 0; c < table["columns"].size(); ++c)
      row[table["columns"][c]["name"].get<std::string>()] = values[c];
    rows.insert(RowText(row, {}));
  }
  return rows;
}

// The relationships as a repair of `file` would rebuild them, written back as rows.
std::multiset<std::string> ReadByOurScanner(const fs::path& file) {
  const auto scan = ScanFile(file);
  std::multiset<std::string> rows;
  for (const auto& table : scan->model()->tableList) {
    if (table->name != u"MSysRelationships") continue;
    std::vector<std::u16string> names;
    for (const auto& column : table->columnList) names.push_back(column.colInfo.name);
    writer::CRelationshipAssembler assembler(writer::RelationshipPositions::Of(
        names, scan->job.sourceLayout().version == format::JetVersion::kJet4));
    std::vector<writer::SkippedItem> dropped;
    for (const auto& values : ReadRows(*table)) {
      std::vector<std::u16string> texts;
      for (const auto& value : values) texts.push_back(value.value_or(u""));
      const auto relation = assembler.AddRow(texts, dropped);
      for (size_t i = 0; relation && i < relation->fields.size(); ++i) {
        json row;
        row["szRelationship"] = ToUtf8(relation->name);
        row["grbit"] = std::to_string(relation->attributes);
        row["ccolumn"] = std::to_string(relation->fields.size());
        row["icolumn"] = std::to_string(i);
        row["szObject"] = ToUtf8(relation->foreignTable);
        row["szColumn"] = ToUtf8(relation->fields[i].foreignName);
        row["szReferencedObject"] = ToUtf8(relation->table);
        row["szReferencedColumn"] = ToUtf8(relation->fields[i].name);
        rows.insert(RowText(row, {}));
      }
    }
    EXPECT_TRUE(dropped.empty());
  }
  return rows;
}

// Every foreign-key index names a partner index in the other table that names it back.
void ExpectForeignKeyPairs(const fs::path& file) {
  auto db = dao::DatabaseFile::OpenExisting(file, false, true);
  for (const auto& entry : db->catalogue()) {
    if (entry.parentId != format::kTablesContainerId || entry.type != format::kTableObjectType)
      continue;
    const auto page = static_cast<uint32_t>(entry.id) & format::kObjectIdMask;
    for (const auto& index : db->Table(page).definition().logicalIndexes) {
      if (!index.relation) continue;
      SCOPED_TRACE(ToUtf8(entry.name) + " index " + ToUtf8(index.name));
      const auto& partners =
          db->Table(index.relation->partnerTablePage).definition().logicalIndexes;
      const auto partner = std::find_if(partners.begin(), partners.end(), [&](const auto& l) {
        return l.number == index.relation->partnerIndex;
      });
      ASSERT_NE(partner, partners.end());
      ASSERT_TRUE(partner->relation.has_value());
      EXPECT_EQ(partner->relation->partnerTablePage, page);
      EXPECT_EQ(partner->relation->partnerIndex, index.number);
    }
  }
}

// No user table has more indexes than in the source: an index that only a
// relationship used comes back as that relationship's, not beside it.
void ExpectNoIndexBeyondTheSource(const fs::path& file, const json& truth,
                                  const writer::SaveReport& report) {
  auto db = dao::DatabaseFile::OpenExisting(file, false, true);
  for (const auto& table : report.tables) {
    const auto source =
        std::find_if(truth["tables"].begin(), truth["tables"].end(),
                     [&](const json& t) { return t["name"] == ToUtf8(table.name); });
    const auto page = db->FindTable(table.savedName);
    if (source == truth["tables"].end() || !page) continue;
    EXPECT_LE(db->Table(*page).definition().logicalIndexes.size(), (*source)["indexes"].size())
        << ToUtf8(table.name);
  }
}

// Per enforced relationship, the rows of the source that refer to no row of
// the referenced table, counted on the independent reader's rows.
std::map<std::u16string, uint64_t> OrphanRowsInTruth(const json& truth) {
  auto table = [&](const json& name) -> const json& {
    for (const json& t : truth["tables"])
      if (t["name"] == name) return t;
    throw std::runtime_error("no table " + name.get<std::string>());
  };
  auto keyOf = [](const json& t, const json& row, const std::vector<std::string>& columns) {
    std::string key;
    for (const auto& column : columns) {
      size_t at = 0;
      while (t.at("columns").at(at).at("name") != column) ++at;
      if (row.at(at).is_null()) return std::string();
      std::string value = row.at(at).dump();
      for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      key += value + '\x1F';
    }
    return key;
  };
  std::map<std::u16string, uint64_t> orphans;
  for (const json& relation : truth["relationships"]) {
    if (relation["system"].get<bool>() || !relation["referentialIntegrity"].get<bool>()) continue;
    std::vector<std::string> primaryColumns, foreignColumns;
    for (const json& pair : relation["columns"]) {
      primaryColumns.push_back(pair["primaryColumn"]);
      foreignColumns.push_back(pair["foreignColumn"]);
    }
    const json& primary = table(relation["primaryTable"]);
    const json& foreign = table(relation["foreignTable"]);
    if (!primary.contains("rows") || !foreign.contains("rows")) continue;  // not dumped
    std::set<std::string> keys;
    for (const json& row : primary["rows"]) keys.insert(keyOf(primary, row, primaryColumns));
    uint64_t count = 0;
    for (const json& row : foreign["rows"]) {
      const std::string key = keyOf(foreign, row, foreignColumns);
      count += !key.empty() && !keys.count(key);
    }
    if (count) orphans[FromUtf8(relation["name"].get<std::string>())] = count;
  }
  return orphans;
}

class RelationshipRepair : public testing::TestWithParam<fs::path> {};

TEST_P(RelationshipRepair, EveryRelationshipComesBackWithItsAttributesAndFieldPairs) {
  const fs::path source = GetParam();
  std::ifstream in(source.parent_path() / "truth" / (source.filename().string() + ".json"));
  const json truth = json::parse(in);
  ScratchDir scratch;
  const fs::path output = scratch.path() / ("Tarvex_" + source.filename().string());
  const writer::SaveReport report = writer::test::Repair(source, output);
  ASSERT_TRUE(report.saved);
  const auto expected = Expected(truth, report);
  ASSERT_FALSE(expected.empty());

  EXPECT_EQ(ReadByOurScanner(output), expected);
  EXPECT_EQ(report.relationshipOrphanRows, OrphanRowsInTruth(truth));
  for (const auto& skipped : report.relationshipsSkipped)
    ADD_FAILURE() << ToUtf8(skipped.name) << ": " << skipped.reason;
  ExpectForeignKeyPairs(output);
  ExpectNoIndexBeyondTheSource(output, truth, report);
  EXPECT_FALSE(MdbTables(output).empty());
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  EXPECT_EQ(ReadByMdbReader(output), expected);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RelationshipRepair,
                         testing::ValuesIn(FixturesWithRelationships()),
                         [](const auto& info) { return TestNameOf(info.param); });

}  // namespace
}  // namespace tarvex::test
