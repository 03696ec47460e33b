// Structures that outgrow one page: definitions on continuation pages,
// catalogue indexes with node pages, usage maps by reference.
#include <gtest/gtest.h>

#include <algorithm>

#include "dao/database_file.h"
#include "dao/system_tables.h"
#include "dao_test_util.h"
#include "format/data_reader.h"
#include "format/unicode.h"
#include "index_tree_reader.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {

using namespace tarvex::test;
namespace {

using format::CDataReader;

TEST(LargeStructures, WideTableDefinitionSpansPages) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "wide.mdb";
  std::vector<FieldSpec> fields;
  for (int i = 0; i < 255; ++i)
    fields.push_back(
        {format::FromUtf8("Field number " + std::to_string(i) + " with a long descriptive name"),
         i % 3 == 0 ? 10 : 4, i % 3 == 0 ? 1 : 4});
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    MakeTable(db, u"Wide", fields);
    std::vector<std::optional<std::u16string>> row;
    for (int i = 0; i < 255; ++i)
      row.push_back(format::FromUtf8(i % 3 == 0 ? "w" : std::to_string(i)));
    AddRows(db, u"Wide", {row, row});
    db.Close();
  }
  auto rows = MdbExportRows(file, "Wide");
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(rows[1].size(), 255u);
  EXPECT_EQ(rows[1][254], "254");
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  auto table = DumpTable(MdbReaderDump(file), "Wide");
  ASSERT_EQ(table["columns"].size(), 255u);
  EXPECT_EQ(table["columns"][254]["name"], "Field number 254 with a long descriptive name");
  EXPECT_EQ(table["rows"][0][3], "w");
}

TEST(LargeStructures, CatalogueIndexGrowsIntoATree) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "many.mdb";
  constexpr int kTables = 400;
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    for (int i = 0; i < kTables; ++i)
      MakeTable(db, format::FromUtf8("Table with a rather long name number " + std::to_string(i)),
                {{u"A", 4, 4}});
    db.Close();
  }
  EXPECT_EQ(MdbTables(file).size(), static_cast<size_t>(kTables));
  auto db = DatabaseFile::OpenExisting(file, false, true);
  PageFile pages(file, PageFile::Mode::kReadOnly, false, format::kJet4Layout);
  TableStore& objects = db->Table(kObjectsPage);
  for (const auto& real : objects.definition().realIndexes) {
    auto ours = objects.CollectIndexEntries(real);
    ours.Sort();
    std::vector<std::vector<uint8_t>> expected;
    for (size_t i = 0; i < ours.size(); ++i) expected.emplace_back(ours[i].begin(), ours[i].end());
    int depth = 0;
    EXPECT_EQ(TreeEntries(pages, real.rootPage, depth), expected);
    if (real.keys.size() == 2) {
      EXPECT_EQ(depth, 2);  // (ParentId, Name) needs leaves under a node page
    }
  }
}

TEST(LargeStructures, TablesOfManyPagesUseReferenceMaps) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "big.mdb";
  constexpr size_t kRows = 2600;  // four rows a page: more pages than one inline map holds
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    MakeTable(db, u"Big", {{u"N", 4, 4}, {u"Pad", 10, 255}, {u"Pad2", 10, 255}});
    Recordset rs(db);
    rs.Open(-1, u"SELECT * FROM [Big]", 0);
    std::u16string pad(255, u'\u0101');  // not compressible: 510 bytes each
    for (size_t i = 0; i < kRows; ++i) {
      rs.AddNew();
      rs.SetFieldValue(0, format::FromUtf8(std::to_string(i)));
      rs.SetFieldValue(1, pad);
      rs.SetFieldValue(2, pad);
      rs.Update();
    }
    rs.Close();
    db.Close();
  }
  EXPECT_GT(std::filesystem::file_size(file) / 4096, 600u);
  auto rows = MdbExportRows(file, "Big");
  ASSERT_EQ(rows.size(), kRows);
  EXPECT_EQ(rows.back()[0], std::to_string(kRows - 1));
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  EXPECT_EQ(DumpTable(MdbReaderDump(file), "Big")["rows"].size(), kRows);
}

TEST(LargeStructures, FieldPropertiesAreKeptInTheCatalogue) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "props.mdb";
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    TableDef table(db);
    table.Create(u"Props", kDbAttachExclusive);
    FieldInfo guid;
    guid.name = u"Key";
    guid.type = 15;
    guid.size = 16;
    guid.attributes = kDbSystemField;
    guid.defaultValue = u"GenGUID()";
    table.CreateField(guid);
    FieldInfo amount;
    amount.name = u"Amount";
    amount.type = 5;
    amount.defaultValue = u"0";
    table.CreateField(amount);
    table.Append();
    AddRows(db, u"Props", {{std::nullopt, u"12.5"}});
    db.Close();
  }
  int code = 0;
  std::string props = RunCommand("mdb-prop '" + file.string() + "' Props 2>&1", code);
  EXPECT_NE(props.find("DefaultValue: GenGUID()"), std::string::npos) << props;
  EXPECT_NE(props.find("DefaultValue: 0"), std::string::npos) << props;
  auto rows = MdbExportRows(file, "Props");
  ASSERT_EQ(rows.size(), 1u);
  // A GUID was generated for the GenGUID() field (mdbtools prints it with one dash fewer).
  EXPECT_EQ(rows[0][0].front(), '{');
  EXPECT_GE(rows[0][0].size(), 37u);
}

}  // namespace
}  // namespace tarvex::dao::test
