// Template Mode: the definitions come from a healthy file of the same structure,
// the rows from the damaged one.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "format/unicode.h"
#include "support/scan_file.h"
#include "support/test_paths.h"

namespace tarvex::test {
namespace {

std::vector<char> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Copies `source` with every table-definition page zeroed.
std::filesystem::path WithoutDefinitions(const std::filesystem::path& source,
                                         const std::filesystem::path& dir, size_t pageSize) {
  auto bytes = ReadAll(source);
  for (size_t offset = 0; offset + pageSize <= bytes.size(); offset += pageSize) {
    if (bytes[offset] == 0x02 && bytes[offset + 1] == 0x01)
      std::fill_n(bytes.begin() + offset, pageSize, 0);
  }
  const auto damaged = dir / ("damaged-" + source.filename().string());
  std::ofstream(damaged, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return damaged;
}

// Rows with each OLE value (the path of a file of this repair) replaced by the object's bytes.
std::vector<ValueRow> ComparableRows(const model::CAccessTable& table) {
  auto rows = ReadRows(table);
  for (auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) {
      if (table.columnList.At(static_cast<int>(c))->colInfo.type != 11 || !row[c]) continue;
      const auto bytes = ReadAll(std::filesystem::path(*row[c]));
      row[c]->assign(bytes.begin(), bytes.end());
    }
  }
  return rows;
}

std::map<std::string, std::vector<ValueRow>> UserTableRows(const engine::CAccessRepair& repair) {
  std::map<std::string, std::vector<ValueRow>> tables;
  for (const auto& table : repair.model()->tableList) {
    const std::string name = format::ToUtf8(table->name);
    if (!name.starts_with("MSys") && !name.starts_with("RecoveredTable"))
      tables[name] = ComparableRows(*table);
  }
  return tables;
}

struct TemplateCase {
  const char* file;
  size_t pageSize;
};

class TemplateMode : public testing::TestWithParam<TemplateCase> {};

TEST_P(TemplateMode, RecoversEveryRowWhenTheDamagedFileLostItsDefinitions) {
  const auto healthy = FixturesDir() / "real" / GetParam().file;
  ScratchDir dir;
  const auto damaged = WithoutDefinitions(healthy, dir.path(), GetParam().pageSize);
  const auto expected = UserTableRows(*ScanFile(healthy));
  ASSERT_FALSE(expected.empty());

  const auto alone = UserTableRows(*ScanFile(damaged));
  EXPECT_NE(alone, expected);  // without its definitions the damaged file names nothing

  EXPECT_EQ(UserTableRows(*ScanFile(damaged, healthy)), expected);
}

INSTANTIATE_TEST_SUITE_P(Files, TemplateMode,
                         testing::Values(TemplateCase{"jet4_northwind2000.mdb", 4096},
                                         TemplateCase{"jet3_nwind_vb6.mdb", 2048},
                                         TemplateCase{"ace12_books.accdb", 4096}));

}  // namespace
}  // namespace tarvex::test
