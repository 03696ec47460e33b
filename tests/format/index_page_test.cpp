// Index pages in both layouts: random leaf and node pages, with and without a
// shared prefix, encode, decode to the same entries and re-encode to the same
// bytes; so does every index page of the fixtures, up to the end of its entries.
#include "format/index_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "format/page_type.h"
#include "support/both_layouts.h"
#include "support/fixture_pages.h"

namespace tarvex::format {
namespace {

using Blob = std::vector<uint8_t>;

class IndexPageTest : public test::LayoutTest {};

INSTANTIATE_TEST_SUITE_P(Layouts, IndexPageTest, test::BothLayouts(), test::LayoutName);

// Sorted entries sharing their first `shared` bytes, filling up to `budget` bytes.
std::vector<Blob> RandomEntries(std::mt19937& random, bool leaf, size_t shared, size_t budget) {
  Blob prefix(shared);
  for (auto& b : prefix) b = static_cast<uint8_t>(random());
  std::vector<Blob> entries;
  size_t used = 0;
  const size_t pointers =
      leaf ? kIndexRowPointerSize : kIndexRowPointerSize + kIndexChildPointerSize;
  while (true) {
    Blob entry = prefix;
    entry.resize(shared + 1 + random() % 30 + pointers);
    std::generate(entry.begin() + static_cast<std::ptrdiff_t>(shared), entry.end(),
                  [&] { return static_cast<uint8_t>(random()); });
    const size_t stored = entries.empty() ? entry.size() : entry.size() - shared;
    if (used + stored > budget) break;
    used += stored;
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

TEST_P(IndexPageTest, RandomPagesRoundTrip) {
  std::mt19937 random(21);
  for (int trial = 0; trial < 200; ++trial) {
    IndexPage page;
    page.leaf = trial % 2 == 0;
    page.owner = static_cast<uint32_t>(random());
    page.previous = static_cast<uint32_t>(random());
    page.next = static_cast<uint32_t>(random());
    page.tail = page.leaf ? 0 : static_cast<uint32_t>(random());
    page.prefixLength = trial % 3 == 0 ? 0 : random() % 12;
    page.nodeMarker = trial % 4 == 1;
    const size_t budget = random() % (IndexPageCapacity(layout()) + 1);
    page.entries = RandomEntries(random, page.leaf, page.prefixLength, budget);
    Blob bytes(layout().pageSize);
    ASSERT_TRUE(EncodeIndexPage(page, layout(), bytes));
    const auto decoded = DecodeIndexPage(bytes, layout());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->fault, IndexPageFault::kNone);
    EXPECT_EQ(decoded->entries, page.entries);
    EXPECT_EQ(std::tie(decoded->leaf, decoded->owner, decoded->previous, decoded->next,
                       decoded->tail, decoded->prefixLength, decoded->nodeMarker),
              std::tie(page.leaf, page.owner, page.previous, page.next, page.tail,
                       page.prefixLength, page.nodeMarker));
    Blob again(layout().pageSize);
    ASSERT_TRUE(EncodeIndexPage(*decoded, layout(), again));
    EXPECT_EQ(again, bytes);
  }
}

TEST_P(IndexPageTest, DamageIsReportedAndWhatDoesNotFitIsRefused) {
  IndexPage page;
  page.entries = {Blob(6, 1), Blob(6, 2)};
  Blob bytes(layout().pageSize);
  ASSERT_TRUE(EncodeIndexPage(page, layout(), bytes));
  bytes[layout().indexEntryMaskOffset] |= 0x04;  // an entry of two bytes: too short for its row
  auto decoded = DecodeIndexPage(bytes, layout());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->fault, IndexPageFault::kShortEntry);
  EXPECT_TRUE(decoded->entries.empty());

  page.prefixLength = 7;  // longer than the entries
  EXPECT_FALSE(EncodeIndexPage(page, layout(), bytes));
  page.prefixLength = 0;
  page.entries = {Blob(IndexPageCapacity(layout()) + 1, 1)};
  EXPECT_FALSE(EncodeIndexPage(page, layout(), bytes));
  EXPECT_FALSE(DecodeIndexPage(Blob(layout().pageSize, 0x01), layout()));  // a data page
  EXPECT_FALSE(DecodeIndexPage(Blob(layout().pageSize - 1, 0x04), layout()));
}

// Access leaves stale bytes after the last entry; everything before it is canonical.
TEST(IndexPageFixtures, EveryIndexPageReencodesTheSame) {
  size_t leaves = 0, nodes = 0, compressed = 0;
  test::ForEachFixturePage(
      test::ReadFixturePages, [&](const test::FixturePages& fixture, uint32_t, Bytes page) {
        const JetLayout& layout = *fixture.layout;
        if (page[1] != kPageTypeMarker) return;
        const auto decoded = DecodeIndexPage(page, layout);
        if (!decoded) return;
        ASSERT_EQ(decoded->fault, IndexPageFault::kNone);
        (decoded->leaf ? leaves : nodes)++;
        compressed += decoded->prefixLength > 0;
        Blob again(layout.pageSize);
        ASSERT_TRUE(EncodeIndexPage(*decoded, layout, again));
        const size_t end = layout.pageSize - *CDataReader::U16(page, kPageFreeSpaceOffset);
        EXPECT_TRUE(std::equal(again.begin(), again.begin() + static_cast<std::ptrdiff_t>(end),
                               page.begin()));
      });
  EXPECT_GT(leaves, 500u);
  EXPECT_GT(nodes, 5u);
  EXPECT_GT(compressed, 50u);
}

}  // namespace
}  // namespace tarvex::format
