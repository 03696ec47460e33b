// Values written from texts read back the same through mdb-reader and
// mdbtools, for every field type and its boundary values.
#include <gtest/gtest.h>

#include "dao_test_util.h"
#include "format/unicode.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {

using namespace tarvex::test;
namespace {

struct TypeCase {
  std::u16string table;
  int type;
  long size;
  std::vector<std::u16string> inputs;
  std::vector<std::string> mdbReader;  // mdb-reader's rendering of each value
};

std::u16string Repeat(char16_t c, size_t n) { return std::u16string(n, c); }

const std::vector<TypeCase>& Cases() {
  static const std::vector<TypeCase> cases = {
      {u"Booleans",
       1,
       1,
       {u"True", u"False", u"yes", u"0", u"-1"},
       {"true", "false", "true", "false", "true"}},
      {u"Bytes", 2, 1, {u"0", u"255", u"7.5"}, {"0", "255", "8"}},
      {u"Integers", 3, 2, {u"-32768", u"32767", u"0"}, {"-32768", "32767", "0"}},
      {u"Longs",
       4,
       4,
       {u"-2147483648", u"2147483647", u"1E3"},
       {"-2147483648", "2147483647", "1000"}},
      {u"Currencies",
       5,
       8,
       {u"1.2345", u"-922337203685477.5808", u"922337203685477.5807", u"-0.0001", u"2.00005"},
       {"1.2345", "-922337203685477.5808", "922337203685477.5807", "-0.0001", "2.0000"}},
      {u"Singles",
       6,
       4,
       {u"1.23450", u"-3.4028235E+38", u"1E-10", u"0.00000"},
       {"1.2345000505447388", "-3.4028234663852886e+38", "1.000000013351432e-10", "0"}},
      {u"Doubles",
       7,
       8,
       {u"1.2345678901234567", u"1E-10", u"-1.7976931348623157E+308", u"0.10000"},
       {"1.2345678901234567", "1e-10", "-1.7976931348623157e+308", "0.1"}},
      {u"Dates",
       8,
       8,
       {u"01/15/2020 10:30:00 PM", u"01/15/2020 ", u"12:00:00 AM", u"06:30:15 PM",
        u"12/29/1899 06:00:00 AM", u"01/01/1753 01:02:03 AM", u"12/31/9999 11:59:59 PM",
        u"2150-07-04 08:00:00"},
       // mdb-reader reads days before 1899-12-30 as one signed number, so 12/29/1899 06:00 (stored
       // as -1.25: the time of day counts away from zero, as Access stores it) shows as 12/28
       // 18:00.
       {"2020-01-15T22:30:00.000Z", "2020-01-15T00:00:00.000Z", "1899-12-30T00:00:00.000Z",
        "1899-12-30T18:30:15.000Z", "1899-12-28T18:00:00.000Z", "1752-12-31T22:57:57.000Z",
        "9999-12-31T23:59:59.000Z", "2150-07-04T08:00:00.000Z"}},
      {u"Texts",
       10,
       255,
       {u"", u"plain", Repeat(u'z', 255), u"Müller straße", u"\U0001F600 outside the BMP",
        u"\uFEFFbom first"},
       {"", "plain", std::string(255, 'z'), "Müller straße", "\xF0\x9F\x98\x80 outside the BMP",
        "\xEF\xBB\xBF"
        "bom first"}},
      {u"Guids",
       15,
       16,
       {u"{01020304-0506-0708-090A-0B0C0D0E0F10}", u"a1b2c3d4-e5f6-4789-abcd-ef0123456789"},
       {"01020304-0506-0708-090a-0b0c0d0e0f10", "a1b2c3d4-e5f6-4789-abcd-ef0123456789"}},
      {u"Binaries",
       11,
       0,
       {u"AB\x01\xFF", u""},
       {"4142"
        "01ff",
        ""}},
  };
  return cases;
}

class ValueRoundTrip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchDirHolder();
    Database db;
    db.Create(File(), kLocale, kDbVersion40);
    for (const auto& c : Cases()) {
      MakeTable(db, c.table, {{u"V", c.type, c.size}});
      std::vector<std::vector<std::optional<std::u16string>>> rows;
      for (const auto& input : c.inputs) rows.push_back({input});
      AddRows(db, c.table, rows);
    }
    db.Close();
  }
  static void TearDownTestSuite() { delete scratch_; }
  static std::filesystem::path File() { return scratch_->dir.path() / "values.mdb"; }

  struct ScratchDirHolder {
    tarvex::test::ScratchDir dir;
  };
  static inline ScratchDirHolder* scratch_ = nullptr;
};

TEST_F(ValueRoundTrip, MdbReaderReadsEveryValue) {
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  auto dump = MdbReaderDump(File());
  for (const auto& c : Cases()) {
    SCOPED_TRACE(format::ToUtf8(c.table));
    auto table = DumpTable(dump, format::ToUtf8(c.table));
    ASSERT_FALSE(table.is_null());
    ASSERT_EQ(table["rows"].size(), c.mdbReader.size());
    for (size_t i = 0; i < c.mdbReader.size(); ++i)
      EXPECT_EQ(table["rows"][i][0], c.mdbReader[i]) << "row " << i;
  }
}

TEST_F(ValueRoundTrip, MdbtoolsListsAndExportsEveryTable) {
  auto tables = MdbTables(File());
  EXPECT_EQ(tables.size(), Cases().size());
  for (const auto& c : Cases()) {
    SCOPED_TRACE(format::ToUtf8(c.table));
    EXPECT_EQ(MdbExportRows(File(), format::ToUtf8(c.table)).size(), c.inputs.size());
  }
  auto longs = MdbExportRows(File(), "Longs");
  EXPECT_EQ(longs[0][0], "-2147483648");
  auto texts = MdbExportRows(File(), "Texts");
  EXPECT_EQ(texts[3][0], "Müller straße");
  auto dates = MdbExportRows(File(), "Dates");
  EXPECT_EQ(dates[0][0], "2020-01-15 22:30:00");
  EXPECT_EQ(dates[7][0], "2150-07-04 08:00:00");
}

}  // namespace
}  // namespace tarvex::dao::test
