// A disk that fails to read one page: the scan goes on past it, loses that
// page's rows and no others, and says so in the table's losses (or, when not
// even the page's header can be read, in the file's unreadable pages).
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "engine/db_file_reader.h"
#include "format/data_page.h"
#include "format/jet_layout.h"
#include "format/unicode.h"
#include "support/scan_file.h"
#include "support/test_paths.h"

namespace tarvex::engine {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kPageSize = 4096;
off_t failingPage = -1;
bool headerFails = false;  // also the short read of the page's header

ssize_t FailingRead(int fd, void* buffer, size_t count, off_t offset) {
  const bool onPage = offset >= failingPage && offset < failingPage + kPageSize;
  if (onPage && (count == kPageSize || headerFails)) {
    errno = EIO;
    return -1;
  }
  return ::pread(fd, buffer, count, offset);
}

struct ReadErrorCase {
  const char* what;
  bool headerFails;
};

TEST(ReadError, OnePageCostsItsOwnRowsAndIsCounted) {
  const fs::path file = test::FixturesDir() / "real" / "jet4_northwind2000.mdb";
  if (!fs::exists(file)) GTEST_SKIP() << "fixture missing";
  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  const auto healthy = test::ScanFile(file);
  // The table with the most data pages loses its second one.
  const model::CAccessTable* victim = nullptr;
  for (const auto& table : healthy->model()->tableList)
    if (!victim || table->dataPageList.size() > victim->dataPageList.size()) victim = table.get();
  ASSERT_GE(victim->dataPageList.size(), 2u);
  failingPage = static_cast<off_t>(victim->dataPageList[1]);
  format::RowSlotWalker slots(format::Bytes(bytes.data() + failingPage, kPageSize),
                              format::kJet4Layout);
  uint32_t rowsOnPage = 0;
  for (uint32_t row = 0; row < slots.count(); ++row) rowsOnPage += slots.Next().deleted ? 0 : 1;
  ASSERT_GT(rowsOnPage, 0u);

  for (const ReadErrorCase& c :
       {ReadErrorCase{"the page", false}, {"the page and its header", true}}) {
    SCOPED_TRACE(c.what);
    headerFails = c.headerFails;
    SetPositionedReadForTesting(FailingRead);
    const auto damaged = test::ScanFile(file);
    SetPositionedReadForTesting(nullptr);
    for (const auto& table : damaged->model()->tableList) {
      const bool isVictim = table->tableDefOffset == victim->tableDefOffset;
      const auto& before =
          *std::find_if(healthy->model()->tableList.begin(), healthy->model()->tableList.end(),
                        [&](const auto& t) { return t->tableDefOffset == table->tableDefOffset; });
      EXPECT_EQ(table->tableDefInfo.rowCount,
                before->tableDefInfo.rowCount - (isVictim ? rowsOnPage : 0))
          << format::ToUtf8(table->name);
      const bool countedOnTable = isVictim && !c.headerFails;
      EXPECT_EQ(table->losses.unreadablePages, countedOnTable
                                                   ? std::vector<uint64_t>{victim->dataPageList[1]}
                                                   : std::vector<uint64_t>{});
    }
    EXPECT_EQ(
        damaged->model()->unreadablePages,
        c.headerFails ? std::vector<uint64_t>{victim->dataPageList[1]} : std::vector<uint64_t>{});
  }
}

}  // namespace
}  // namespace tarvex::engine
