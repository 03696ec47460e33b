// Index keys as the engine encodes them, checked against keys read from
// Access-made files; and whole catalogue indexes compared with the fixture's.
#include "dao/index_key.h"

#include <gtest/gtest.h>

#include "dao/dao_exception.h"

namespace tarvex::dao {
namespace {

struct KeyCase {
  std::u16string text;
  std::vector<uint8_t> key;
};

TEST(TextKey, MatchesTheGeneralSortOrderOfAccessFiles) {
  const std::vector<KeyCase> cases = {
      {u"MSysDb", {0x60, 0x6B, 0x76, 0x6B, 0x4F, 0x4C, 0x01, 0x00}},
      {u"AccessLayout",
       {0x4A, 0x4D, 0x4D, 0x51, 0x6B, 0x6B, 0x5E, 0x4A, 0x76, 0x64, 0x6F, 0x6D, 0x01, 0x00}},
      {u"O'B", {0x64, 0x4C, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x80, 0x00}},
      {u"\u00E8", {0x51, 0x01, 0x0F, 0x00}},
      {u"\u00E9", {0x51, 0x01, 0x0E, 0x00}},
      {u"Databases", {0x4F, 0x4A, 0x6D, 0x4A, 0x4C, 0x4A, 0x6B, 0x51, 0x6B, 0x01, 0x00}},
      {u"ab  ", {0x4A, 0x4C, 0x01, 0x00}},  // trailing blanks do not count
      {u"", {0x01, 0x00}},
  };
  for (const auto& c : cases) EXPECT_EQ(format::TextKey(c.text, true), c.key);
}

TEST(TextKey, OrdersCharactersBeyondLatin1AfterItAndByCodeUnit) {
  auto latin = format::TextKey(u"\u00FF", true);
  auto cyrillic = format::TextKey(u"\u0416", true);
  auto cjk = format::TextKey(u"\u8868", true);
  EXPECT_LT(latin, cyrillic);
  EXPECT_LT(cyrillic, cjk);
  EXPECT_EQ(cyrillic.back(), 0x00);
}

TEST(KeyColumn, NumbersSortAsTheirValues) {
  std::vector<uint8_t> minusOne, zero, five;
  std::vector<uint8_t> bytesMinusOne{0xFF, 0xFF, 0xFF, 0xFF}, bytesZero{0, 0, 0, 0},
      bytesFive{5, 0, 0, 0};
  AppendKeyColumn(minusOne, 4, std::span<const uint8_t>(bytesMinusOne), true);
  AppendKeyColumn(zero, 4, std::span<const uint8_t>(bytesZero), true);
  AppendKeyColumn(five, 4, std::span<const uint8_t>(bytesFive), true);
  EXPECT_EQ(five, (std::vector<uint8_t>{0x7F, 0x80, 0x00, 0x00, 0x05}));
  EXPECT_EQ(minusOne, (std::vector<uint8_t>{0x7F, 0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_LT(minusOne, zero);
  EXPECT_LT(zero, five);
  std::vector<uint8_t> null;
  AppendKeyColumn(null, 4, std::nullopt, true);
  EXPECT_EQ(null, std::vector<uint8_t>{0x00});
}

struct DecimalKeyCase {
  bool negative;
  uint8_t lowByte;  // of the magnitude
  bool ascending;
  std::vector<uint8_t> key;
};

std::vector<uint8_t> Repeated(uint8_t first, uint8_t fill, uint8_t last) {
  std::vector<uint8_t> bytes{first};
  bytes.insert(bytes.end(), 16, fill);
  bytes.back() = last;
  return bytes;
}

// The key bytes of Jet 4 files: 0xFF before a positive value and 0x00 before
// a negative one, which sorts first in both directions.
TEST(KeyColumn, DecimalsAsJet4FilesKeyThem) {
  const std::vector<DecimalKeyCase> cases = {
      {false, 1, true, Repeated(0xFF, 0x00, 0x01)},
      {true, 1, true, Repeated(0x00, 0xFF, 0xFE)},
      {false, 1, false, Repeated(0xFF, 0xFF, 0xFE)},
      {true, 1, false, Repeated(0x00, 0x00, 0x01)},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> stored(17, 0);
    stored[0] = c.negative ? 0x80 : 0x00;
    stored[13] = c.lowByte;  // the least significant word is the last one, little-endian
    std::vector<uint8_t> key;
    AppendKeyColumn(key, 16, std::span<const uint8_t>(stored), c.ascending);
    std::vector<uint8_t> expected{static_cast<uint8_t>(c.ascending ? 0x7F : 0x80)};
    expected.insert(expected.end(), c.key.begin(), c.key.end());
    EXPECT_EQ(key, expected);
  }
  std::vector<uint8_t> truncated(16, 0), key;
  EXPECT_THROW(AppendKeyColumn(key, 16, std::span<const uint8_t>(truncated), true), DaoException);
}

}  // namespace
}  // namespace tarvex::dao
