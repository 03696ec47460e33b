// Access 97 (Jet 3) databases: a new one is what Access 97 makes, and tables,
// rows and long values written into it read back through both readers.
#include <gtest/gtest.h>

#include <fstream>

#include "dao/database_file.h"
#include "dao_test_util.h"
#include "format/unicode.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {

using namespace tarvex::test;
namespace {

std::vector<uint8_t> FirstBytes(const std::filesystem::path& file, size_t count) {
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bytes(count);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  return bytes;
}

// The name, type and size of each column of the Jet system tables, as mdb-reader reads them.
std::vector<std::string> SystemColumns(const std::filesystem::path& file) {
  const auto dump = MdbReaderDump(file, true);
  std::vector<std::string> columns;
  for (const char* name : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}) {
    const auto table = DumpTable(dump, name);
    for (const auto& column : table["columns"])
      columns.push_back(std::string(name) + "." + column["name"].get<std::string>() + " " +
                        column["type"].get<std::string>() + " " + column["size"].dump());
  }
  return columns;
}

TEST(Jet3, EmptyDatabaseIsAnAccess97One) {
  ScratchDir scratch;
  const auto file = scratch.path() / "empty97.mdb";
  Database db;
  db.Create(file, kLocale, kDbVersion30);
  db.Close();
  const auto reference = FixturesDir() / "real" / "jet3_types.mdb";
  int code = 0;
  EXPECT_EQ(RunCommand("mdb-ver '" + file.string() + "'", code), "JET3\n");
  EXPECT_TRUE(MdbTables(file).empty());
  EXPECT_EQ(std::filesystem::file_size(file) % 2048, 0u);
  // The header page as Access 97 writes it, but for the first pairs of its
  // tail block, which differ from file to file.
  auto ours = FirstBytes(file, 2048), theirs = FirstBytes(reference, 2048);
  constexpr size_t kTailPairs = 2048 - 512;
  EXPECT_TRUE(std::equal(ours.begin(), ours.begin() + kTailPairs, theirs.begin()));
  EXPECT_TRUE(
      std::equal(ours.begin() + kTailPairs + 4, ours.end(), theirs.begin() + kTailPairs + 4));
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  EXPECT_EQ(SystemColumns(file), SystemColumns(reference));
}

TEST(Jet3, TablesRowsAndLongValuesReadBack) {
  ScratchDir scratch;
  const auto file = scratch.path() / "rows97.mdb";
  const std::u16string memo(5000, u'm');
  {
    Database db;
    db.Create(file, kLocale, kDbVersion30);
    MakeTable(db, u"Tabelle ä",
              {{u"Id", 4, 4, kDbAutoIncrField | kDbFixedField},
               {u"Name", 10, 20},
               {u"When", 8, 8},
               {u"Done", 1, 1},
               {u"Notes", 12, 0},
               {u"Blob", 11, 0}});
    AddRows(db, u"Tabelle ä",
            {{std::nullopt, u"Grüße €", u"03/04/2021 05:06:07 AM", u"True", memo, u"0102"},
             {std::nullopt, u"", std::nullopt, u"False", u"short", std::nullopt}});
    // Text the code page has no code for is refused, value by value, saying why.
    Recordset rs(db);
    rs.Open(-1, u"SELECT * FROM [Tabelle ä]", 0);
    rs.AddNew();
    try {
      rs.SetFieldValue(1, u"Жук");
      ADD_FAILURE() << "text outside code page 1252 was stored";
    } catch (const DaoException& error) {
      EXPECT_NE(std::string(error.what()).find("U+0416"), std::string::npos) << error.what();
    }
    EXPECT_THROW(rs.SetFieldValue(1, std::u16string(21, u'x')), DaoException);
    rs.Close();
    TableDef decimal(db);
    decimal.Create(u"D", kDbAttachExclusive);
    EXPECT_THROW(decimal.CreateField(u"Amount", 16, 17, 0), DaoException);
    db.Close();
  }
  {
    Database db;  // reopened and extended
    db.Open(file, false, false, "");
    AddRows(db, u"Tabelle ä", {{std::nullopt, u"third", std::nullopt, u"True", memo, u"FF"}});
    db.Close();
  }
  const auto rows = MdbExportTable(file, "Tabelle ä");
  EXPECT_EQ(rows.columns,
            (std::vector<std::string>{"Id", "Name", "When", "Done", "Notes", "Blob"}));
  ASSERT_EQ(rows.rows.size(), 3u);
  EXPECT_EQ(rows.rows[0][1], "Grüße €");
  EXPECT_EQ(rows.rows[0][4], format::ToUtf8(memo));
  EXPECT_EQ(rows.rows[2][0], "3");
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  const auto table = DumpTable(MdbReaderDump(file), "Tabelle ä");
  ASSERT_EQ(table["rows"].size(), 3u);
  EXPECT_EQ(table["rows"][0][1], "Grüße €");
  EXPECT_EQ(table["rows"][0][4], format::ToUtf8(memo));
  EXPECT_EQ(table["rows"][2][4], format::ToUtf8(memo));
}

// Double-byte code pages measure a field's size in bytes, as Jet 3 stores it.
TEST(Jet3, TextInADoubleByteCodePage) {
  ScratchDir scratch;
  const auto file = scratch.path() / "gbk97.mdb";
  {
    Database db;
    db.Create(file, ";LANGID=0x0804;CP=936;COUNTRY=0", kDbVersion30);
    MakeTable(db, u"表一", {{u"名字", 10, 8}, {u"备注", 12, 0}});
    AddRows(db, u"表一", {{u"中文测试", u"长文本中文"}});
    EXPECT_THROW(AddRows(db, u"表一", {{u"中文测试中"}}), DaoException);
    db.Close();
  }
  const auto rows = MdbExportTable(file, "表一");
  EXPECT_EQ(rows.columns, (std::vector<std::string>{"名字", "备注"}));
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.rows[0], (std::vector<std::string>{"中文测试", "长文本中文"}));
}

TEST(Jet3, AnAccess97FileTakesNewTables) {
  ScratchDir scratch;
  const auto source = FixturesDir() / "real" / "jet3_northwind97.mdb";
  const auto file = scratch.path() / "northwind97.mdb";
  std::filesystem::copy_file(source, file);
  {
    Database db;
    db.Open(file, false, false, "");
    MakeTable(db, u"Umsätze 2", {{u"Kunde", 10, 40}, {u"Betrag", 5, 8}});
    AddRows(db, u"Umsätze 2", {{u"Königin Straße", u"12.5"}, {u"Ørsted", u"7"}});
    db.Close();
  }
  const auto tables = MdbTables(file);
  EXPECT_EQ(tables.size(), MdbTables(source).size() + 1);
  for (const auto& table : MdbTables(source))
    EXPECT_EQ(MdbExportRows(file, table), MdbExportRows(source, table)) << table;
  const auto rows = MdbExportRows(file, "Umsätze 2");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "Königin Straße");
}

}  // namespace
}  // namespace tarvex::dao::test
