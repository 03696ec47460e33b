// Every data page of every fixture through the format's data-page and row codecs.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "engine/row_values.h"
#include "format/data_page.h"
#include "format/row.h"
#include "support/fixture_tables.h"
#include "support/test_paths.h"

namespace tarvex::engine {
namespace {

using format::RowColumn;
using format::RowDecoder;

// The fixed area a table's rows are written with: up to the end of its last fixed column.
size_t FixedAreaLength(const std::vector<RowColumn>& columns) {
  size_t end = 0;
  for (const auto& c : columns)
    if (!c.variable && !c.boolean) end = std::max<size_t>(end, size_t{c.fixedOffset} + c.length);
  return end;
}

std::vector<format::StoredValue> Values(const RowDecoder& row,
                                        const std::vector<RowColumn>& columns) {
  std::vector<format::StoredValue> values;
  for (const auto& c : columns) {
    const auto value = row.Value(c);
    if (c.boolean && row.HasValue(c.number)) {
      values.emplace_back(std::vector<uint8_t>{});
    } else if (value) {
      values.emplace_back(std::vector<uint8_t>(value->begin(), value->end()));
    } else {
      values.emplace_back();
    }
  }
  return values;
}

// Every row of every data page is located; every live row of a table decodes,
// and encoded again from its values decodes to the same values and, where the
// row is canonical, to the same bytes. Access leaves two things a re-encoding
// cannot give back: bytes under null fixed columns ("fixed area"), and the
// values and null-mask bits of columns deleted from the definition since the
// row was written ("columns no longer defined").
TEST(RowCodecFixtures, EveryRowIsLocatedAndCanonicalRowsReencodeTheSame) {
  std::map<std::string, size_t> counts;
  RowDecoder decoder, again;
  for (const auto& fixture : test::FixturesWithTruth()) {
    SCOPED_TRACE(fixture.file.filename().string());
    const auto tables = test::ReadFixtureTables(fixture.file);
    const format::JetLayout& layout = *tables.layout;
    for (uint32_t number = 1; number < tables.pageCount(); ++number) {
      const format::Bytes page = tables.Page(number);
      const auto header = format::DecodeDataPageHeader(page, layout);
      if (!header) continue;
      const auto owner = tables.tables.find(header->owner);
      format::RowSlotWalker rows(page, layout);
      for (uint32_t n = 0; n < rows.count(); ++n) {
        const format::RowSlot slot = rows.Next();
        ASSERT_TRUE(slot.located) << "page " << number << " row " << n;
        if (slot.deleted || slot.moved || owner == tables.tables.end()) continue;
        const format::Bytes row = slot.Of(page);
        const auto shape = RowShapeOf(*owner->second);
        ASSERT_EQ(decoder.Decode(row, layout, shape), format::RowProblem::kNone)
            << "page " << number;
        std::vector<RowColumn> columns;
        for (const auto& column : owner->second->columnList)
          columns.push_back(RowColumnOf(column.colInfo, layout));
        const auto values = Values(decoder, columns);
        format::RowEncoder encoder(layout, columns, decoder.columnCount(), FixedAreaLength(columns),
                                   static_cast<uint16_t>(decoder.variableCount()));
        const format::Bytes encoded = encoder.Encode(values);
        ASSERT_EQ(again.Decode(encoded, layout, shape), format::RowProblem::kNone);
        EXPECT_EQ(Values(again, columns), values) << "page " << number << " row " << n;
        const size_t fixedEnd = layout.rowColumnCountSize + FixedAreaLength(columns);
        if (std::equal(encoded.begin(), encoded.end(), row.begin(), row.end())) {
          ++counts["canonical"];
        } else if (encoded.size() == row.size() &&
                   std::equal(encoded.begin() + fixedEnd, encoded.end(),
                              row.begin() + static_cast<std::ptrdiff_t>(fixedEnd))) {
          ++counts["fixed area"];
        } else {
          ++counts["columns no longer defined"];
        }
      }
    }
  }
  const size_t decoded =
      counts["canonical"] + counts["fixed area"] + counts["columns no longer defined"];
  EXPECT_GT(counts["canonical"], decoded * 98 / 100);
  RecordProperty("canonical", std::to_string(counts["canonical"]));
  RecordProperty("fixed area", std::to_string(counts["fixed area"]));
  RecordProperty("columns no longer defined", std::to_string(counts["columns no longer defined"]));
}

}  // namespace
}  // namespace tarvex::engine
