// Relationships: the ones the engine refuses leave the database as it was;
// an enforced one ties its two tables by a pair of foreign-key indexes that
// name each other, keeps rows that break it, and both readers read it back.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "dao/database_file.h"
#include "dao_test_util.h"
#include "format/unicode.h"
#include "index_tree_reader.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {

using namespace tarvex::test;
namespace {

RelationInfo Relation(std::u16string name, std::u16string table, std::u16string foreignTable,
                      long attributes, std::vector<RelationFieldInfo> fields) {
  return {std::move(name), std::move(table),  std::move(foreignTable),
          attributes,      std::move(fields), {}};
}

void MakeOrdersAndLines(Database& db) {
  TableDef orders(db);
  orders.Create(u"Orders", kDbAttachExclusive);
  orders.CreateField(u"Id", 4, 4, 0);
  orders.CreateField(u"Code", 10, 10, 0);
  IndexInfo key;
  key.name = u"PrimaryKey";
  key.fields = {{u"Id", false}};
  key.primary = true;
  orders.CreateIndex(key);
  orders.Append();
  orders.Close();
  MakeTable(db, u"Lines", {{u"Line", 4, 4}, {u"OrderId", 4, 4}, {u"Code", 10, 10}});
}

const LogicalIndexDefinition* IndexNamed(const TableDefinition& d, std::u16string_view name) {
  for (const auto& l : d.logicalIndexes)
    if (l.name == name) return &l;
  return nullptr;
}

TEST(CreateRelation, RefusesWhatCannotBeRelatedAndChangesNothing) {
  ScratchDir scratch;
  const auto file = scratch.path() / "refused.mdb";
  Database db;
  db.Create(file, kLocale, kDbVersion40);
  MakeOrdersAndLines(db);
  db.CreateRelation(Relation(u"OrdersLines", u"Orders", u"Lines", 0, {{u"Id", u"OrderId"}}));
  const std::vector<std::pair<const char*, RelationInfo>> refused = {
      {"name taken", Relation(u"orderslines", u"Orders", u"Lines", 2, {{u"Id", u"OrderId"}})},
      {"no table", Relation(u"R1", u"Missing", u"Lines", 2, {{u"Id", u"OrderId"}})},
      {"no foreign table", Relation(u"R2", u"Orders", u"Missing", 2, {{u"Id", u"OrderId"}})},
      {"no field", Relation(u"R3", u"Orders", u"Lines", 2, {{u"Nope", u"OrderId"}})},
      {"no foreign field", Relation(u"R4", u"Orders", u"Lines", 2, {{u"Id", u"Nope"}})},
      {"empty pair", Relation(u"R5", u"Orders", u"Lines", 2, {{u"", u""}})},
      {"no pairs", Relation(u"R6", u"Orders", u"Lines", 2, {})},
      {"bad name", Relation(u"R.7", u"Orders", u"Lines", 2, {{u"Id", u"OrderId"}})},
      {"enforced without a unique index",
       Relation(u"R8", u"Orders", u"Lines", 0, {{u"Code", u"Code"}})},
  };
  for (const auto& [label, relation] : refused) {
    SCOPED_TRACE(label);
    EXPECT_THROW(db.CreateRelation(relation), DaoException);
  }
  db.Close();

  const auto rows = MdbExportRows(file, "MSysRelationships");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"OrdersLines", "0", "1", "0", "Lines", "OrderId",
                                               "Orders", "Id"}));
}

