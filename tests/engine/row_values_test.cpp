// Rows no fixture holds: variable values with no bytes at all. Access and our
// own engine give an empty memo or OLE object a long-value header, but a row
// may just as well mark the value present and give it equal offsets.
#include "engine/row_values.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "format/value_types.h"
#include "model/access_data.h"
#include "model/working_folder.h"

namespace tarvex::engine {
namespace {

using format::ColumnType;
using format::TypeCode;

constexpr ColumnType kTypes[] = {ColumnType::kText, ColumnType::kMemo, ColumnType::kBinary,
                                 ColumnType::kOle};

// A Jet 4 row of the four variable columns, each without bytes: the column
// count, the offsets (end of data first, all at the data's start), the
// variable count and the null mask.
std::vector<uint8_t> RowOfEmptyValues(uint8_t nullMask) {
  return {4, 0, 2, 0, 2, 0, 2, 0, 2, 0, 2, 0, 4, 0, nullMask};
}

TEST(RowValueCutter, EqualOffsetsHoldZeroLengthValuesAndAClearBitNull) {
  model::CAccessData model;  // holds the working folder
  model::CAccessTable table(0);
  table.tableDefInfo.maxColumns = 4;
  for (uint16_t n = 0; n < 4; ++n) {
    model::CAccessColInfo column;
    column.type = TypeCode(kTypes[n]);
    column.columnNumber = n;
    column.variableIndex = n;
    table.columnList.Append(column);
  }
  CDBFileReader file;
  CLongValueReader longValues(file, 0, format::kJet4Layout);
  RowValueCutter cutter(format::kJet4Layout, format::kDefaultCodePage, longValues);

  const auto nulls = cutter.Cut(RowOfEmptyValues(0x00), table);
  ASSERT_TRUE(nulls);
  EXPECT_EQ(*nulls, std::vector<std::optional<std::u16string>>(4));

  const auto empties = cutter.Cut(RowOfEmptyValues(0x0F), table);
  ASSERT_TRUE(empties);
  ASSERT_EQ(empties->size(), 4u);
  for (size_t c = 0; c < 3; ++c) EXPECT_EQ((*empties)[c], u"") << "column " << c;
  // An OLE value is the path of its object's file: here an empty one.
  ASSERT_TRUE((*empties)[3]);
  const std::filesystem::path object(*(*empties)[3]);
  EXPECT_EQ(object.parent_path() / "", model::WorkingFolder::Path());
  EXPECT_TRUE(std::filesystem::is_regular_file(object));
  EXPECT_EQ(std::filesystem::file_size(object), 0u);
}

}  // namespace
}  // namespace tarvex::engine
