#include "format/row.h"

#include <gtest/gtest.h>

#include <random>

namespace tarvex::format {
namespace {

using Blob = std::vector<uint8_t>;

struct RandomTable {
  std::vector<RowColumn> columns;
  size_t fixedAreaLength = 0;
  uint16_t variableCount = 0;
};

RandomTable MakeTable(std::mt19937& random) {
  RandomTable table;
  const int count = std::uniform_int_distribution<int>(1, 40)(random);
  for (int i = 0; i < count; ++i) {
    RowColumn c{.number = static_cast<uint16_t>(i)};
    switch (std::uniform_int_distribution<int>(0, 2)(random)) {
      case 0:
        c.length = std::uniform_int_distribution<uint32_t>(1, 16)(random);
        c.fixedOffset = static_cast<uint16_t>(table.fixedAreaLength);
        table.fixedAreaLength += c.length;
        break;
      case 1:
        c.boolean = true;
        break;
      default:
        c.variable = true;
        c.variableIndex = table.variableCount++;
    }
    table.columns.push_back(c);
  }
  return table;
}

std::vector<StoredValue> MakeValues(const RandomTable& table, std::mt19937& random) {
  std::vector<StoredValue> values;
  std::uniform_int_distribution<int> byte(0, 255);
  const size_t longest = std::bernoulli_distribution(0.5)(random) ? 40 : 400;
  for (const auto& c : table.columns) {
    if (std::bernoulli_distribution(0.3)(random)) {
      values.emplace_back();
      continue;
    }
    Blob value(c.boolean    ? 0
               : c.variable ? std::uniform_int_distribution<size_t>(0, longest)(random)
                            : c.length);
    for (auto& b : value) b = static_cast<uint8_t>(byte(random));
    values.emplace_back(std::move(value));
  }
  return values;
}

std::vector<StoredValue> Decoded(const RowDecoder& row, const RandomTable& table) {
  std::vector<StoredValue> values;
  for (const auto& c : table.columns) {
    const auto value = row.Value(c);
    if (c.boolean) {
      values.push_back(row.HasValue(c.number) ? StoredValue(Blob{}) : StoredValue());
    } else {
      values.push_back(value ? StoredValue(Blob(value->begin(), value->end())) : StoredValue());
    }
  }
  return values;
}

// Random column sets and values, rows of up to a few kilobytes so that Jet 3
// rows need jump tables (with and without the entry no offset reaches):
// encode, decode to the same values, encode again to the same bytes.
TEST(RowCodec, RandomRowsRoundTripInBothLayouts) {
  for (const JetLayout* layout : {&kJet3Layout, &kJet4Layout}) {
    std::mt19937 random(7);
    size_t jumpRows = 0;
    for (int round = 0; round < 3000; ++round) {
      const RandomTable table = MakeTable(random);
      const auto values = MakeValues(table, random);
      const RowShape shape{.maxColumns = static_cast<uint16_t>(table.columns.size()),
                           .hasVariableColumns = table.variableCount > 0};
      RowEncoder encoder(*layout, table.columns, shape.maxColumns, table.fixedAreaLength,
                         table.variableCount);
      const auto encoded = encoder.Encode(values);
      const Blob first(encoded.begin(), encoded.end());
      if (first.size() > layout->rowMaxLength) continue;
      jumpRows += first.size() > 256;
      RowDecoder decoder;
      ASSERT_EQ(decoder.Decode(first, *layout, shape), RowProblem::kNone);
      ASSERT_EQ(Decoded(decoder, table), values) << "round " << round;
      const auto again = encoder.Encode(Decoded(decoder, table));
      ASSERT_TRUE(std::equal(again.begin(), again.end(), first.begin(), first.end()))
          << "round " << round;
    }
    EXPECT_GT(jumpRows, 100u);
  }
}

// A value whose offsets leave its area reads as null instead of as the bytes of its neighbours.
TEST(RowCodec, ValuesOutsideTheirAreaAreNull) {
  const std::vector<RowColumn> columns{{.number = 0, .fixedOffset = 0, .length = 4},
                                       {.number = 1, .variable = true, .variableIndex = 0}};
  RowEncoder encoder(kJet4Layout, columns, 2, 4, 1);
  const std::vector<StoredValue> values{Blob{1, 2, 3, 4}, Blob{5, 6}};
  const auto encoded = encoder.Encode(values);
  struct Case {
    const char* what;
    size_t at;
    uint8_t byte;
    size_t column;
  };
  // Row: count (2), fixed (4), value (2), end of values, offset 0, variable count, mask.
  for (const Case& c : {Case{"value end past the offset table", 8, 10, 1},
                        Case{"value start past its end", 10, 9, 1},
                        Case{"fixed value running into the variable values", 10, 5, 0}}) {
    Blob row(encoded.begin(), encoded.end());
    row[c.at] = c.byte;
    RowDecoder decoder;
    ASSERT_EQ(decoder.Decode(row, kJet4Layout, {.maxColumns = 2, .hasVariableColumns = true}),
              RowProblem::kNone);
    EXPECT_FALSE(decoder.Value(columns[c.column])) << c.what;
  }
  RowDecoder decoder;
  EXPECT_EQ(decoder.Decode(encoded, kJet4Layout, {.maxColumns = 1, .hasVariableColumns = true}),
            RowProblem::kTooManyColumns);
  EXPECT_EQ(decoder.Decode(Blob{0, 0, 0}, kJet4Layout, {.maxColumns = 2}), RowProblem::kNoColumns);
  EXPECT_EQ(decoder.Decode(Blob{}, kJet3Layout, {.maxColumns = 2}), RowProblem::kTooShort);
}

}  // namespace
}  // namespace tarvex::format
