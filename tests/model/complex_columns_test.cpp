#include "model/complex_columns.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "format/unicode.h"
#include "model/ole_file_list.h"
#include "model/working_folder.h"
#include "support/test_paths.h"

namespace tarvex::model {
namespace {

void WriteValues(const std::filesystem::path& path, const std::vector<std::u16string>& values) {
  CAccessTableDataFile file;
  ASSERT_TRUE(file.CreateAt(path));
  for (const auto& value : values) ASSERT_TRUE(file.AppendValueText(value));
  ASSERT_TRUE(file.Close());
}

CAccessColInfo Column(const std::u16string& name, uint8_t type = 18) {
  CAccessColInfo info;
  info.name = name;
  info.type = type;
  return info;
}

TEST(MSysComplexColumns, ReadsGroupsOfFiveAndDropsATrailingIncompleteGroup) {
  CAccessData model;
  const auto path = WorkingFolder::Path() / "complex";
  WriteValues(path, {u"Tags", u"37", u"60", u"109", u"3",    //
                     u"Files", u"39", u"46", u"109", u"4",   //
                     u"Cut", u"39"});
  CMSysComplexColumns complexColumns;
  ASSERT_TRUE(complexColumns.Read(path));
  ASSERT_EQ(complexColumns.records().size(), 2u);
  const auto& files = complexColumns.records()[1];
  EXPECT_EQ(files.columnName, u"Files");
  EXPECT_EQ(files.complexType, u"39");
  EXPECT_EQ(files.flatTableId, u"46");
  EXPECT_EQ(files.ownerTableId, u"109");
  EXPECT_EQ(files.complexId, u"4");
  EXPECT_FALSE(CMSysComplexColumns().Read(WorkingFolder::Path() / "missing"));
}

TEST(MSysComplexColumns, AreFoundByNameInAnyCaseAndAttachedToTheirColumns) {
  CAccessData model;
  EXPECT_FALSE(ApplyComplexColumns(model));  // no such table: nothing happens

  auto& owner = model.tableList.Append(109 * 4096);
  owner.columnList.Append(Column(u"id", 10));
  owner.columnList.Append(Column(u"Tags"));
  auto& other = model.tableList.Append(110 * 4096);
  other.columnList.Append(Column(u"Tags"));
  auto& system = model.tableList.Append(20 * 4096);
  system.name = u"msyscomplexCOLUMNS";
  WriteValues(system.DataFilePath(), {u"Tags", u"37", u"60", u"109", u"3"});

  EXPECT_TRUE(ApplyComplexColumns(model));
  EXPECT_FALSE(owner.columnList.HasComplexInfo(0));
  ASSERT_TRUE(owner.columnList.HasComplexInfo(1));
  EXPECT_EQ(owner.columnList.ComplexType(1), 37);
  EXPECT_FALSE(other.columnList.HasComplexInfo(0));
  EXPECT_EQ(FlatTableDataFilePath(*owner.columnList.At(1)->complexInfo), TableDataFilePath(60 * 4096));
}

TEST(FlatTableDataFilePath, NeedsAPageNumber) {
  for (const char16_t* id : {u"", u"x", u"0", u"-3", u"16777216"}) {
    EXPECT_FALSE(FlatTableDataFilePath({u"c", u"37", id, u"1", u"1"})) << format::ToUtf8(id);
  }
  EXPECT_EQ(FlatTableDataFilePath({u"c", u"37", u"16777215", u"1", u"1"}),
            TableDataFilePath(16777215ull * 4096));
}

// The flat table of a multi-valued column as Access makes it (its columns in
// column-number order): the owning row's key, the item's own number, the item.
TEST(ComplexParser, JoinsTheItemsOfTheOwningRowInFlatTableOrder) {
  CAccessData model;
  const auto path = WorkingFolder::Path() / "flat";
  WriteValues(path, {u"2", u"1", u"value1",  //
                     u"3", u"3", u"value1",  //
                     u"2", u"2", u"value4",  //
                     u"20", u"7", u"other",  //
                     u"3", u"4", u"value2",  //
                     u"3", u"5", u"value3",  //
                     u"2", u"9"});           // a group cut short
  struct Case {
    std::u16string key;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"2", u"value1, value4"},
      {u"3", u"value1, value2, value3"},
      {u"20", u"other"},
      {u"1", u""},
      {u"", u""},
  };
  CComplexParser parser;
  parser.SetPath(path);
  for (const auto& c : cases) EXPECT_EQ(parser.MultiValuedList(c.key), c.expected) << format::ToUtf8(c.key);
  CComplexParser missing;
  missing.SetPath(WorkingFolder::Path() / "missing");
  EXPECT_EQ(missing.MultiValuedList(u"2"), u"");
}

// mdb-export's rows of a table (columns in column-number order), or nothing without mdbtools.
std::vector<std::vector<std::string>> MdbExportRows(const std::filesystem::path& file, const std::string& table) {
  const std::string command = "mdb-export -H -Q -d '|' '" + file.string() + "' '" + table + "' 2>/dev/null";
  std::vector<std::vector<std::string>> rows;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return rows;
  std::string output;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  pclose(pipe);
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '|');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

std::vector<std::u16string> Flatten(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::u16string> values;
  for (const auto& row : rows) {
    for (const auto& cell : row) values.push_back(format::FromUtf8(cell));
  }
  return values;
}

// The multi-valued column of a real file, its rows put into table data files
// as extraction writes them, against the ground truth.
TEST(ComplexParser, GivesTheMultiValuedListsOfARealFile) {
  const auto file = test::FixturesDir() / "real" / "ace12_complex_columns.accdb";
  const auto flatRows = MdbExportRows(file, "f_FCC66D28D650455480D923D1BD446BA6_multi-value-data");
  const auto complexRows = MdbExportRows(file, "MSysComplexColumns");
  if (flatRows.empty() || complexRows.empty()) GTEST_SKIP() << "mdb-export is not available";

  CAccessData model;
  auto& table1 = model.tableList.Append(109 * 4096);
  table1.columnList.Append(Column(u"multi-value-data"));
  auto& system = model.tableList.Append(4 * 4096);
  system.name = u"MSysComplexColumns";
  WriteValues(system.DataFilePath(), Flatten(complexRows));
  ASSERT_TRUE(ApplyComplexColumns(model));
  ASSERT_TRUE(table1.columnList.HasComplexInfo(0));
  const auto flatPath = FlatTableDataFilePath(*table1.columnList.At(0)->complexInfo);
  ASSERT_TRUE(flatPath);
  WriteValues(*flatPath, Flatten(flatRows));

  std::ifstream in(test::FixturesDir() / "real" / "truth" / "ace12_complex_columns.accdb.json");
  const auto truth = nlohmann::json::parse(in);
  for (const auto& table : truth["tables"]) {
    if (table["name"] != "Table1") continue;
    // The rows' keys in the multi-valued column are 1 to 4, in the order of the dump's rows.
    int key = 1;
    for (const auto& row : table["rows"]) {
      std::string expected;
      for (const auto& item : row[4]["values"]) {
        expected += (expected.empty() ? "" : ", ") + item["value"].get<std::string>();
      }
      CComplexParser parser;
      parser.SetPath(*flatPath);
      EXPECT_EQ(format::ToUtf8(parser.MultiValuedList(format::FromUtf8(std::to_string(key)))), expected) << key;
      ++key;
    }
  }
}

TEST(OleFileNameList, ListsEveryOleFileSoThatDeletingTheModelDeletesThem) {
  CAccessData holder;  // keeps the working folder, so only the list can delete the files
  const auto list = OleFileNameListPath();
  const auto first = WorkingFolder::Path() / "0.Ole";
  const auto second = WorkingFolder::Path() / "ole_temp_1.Ole";
  const auto unlisted = WorkingFolder::Path() / "1_2.Ole";
  {
    CAccessData model;
    EXPECT_FALSE(std::filesystem::exists(list));  // no OLE values, no list
    for (const auto& path : {first, second, unlisted}) std::ofstream(path) << "ole";
    AppendOleFileName(first.u16string());
    AppendOleFileName(second.u16string());
    AppendOleFileName(first.u16string());  // listed twice: the second deletion finds nothing

    CDataFileReader reader(list);
    ASSERT_TRUE(reader.Open());
    std::u16string name;
    for (const auto& expected : {first, second, first}) {
      ASSERT_TRUE(reader.ReadTextRecord(name));
      EXPECT_EQ(name, expected.u16string());
    }
    EXPECT_FALSE(reader.ReadTextRecord(name));
  }
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_FALSE(std::filesystem::exists(second));
  EXPECT_FALSE(std::filesystem::exists(list));
  EXPECT_TRUE(std::filesystem::exists(unlisted));
}

}  // namespace
}  // namespace tarvex::model
