// The repair-then-save sequence both front ends run: what it refuses to start, and that two
// sessions in one process share nothing.
#include "session/repair_session.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "support/test_paths.h"

namespace tarvex::session {
namespace {

using test::FixturesDir;
using test::ScratchDir;

// Repairs `file` and saves it into `folder` through `session`, waiting for each step.
void RepairAndSave(RepairSession& session, const std::filesystem::path& file,
                   const std::filesystem::path& folder) {
  ASSERT_FALSE(session.StartRepair({file, std::nullopt}));
  session.Wait();
  ASSERT_NE(session.model(), nullptr);
  ASSERT_TRUE(session.StartSave(folder / ("Tarvex_" + file.filename().string())));
  session.Wait();
}

TEST(RepairSession, RefusesInputsThatCannotBeRepairedAndStartsNothing) {
  ScratchDir scratch;
  const auto text = scratch.path() / "notes.mdb";
  std::ofstream(text) << std::string(8192, 'x');
  const auto missing = scratch.path() / "missing.mdb";
  const auto healthy = FixturesDir() / "real" / "jet4_types.mdb";
  RepairSession session;
  for (const RepairRequest& request :
       {RepairRequest{missing, std::nullopt}, RepairRequest{text, std::nullopt},
        RepairRequest{healthy, missing}}) {
    const auto refusal = session.StartRepair(request);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->file, request.templateFile.value_or(request.damagedFile));
    EXPECT_FALSE(refusal->reason.empty());
    EXPECT_FALSE(session.Running());
  }
  EXPECT_EQ(session.model(), nullptr);
  EXPECT_FALSE(session.StartSave(scratch.path() / "out.mdb"));
}

TEST(RepairSession, TwoSessionsAtOnceKeepTheirOwnLogsLayoutsAndResults) {
  ScratchDir scratch;
  RepairSession jet3(engine::ScanSettings::WithoutPause(), writer::SaveSettings::WithoutPause());
  RepairSession jet4(engine::ScanSettings::WithoutPause(), writer::SaveSettings::WithoutPause());
  std::thread other(
      [&] { RepairAndSave(jet3, FixturesDir() / "real" / "jet3_types.mdb", scratch.path()); });
  RepairAndSave(jet4, FixturesDir() / "real" / "jet4_types.mdb", scratch.path());
  other.join();
  EXPECT_EQ(jet3.job().sourceLayout().version, format::JetVersion::kJet3);
  EXPECT_EQ(jet4.job().sourceLayout().version, format::JetVersion::kJet4);
  for (RepairSession* session : {&jet3, &jet4}) {
    EXPECT_TRUE(session->Saved());
    EXPECT_FALSE(session->job().SaveFailed());
    // Each log holds its own save only, ending with its own output.
    const std::u16string log = session->job().log().Get();
    const auto output = session->writer()->outputPath.u16string();
    EXPECT_TRUE(log.ends_with(u"Location: \r\n" + output)) << std::string(log.begin(), log.end());
    EXPECT_EQ(log.find(u"Scanning file"), std::u16string::npos);
  }
}

}  // namespace
}  // namespace tarvex::session
