// Usage maps in both layouts: random inline and reference maps encode, decode
// to the same pages and re-encode to the same bytes; so does every map row of
// the fixtures, with the bitmap pages it names.
#include "format/usage_map.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "format/data_page.h"
#include "support/both_layouts.h"
#include "support/fixture_pages.h"

namespace tarvex::format {
namespace {

using Blob = std::vector<uint8_t>;
using BitmapPages = std::map<uint32_t, Blob>;

std::vector<uint32_t> MarkedPages(const UsageMap& map, const JetLayout& layout,
                                  const BitmapPages& bitmapPages, uint64_t pageLimit = UINT64_MAX) {
  std::vector<uint32_t> pages;
  const auto pageAt = [&](uint32_t number) -> std::optional<Bytes> {
    const auto found = bitmapPages.find(number);
    if (found == bitmapPages.end()) return std::nullopt;
    return Bytes(found->second);
  };
  ForEachMarkedPage(map, layout, pageLimit, pageAt,
                    [&](uint64_t page) { pages.push_back(static_cast<uint32_t>(page)); });
  return pages;
}

// Each page of [first, first + count) with the given chance.
std::vector<uint32_t> RandomPages(std::mt19937& random, uint64_t first, uint32_t count,
                                  double chance) {
  std::bernoulli_distribution take(chance);
  std::vector<uint32_t> pages;
  for (uint32_t i = 0; i < count; ++i)
    if (take(random)) pages.push_back(static_cast<uint32_t>(first + i));
  return pages;
}

// The map's row and the bitmap pages it names, encoded again from what was read of them, are the
// bytes they were; gives the number of bitmap pages.
size_t ExpectReencodesTheSame(Bytes row, const UsageMap& map, const std::vector<uint32_t>& marked,
                              const BitmapPages& bitmapPages, const JetLayout& layout) {
  Blob again(row.size());
  if (map.type == UsageMapType::kInline)
    EncodeInlineMap(again, map.startPage, marked);
  else
    EncodeReferenceMap(again, map.bitmapPages);
  EXPECT_EQ(again, Blob(row.begin(), row.end()));
  size_t pages = 0;
  for (uint32_t range = 0; range < map.bitmapPages.size(); ++range) {
    const auto bitmapPage = bitmapPages.find(map.bitmapPages[range]);
    if (bitmapPage == bitmapPages.end()) continue;
    ++pages;
    Blob reencoded(layout.pageSize);
    EncodeBitmapPage(reencoded, range, marked, layout);
    EXPECT_EQ(reencoded, bitmapPage->second) << "bitmap page " << bitmapPage->first;
  }
  return pages;
}

class UsageMapTest : public test::LayoutTest {};

INSTANTIATE_TEST_SUITE_P(Layouts, UsageMapTest, test::BothLayouts(), test::LayoutName);

TEST_P(UsageMapTest, RandomInlineMapsRoundTrip) {
  std::mt19937 random(11);
  const size_t rowLength = layout().usageMapRowLength;
  for (int trial = 0; trial < 200; ++trial) {
    const uint32_t start = static_cast<uint32_t>(random() % 100000);
    const auto pages = RandomPages(random, start, InlineMapCapacity(rowLength), trial % 10 / 10.0);
    Blob row(rowLength);
    EncodeInlineMap(row, start, pages);
    const auto map = DecodeUsageMap(row);
    ASSERT_TRUE(map && map->type == UsageMapType::kInline && map->startPage == start);
    const auto decoded = MarkedPages(*map, layout(), {});
    ASSERT_EQ(decoded, pages);
    ExpectReencodesTheSame(row, *map, decoded, {}, layout());
  }
}

TEST_P(UsageMapTest, RandomReferenceMapsRoundTrip) {
  std::mt19937 random(12);
  const size_t rowLength = layout().usageMapRowLength;
  const uint32_t perPage = PagesPerBitmapPage(layout());
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<uint32_t> pointers(ReferenceMapSlots(rowLength), 0);
    std::vector<uint32_t> marked;
    BitmapPages bitmapPages;
    const size_t ranges = 1 + random() % pointers.size();
    for (uint32_t range = 0; range < ranges; ++range) {
      if (random() % 3 == 0) continue;  // a range without a bitmap page
      pointers[range] = 1000000 + static_cast<uint32_t>(random() % 1000) * 64 + range;
      const auto pages =
          RandomPages(random, uint64_t{range} * perPage, perPage, 0.01 * (random() % 20));
      marked.insert(marked.end(), pages.begin(), pages.end());
      Blob& page = bitmapPages[pointers[range]];
      page.resize(layout().pageSize);
      EncodeBitmapPage(page, range, pages, layout());
    }
    Blob row(rowLength);
    EncodeReferenceMap(row, pointers);
    const auto map = DecodeUsageMap(row);
    ASSERT_TRUE(map && map->type == UsageMapType::kReference);
    ASSERT_EQ(map->bitmapPages, pointers);
    const auto decoded = MarkedPages(*map, layout(), bitmapPages);
    ASSERT_EQ(decoded, marked);
    const uint64_t limit = marked.empty() ? 0 : marked[marked.size() / 2];
    EXPECT_EQ(MarkedPages(*map, layout(), bitmapPages, limit),
              std::vector<uint32_t>(
                  marked.begin(), marked.begin() + static_cast<std::ptrdiff_t>(marked.size() / 2)));
    ExpectReencodesTheSame(row, *map, decoded, bitmapPages, layout());
  }
}

TEST_P(UsageMapTest, WhatIsNotAMapMarksNothing) {
  Blob notABitmapPage(layout().pageSize, 0);
  notABitmapPage[0] = 0x01;
  const BitmapPages pages{{7, notABitmapPage}, {8, Blob(100, kBitmapPageType)}};
  Blob reference(layout().usageMapRowLength);
  EncodeReferenceMap(reference,
                     std::vector<uint32_t>{7, 8, 9});  // a data page, a short page, a missing page
  EXPECT_TRUE(MarkedPages(*DecodeUsageMap(reference), layout(), pages).empty());
  EXPECT_FALSE(DecodeUsageMap(Blob{0x02, 0, 0, 0, 0, 0xFF}));
  EXPECT_FALSE(DecodeUsageMap(Blob{0x00, 0, 0, 0}));
}

// The live rows of a data page.
std::vector<Bytes> LiveRows(Bytes page, const JetLayout& layout) {
  std::vector<Bytes> rows;
  RowSlotWalker walker(page, layout);
  for (uint32_t row = 0; row < walker.count(); ++row) {
    const RowSlot slot = walker.Next();
    if (!slot.deleted && slot.located && slot.start < slot.end) rows.push_back(slot.Of(page));
  }
  return rows;
}

// Usage-map rows lie on page 1 and on the data pages owned by page 0.
TEST(UsageMapFixtures, EveryMapRowAndBitmapPageReencodesTheSame) {
  size_t inlineMaps = 0, referenceMaps = 0, bitmapPages = 0;
  test::ForEachFixturePage(
      test::ReadFixturePages, [&](const test::FixturePages& fixture, uint32_t number, Bytes page) {
        const JetLayout& layout = *fixture.layout;
        if (!IsDataPage(page, layout) ||
            (number != kGlobalUsageMapPage &&
             CDataReader::U32(page, layout.dataPageOwnerOffset) != kUsageMapPageOwner))
          return;
        for (const Bytes row : LiveRows(page, layout)) {
          const auto map = DecodeUsageMap(row);
          ASSERT_TRUE(map);
          BitmapPages pages;
          for (uint32_t bitmapPage : map->bitmapPages)
            if (bitmapPage != 0 && bitmapPage < fixture.pageCount())
              pages.emplace(bitmapPage,
                            Blob(fixture.Page(bitmapPage).begin(), fixture.Page(bitmapPage).end()));
          ++(map->type == UsageMapType::kInline ? inlineMaps : referenceMaps);
          bitmapPages +=
              ExpectReencodesTheSame(row, *map, MarkedPages(*map, layout, pages), pages, layout);
        }
      });
  // Every kind occurs: the fixtures hold thousands of inline maps and dozens of reference maps.
  EXPECT_GT(inlineMaps, 5000u);
  EXPECT_GT(referenceMaps, 50u);
  EXPECT_GT(bitmapPages, 50u);
}

}  // namespace
}  // namespace tarvex::format