TEST(CreateRelation, EnforcedIndexesNameEachOtherAndKeepOrphans) {
  ScratchDir scratch;
  const auto file = scratch.path() / "enforced.mdb";
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    MakeOrdersAndLines(db);
    AddRows(db, u"Orders", {{u"1", u"a"}, {u"2", u"b"}});
    db.CreateRelation(Relation(u"OrdersLines", u"Orders", u"Lines",
                               kDbRelationUpdateCascade | kDbRelationDeleteCascade,
                               {{u"Id", u"OrderId"}}));
    db.CreateRelation(Relation(u"Loose", u"Orders", u"Lines", kDbRelationDontEnforce,
                               {{u"Code", u"Code"}, {u"Id", u"Line"}}));
    db.Close();
    db.Open(file, false, false, "");
    AddRows(db, u"Lines", {{u"1", u"1", u"a"}, {u"2", u"99", u"x"}, {u"3", u"2", u"b"}});
    db.Close();
  }

  auto db = DatabaseFile::OpenExisting(file, false, true);
  const uint32_t ordersPage = *db->FindTable(u"Orders"), linesPage = *db->FindTable(u"Lines");
  const auto& orders = db->Table(ordersPage).definition();
  const auto& lines = db->Table(linesPage).definition();
  const auto* primarySide = IndexNamed(orders, u".rB");
  const auto* foreignSide = IndexNamed(lines, u"OrdersLines");
  ASSERT_TRUE(primarySide && foreignSide && primarySide->relation && foreignSide->relation);
  const format::IndexRelation expectPrimary{format::kPrimarySide, foreignSide->number, linesPage,
                                            format::kCascade, format::kCascade};
  const format::IndexRelation expectForeign{format::kForeignSide, primarySide->number, ordersPage,
                                            format::kCascade, format::kCascade};
  EXPECT_EQ(*primarySide->relation, expectPrimary);
  EXPECT_EQ(*foreignSide->relation, expectForeign);
  EXPECT_EQ(primarySide->realNumber, 0u);  // the primary key's tree
  // Lines had no index on OrderId: the relationship's own tree holds every row, the orphan too.
  ASSERT_EQ(lines.realIndexes.size(), 1u);
  const PageFile pages(file, PageFile::Mode::kReadOnly, false, format::kJet4Layout);
  int depth = 0;
  EXPECT_EQ(TreeEntries(pages, lines.realIndexes[0].rootPage, depth).size(), 3u);

  EXPECT_EQ(MdbExportRows(file, "Lines").size(), 3u);
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  const auto relationships = DumpTable(MdbReaderDump(file, true), "MSysRelationships");
  std::vector<std::string> names;
  for (const auto& row : relationships["rows"]) names.push_back(row.dump());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], R"(["Loose","2","2","0","Lines","Code","Orders","Code"])");
  EXPECT_EQ(names[1], R"(["Loose","2","2","1","Lines","Line","Orders","Id"])");
  EXPECT_EQ(names[2], R"(["OrdersLines","4352","1","0","Lines","OrderId","Orders","Id"])");
}

// An ordinary index kept for a relationship becomes its foreign-key index, keeping its own tree
// where the primary key has the same keys; one over other fields stays as it was.
TEST(CreateRelation, TakesTheIndexKeptForIt) {
  ScratchDir scratch;
  const auto file = scratch.path() / "taken.mdb";
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    MakeOrdersAndLines(db);
    TableDef pairs(db);
    pairs.Create(u"Pairs", kDbAttachExclusive);
    pairs.CreateField(u"OrderId", 4, 4, 0);
    pairs.CreateField(u"Code", 10, 10, 0);
    pairs.CreateIndex({.name = u"PrimaryKey", .fields = {{u"OrderId", false}}, .primary = true});
    pairs.CreateIndex({.name = u"Index_1", .fields = {{u"OrderId", false}}});
    pairs.CreateIndex({.name = u"Index_2", .fields = {{u"Code", false}}});
    pairs.Append();
    pairs.Close();
    RelationInfo taking = Relation(u"OrdersPairs", u"Orders", u"Pairs", 0, {{u"Id", u"OrderId"}});
    taking.foreignIndex = u"index_1";
    db.CreateRelation(taking);
    RelationInfo notOver = Relation(u"OrdersLines", u"Orders", u"Lines", 0, {{u"Id", u"OrderId"}});
    notOver.foreignIndex = u"Index_2";
    db.CreateRelation(notOver);
    db.Close();
  }
  auto db = DatabaseFile::OpenExisting(file, false, true);
  const auto& pairs = db->Table(*db->FindTable(u"Pairs")).definition();
  std::vector<std::string> names;
  for (const auto& l : pairs.logicalIndexes) names.push_back(format::ToUtf8(l.name));
  EXPECT_EQ(names, (std::vector<std::string>{"PrimaryKey", "OrdersPairs", "Index_2"}));
  const auto* taken = IndexNamed(pairs, u"OrdersPairs");
  ASSERT_TRUE(taken && taken->relation);
  EXPECT_EQ(taken->realNumber, 1u);
  EXPECT_EQ(taken->number, 1u);
  EXPECT_EQ(pairs.realIndexes.size(), 3u);
  EXPECT_EQ(db->Table(*db->FindTable(u"Lines")).definition().logicalIndexes.size(), 1u);
  EXPECT_EQ(MdbTables(file).size(), 3u);
}

