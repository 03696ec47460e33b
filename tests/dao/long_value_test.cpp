// Memo and long binary values of every storage kind (in the row, one LVAL
// row, chains of LVAL pages) read back whole through both readers.
#include <gtest/gtest.h>

#include <numeric>

#include "dao_test_util.h"
#include "format/unicode.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {

using namespace tarvex::test;
namespace {

// A memo text of `n` characters that is not one repeated character, with
// non-Latin-1 characters in every other kilo-character so both text forms occur.
std::u16string MemoText(size_t n, bool wide) {
  std::u16string text(n, u'a');
  for (size_t i = 0; i < n; ++i) text[i] = static_cast<char16_t>(u'a' + (i * 7) % 26);
  if (wide)
    for (size_t i = 0; i < n; i += 1000) text[i] = u'\u0416';
  return text;
}

std::vector<uint8_t> Bytes(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + i / 256) & 0xFF);
  return bytes;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

struct LongCase {
  size_t memoLength;
  bool wide;
  size_t binaryLength;
};

const std::vector<LongCase> kCases = {
    {0, false, 0},
    {1, false, 1},
    {64, false, 64},
    {2000, false, 4076},
    {2000, true, 4077},
    {70000, true, 70000},
    {2000000, false, 5 * 1024 * 1024},
};

TEST(LongValues, EveryStorageKindReadsBack) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "long.mdb";
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    MakeTable(db, u"Blobs", {{u"Id", 4, 4}, {u"Memo", 12, 0}, {u"Ole", 11, 0}});
    Recordset rs(db);
    rs.Open(-1, u"SELECT * FROM [Blobs]", 0);
    for (size_t i = 0; i < kCases.size(); ++i) {
      rs.AddNew();
      rs.SetFieldValue(0, format::FromUtf8(std::to_string(i)));
      rs.SetFieldValue(1, MemoText(kCases[i].memoLength, kCases[i].wide));
      auto bytes = Bytes(kCases[i].binaryLength);
      rs.SetFieldValue(2, std::span<const uint8_t>(bytes));
      rs.Update();
    }
    rs.Close();
    db.Close();
  }
  // mdb-export cuts every value to 199,999 characters (its bind buffer); compare that much.
  constexpr size_t kMdbExportLimit = 199999;
  auto rows = MdbExportRows(file, "Blobs");
  ASSERT_EQ(rows.size(), kCases.size());
  for (size_t i = 0; i < kCases.size(); ++i) {
    auto expected = MemoText(kCases[i].memoLength, kCases[i].wide).substr(0, kMdbExportLimit);
    EXPECT_EQ(rows[i][1], format::ToUtf8(expected)) << "mdb-export row " << i;
  }

  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  auto table = DumpTable(MdbReaderDump(file), "Blobs");
  ASSERT_EQ(table["rows"].size(), kCases.size());
  for (size_t i = 0; i < kCases.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(table["rows"][i][1], format::ToUtf8(MemoText(kCases[i].memoLength, kCases[i].wide)));
    EXPECT_EQ(table["rows"][i][2], Hex(Bytes(kCases[i].binaryLength)));
  }
}

}  // namespace
}  // namespace tarvex::dao::test
