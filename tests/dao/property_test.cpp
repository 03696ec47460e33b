// Properties of the database, its documents, tables and fields, written in
// both layouts and read back by mdbtools (mdb-prop); what cannot be stored
// is refused with its reason and leaves the rest.
#include <gtest/gtest.h>

#include "dao/dao_test_util.h"
#include "support/both_layouts.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {
namespace {

using tarvex::test::RunCommand;

Property Text(const char16_t* name, const std::u16string& value, bool ddl = false) {
  return {name, 10, ddl, {}, value};
}

// mdb-prop's listing of an object's properties: its own, then each column's under "name: COLUMN".
std::string Prop(const std::filesystem::path& file, const std::string& object) {
  int code = 0;
  return RunCommand("mdb-prop '" + file.string() + "' '" + object + "' 2>/dev/null", code);
}

class Properties : public tarvex::test::LayoutTest {};

TEST_P(Properties, EveryObjectKeepsItsOwnAndRefusesWhatItCannotStore) {
  const bool jet3 = layout().version == format::JetVersion::kJet3;
  tarvex::test::ScratchDir scratch;
  const auto file = scratch.path() / "props.mdb";
  Database db;
  db.Create(file, kLocale, jet3 ? kDbVersion30 : kDbVersion40);
  db.CreateProperty({}, Text(u"AccessVersion", jet3 ? u"07.53" : u"08.50"));
  db.CreateProperty({}, Text(u"Build", u"42"));
  db.CreateProperty(u"SummaryInfo", Text(u"Title", u"Inventaire"));
  TableDef table(db);
  table.Create(u"Stock", kDbAttachExclusive);
  table.CreateField(u"Item", 10, 40, 0);
  table.CreateField(u"Count", 4, 0, 0);
  table.CreateProperty({}, Text(u"Description", u"Bin stock"));
  table.CreateProperty(u"Item", Text(u"Caption", u"Article"));
  table.CreateProperty(u"Count", {u"DecimalPlaces", 2, true, {3}, {}});
  EXPECT_THROW(table.CreateProperty(u"Missing", Text(u"Caption", u"x")), DaoException);
  EXPECT_THROW(table.CreateProperty(u"Item", {u"Odd", 99, false, {1}, {}}), DaoException);
  EXPECT_THROW(table.CreateProperty(u"Item", {u"", 10, false, {}, u"x"}), DaoException);
  if (jet3) {
    EXPECT_THROW(table.CreateProperty({}, Text(u"Note", u"\u03A9")), DaoException);
  }
  table.Append();
  table.Close();
  db.Close();
  // mdbtools lists the database object's properties under the catalogue's MSysDb row.
  const std::string database = Prop(file, "MSysDb");
  EXPECT_NE(database.find("AccessVersion: " + std::string(jet3 ? "07.53" : "08.50")),
            std::string::npos)
      << database;
  EXPECT_NE(database.find("Build: 42"), std::string::npos) << database;
  EXPECT_NE(Prop(file, "SummaryInfo").find("Title: Inventaire"), std::string::npos);
  const std::string stock = Prop(file, "Stock");
  EXPECT_NE(stock.find("Description: Bin stock"), std::string::npos) << stock;
  EXPECT_NE(stock.find("name: Item\n\tCaption: Article"), std::string::npos) << stock;
  EXPECT_NE(stock.find("name: Count\n\tDecimalPlaces: 3"), std::string::npos) << stock;
  EXPECT_EQ(stock.find("Note"), std::string::npos);
}

TEST(Properties, OnlyANewDatabaseTakesDatabaseProperties) {
  tarvex::test::ScratchDir scratch;
  const auto file = scratch.path() / "old.mdb";
  Database db;
  db.Create(file, kLocale, kDbVersion40);
  db.Close();
  db.Open(file, false, false, "");
  EXPECT_THROW(db.CreateProperty({}, Text(u"Build", u"1")), DaoException);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Properties, tarvex::test::BothLayouts(),
                         tarvex::test::LayoutName);

}  // namespace
}  // namespace tarvex::dao::test
