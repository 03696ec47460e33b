// The output naming rules in their Linux form: paths keep their case, and the
// repaired file keeps the damaged file's type.
#include "writer/output_naming.h"

#include <gtest/gtest.h>

#include <set>

namespace tarvex::writer {
namespace {

TEST(OutputNaming, TheDefaultNameAndFilterFollowTheDamagedFile) {
  struct Case {
    const char* damaged;
    const char* name;
    const char* extension;
    const char* filter;
  };
  const Case cases[] = {
      {"/data/Sales.MDB", "Tarvex_Sales.MDB", "mdb", "MS Access Files (*.mdb)|*.mdb||"},
      {"/data/a.accdb", "Tarvex_a.accdb", "accdb", "MS Access Files (*.accdb)|*.accdb||"},
      {"/data/backup", "Tarvex_backup", "", "MS Access Files (*.accdb;*.mdb)|*.accdb;*.mdb||"},
  };
  for (const auto& c : cases) {
    const auto defaults = DefaultOutputNameFor(c.damaged);
    EXPECT_EQ(defaults.name, c.name);
    EXPECT_EQ(defaults.extension, c.extension);
    EXPECT_EQ(defaults.filter, c.filter);
  }
}

TEST(OutputNaming, ChosenPathsAreRefusedNumberedOrKeptAsChosen) {
  const std::set<std::filesystem::path> existing = {"/out/x.accdb.mdb", "/out/x.accdb.mdb1.mdb",
                                                    "/out/New.MDB"};
  auto exists = [&](const std::filesystem::path& path) { return existing.contains(path); };
  struct Case {
    std::string chosen;
    std::string path;  // empty: refused
    bool replaces;
  };
  const std::string dir = "/out/";
  const std::string longest = dir + std::string(245 - dir.size() - 4, 'n') + ".mdb";
  const Case cases[] = {
      {longest, longest, false},
      {dir + ".mdb", "", false},
      {dir + ".MDB", "/out/.MDB", false},
      {dir + "x.accdb", "/out/x.accdb.mdb2.mdb", false},
      {dir + "plain", "/out/plain.mdb", false},
      {dir + "New.MDB", "/out/New.MDB", true},  // never lower-cased
  };
  for (const auto& c : cases) {
    const auto decision = DecideOutputPath(c.chosen, "mdb", exists);
    EXPECT_EQ(decision.path, c.path) << c.chosen;
    EXPECT_EQ(decision.replacesFile, c.replaces) << c.chosen;
  }
  EXPECT_EQ(DecideOutputPath(dir + std::string(246 - dir.size() - 4, 'n') + ".mdb", "mdb", exists)
                .message,
            "File name should be less than 245 characters.");
  EXPECT_EQ(DecideOutputPath(dir + ".accdb", "accdb", exists).message,
            "Please provide a valid file name.");
}

TEST(OutputNaming, APrefixMustBeGivenAndFitAFileName) {
  EXPECT_EQ(CheckFilePrefix(u""), "Please fill prefix");
  EXPECT_EQ(CheckFilePrefix(u"a:b"), "Illegal character found in file pre fix ");
  EXPECT_EQ(CheckFilePrefix(u"Rep"), std::nullopt);
}

}  // namespace
}  // namespace tarvex::writer