// An index left out for its text takes the relationship it serves along: both
// foreign-key indexes go, the relationship is marked not enforced, and the
// links of the relationships that stay follow the indexes' new numbers.
TEST(CreateRelation, AnIndexLeftOutTakesItsRelationshipsIndexesAlong) {
  ScratchDir scratch;
  const auto file = scratch.path() / "left_out.mdb";
  std::vector<LeftOutIndex> leftOut;
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    TableDef orders(db);
    orders.Create(u"Orders", kDbAttachExclusive);
    orders.CreateField(u"Id", 4, 4, 0);
    orders.CreateField(u"Code", 10, 10, 0);
    orders.CreateIndex({.name = u"PrimaryKey", .fields = {{u"Id", false}}, .primary = true});
    orders.CreateIndex({.name = u"ByCode", .fields = {{u"Code", false}}, .unique = true});
    orders.Append();
    orders.Close();
    MakeTable(db, u"Lines", {{u"Line", 4, 4}, {u"OrderId", 4, 4}, {u"Code", 10, 10}});
    db.CreateRelation(Relation(u"OrdersLines", u"Orders", u"Lines", 0, {{u"Id", u"OrderId"}}));
    db.CreateRelation(Relation(u"OrdersByCode", u"Orders", u"Lines", 0, {{u"Code", u"Code"}}));
    AddRows(db, u"Orders", {{u"1", u"a"}, {u"2", u"\u0416\u0443\u043A"}});  // beyond Latin-1
    AddRows(db, u"Lines", {{u"1", u"1", u"a"}, {u"2", u"2", u"\u0416\u0443\u043A"}});
    db.Close();
    leftOut = db.IndexesLeftOut();
  }
  const std::vector<std::tuple<std::u16string, std::u16string, bool>> expectLeftOut = {
      {u"Lines", u"OrdersByCode", true}, {u"Orders", u".rD", true}, {u"Orders", u"ByCode", false}};
  std::vector<std::tuple<std::u16string, std::u16string, bool>> left;
  for (const auto& l : leftOut) left.emplace_back(l.table, l.index, l.enforcedRelationship);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, expectLeftOut);

  auto db = DatabaseFile::OpenExisting(file, false, true);
  const uint32_t ordersPage = *db->FindTable(u"Orders"), linesPage = *db->FindTable(u"Lines");
  const auto& orders = db->Table(ordersPage).definition();
  const auto& lines = db->Table(linesPage).definition();
  const std::pair<const TableDefinition*, const TableDefinition*> sides[] = {{&orders, &lines},
                                                                             {&lines, &orders}};
  for (const auto& [table, partner] : sides)
    for (const auto& l : table->logicalIndexes) {
      if (!l.relation) continue;
      SCOPED_TRACE(format::ToUtf8(l.name));
      const auto back =
          std::find_if(partner->logicalIndexes.begin(), partner->logicalIndexes.end(),
                       [&](const auto& p) { return p.number == l.relation->partnerIndex; });
      ASSERT_NE(back, partner->logicalIndexes.end());
      ASSERT_TRUE(back->relation.has_value());
      EXPECT_EQ(back->relation->partnerIndex, l.number);
    }
  EXPECT_TRUE(IndexNamed(orders, u".rC") && IndexNamed(lines, u"OrdersLines"));
  EXPECT_EQ(lines.realIndexes.size(), 1u);  // the tree only the left-out index used is gone

  std::vector<std::vector<std::string>> relationships = MdbExportRows(file, "MSysRelationships");
  std::sort(relationships.begin(), relationships.end());
  ASSERT_EQ(relationships.size(), 2u);
  EXPECT_EQ(relationships[0][0] + " " + relationships[0][1], "OrdersByCode 2");
  EXPECT_EQ(relationships[1][0] + " " + relationships[1][1], "OrdersLines 0");
  EXPECT_EQ(MdbExportRows(file, "Lines").size(), 2u);
}

}  // namespace
}  // namespace tarvex::dao::test
