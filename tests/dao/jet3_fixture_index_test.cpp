// Our index keys against the indexes of Access 97 files, read with the format's
// codecs: for every real index of every table of the Jet 3 fixtures (system
// tables included), the key computed from the row each leaf entry leads to
// equals the entry's key, and each key column's stored length is found again.
#include <gtest/gtest.h>

#include <set>

#include "dao/index_key.h"
#include "dao/row_codec.h"
#include "format/data_page.h"
#include "format/header_mask.h"
#include "format/index_key_jet3.h"
#include "format/index_page.h"
#include "format/table_definition.h"
#include "index_tree_reader.h"
#include "support/fixture_pages.h"
#include "support/test_paths.h"

namespace tarvex::dao {
namespace {

using format::Bytes;
using format::JetVersion;
using format::kJet3Layout;
using test::Hex;
using Entry = std::vector<uint8_t>;

std::optional<format::IndexPage> IndexPageAt(const tarvex::test::FixturePages& file,
                                             uint32_t number) {
  if (number == 0 || number >= file.pageCount()) return std::nullopt;
  return format::DecodeIndexPage(file.Page(number), kJet3Layout);
}

// Every leaf entry of the tree at `root`: down the first children, then along the leaves.
std::vector<Entry> LeafEntries(const tarvex::test::FixturePages& file, uint32_t root) {
  auto page = IndexPageAt(file, root);
  for (int depth = 0; page && !page->leaf && depth < 16; ++depth)
    page = IndexPageAt(
        file, page->entries.empty() ? page->tail : format::IndexChildPage(page->entries[0]));
  std::vector<Entry> all;
  for (uint32_t guard = 0; page && page->leaf && guard < file.pageCount(); ++guard) {
    all.insert(all.end(), page->entries.begin(), page->entries.end());
    page = IndexPageAt(file, page->next);
  }
  return all;
}

// The row at `at`, after the pointer of a row that moved.
std::optional<Bytes> RowAt(const tarvex::test::FixturePages& file, format::RowPointer at) {
  for (int hops = 0; hops < 2 && at.page < file.pageCount(); ++hops) {
    const Bytes page = file.Page(at.page);
    const auto slot = format::LocateRow(page, kJet3Layout, at.row);
    if (!slot) return std::nullopt;
    if (!slot->moved) return slot->Of(page);
    const auto moved = format::DecodeMovedRow(slot->Of(page));
    if (!moved) return std::nullopt;
    at = *moved;
  }
  return std::nullopt;
}

// The key of one column as an Access 97 engine writes it; nothing when it
// cannot be made (a text in a sort order without known codes).
std::optional<Entry> KeyColumn(const format::ColumnDefinition& column, std::optional<Bytes> value,
                               bool ascending, uint16_t codePage) {
  Entry key;
  if (column.type != format::TypeCode(format::ColumnType::kText) || !value) {
    AppendKeyColumn(key, column.type, value, ascending);
    return key;
  }
  const auto sortOrder = static_cast<uint16_t>(column.extra);
  const auto columnCodePage = static_cast<uint16_t>(column.extra >> 16);
  const auto text =
      format::Jet3TextKey(*value, sortOrder, columnCodePage ? columnCodePage : codePage, ascending);
  if (!text) return std::nullopt;
  key.push_back(ascending ? format::kKeyAscendingPresent : format::kKeyDescendingPresent);
  key.insert(key.end(), text->begin(), text->end());
  return key;
}

class Jet3FixtureIndexes : public ::testing::TestWithParam<std::string> {};

TEST_P(Jet3FixtureIndexes, OurKeysEqualTheStoredOnes) {
  const auto path = tarvex::test::FixturesDir() / "real" / GetParam();
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "fixture missing";
  const auto file = tarvex::test::ReadFixturePages(path);
  ASSERT_EQ(file.layout, &kJet3Layout);
  const uint16_t codePage = format::HeaderCodePage(file.Page(0)).value_or(0);
  const auto isDefinition = [&](uint32_t number) {
    return format::IsPageOfType(file.Page(number), format::PageType::kTableDefinition);
  };
  std::set<uint32_t> continuations;
  for (uint32_t number = 0; number < file.pageCount(); ++number)
    if (isDefinition(number))
      continuations.insert(
          *format::CDataReader::U32(file.Page(number), kJet3Layout.tableDefNextPageOffset));
  size_t compared = 0;
  format::RowDecoder decoder;
  for (uint32_t number = 1; number < file.pageCount(); ++number) {
    if (!isDefinition(number) || continuations.contains(number)) continue;
    const auto stream =
        format::ReadDefinitionStream(number, kJet3Layout, [&](uint32_t n, auto page) {
          if (n >= file.pageCount()) return false;
          std::ranges::copy(file.Page(n), page.begin());
          return true;
        });
    const auto table = format::DecodeTableDefinition(stream.bytes, kJet3Layout).definition;
    const auto places = RowColumns(table);
    const format::RowShape shape{table.maxColumns, table.VariableColumnCount() > 0};
    for (const auto& real : table.realIndexes) {
      SCOPED_TRACE("table at page " + std::to_string(number) + ", index with root " +
                   std::to_string(real.rootPage));
      for (const Entry& entry : LeafEntries(file, real.rootPage)) {
        const auto row = RowAt(file, format::IndexEntryRow(entry));
        ASSERT_TRUE(row);
        ASSERT_EQ(decoder.Decode(*row, kJet3Layout, shape), format::RowProblem::kNone);
        const Bytes stored = Bytes(entry).first(entry.size() - format::kIndexRowPointerSize);
        Entry ours;
        for (const auto& key : real.keys) {
          const auto column =
              std::ranges::find(table.columns, key.columnNumber, &format::ColumnDefinition::number);
          ASSERT_NE(column, table.columns.end());
          const auto& place = places[static_cast<size_t>(column - table.columns.begin())];
          std::optional<Bytes> value = decoder.Value(place);
          if (place.boolean && decoder.HasValue(place.number)) value = Bytes{};
          const auto part = KeyColumn(*column, value, key.ascending, codePage);
          ASSERT_TRUE(part);
          ASSERT_LE(ours.size(), stored.size());
          const auto length = format::KeyColumnLength(stored.subspan(ours.size()), column->type,
                                                      key.ascending, JetVersion::kJet3);
          EXPECT_EQ(length, part->size()) << "stored " << Hex(stored);
          ours.insert(ours.end(), part->begin(), part->end());
        }
        EXPECT_EQ(Hex(ours), Hex(stored)) << "row " << Hex(*row);
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 0u);
}

INSTANTIATE_TEST_SUITE_P(Jet3, Jet3FixtureIndexes,
                         ::testing::Values("jet3_index_codes.mdb", "jet3_gbk_text.mdb",
                                           "jet3_deleted_column.mdb", "jet3_index_rel.mdb",
                                           "jet3_northwind97.mdb", "jet3_nwind_vb6.mdb",
                                           "jet3_ole_memo.mdb", "jet3_overflow_rows.mdb",
                                           "jet3_query_kinds.mdb", "jet3_types.mdb"),
                         [](const auto& info) {
                           return info.param.substr(5, info.param.size() - 9);
                         });

}  // namespace
}  // namespace tarvex::dao
