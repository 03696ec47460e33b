// Rows go over to the writing thread in batches: whatever the batches, the
// data file holds every value in order, as FormatValue makes it.
#include "engine/row_text_writer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "format/value_types.h"
#include "model/access_data.h"
#include "model/working_folder.h"

namespace tarvex::engine {
namespace {

using format::ColumnType;
using format::TypeCode;

TEST(RowTextWriter, RowsOfManyBatchesComeBackInOrder) {
  model::CAccessData model;  // holds the working folder
  const auto path = model::WorkingFolder::Path() / "rows";
  model::CAccessTableDataFile file;
  ASSERT_TRUE(file.CreateAt(path));
  const std::vector<ColumnFormat> columns = {{TypeCode(ColumnType::kLong), {}, false},
                                             {TypeCode(ColumnType::kText), {}, true},
                                             {TypeCode(ColumnType::kBoolean), {}, false}};
  // Many more values, and bytes, than one batch holds.
  constexpr uint32_t kRows = 40000;
  std::vector<std::optional<std::u16string>> expected;
  RowTextWriter writer(file, columns);
  for (uint32_t row = 0; row < kRows; ++row) {
    const std::vector<uint8_t> number = {static_cast<uint8_t>(row), static_cast<uint8_t>(row >> 8),
                                         static_cast<uint8_t>(row >> 16), 0};
    std::vector<uint8_t> text;
    for (uint32_t i = 0; i < row % 300; ++i) text.insert(text.end(), {uint8_t('a' + i % 26), 0});
    if (row == kRows / 2) text.insert(text.end(), {0x3A, 0x04});  // a Cyrillic letter
    const std::vector<std::pair<std::vector<uint8_t>, bool>> values = {
        {number, true}, {text, row % 7 != 0}, {{}, row % 2 == 0}};
    std::vector<format::Bytes> bytes;
    std::vector<bool> nullMaskBits;
    for (size_t c = 0; c < values.size(); ++c) {
      bytes.emplace_back(values[c].first);
      nullMaskBits.push_back(values[c].second);
      expected.push_back(format::FormatValue(columns[c].context, columns[c].type, values[c].first,
                                             values[c].second));
    }
    writer.AddRow(bytes, nullMaskBits);
  }
  writer.Finish();
  EXPECT_FALSE(writer.failed());
  EXPECT_TRUE(writer.textBeyondLatin1());
  ASSERT_TRUE(file.Close());

  model::CDataFileReader reader(path);
  ASSERT_TRUE(reader.Open());
  std::u16string text;
  for (size_t i = 0; i < expected.size(); ++i) {
    const model::RecordKind kind = reader.ReadRecord(text);
    ASSERT_EQ(kind, expected[i] ? model::RecordKind::kValue : model::RecordKind::kNull) << i;
    if (expected[i]) {
      ASSERT_EQ(text, *expected[i]) << i;
    }
  }
  EXPECT_EQ(reader.ReadRecord(text), model::RecordKind::kEnd);
}

}  // namespace
}  // namespace tarvex::engine
