#include "model/table_preview.h"

#include <gtest/gtest.h>

#include <fstream>

#include "model/access_data.h"
#include "model/complex_columns.h"
#include "model/table_data_file.h"

namespace tarvex::model {
namespace {

using Row = std::vector<std::u16string>;

CAccessColInfo Column(const std::u16string& name, uint8_t type) {
  CAccessColInfo info;
  info.name = name;
  info.type = type;
  return info;
}

void WriteValues(const std::filesystem::path& path, const std::vector<std::u16string>& values) {
  CAccessTableDataFile file;
  ASSERT_TRUE(file.CreateAt(path));
  for (const auto& value : values) ASSERT_TRUE(file.AppendValueText(value));
  ASSERT_TRUE(file.Close());
}

struct Preview {
  std::optional<Row> header;
  std::vector<TablePreviewRow> rows;
};

Preview RunPreview(const CAccessTable& table, const std::function<bool()>& stop = [] { return false; }) {
  Preview preview;
  PreviewTable(table, stop,
               {[&preview](const Row& names) { preview.header = names; },
                [&preview](const TablePreviewRow& row) { preview.rows.push_back(row); }});
  return preview;
}

class TablePreviewTest : public testing::Test {
 protected:
  // A table of every kind of column the preview shows in its own way.
  CAccessTable& MakeTable() {
    auto& table = model_.tableList.Append(50 * 4096);
    table.columnList.Append(Column(u"Name", 10));
    table.columnList.Append(Column(u"Notes", 12));
    table.columnList.Append(Column(u"Picture", 11));
    for (const char16_t* name : {u"Tags", u"Numbers", u"Files", u"History", u"Plain"}) {
      table.columnList.Append(Column(name, 18));
    }
    for (const auto& record : std::vector<CMSysComplexColumnsData>{
             {u"Tags", u"37", u"60", u"50", u"1"},
             {u"Numbers", u"27", u"61", u"50", u"2"},
             {u"Files", u"39", u"62", u"50", u"3"},
             {u"History", u"78", u"63", u"50", u"4"}}) {
      model_.tableList.AttachComplexInfo(record);
    }
    WriteValues(TableDataFilePath(60 * 4096), {u"7", u"1", u"red", u"8", u"2", u"blue", u"7", u"3", u"green"});
    WriteValues(TableDataFilePath(61 * 4096), {u"7", u"1", u"42"});
    return table;
  }

  CAccessData model_;
};

TEST_F(TablePreviewTest, ShowsEachKindOfColumnInItsOwnWay) {
  auto& table = MakeTable();
  const std::u16string hundred(100, u'm');
  const std::u16string hundredOne = std::u16string(90, u'a') + std::u16string(11, u'b');
  WriteValues(table.DataFilePath(),
              {u"first", hundred, u"/work/0.Ole", u"7", u"7", u"1", u"1", u"1",  //
               u"second", hundredOne, u"", u"8", u"9", u"2", u"2", u"2"});
  const auto preview = RunPreview(table);
  ASSERT_TRUE(preview.header);
  EXPECT_EQ(*preview.header, (Row{u"Name", u"Notes", u"Picture", u"Tags", u"Numbers", u"Files", u"History", u"Plain"}));
  ASSERT_EQ(preview.rows.size(), 2u);
  EXPECT_EQ(preview.rows[0].cells, (Row{u"first", hundred, u"Ole", u"red, green", u"42", u"Attachement",
                                        u"<Complex Data>", u"<Data>"}));
  EXPECT_EQ(preview.rows[1].cells, (Row{u"second", std::u16string(90, u'a') + u"[Memo...]", u"Ole", u"blue",
                                        u"", u"Attachement", u"<Complex Data>", u"<Data>"}));
  EXPECT_EQ(preview.rows[1].index, 1);
  EXPECT_TRUE(preview.rows[1].complete);
}

TEST_F(TablePreviewTest, ARecordCutShortEndsThePreview) {
  auto& table = MakeTable();
  WriteValues(table.DataFilePath(), {u"a", u"", u"", u"", u"", u"", u"", u"",  //
                                     u"b", u"note"});
  // A third value record whose byte count runs past the end of the file.
  std::ofstream(table.DataFilePath(), std::ios::binary | std::ios::app).write("\x40\0\0\0x", 5);
  const auto preview = RunPreview(table);
  ASSERT_EQ(preview.rows.size(), 2u);
  EXPECT_TRUE(preview.rows[0].complete);
  EXPECT_FALSE(preview.rows[1].complete);
  EXPECT_EQ(preview.rows[1].cells, (Row{u"b", u"note", u"", u"", u"", u"", u"", u""}));
}

TEST_F(TablePreviewTest, StopsWhenAsked) {
  auto& table = MakeTable();
  std::vector<std::u16string> values;
  for (int row = 0; row < 3; ++row) values.insert(values.end(), 8, u"v");
  WriteValues(table.DataFilePath(), values);

  EXPECT_FALSE(RunPreview(table, [] { return true; }).header);  // asked before it began: nothing at all

  int tests = 0;
  // The stop test runs before the header, before each row and before each value:
  // the twelfth test is the one before the second row's first value.
  const auto preview = RunPreview(table, [&tests] { return ++tests > 11; });
  ASSERT_TRUE(preview.header);
  ASSERT_EQ(preview.rows.size(), 1u);
  EXPECT_TRUE(preview.rows[0].complete);
}

TEST_F(TablePreviewTest, ATableWithoutColumnsOrRowsShowsOnlyItsHeader) {
  auto& table = MakeTable();
  EXPECT_TRUE(RunPreview(table).rows.empty());  // no data file
  WriteValues(table.DataFilePath(), {});
  EXPECT_TRUE(RunPreview(table).rows.empty());  // an empty one

  auto& empty = model_.tableList.Append(70 * 4096);
  WriteValues(empty.DataFilePath(), {u"orphan"});
  const auto preview = RunPreview(empty);
  ASSERT_TRUE(preview.header);
  EXPECT_TRUE(preview.header->empty());
  EXPECT_TRUE(preview.rows.empty());
}

}  // namespace
}  // namespace tarvex::model
