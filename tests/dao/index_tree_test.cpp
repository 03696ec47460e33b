// The tree builder against a sorted list: random text keys of every length a
// text column takes, ascending and descending, trees from empty to several
// levels. Reading the leaves back gives the entries sorted.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "dao/index_builder.h"
#include "dao/index_key.h"
#include "format/index_page.h"
#include "index_tree_reader.h"
#include "support/test_paths.h"

namespace tarvex::dao {
namespace {

TEST(IndexTree, LeavesHoldEveryEntrySorted) {
  tarvex::test::ScratchDir scratch;
  std::mt19937 random(20261207);
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const auto path = scratch.path() / ("tree" + std::to_string(round));
    PageFile file(path, PageFile::Mode::kCreateNew, false, format::kJet4Layout);
    file.Allocate();  // page 0 is never an index page
    // Few long keys, many short ones, or a mix; rounds 0 and 1 are empty and single.
    const size_t count = round < 2 ? round : random() % (round % 3 == 0 ? 200 : 30000);
    const size_t maxCharacters = round % 3 == 0 ? 255 : 1 + random() % 20;
    IndexEntries entries;
    std::vector<std::vector<uint8_t>> expected;
    std::vector<uint8_t> key;
    for (size_t i = 0; i < count; ++i) {
      key.clear();
      // Text keys of random letters, read ascending or descending: their ends
      // vary in length and order, unlike fixed-width number keys.
      std::u16string text(1 + random() % maxCharacters, u'a');
      for (auto& c : text) c = static_cast<char16_t>(u'a' + random() % 4);
      AppendKeyColumn(key, 10, std::nullopt, true);
      const auto value = format::TextKey(text, random() % 2 == 0);
      key.insert(key.end(), value.begin(), value.end());
      const uint32_t page = 1 + random() % 100000;
      const uint8_t row = static_cast<uint8_t>(random() % 256);
      entries.Add(key, page, row);
      expected.push_back(key);
      format::AppendIndexRowPointer(expected.back(), page, row);
    }
    std::sort(expected.begin(), expected.end());
    std::vector<uint32_t> unused;
    const BuiltIndex built = BuildIndex(std::move(entries), 1, {}, file, unused);
    file.Close();
    PageFile read(path, PageFile::Mode::kReadOnly, false, format::kJet4Layout);
    int depth = 0;
    EXPECT_EQ(test::TreeEntries(read, built.rootPage, depth), expected);
    EXPECT_FALSE(built.pages.empty());
    if (count > 20000) {
      EXPECT_GE(depth, 2);
    }
  }
}

}  // namespace
}  // namespace tarvex::dao
