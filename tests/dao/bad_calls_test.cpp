// Calls the engine refuses: each throws DaoException, changes nothing, and
// the database still reads back whole afterwards.
#include <gtest/gtest.h>

#include <functional>

#include "dao_test_util.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {

using namespace tarvex::test;
namespace {

struct BadCall {
  const char* label;
  std::function<void(Database&)> call;
};

void WithTableDef(Database& db, const std::function<void(TableDef&)>& steps) {
  TableDef table(db);
  table.Create(u"Fresh", kDbAttachExclusive);
  steps(table);
}

void WithRecordset(Database& db, const std::function<void(Recordset&)>& steps) {
  Recordset rs(db);
  rs.Open(-1, u"SELECT * FROM [Good]", 0);
  steps(rs);
}

FieldInfo Decimal(int precision, int scale) {
  FieldInfo info;
  info.name.assign(1, u'X');
  info.type = 16;
  info.precision = precision;
  info.scale = scale;
  return info;
}

const std::vector<BadCall> kBadCalls = {
    {"unknown field type",
     [](Database& db) { WithTableDef(db, [](TableDef& t) { t.CreateField(u"X", 13, 0, 0); }); }},
    {"decimal precision 29",
     [](Database& db) { WithTableDef(db, [](TableDef& t) { t.CreateField(Decimal(29, 0)); }); }},
    {"decimal scale above its precision",
     [](Database& db) { WithTableDef(db, [](TableDef& t) { t.CreateField(Decimal(5, 6)); }); }},
    {"duplicate field",
     [](Database& db) {
       WithTableDef(db, [](TableDef& t) {
         t.CreateField(u"Same", 4, 4, 0);
         t.CreateField(u"SAME", 10, 5, 0);
       });
     }},
    {"text size 256",
     [](Database& db) { WithTableDef(db, [](TableDef& t) { t.CreateField(u"X", 10, 256, 0); }); }},
    {"field name with a dot",
     [](Database& db) { WithTableDef(db, [](TableDef& t) { t.CreateField(u"a.b", 4, 4, 0); }); }},
    {"field name of 65 characters",
     [](Database& db) {
       WithTableDef(db, [](TableDef& t) { t.CreateField(std::u16string(65, u'f'), 4, 4, 0); });
     }},
    {"auto-increment text",
     [](Database& db) {
       WithTableDef(db, [](TableDef& t) { t.CreateField(u"X", 10, 5, kDbAutoIncrField); });
     }},
    {"append without fields",
     [](Database& db) { WithTableDef(db, [](TableDef& t) { t.Append(); }); }},
    {"index",
     [](Database& db) {
       WithTableDef(db, [](TableDef& t) {
         t.CreateIndex({u"PrimaryKey", {{u"X", false}}, true, true});
       });
     }},
    {"table name in use", [](Database& db) { TableDef(db).Create(u"good", 0); }},
    {"table name with brackets", [](Database& db) { TableDef(db).Create(u"[x]", 0); }},
    {"table name with leading blank", [](Database& db) { TableDef(db).Create(u" x", 0); }},
    {"table name with control character", [](Database& db) { TableDef(db).Create(u"a\tb", 0); }},
    {"table name with accent grave", [](Database& db) { TableDef(db).Create(u"a`b", 0); }},
    {"empty table name", [](Database& db) { TableDef(db).Create(u"", 0); }},
    {"field before create", [](Database& db) { TableDef(db).CreateField(u"X", 4, 4, 0); }},
    {"other SQL", [](Database& db) { Recordset(db).Open(-1, u"SELECT Name FROM [Good]", 0); }},
    {"missing table", [](Database& db) { Recordset(db).Open(-1, u"SELECT * FROM [Nowhere]", 0); }},
    {"update without AddNew",
     [](Database& db) { WithRecordset(db, [](Recordset& rs) { rs.Update(); }); }},
    {"value without AddNew",
     [](Database& db) { WithRecordset(db, [](Recordset& rs) { rs.SetFieldValue(0, u"1"); }); }},
    {"field past the last",
     [](Database& db) {
       WithRecordset(db, [](Recordset& rs) {
         rs.AddNew();
         rs.SetFieldValue(3, u"1");
       });
     }},
    {"negative field index",
     [](Database& db) {
       WithRecordset(db, [](Recordset& rs) {
         rs.AddNew();
         rs.SetFieldValue(-1, u"1");
       });
     }},
    {"text too long",
     [](Database& db) {
       WithRecordset(db, [](Recordset& rs) {
         rs.AddNew();
         rs.SetFieldValue(1, u"123456");
       });
     }},
    {"integer out of range",
     [](Database& db) {
       WithRecordset(db, [](Recordset& rs) {
         rs.AddNew();
         rs.SetFieldValue(2, u"40000");
       });
     }},
    {"not a number",
     [](Database& db) {
       WithRecordset(db, [](Recordset& rs) {
         rs.AddNew();
         rs.SetFieldValue(0, u"twelve");
       });
     }},
    {"bytes into a number",
     [](Database& db) {
       WithRecordset(db, [](Recordset& rs) {
         rs.AddNew();
         std::vector<uint8_t> bytes{1, 2};
         rs.SetFieldValue(0, std::span<const uint8_t>(bytes));
       });
     }},
    {"add to a closed recordset", [](Database& db) { Recordset(db).AddNew(); }},
    {"add to the catalogue",
     [](Database& db) {
       Recordset rs(db);
       rs.Open(-1, u"SELECT * FROM MSysObjects", 0);
       rs.AddNew();
     }},
};

TEST(BadCalls, ThrowAndLeaveTheDatabaseWhole) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "bad.mdb";
  Database db;
  db.Create(file, kLocale, kDbVersion40);
  MakeTable(db, u"Good", {{u"Id", 4, 4}, {u"Code", 10, 5}, {u"Small", 3, 2}});
  for (const auto& bad : kBadCalls) {
    SCOPED_TRACE(bad.label);
    EXPECT_THROW(bad.call(db), DaoException);
    AddRows(db, u"Good", {{u"1", u"abcde", u"7"}});
  }
  db.Close();

