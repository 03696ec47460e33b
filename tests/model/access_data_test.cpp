#include "model/access_data.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>

#include "model/table_data_file.h"
#include "model/working_folder.h"

namespace tarvex::model {
namespace {

CAccessColInfo Column(const std::u16string& name, uint16_t number, uint8_t flags = 1) {
  CAccessColInfo info;
  info.name = name;
  info.columnNumber = number;
  info.flags = flags;
  return info;
}

TEST(IndexList, NamesIndexesByCountAndMarksThePrimaryKey) {
  CAccessTableIndexList indexes;
  indexes.Add({});
  indexes.Add({});
  EXPECT_EQ(indexes.At(0)->name, u"Index_0");
  EXPECT_EQ(indexes.At(1)->name, u"Index_1");
  indexes.MarkPrimaryKey(0);
  EXPECT_EQ(indexes.At(0)->name, u"Primary Key");
  EXPECT_TRUE(indexes.At(0)->primaryKey);
  indexes.MarkPrimaryKey(5);  // beyond the end: nothing
  EXPECT_EQ(indexes.count(), 2);
}

TEST(ColumnList, LooksUpRenamesSortsAndCountsVariableColumns) {
  CAccessColumnList columns;
  columns.Append(Column(u"b", 2, 0));
  columns.Append(Column(u"a", 1, 1));
  columns.Append(Column(std::u16string(300, u'x'), 0, 0));
  EXPECT_EQ(columns.count(), 3);
  EXPECT_EQ(columns.variableCount(), 2);
  EXPECT_EQ(columns.At(2)->colInfo.name.size(), kMaxColumnNameLength);
  EXPECT_EQ(columns.NameOfNumber(1), u"a");
  EXPECT_EQ(columns.NameOfNumber(9), u"");
  EXPECT_EQ(columns.At(3), nullptr);
  columns.Rename(0, u"renamed");
  columns.Rename(7, u"nothing");
  columns.SortByColumnNumber();
  EXPECT_EQ(columns.At(1)->colInfo.name, u"a");
  EXPECT_EQ(columns.At(2)->colInfo.name, u"renamed");
}

TEST(TableList, PurgeKeepsTheOrderOfTheRest) {
  CAccessData model;
  for (uint64_t page : {3, 4, 5, 6}) model.tableList.Append(page * 4096);
  model.tableList.At(0)->keep = false;
  model.tableList.At(2)->keep = false;
  model.tableList.Purge();
  ASSERT_EQ(model.tableList.count(), 2);
  EXPECT_EQ(model.tableList.At(0)->tableDefOffset, 4u * 4096);
  EXPECT_EQ(model.tableList.At(1)->tableDefOffset, 6u * 4096);
  model.tableList.AppendDataPage(6 * 4096, 99 * 4096);
  model.tableList.AppendDataPage(3 * 4096, 98 * 4096);  // purged: nothing
  EXPECT_EQ(model.tableList.At(1)->dataPageList, std::vector<uint64_t>{99 * 4096});
}

TEST(TableList, ComplexInformationGoesToEveryTableWithThatIdAndColumn) {
  CAccessData model;
  auto& first = model.tableList.Append(7 * 4096);
  auto& second = model.tableList.Append(7 * 4096);
  auto& other = model.tableList.Append(8 * 4096);
  for (auto* table : {&first, &second, &other}) table->columnList.Append(Column(u"Tags", 0));
  first.columnList.Append(Column(u"Tags", 1));  // only the first of a name gets it

  model.tableList.AttachComplexInfo({u"Tags", u"27", u"40", u"7", u"1"});
  model.tableList.AttachComplexInfo({u"Missing", u"39", u"41", u"7", u"2"});
  EXPECT_TRUE(first.columnList.HasComplexInfo(0));
  EXPECT_FALSE(first.columnList.HasComplexInfo(1));
  EXPECT_EQ(first.columnList.ComplexType(0), 27);
  EXPECT_TRUE(second.columnList.HasComplexInfo(0));
  EXPECT_FALSE(other.columnList.HasComplexInfo(0));
}

TEST(TableDataFile, RoundTripsTextsIncludingEmptyOnes) {
  CAccessData model;  // holds the working folder
  CAccessTableDataFile writer;
  ASSERT_TRUE(writer.Create(12345));
  const std::vector<std::u16string> values{u"", u"abc", u"Ωμέγα 😀", std::u16string(70000, u'x'),
                                           u""};
  for (const auto& value : values) ASSERT_TRUE(writer.AppendValueText(value));
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(std::filesystem::file_size(TableDataFilePath(12345)), 4u * 5 + 1 + 7 + 17 + 140001 + 1);

  CDataFileReader reader(TableDataFilePath(12345));
  ASSERT_TRUE(reader.Open());
  std::u16string text;
  for (const auto& value : values) {
    ASSERT_TRUE(reader.ReadTextRecord(text));
    EXPECT_EQ(text, value);
  }
  EXPECT_FALSE(reader.ReadTextRecord(text));
  EXPECT_TRUE(reader.AtEnd());
  reader.Rewind();
  ASSERT_TRUE(reader.ReadTextRecord(text));
  EXPECT_EQ(text, u"");
}

TEST(TableDataFile, ReadsZeroLengthRecordsAndStopsAtARecordCutShort) {
  CAccessData model;
  const auto path = WorkingFolder::Path() / "handmade";
  // N=7 ("abc"), N=0 (taken as empty), N=1 (empty), then N=100 with only 3 bytes behind it.
  const unsigned char bytes[] = {7, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0, 0,   0, 0,  0,
                                 0, 1, 0, 0, 0,   0, 100, 0, 0,   0, 'x', 0, 'y'};
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  CDataFileReader reader(path);
  ASSERT_TRUE(reader.Open());
  std::u16string text;
  ASSERT_TRUE(reader.ReadTextRecord(text));
  EXPECT_EQ(text, u"abc");
  EXPECT_EQ(reader.position(), 11u);
  ASSERT_TRUE(reader.ReadTextRecord(text));
  EXPECT_EQ(text, u"");
  ASSERT_TRUE(reader.ReadTextRecord(text));
  EXPECT_EQ(text, u"");
  EXPECT_FALSE(reader.ReadTextRecord(text));
  EXPECT_TRUE(reader.AtEnd());
}

TEST(AccessData, DeletingTheModelRemovesItsFilesAndFolder) {
  std::filesystem::path folder;
  std::filesystem::path dataFile;
  {
    CAccessData model;
    auto& table = model.tableList.Append(4096 * 9);
    folder = WorkingFolder::Path();
    dataFile = table.DataFilePath();
    CAccessTableDataFile writer;
    ASSERT_TRUE(writer.Create(table.tableDefOffset));
    writer.Close();
    EXPECT_EQ(std::filesystem::file_size(dataFile), 0u);  // a table with no rows
    std::ofstream(folder / "1_1.Ole") << "ole";
    CAccessTableDataFile oleList;
    ASSERT_TRUE(oleList.CreateAt(OleFileNameListPath()));
    oleList.AppendValueText((folder / "1_1.Ole").u16string());
    oleList.AppendValueText(u"/etc/passwd");  // never a file outside the folder
    oleList.Close();
  }
  EXPECT_FALSE(std::filesystem::exists(dataFile));
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_TRUE(std::filesystem::exists("/etc/passwd"));
}

TEST(WorkingFolder, EachProcessHasItsOwnFolderUnderTheBase) {
  CAccessData model;
  const auto folder = WorkingFolder::Path();
  EXPECT_EQ(folder.parent_path().parent_path(), WorkingFolder::Base());
  EXPECT_TRUE(folder.parent_path().filename().string().starts_with(std::to_string(getpid()) + "-"));
}

TEST(WorkingFolder, GuidTextsAreFreshAndWellFormed) {
  const auto a = NewGuidText();
  const auto b = NewGuidText();
  EXPECT_NE(a, b);
  ASSERT_EQ(a.size(), 36u);
  for (size_t i : {8, 13, 18, 23}) EXPECT_EQ(a[i], u'-');
  EXPECT_TRUE(NamePresent(u"x"));
  EXPECT_FALSE(NamePresent(u""));
  EXPECT_FALSE(NamePresent(std::u16string(1, u'\0')));
}

// A folder is swept only when it is ours (named "PID-XXXXXX", with a lock
// file) and nobody holds its lock: a process in another PID namespace may
// share the cache, so its PID proves nothing.
TEST(WorkingFolder, NewFolderSweepsOnlyFoldersNobodyHolds) {
  const auto base = WorkingFolder::Base();
  const auto make = [&](const char* name, bool lockFile) {
    std::filesystem::create_directories(base / name);
    if (lockFile) std::ofstream(base / name / "lock") << "";
    return base / name;
  };
  const auto abandoned = make("999999999-abcdef", true);
  const auto living = make("999999998-abcdef", false);
  const auto beingMade = make("999999997-abcdef", false);
  const auto foreign = make("notes-of-the-user", true);
  // Locked before it takes its name, as a living process does, so that tests
  // sweeping in parallel never find it free.
  const int held = ::open((living / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  std::filesystem::rename(living / ".lock", living / "lock");
  {
    CAccessData model;
    WorkingFolder::Path();  // the first model of the process makes its folder
  }
  ::close(held);
  EXPECT_FALSE(std::filesystem::exists(abandoned));
  for (const auto& kept : {living, beingMade, foreign}) {
    EXPECT_TRUE(std::filesystem::exists(kept)) << kept;
    std::filesystem::remove_all(kept);
  }
}

}  // namespace
}  // namespace tarvex::model
