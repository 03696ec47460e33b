#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "engine/repair_file_manager.h"
#include "support/test_paths.h"

namespace tarvex::engine {
namespace {

// Raised by a scanner that holds step 1, read by the test on another thread.
std::atomic<bool> heldInStep1{false};

// Records what the driver asked of it; can hold step 1 until the flag falls.
class RecordingScanner : public CAccessProcessFile {
 public:
  explicit RecordingScanner(std::vector<std::string>* calls, bool blockInStep1)
      : calls_(calls), blockInStep1_(blockInStep1) {}
  bool ScanTableDefinitions(model::CAccessData& model) override {
    calls_->push_back("ScanTableDefinitions:" + definitionFile_.filename().string());
    model.tableList.Append(4096);
    if (blockInStep1_) heldInStep1 = true;
    while (blockInStep1_ && job_->Running()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  bool RemoveContinuationDefinitions(model::CAccessData&) override { return Record("Remove"); }
  bool ScanDataPages(model::CAccessData&) override {
    return Record("ScanDataPages:" + dataFile_.filename().string());
  }
  bool ParseTableDefinitions(model::CAccessData&) override { return Record("Parse"); }
  bool SortColumns(model::CAccessData&) override { return Record("Sort"); }
  bool ExtractRecords(model::CAccessData&) override { return Record("Extract"); }
  bool RecoverTableNames(model::CAccessData&) override { return Record("Names"); }
  bool PostProcessComplexColumns(model::CAccessData&) override { return Record("Complex"); }

 private:
  bool Record(const std::string& call) {
    calls_->push_back(call);
    return true;
  }
  std::vector<std::string>* calls_;
  bool blockInStep1_;
};

class RepairJob : public testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_.path() / "damaged.mdb";
    template_ = dir_.path() / "template.mdb";
    // A Jet 4 header, so that the layout is taken from it without a word in the log.
    std::string bytes(8192, '\1');
    bytes.replace(4, 15, "Standard Jet DB");
    for (const auto& path : {data_, template_}) std::ofstream(path) << bytes;
  }
  ScanSettings Settings(bool block) {
    ScanSettings settings = ScanSettings::WithoutPause();
    settings.makeScanner = [this, block](bool) {
      return std::make_unique<RecordingScanner>(&calls_, block);
    };
    return settings;
  }

  model::Job job_;
  test::ScratchDir dir_;
  std::filesystem::path data_, template_;
  std::vector<std::string> calls_;
};

TEST_F(RepairJob, RunsTheStepsInTheirOrderAndKeepsTheModel) {
  CMTRepairFileManager manager(job_, Settings(false));
  manager.SetDataFilePath(data_);
  manager.SetTemplatePath(template_);
  manager.StartRepair();
  manager.Wait();
  EXPECT_EQ(calls_, (std::vector<std::string>{"ScanTableDefinitions:damaged.mdb", "Remove",
                                              "ScanDataPages:damaged.mdb", "Parse", "Sort",
                                              "Extract", "Names", "Complex"}));
  ASSERT_NE(manager.lastResult(), nullptr);
  EXPECT_EQ(manager.lastResult()->model()->tableList.count(), 1);
  EXPECT_FALSE(job_.Running());
  EXPECT_EQ(job_.log().Get(),
            u"Scanning file for table definition...\r\nScanning file for table data...\r\n"
            u"Parsing file data for table fields...\r\nParsing file data for table name...");
}

TEST_F(RepairJob, TemplateModeTakesDefinitionsFromTheTemplate) {
  CMTRepairFileManager manager(job_, Settings(false));
  manager.SetDataFilePath(data_);
  manager.SetTemplatePath(template_);
  manager.mode().Set(CRepairModeStatus::kTemplateMode);
  manager.StartRepair();
  manager.Wait();
  ASSERT_GE(calls_.size(), 3u);
  EXPECT_EQ(calls_[0], "ScanTableDefinitions:template.mdb");
  EXPECT_EQ(calls_[2], "ScanDataPages:damaged.mdb");
}

TEST_F(RepairJob, StopDuringStepOneLeavesNoModelAndCountersAtZero) {
  CMTRepairFileManager manager(job_, Settings(false));
  manager.SetDataFilePath(data_);
  manager.StartRepair();
  manager.Wait();
  ASSERT_NE(manager.lastResult(), nullptr);  // a previous result, destroyed by the next job

  CMTRepairFileManager blocking(job_, Settings(true));
  blocking.SetDataFilePath(data_);
  blocking.StartRepair();
  while (!heldInStep1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  blocking.StopRepair();
  EXPECT_EQ(blocking.lastResult(), nullptr);
  EXPECT_FALSE(job_.Running());
  EXPECT_EQ(calls_.back(), "ScanDataPages:damaged.mdb");  // step 2 runs, nothing after it
}

// It is no success though: its result says so, for both front ends to report.
TEST_F(RepairJob, EmptyScanStillLeavesAnEmptyModel) {
  CMTRepairFileManager manager(job_, ScanSettings::WithoutPause());
  manager.SetDataFilePath(data_);
  manager.StartRepair();
  manager.Wait();
  ASSERT_NE(manager.lastResult(), nullptr);
  ASSERT_NE(manager.lastResult()->model(), nullptr);
  // Nothing but the built-in catalogue definition, and no rows for it.
  const auto& tables = manager.lastResult()->model()->tableList;
  ASSERT_EQ(tables.count(), 1);
  EXPECT_EQ(tables.At(0)->name, u"MSysObjects");
  EXPECT_EQ(tables.At(0)->tableDefInfo.rowCount, 0u);
  EXPECT_TRUE(manager.lastResult()->failure().starts_with("no table could be recovered"))
      << manager.lastResult()->failure();
}

TEST(ProgressCounter, MaximumOfZeroOrLessIsStoredAsOne) {
  model::ProgressCounter progress;
  for (int maximum : {0, -5}) {
    progress.SetMaximum(maximum);
    EXPECT_EQ(progress.Maximum(), 1);
  }
  progress.SetMaximum(40);
  progress.SetPosition(3);
  progress.Step();
  EXPECT_EQ(progress.Maximum(), 40);
  EXPECT_EQ(progress.Position(), 4);
}

}  // namespace
}  // namespace tarvex::engine
