#include "model/repair_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "model/error_handler.h"

namespace tarvex::model {
namespace {

TEST(RepairLog, SeparatesLinesWithoutATrailingSeparator) {
  CRepairLog log;
  log.AppendLine(u"a");
  log.AppendLine(u"b");
  EXPECT_EQ(log.Get(), u"a\r\nb");
  log.AppendLine(u"");
  EXPECT_EQ(log.Get(), u"a\r\nb\r\n");
  log.Set(u"");
  EXPECT_EQ(log.Get(), u"");
  log.AppendLine(u"c");
  EXPECT_EQ(log.Get(), u"c");
}

TEST(RepairLog, ClearWhileAnotherThreadAppendsLeavesWholeLines) {
  CRepairLog log;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) log.AppendLine(u"line");
    done = true;
  });
  // At least one clear, even when the writer is done before this thread first runs.
  do {
    log.Set(u"");
    const std::u16string text = log.Get();
    // Whatever got in after the clear is whole lines joined by separators.
    for (size_t at = 0; at < text.size(); at += 6) ASSERT_EQ(text.substr(at, 4), u"line");
  } while (!done);
  writer.join();
}

TEST(ErrorHandler, StartsWithoutFailure) {
  CErrorHandler error;
  EXPECT_FALSE(error.Failed());
  EXPECT_EQ(error.Message(), u"Operation completed successfully.");
  error.Set(u"broken", 1);
  EXPECT_TRUE(error.Failed());
  EXPECT_EQ(error.Message(), u"broken");
}

}  // namespace
}  // namespace tarvex::model
