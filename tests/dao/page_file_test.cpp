// Pages written in windows that reach the file on another thread: every page
// reads back as last written at any moment, and a write the disk refuses is
// not lost in silence.
#include "dao/page_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "dao/dao_exception.h"
#include "support/test_paths.h"

namespace tarvex::dao {
namespace {

constexpr uint32_t kPages = 1000;  // several windows

std::vector<uint8_t> PageOf(uint32_t page, uint8_t round) {
  std::vector<uint8_t> bytes(format::kJet4Layout.pageSize, static_cast<uint8_t>(page + round));
  bytes[0] = round;
  return bytes;
}

// Every seventh page is written again 300 pages later, once its first window has left.
uint8_t RoundOf(uint32_t page, uint32_t written) {
  return page % 7 == 0 && page + 300 <= written ? 2 : 1;
}

TEST(PageFile, EveryPageReadsBackAsLastWrittenWhileWindowsAreWritten) {
  test::ScratchDir scratch;
  const auto path = scratch.path() / "pages.mdb";
  {
    PageFile file(path, PageFile::Mode::kCreateNew, false, format::kJet4Layout);
    for (uint32_t page = 0; page < kPages; ++page) {
      ASSERT_EQ(file.Allocate(), page);
      file.Write(page, PageOf(page, 1));
      if (page >= 300 && (page - 300) % 7 == 0) file.Write(page - 300, PageOf(page - 300, 2));
      // Pages behind the filling window: being written, written, or written again.
      for (uint32_t back : {page / 2, page >= 300 ? page - 300 : 0})
        ASSERT_EQ(file.Read(back), PageOf(back, RoundOf(back, page)))
            << "page " << back << " read after page " << page;
    }
    file.Close();
  }
  PageFile file(path, PageFile::Mode::kReadOnly, false, format::kJet4Layout);
  ASSERT_EQ(file.pageCount(), kPages);
  for (uint32_t page = 0; page < kPages; ++page)
    ASSERT_EQ(file.Read(page), PageOf(page, RoundOf(page, kPages - 1))) << "page " << page;
}

TEST(PageFile, AWriteTheDiskRefusesThrowsByClose) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full to write to";
  PageFile file("/dev/full", PageFile::Mode::kReadWrite, false, format::kJet4Layout);
  EXPECT_THROW(
      {
        for (uint32_t page = 0; page < kPages; ++page) {
          file.Write(file.Allocate(), PageOf(page, 1));
        }
        file.Close();
      },
      DaoException);
}

}  // namespace
}  // namespace tarvex::dao