  EXPECT_EQ(MdbTables(file), std::vector<std::string>{"Good"});
  auto rows = MdbExportRows(file, "Good");
  ASSERT_EQ(rows.size(), kBadCalls.size());
  for (const auto& row : rows) EXPECT_EQ(row, (std::vector<std::string>{"1", "abcde", "7"}));
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  EXPECT_EQ(DumpTable(MdbReaderDump(file), "Good")["rows"].size(), kBadCalls.size());
}

TEST(BadCalls, ARecordsetDiesWithItsDatabase) {
  tarvex::test::ScratchDir scratch;
  Database db;
  db.Create(scratch.path() / "closed.mdb", kLocale, kDbVersion40);
  MakeTable(db, u"T", {{u"A", 4, 4}});
  Recordset rs(db);
  rs.Open(-1, u"SELECT * FROM [T]", 0);
  db.Close();
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_THROW(rs.AddNew(), DaoException);
  db.Open(scratch.path() / "closed.mdb", false, false, "");
  EXPECT_THROW(rs.AddNew(), DaoException);
  rs.Open(-1, u"SELECT * FROM [T]", 0);
  rs.AddNew();
  rs.Update();
  db.Close();
  EXPECT_EQ(MdbExportRows(scratch.path() / "closed.mdb", "T").size(), 1u);
}

TEST(BadCalls, ARefusedValueLeavesTheFieldAsItWas) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "keep.mdb";
  Database db;
  db.Create(file, kLocale, kDbVersion40);
  MakeTable(db, u"T", {{u"Small", 3, 2}, {u"Name", 10, 3}});
  Recordset rs(db);
  rs.Open(-1, u"SELECT * FROM [T]", 0);
  rs.AddNew();
  rs.SetFieldValue(0, u"12");
  EXPECT_THROW(rs.SetFieldValue(0, u"99999"), DaoException);
  EXPECT_THROW(rs.SetFieldValue(1, u"four"), DaoException);
  rs.Update();
  rs.Close();
  db.Close();
  auto rows = MdbExportRows(file, "T");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"12", ""}));
}

}  // namespace
}  // namespace tarvex::dao::test
