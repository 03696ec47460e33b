// Long-value headers and chains: known bytes decode as Access writes them;
// random headers and chains encode, decode to the same values and re-encode
// to the same bytes. (How a damaged chain is bounded: engine/long_value_reader_test.)
#include "format/long_value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

#include "support/both_layouts.h"

namespace tarvex::format {
namespace {

using Blob = std::vector<uint8_t>;
using Kind = LongValueKind;

struct HeaderCase {
  const char* what;
  Blob bytes;
  std::optional<LongValueHeader> expected;
};

TEST(LongValueHeaderCodec, KnownBytes) {
  const std::vector<HeaderCase> cases{
      {"inline",
       {0x35, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0},
       LongValueHeader{0x35, Kind::kInline, 0}},
      {"one row: row 10 of page 0x32",
       {0x09, 0x02, 0, 0x40, 0x0A, 0x32, 0, 0, 0, 0, 0, 0},
       LongValueHeader{0x209, Kind::kSingleRow, 0x320A}},
      {"chain of 16 MiB + 1: the length's top bits share byte 3 with the kind",
       {0x01, 0, 0, 0x01, 0x02, 0x25, 0x01, 0x00, 0, 0, 0, 0},
       LongValueHeader{0x1000001, Kind::kChain, 0x12502}},
      {"the longest length, one row",
       {0xFF, 0xFF, 0xFF, 0x7F, 0, 0x01, 0, 0, 0, 0, 0, 0},
       LongValueHeader{kLongValueMaxLength, Kind::kSingleRow, 0x100}},
      {"both kind bits set", {5, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0}, std::nullopt},
      {"eleven bytes", Blob(11, 0), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeLongValueHeader(c.bytes), c.expected) << c.what;
}

TEST(LongValueHeaderCodec, RandomHeadersRoundTrip) {
  std::mt19937 random(21);
  for (int i = 0; i < 2000; ++i) {
    const LongValueHeader header{static_cast<uint32_t>(random()) & kLongValueMaxLength,
                                 static_cast<Kind>(random() % 3), static_cast<uint32_t>(random())};
    const auto bytes = EncodeLongValueHeader(header);
    const auto decoded = DecodeLongValueHeader(bytes);
    ASSERT_EQ(decoded, header);
    EXPECT_EQ(EncodeLongValueHeader(*decoded), bytes);
  }
}

class LongValueLayoutTest : public test::LayoutTest {};

INSTANTIATE_TEST_SUITE_P(Layouts, LongValueLayoutTest, test::BothLayouts(), test::LayoutName);

TEST_P(LongValueLayoutTest, WriterPlacesValuesByLength) {
  const size_t rowMax = layout().longValueRowMax;
  // The longest LVAL row fits a data page beside its row-offset slot.
  EXPECT_LE(layout().dataPageRowTableOffset + 2 + rowMax, layout().pageSize);
  const struct {
    size_t length;
    bool inlineAllowed;
    Kind kind;
  } cases[] = {{0, false, Kind::kInline},        {64, true, Kind::kInline},
               {64, false, Kind::kSingleRow},    {65, true, Kind::kSingleRow},
               {rowMax, true, Kind::kSingleRow}, {rowMax + 1, true, Kind::kChain}};
  for (const auto& c : cases)
    EXPECT_EQ(LongValueKindFor(c.length, c.inlineAllowed, layout()), c.kind)
        << c.length << " " << c.inlineAllowed;
}

// Random values laid out as a writer does: pieces of the most a row carries, each on a page of its
// own. Reading them back gives the value, and each row re-encodes from what was read of it.
TEST_P(LongValueLayoutTest, RandomChainsRoundTrip) {
  std::mt19937 random(22);
  const size_t pieceMax = layout().longValueRowMax - kLongValueLinkSize;
  for (int trial = 0; trial < 20; ++trial) {
    Blob value(1 + random() % (5 * pieceMax));
    for (auto& byte : value) byte = static_cast<uint8_t>(random());
    std::vector<uint32_t> pages((value.size() + pieceMax - 1) / pieceMax);
    std::iota(pages.begin(), pages.end(), 1);
    std::shuffle(pages.begin(), pages.end(), random);
    std::map<uint32_t, Blob> rows;
    uint32_t next = 0;
    for (size_t i = pages.size(); i-- > 0;) {
      const Bytes piece =
          Bytes(value).subspan(i * pieceMax, std::min(pieceMax, value.size() - i * pieceMax));
      EncodeLongValueChainRow(next, piece, rows[pages[i]]);
      next = pages[i] << 8;  // row 0 of the page
    }
    LongValueChain chain({static_cast<uint32_t>(value.size()), Kind::kChain, next});
    Blob back;
    for (auto at = chain.Next(); at;) {
      const Blob& row = rows.at(*at >> 8);
      ASSERT_LE(row.size(), layout().longValueRowMax);
      const auto piece = chain.Take(row);
      ASSERT_TRUE(piece);
      back.insert(back.end(), piece->begin(), piece->end());
      at = chain.Next();
      Blob again;
      EncodeLongValueChainRow(at.value_or(0), *piece, again);
      EXPECT_EQ(again, row);
    }
    EXPECT_EQ(back, value);
  }
}

}  // namespace
}  // namespace tarvex::format
