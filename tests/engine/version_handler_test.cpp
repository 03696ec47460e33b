#include "engine/version_handler.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_paths.h"

namespace tarvex::engine {
namespace {

struct DetectionCase {
  const char* what;
  size_t fileSize;
  uint8_t versionByte;
  size_t jet3SignatureAt;  // 0: none
  bool expectJet4;
};

class LayoutDetection : public testing::TestWithParam<DetectionCase> {};

TEST_P(LayoutDetection, ChoosesTheScannerAndSetsTheFlag) {
  const DetectionCase& c = GetParam();
  test::ScratchDir dir;
  std::vector<char> bytes(c.fileSize, 0);
  bytes[20] = static_cast<char>(c.versionByte);
  if (c.jet3SignatureAt) {
    const char signature[] = {0x02, 0x01, 0x56, 0x43};
    std::copy(std::begin(signature), std::end(signature), bytes.begin() + c.jet3SignatureAt);
  }
  const auto path = dir.path() / "file.mdb";
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

  EXPECT_EQ(CAccessVersionHandler::IsJet4Layout(path, nullptr), c.expectJet4) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LayoutDetection,
    testing::Values(
        DetectionCase{"Jet 4 version byte", 8192, 1, 0, true},
        DetectionCase{"ACE 12 version byte", 8192, 2, 0, true},
        DetectionCase{"ACE 14 version byte", 8192, 3, 0, true},
        DetectionCase{"zero byte, Jet 3 definition at page 1", 8192, 0, 2048, false},
        DetectionCase{"zero byte, Jet 3 definition at page 9", 20480, 0, 9 * 2048, false},
        DetectionCase{"zero byte, signature beyond the probed pages", 64 * 2048 + 4096, 0,
                      64 * 2048, true},
        // Without its engine name the header is garbage, whatever its version byte.
        DetectionCase{"garbled version byte, Jet 3 definition at page 1", 8192, 0x7B, 2048, false},
        DetectionCase{"zero byte, no signature", 8192, 0, 0, true},
        DetectionCase{"zero byte, shorter than 4096 bytes", 3000, 0, 0, true}));

TEST(LayoutDetectionFailures, UnopenableFileUsesJet3) {
  test::ScratchDir dir;
  EXPECT_FALSE(CAccessVersionHandler::IsJet4Layout(dir.path() / "missing.mdb", nullptr));
}

TEST(LayoutDetectionFailures, StopDuringTheProbeAnswersNotFound) {
  test::ScratchDir dir;
  std::vector<char> bytes(8192, 0);
  bytes[2048] = 0x02, bytes[2049] = 0x01, bytes[2050] = 0x56, bytes[2051] = 0x43;
  const auto path = dir.path() / "file.mdb";
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_FALSE(CAccessVersionHandler::HasJet3DefinitionPage(path, [] { return true; }));
  EXPECT_TRUE(CAccessVersionHandler::HasJet3DefinitionPage(path, nullptr));
}

// Whatever the version byte says, real files are read in their own layout; the log is told
// why exactly when the byte names another layout or no known one.
TEST(LayoutDetectionFixtures, TheVersionByteDisagreeingWithThePagesLoses) {
  struct Fixture {
    const char* name;
    bool jet4;
  };
  for (const Fixture& fixture : {Fixture{"jet3_types.mdb", false}, Fixture{"jet4_types.mdb", true},
                                 Fixture{"ace12_all_types.accdb", true}}) {
    std::ifstream in(test::FixturesDir() / "real" / fixture.name, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    test::ScratchDir dir;
    const auto path = dir.path() / fixture.name;
    for (const int version : {-1, 0, 1, 2, 3, 5, 0xFF}) {
      SCOPED_TRACE(std::string(fixture.name) + " with version byte " + std::to_string(version));
      if (version >= 0) bytes[20] = static_cast<char>(version);
      std::ofstream(path, std::ios::binary)
          .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      const auto decision = CAccessVersionHandler::DecideLayout(path, nullptr);
      EXPECT_EQ(decision.jet4, fixture.jet4);
      const bool agrees = version < 0 || (fixture.jet4 ? version >= 1 && version <= 6 : version == 0);
      EXPECT_EQ(decision.note.empty(), agrees);
    }
  }
}

}  // namespace
}  // namespace tarvex::engine

namespace tarvex::engine {
namespace {

TEST(LayoutDetectionHeader, IntactJet3HeaderNeedsNoDefinitionPage) {
  test::ScratchDir dir;
  std::vector<char> bytes(8192, 0);
  const std::string name = "Standard Jet DB";
  std::copy(name.begin(), name.end(), bytes.begin() + 4);
  const auto path = dir.path() / "file.mdb";
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_FALSE(CAccessVersionHandler::IsJet4Layout(path, nullptr));
}

}  // namespace
}  // namespace tarvex::engine
