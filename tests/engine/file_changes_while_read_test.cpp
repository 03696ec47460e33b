// A damaged file that another process cuts short or keeps growing while the
// scan reads it: the scan ends, keeps what it read, and never reads past what
// the file held when a step took its size.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "engine/db_file_reader.h"
#include "support/scan_file.h"
#include "support/test_paths.h"

namespace tarvex::engine {
namespace {

namespace fs = std::filesystem;

struct Change {
  const char* what;
  int afterReads;          // reads before the file changes
  double sizeFactor;       // the size it is cut to, as a part of its size
  uint64_t growthPerRead;  // bytes added at each read from then on
};

const Change kChanges[] = {
    {"cut to half early in the scan", 50, 0.5, 0},
    {"cut to nothing late in the scan", 1000, 0.0, 0},
    {"growing by a page at every read", 10, 1.0, 4096},
};

// What the read hook changes, and on which file: set before each scan.
std::string changedFile;
const Change* change = nullptr;
int reads = 0;
uint64_t originalSize = 0;
// A file that grew this much has proved the point; it stops there so that a scan that never
// stopped would still end.
constexpr uint64_t kMostGrowth = uint64_t{64} << 20;

ssize_t ChangingRead(int fd, void* buffer, size_t count, off_t offset) {
  if (++reads == change->afterReads && change->sizeFactor < 1.0)
    (void)truncate(changedFile.c_str(),
                   static_cast<off_t>(static_cast<double>(originalSize) * change->sizeFactor));
  if (reads >= change->afterReads && change->growthPerRead > 0 &&
      fs::file_size(changedFile) < originalSize + kMostGrowth)
    (void)truncate(changedFile.c_str(),
                   static_cast<off_t>(fs::file_size(changedFile) + change->growthPerRead));
  return ::pread(fd, buffer, count, offset);
}

TEST(FileChangesWhileRead, TheScanEndsWithWhatItRead) {
  const fs::path fixture = test::FixturesDir() / "real" / "jet4_northwind2000.mdb";
  if (!fs::exists(fixture)) GTEST_SKIP() << "fixture missing";
  const auto healthy = test::ScanFile(fixture);
  for (const Change& c : kChanges) {
    SCOPED_TRACE(c.what);
    test::ScratchDir scratch;
    const fs::path copy = scratch.path() / "changing.mdb";
    fs::copy_file(fixture, copy);
    changedFile = copy.string();
    change = &c;
    reads = 0;
    originalSize = fs::file_size(copy);
    SetPositionedReadForTesting(ChangingRead);
    const auto scanned = test::ScanFile(copy);
    SetPositionedReadForTesting(nullptr);
    ASSERT_GE(reads, c.afterReads) << "the file was read too little to change";
    ASSERT_NE(scanned->model(), nullptr);
    if (c.growthPerRead == 0) continue;
    // Zeros after the file's end hold nothing: every table comes back whole.
    std::vector<std::pair<std::u16string, int64_t>> before, after;
    for (const auto& table : healthy->model()->tableList)
      before.emplace_back(table->name, table->tableDefInfo.rowCount);
    for (const auto& table : scanned->model()->tableList)
      after.emplace_back(table->name, table->tableDefInfo.rowCount);
    EXPECT_EQ(after, before);
  }
}

}  // namespace
}  // namespace tarvex::engine
