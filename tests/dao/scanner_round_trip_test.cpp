// Round trip through our own scanner: values written from their value texts
// are read back by the scan as the same texts, for every field type; nulls
// come back as nulls and empty texts as empty texts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "dao_test_util.h"
#include "format/unicode.h"
#include "support/scan_file.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {
namespace {

struct TextCase {
  std::u16string table;
  int type;
  long size;
  std::vector<std::optional<std::u16string>> texts;  // written, and expected back unchanged
};

std::u16string Cycle(size_t n) {
  std::u16string text(n, u'a');
  for (size_t i = 0; i < n; ++i) text[i] = static_cast<char16_t>(u'a' + (i * 7) % 26);
  return text;
}

// Cyrillic does not compress: 2 bytes a character, so a memo of 20 MiB and more
// needs the long-value length's bits above its third byte.
std::u16string WideCycle(size_t n) {
  std::u16string text = Cycle(n);
  for (auto& c : text) c = static_cast<char16_t>(c - u'a' + u'\u0430');
  return text;
}

const std::vector<TextCase>& Cases() {
  static const std::vector<TextCase> cases = {
      {u"Booleans", 1, 1, {u"True", u"False"}},
      {u"Bytes", 2, 1, {u"0", u"255", u"17"}},
      {u"Integers", 3, 2, {u"-32768", u"32767", u"0"}},
      {u"Longs", 4, 4, {u"-2147483648", u"2147483647", u"1"}},
      {u"Currencies",
       5,
       8,
       {u"1.2345", u"-922337203685477.5808", u"922337203685477.5807", u"-0.0001", u"0.0000"}},
      {u"Singles", 6, 4, {u"1.23450", u"-3.50000", u"0.00000", u"100000.00000"}},
      {u"Doubles", 7, 8, {u"0.10000", u"-12345.67891", u"1.00000"}},
      {u"Dates",
       8,
       8,
       {u"01/15/2020 10:30:00 PM", u"01/15/2020 ", u"12:00:00 AM", u"12/30/1899 06:30:15 PM",
        u"12/29/1899 06:00:00 AM", u"01/01/1753 01:02:03 AM", u"07/04/2150 08:00:00 AM",
        u"12/31/9999 11:59:59 PM", u"03/23/2020 07:00:37.599 AM", u"06/30/2024 11:59:59.500 PM",
        u"12/29/1899 12:00:00.001 AM", u"12/30/1899 12:00:00.999 AM", std::nullopt}},
      {u"Texts",
       10,
       255,
       {u"plain", std::u16string(255, u'z'), u"M\u00FCller stra\u00DFe",
        u"\U0001F600 outside the BMP", u"\u0416\u0418\u0412", u"", std::nullopt}},
      {u"Memos",
       12,
       0,
       {Cycle(1), Cycle(2000), Cycle(70000), Cycle(2000000), WideCycle(10 * 1024 * 1024 + 3), u"",
        std::nullopt}},
      {u"Guids", 15, 16, {u"{01020304-0506-0708-090A-0B0C0D0E0F10}"}},
  };
  return cases;
}

const model::CAccessTable* FindScanned(const engine::CAccessRepair& repair,
                                       const std::u16string& name) {
  const auto& tables = repair.model()->tableList;
  for (int i = 0; i < tables.count(); ++i)
    if (tables.At(i)->name == name) return tables.At(i);
  return nullptr;
}

TEST(ScannerRoundTrip, ValueTextsComeBackUnchanged) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "round.mdb";
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    for (const auto& c : Cases()) {
      MakeTable(db, c.table, {{u"V", c.type, c.size}});
      std::vector<std::vector<std::optional<std::u16string>>> rows;
      for (const auto& text : c.texts) rows.push_back({text});
      AddRows(db, c.table, rows);
    }
    db.Close();
  }
  auto repair = tarvex::test::ScanFile(file);
  ASSERT_NE(repair->model(), nullptr);
  for (const auto& c : Cases()) {
    SCOPED_TRACE(format::ToUtf8(c.table));
    const model::CAccessTable* found = FindScanned(*repair, c.table);
    ASSERT_NE(found, nullptr);
    auto rows = tarvex::test::ReadRows(*found);
    ASSERT_EQ(rows.size(), c.texts.size());
    auto shown = [](const std::optional<std::u16string>& text) {
      return text ? format::ToUtf8(*text).substr(0, 100) + " (" + std::to_string(text->size()) +
                        " characters)"
                  : "null";
    };
    for (size_t i = 0; i < rows.size(); ++i)
      EXPECT_TRUE(rows[i][0] == c.texts[i])
          << "row " << i << ": " << shown(rows[i][0]) << " for " << shown(c.texts[i]);
  }
}

