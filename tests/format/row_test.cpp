#include "format/row.h"

#include <gtest/gtest.h>

#include <random>

#include "support/both_layouts.h"
#include "support/stored_values.h"

namespace tarvex::format {
namespace {

using Blob = std::vector<uint8_t>;
using test::StoredValues;

class RowCodecTest : public test::LayoutTest {};

INSTANTIATE_TEST_SUITE_P(Layouts, RowCodecTest, test::BothLayouts(), test::LayoutName);

// Random column sets and values, rows of up to a few kilobytes so that Jet 3
// rows need jump tables (with and without the entry no offset reaches):
// encode, decode to the same values, encode again to the same bytes.
TEST_P(RowCodecTest, RandomRowsRoundTrip) {
  std::mt19937 random(7);
  auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  size_t jumpRows = 0;
  for (int round = 0; round < 3000; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<RowColumn> columns(1 + below(40));
    std::vector<StoredValue> values;
    size_t fixedArea = 0, longest = below(2) != 0 ? 40 : 400;
    uint16_t variables = 0;
    for (uint16_t i = 0; i < columns.size(); ++i) {
      RowColumn& c = columns[i];
      const size_t kind = below(3);
      c = {.number = i, .variable = kind == 0, .boolean = kind == 1};
      if (c.variable) c.variableIndex = variables++;
      if (kind == 2)
        c = {.number = i,
             .fixedOffset = static_cast<uint16_t>(fixedArea),
             .length = 1 + static_cast<uint32_t>(below(16))};
      fixedArea += c.length;
      Blob value(c.variable ? below(longest + 1) : c.length);
      for (auto& b : value) b = static_cast<uint8_t>(random());
      values.push_back(below(10) < 3 ? StoredValue() : StoredValue(value));
    }
    const RowShape shape{static_cast<uint16_t>(columns.size()), variables > 0};
    RowEncoder encoder(layout(), columns, shape.maxColumns, fixedArea, variables);
    const auto encoded = encoder.Encode(values);
    const Blob first(encoded.begin(), encoded.end());
    if (first.size() > layout().rowMaxLength) continue;
    jumpRows += first.size() > 256;
    RowDecoder decoder;
    ASSERT_EQ(decoder.Decode(first, layout(), shape), RowProblem::kNone);
    ASSERT_EQ(StoredValues(decoder, columns), values);
    const auto again = encoder.Encode(StoredValues(decoder, columns));
    ASSERT_TRUE(std::equal(again.begin(), again.end(), first.begin(), first.end()));
  }
  EXPECT_GT(jumpRows, 100u);
}

// A value whose offsets leave its area reads as null, not as its neighbours' bytes.
TEST(RowCodec, DamagedRowsKeepValuesInTheirAreas) {
  const std::vector<RowColumn> columns{{.number = 0, .length = 4}, {.number = 1, .variable = true}};
  RowEncoder encoder(kJet4Layout, columns, 2, 4, 1);
  const auto encoded = encoder.Encode(std::vector<StoredValue>{Blob{1, 2, 3, 4}, Blob{5, 6}});
  // Count (2), fixed (4), value (2), end of values, offset of column 1, count, mask.
  struct Case {
    size_t at;
    uint8_t byte;
    size_t column;
  };
  for (const Case& c : {Case{8, 10, 1}, Case{10, 9, 1}, Case{10, 5, 0}}) {
    Blob row(encoded.begin(), encoded.end());
    row[c.at] = c.byte;
    RowDecoder decoder;
    ASSERT_EQ(decoder.Decode(row, kJet4Layout, {2, true}), RowProblem::kNone);
    EXPECT_FALSE(decoder.Value(columns[c.column])) << c.at;
  }
  RowDecoder decoder;
  EXPECT_EQ(decoder.Decode(encoded, kJet4Layout, {1, true}), RowProblem::kTooManyColumns);
  EXPECT_EQ(decoder.Decode(Blob{0, 0, 0}, kJet4Layout, {2, false}), RowProblem::kNoColumns);
  EXPECT_EQ(decoder.Decode(Blob{}, kJet3Layout, {2, false}), RowProblem::kTooShort);
}

}  // namespace
}  // namespace tarvex::format
