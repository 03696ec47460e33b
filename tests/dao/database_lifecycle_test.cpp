// Creating, reopening and extending databases: what the readers see after
// each step, for our own files and for the Jet 4 fixtures.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "dao/database_file.h"
#include "dao_test_util.h"
#include "format/unicode.h"
#include "index_tree_reader.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {

using namespace tarvex::test;
namespace {

using Rows = std::vector<std::vector<std::optional<std::u16string>>>;

const std::vector<FieldSpec> kMixedFields = {{u"Id", 4, 4, kDbAutoIncrField | kDbFixedField},
                                             {u"Name", 10, 40},
                                             {u"When", 8, 8},
                                             {u"Done", 1, 1},
                                             {u"Notes", 12, 0}};

Rows MixedRows(int first, int count) {
  Rows rows;
  for (int i = first; i < first + count; ++i)
    rows.push_back({std::nullopt, format::FromUtf8("name " + std::to_string(i)),
                    u"03/04/2021 05:06:07 AM", i % 2 ? u"True" : u"False",
                    std::u16string(static_cast<size_t>(i % 5) * 900, u'm')});
  return rows;
}

TEST(Create, EmptyDatabaseHoldsTheSystemCatalogue) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "empty.mdb";
  Database db;
  db.Create(file, kLocale, kDbVersion40);
  db.Close();
  int code = 0;
  EXPECT_EQ(RunCommand("mdb-ver '" + file.string() + "'", code), "JET4\n");
  EXPECT_TRUE(MdbTables(file).empty());
  EXPECT_EQ(std::filesystem::file_size(file) % 4096, 0u);
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  auto dump = MdbReaderDump(file, true);
  auto objects = DumpTable(dump, "MSysObjects");
  std::vector<std::string> names;
  for (const auto& row : objects["rows"]) names.push_back(row[2]);
  // The database object is written last, when its properties are settled.
  EXPECT_EQ(names, (std::vector<std::string>{"Tables", "Databases", "Relationships", "MSysObjects",
                                             "MSysACEs", "MSysQueries", "MSysRelationships",
                                             "MSysDb"}));
  EXPECT_EQ(DumpTable(dump, "MSysACEs")["rows"].size(), 16u);
  EXPECT_EQ(DumpTable(dump, "MSysQueries")["columns"].size(), 8u);
  EXPECT_EQ(DumpTable(dump, "MSysRelationships")["columns"].size(), 8u);
}

TEST(Create, RefusesWhatItCannotMake) {
  tarvex::test::ScratchDir scratch;
  Database db;
  EXPECT_THROW(db.Create(scratch.path() / "both.mdb", kLocale, kDbVersion30 | kDbVersion40),
               DaoException);
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "both.mdb"));
  EXPECT_THROW(db.Create(scratch.path() / "x.mdb", ";CP=abc", kDbVersion40), DaoException);
  std::ofstream(scratch.path() / "taken.mdb") << "x";
  EXPECT_THROW(db.Create(scratch.path() / "taken.mdb", kLocale, kDbVersion40), DaoException);
  EXPECT_THROW(db.Open(scratch.path() / "missing.mdb", false, false, ""), DaoException);
  EXPECT_THROW(db.Open(scratch.path() / "taken.mdb", false, false, ""), DaoException);
  EXPECT_FALSE(db.IsOpen());
}

TEST(Reopen, AddsTablesAndRowsToAClosedDatabase) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "reopen.mdb";
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    MakeTable(db, u"First", kMixedFields);
    AddRows(db, u"First", MixedRows(0, 300));
    db.Close();
  }
  {
    Database db;
    db.Open(file, false, false, "");
    EXPECT_EQ(db.TableNames(), std::vector<std::u16string>{u"First"});
    MakeTable(db, u"Second \u00E9t\u00E9 \u0416", kMixedFields);
    AddRows(db, u"Second \u00E9t\u00E9 \u0416", MixedRows(0, 10));
    AddRows(db, u"First", MixedRows(300, 200));
    db.Close();
  }
  const std::string second = "Second \u00E9t\u00E9 \u0416";
  EXPECT_EQ(MdbTables(file), (std::vector<std::string>{"First", second}));
  auto first = MdbExportRows(file, "First");
  ASSERT_EQ(first.size(), 500u);
  EXPECT_EQ(first[499][0], "500");  // the auto-increment counter went on after reopening
  EXPECT_EQ(first[499][1], "name 499");
  EXPECT_EQ(MdbExportRows(file, second).size(), 10u);
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  auto dump = MdbReaderDump(file);
  EXPECT_EQ(DumpTable(dump, "First")["rowCount"], 500);
  EXPECT_EQ(DumpTable(dump, "First")["rows"][450][4], std::string(450 % 5 * 900, 'm'));
  EXPECT_EQ(DumpTable(dump, second)["rows"].size(), 10u);
}

