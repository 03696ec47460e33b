// Our index keys against the indexes of Access-format files: for every real
// index of every table of the Jet 4 fixtures (system tables included), the
// entries we compute from the rows equal the leaf entries stored in the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "dao/dao_exception.h"
#include "dao/database_file.h"
#include "format/catalogue_objects.h"
#include "format/data_reader.h"
#include "format/unicode.h"
#include "format/value_text.h"
#include "index_tree_reader.h"
#include "support/test_paths.h"

namespace tarvex::dao {
namespace {

using format::CDataReader;
using test::HasWideText;
using test::Hex;
using Entry = std::vector<uint8_t>;

class FixtureIndexes : public ::testing::TestWithParam<std::string> {};

TEST_P(FixtureIndexes, OurKeysEqualTheStoredOnes) {
  auto path = tarvex::test::FixturesDir() / "synthetic" / GetParam();
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "fixture missing";
  auto db = DatabaseFile::OpenExisting(path, false, true);
  PageFile file(path, PageFile::Mode::kReadOnly, false, format::kJet4Layout);
  size_t compared = 0;
  for (const auto& object : db->catalogue()) {
    auto page = db->FindTable(object.name);
    if (!page || object.parentId != format::kTablesContainerId) continue;
    TableStore& table = db->Table(*page);
    for (const auto& real : table.definition().realIndexes) {
      SCOPED_TRACE(format::ToUtf8(object.name) + " index on column " +
                   std::to_string(real.keys.front().columnNumber));
      IndexEntries ours;
      try {
        ours = table.CollectIndexEntries(real);
      } catch (const DaoException&) {
        continue;  // a key type this engine does not index (memo)
      }
      if (HasWideText(table, real)) continue;
      ours.Sort();
      std::vector<Entry> ourBytes;
      for (size_t i = 0; i < ours.size(); ++i)
        ourBytes.emplace_back(ours[i].begin(), ours[i].end());
      int depth = 0;
      auto stored = test::TreeEntries(file, real.rootPage, depth);
      EXPECT_EQ(ourBytes.size(), stored.size());
      auto [mine, theirs] =
          std::mismatch(ourBytes.begin(), ourBytes.end(), stored.begin(), stored.end());
      if (mine != ourBytes.end() && theirs != stored.end())
        ADD_FAILURE() << "first difference at entry " << (mine - ourBytes.begin()) << ": ours "
                      << Hex(*mine) << " stored " << Hex(*theirs);
      ++compared;
    }
  }
  EXPECT_GE(compared, 8u);  // the four system tables alone have eight
}

INSTANTIATE_TEST_SUITE_P(Jet4, FixtureIndexes,
                         ::testing::Values("synthetic-V2000.mdb", "synthetic-V2003.mdb",
                                           "empty-V2000.mdb"));

}  // namespace
}  // namespace tarvex::dao