TEST(ScannerRoundTrip, RowsAddedAfterReopeningFollowTheFirstOnes) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "reopen.mdb";
  auto rowsFrom = [](int first, int count) {
    std::vector<std::vector<std::optional<std::u16string>>> rows;
    for (int i = first; i < first + count; ++i)
      rows.push_back({std::nullopt, format::FromUtf8("n" + std::to_string(i))});
    return rows;
  };
  for (int session = 0; session < 3; ++session) {
    Database db;
    if (session == 0) {
      db.Create(file, kLocale, kDbVersion40);
      MakeTable(db, u"T", {{u"Id", 4, 4, kDbAutoIncrField}, {u"Name", 10, 20}});
    } else {
      db.Open(file, false, false, "");
    }
    AddRows(db, u"T", rowsFrom(session * 1000, 1000));
    db.Close();
  }
  auto repair = tarvex::test::ScanFile(file);
  ASSERT_NE(repair->model(), nullptr);
  const model::CAccessTable* table = FindScanned(*repair, u"T");
  ASSERT_NE(table, nullptr);
  auto rows = tarvex::test::ReadRows(*table);
  ASSERT_EQ(rows.size(), 3000u);
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i][0], format::FromUtf8(std::to_string(i + 1))) << "row " << i;
    ASSERT_EQ(rows[i][1], format::FromUtf8("n" + std::to_string(i))) << "row " << i;
  }
}

std::vector<uint8_t> Bytes(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + i / 256) & 0xFF);
  return bytes;
}

std::vector<uint8_t> ObjectBytes(const std::u16string& path) {
  std::ifstream object(std::filesystem::path(format::ToUtf8(path)), std::ios::binary);
  return {std::istreambuf_iterator<char>(object), std::istreambuf_iterator<char>()};
}

// Long binary values come back as object files whose path is the value text;
// an empty object as an empty file. Lengths of 16 MiB and more need the
// length's bits above the third byte of the long-value header.
TEST(ScannerRoundTrip, LongBinaryBytesComeBackUnchanged) {
  const std::vector<size_t> sizes = {
      0, 1, 64, 4076, 70000, 5 * 1024 * 1024, 16 * 1024 * 1024 + 4097};
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "ole.mdb";
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    MakeTable(db, u"Oles", {{u"V", 11, 0}});
    Recordset rs(db);
    rs.Open(-1, u"SELECT * FROM [Oles]", 0);
    for (size_t size : sizes) {
      rs.AddNew();
      auto bytes = Bytes(size);
      rs.SetFieldValue(0, std::span<const uint8_t>(bytes));
      rs.Update();
    }
    rs.Close();
    db.Close();
  }
  auto repair = tarvex::test::ScanFile(file);
  ASSERT_NE(repair->model(), nullptr);
  const model::CAccessTable* table = FindScanned(*repair, u"Oles");
  ASSERT_NE(table, nullptr);
  auto rows = tarvex::test::ReadRows(*table);
  ASSERT_EQ(rows.size(), sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    SCOPED_TRACE("value of " + std::to_string(sizes[i]) + " bytes");
    ASSERT_TRUE(rows[i][0].has_value());
    const auto back = ObjectBytes(*rows[i][0]);
    EXPECT_TRUE(back == Bytes(sizes[i])) << back.size() << " bytes came back";
  }
}

// A row too full to keep long values in it still stores an empty memo and an
// empty object in the row: the scan reads them as an empty text and an empty object.
TEST(ScannerRoundTrip, EmptyLongValuesOfAFullRowComeBackEmpty) {
  tarvex::test::ScratchDir scratch;
  auto file = scratch.path() / "full.mdb";
  constexpr int kTexts = 8;
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    std::vector<FieldSpec> fields;
    for (int i = 0; i < kTexts; ++i)
      fields.push_back({format::FromUtf8("T" + std::to_string(i)), 10, 255});
    fields.push_back({u"Memo", 12, 0});
    fields.push_back({u"Ole", 11, 0});
    MakeTable(db, u"Full", fields);
    Recordset rs(db);
    rs.Open(-1, u"SELECT * FROM [Full]", 0);
    rs.AddNew();
    // Text that does not compress: about 3,970 bytes in the row.
    for (int i = 0; i < kTexts; ++i)
      rs.SetFieldValue(i, std::u16string(i + 1 < kTexts ? 255 : 200, u'\u0416'));
    rs.SetFieldValue(kTexts, std::u16string());
    rs.SetFieldValue(kTexts + 1, std::span<const uint8_t>());
    rs.Update();
    rs.Close();
    db.Close();
  }
  auto repair = tarvex::test::ScanFile(file);
  ASSERT_NE(repair->model(), nullptr);
  const model::CAccessTable* table = FindScanned(*repair, u"Full");
  ASSERT_NE(table, nullptr);
  auto rows = tarvex::test::ReadRows(*table);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][kTexts], std::u16string());
  ASSERT_TRUE(rows[0][kTexts + 1].has_value());
  EXPECT_TRUE(ObjectBytes(*rows[0][kTexts + 1]).empty());
}

}  // namespace
}  // namespace tarvex::dao::test