TEST(AutoIncrement, TakesAnExplicitValueOrTheNextNumber) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "auto.mdb";
  Database db;
  db.Create(file, kLocale, kDbVersion40);
  MakeTable(db, u"T", {{u"Id", 4, 4, kDbAutoIncrField}, {u"Name", 10, 10}});
  AddRows(db, u"T",
          {{std::nullopt, u"a"},
           {u"100", u"b"},
           {std::nullopt, u"c"},
           {u"7", u"d"},
           {std::nullopt, u"e"}});
  db.Close();
  std::vector<std::string> ids;
  for (const auto& row : MdbExportRows(file, "T")) ids.push_back(row[0]);
  EXPECT_EQ(ids, (std::vector<std::string>{"1", "100", "101", "7", "102"}));
}

class SyntheticFixture : public ::testing::TestWithParam<std::string> {};

TEST_P(SyntheticFixture, GainsATableAndKeepsEveryOldRow) {
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  auto source = tarvex::test::FixturesDir() / "synthetic" / GetParam();
  if (!std::filesystem::exists(source)) GTEST_SKIP() << "fixture missing";
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / GetParam();
  std::filesystem::copy_file(source, file);
  std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  auto before = MdbReaderDump(file);
  {
    Database db;
    db.Open(file, false, false, "");
    MakeTable(db, u"Added", kMixedFields);
    AddRows(db, u"Added", MixedRows(0, 1000));
    db.Close();
  }
  auto after = MdbReaderDump(file);
  for (const auto& table : before["tables"]) {
    SCOPED_TRACE(table["name"].get<std::string>());
    EXPECT_EQ(DumpTable(after, table["name"]), table);
  }
  auto added = DumpTable(after, "Added");
  ASSERT_FALSE(added.is_null());
  EXPECT_EQ(added["rows"].size(), 1000u);
  EXPECT_EQ(added["rows"][999][1], "name 999");
  EXPECT_EQ(MdbExportRows(file, "Added").size(), 1000u);
  auto tables = MdbTables(file);
  EXPECT_EQ(tables.size(), before["tables"].size() + 1);
}

// Rows added to a fixture table that has indexes (a primary key over 50,000
// rows and a text index): the rebuilt trees hold exactly the table's keys.
TEST(SyntheticFixtureRows, AddedRowsJoinTheIndexes) {
  auto source = tarvex::test::FixturesDir() / "synthetic" / "synthetic-V2000.mdb";
  if (!std::filesystem::exists(source)) GTEST_SKIP() << "fixture missing";
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "rows.mdb";
  std::filesystem::copy_file(source, file);
  std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  size_t before = MdbExportRows(file, "BigTable").size();
  {
    Database db;
    db.Open(file, false, false, "");
    Rows rows;
    for (int i = 0; i < 300; ++i)
      rows.push_back({format::FromUtf8(std::to_string(900000 + i)),
                      format::FromUtf8(std::to_string(i)),
                      format::FromUtf8("added " + std::to_string(i))});
    AddRows(db, u"BigTable", rows);
    db.Close();
  }
  auto after = MdbExportRows(file, "BigTable");
  ASSERT_EQ(after.size(), before + 300);
  EXPECT_EQ(after.back()[2], "added 299");
  auto db = DatabaseFile::OpenExisting(file, false, true);
  PageFile pages(file, PageFile::Mode::kReadOnly, false, format::kJet4Layout);
  TableStore& table = db->Table(*db->FindTable(u"BigTable"));
  EXPECT_EQ(table.definition().rowCount, before + 300);
  for (const auto& real : table.definition().realIndexes) {
    auto ours = table.CollectIndexEntries(real);
    EXPECT_EQ(ours.size(), before + 300);
    ours.Sort();
    int depth = 0;
    auto stored = TreeEntries(pages, real.rootPage, depth);
    ASSERT_EQ(stored.size(), ours.size());
    for (size_t i = 0; i < ours.size(); ++i)
      ASSERT_TRUE(std::ranges::equal(stored[i], ours[i])) << "entry " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Jet4, SyntheticFixture,
                         ::testing::Values("synthetic-V2000.mdb", "synthetic-V2003.mdb",
                                           "empty-V2000.mdb", "empty-V2003.mdb"));

}  // namespace
}  // namespace tarvex::dao::test
