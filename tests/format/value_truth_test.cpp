// Our value texts against the ground-truth dumps beside the fixtures, through
// the normalisation of support/truth_values.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "format/unicode.h"
#include "format/value_format.h"
#include "format/value_text.h"
#include "format/value_types.h"
#include "support/test_paths.h"
#include "support/truth_values.h"

namespace tarvex::format {
namespace {

using test::TruthColumnContext;
using test::ValueMatchesTruth;

std::vector<uint8_t> LittleEndian(uint64_t value, size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return bytes;
}

std::vector<uint8_t> Bytes8(double value) {
  return LittleEndian(std::bit_cast<uint64_t>(value), 8);
}

// ---- stored bytes of a dump's value, to run through FormatValue ----

std::optional<int64_t> ParseInteger(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string WithoutPoint(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '.'), text.end());
  return text;
}

double AccessDays(const std::string& iso) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, consumed = 0;
  std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d%n", &year, &month, &day, &hour, &minute, &second,
              &consumed);
  using namespace std::chrono;
  const auto date = sys_days{std::chrono::year{year} / month / day};
  const int64_t days = (date - sys_days{1899y / December / 30}).count();
  double seconds = hour * 3600.0 + minute * 60.0 + second;
  if (static_cast<size_t>(consumed) < iso.size()) seconds += std::stod("0" + iso.substr(consumed));
  const double fraction = seconds / 86400;
  return days < 0 ? days - fraction : days + fraction;
}

std::vector<uint8_t> ExtendedDateBytes(const std::string& iso) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, consumed = 0;
  std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d%n", &year, &month, &day, &hour, &minute, &second,
              &consumed);
  using namespace std::chrono;
  const auto date = sys_days{std::chrono::year{year} / month / day};
  const int64_t days = (date - sys_days{0001y / January / 1}).count();
  std::string fraction = static_cast<size_t>(consumed) < iso.size() ? iso.substr(consumed + 1) : "";
  fraction.resize(7, '0');
  const int64_t ticks = (hour * 3600LL + minute * 60 + second) * 10'000'000 + std::stoll(fraction);
  std::array<char, 48> text;
  std::snprintf(text.data(), text.size(), "%019lld:%019lld:7", static_cast<long long>(days),
                static_cast<long long>(ticks));
  std::vector<uint8_t> bytes(42, 0);  // 41 characters and a zero byte
  std::copy_n(text.data(), 41, bytes.begin());
  return bytes;
}

std::vector<uint8_t> GuidBytes(const std::string& text) {
  std::vector<uint8_t> inTextOrder;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) continue;
    inTextOrder.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    ++i;
  }
  const size_t order[] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::vector<uint8_t> stored;
  for (size_t i : order) stored.push_back(inTextOrder.at(i));
  return stored;
}

std::vector<uint8_t> NumericBytes(const std::string& text) {
  std::array<uint32_t, 4> words{};  // most significant first
  for (char c : WithoutPoint(text)) {
    if (c < '0' || c > '9') continue;
    uint64_t carry = static_cast<uint64_t>(c - '0');
    for (size_t i = words.size(); i-- > 0;) {
      const uint64_t product = uint64_t{words[i]} * 10 + carry;
      words[i] = static_cast<uint32_t>(product);
      carry = product >> 32;
    }
  }
  std::vector<uint8_t> bytes{static_cast<uint8_t>(text.starts_with("-") ? 0x80 : 0)};
  for (uint32_t word : words) {
    const std::vector<uint8_t> le = LittleEndian(word, 4);
    bytes.insert(bytes.end(), le.begin(), le.end());
  }
  return bytes;
}

std::vector<uint8_t> HexBytes(std::string_view hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

std::vector<uint8_t> Utf16Le(const std::string& utf8) {
  std::vector<uint8_t> bytes =
      TextToUtf16LeBytes(Utf8ToText(std::vector<uint8_t>(utf8.begin(), utf8.end())));
  bytes.pop_back();
  return bytes;
}

template <typename T>
std::optional<std::vector<uint8_t>> FloatBytes(const std::string& text) {
  T value{};
  if (std::from_chars(text.data(), text.data() + text.size(), value).ptr !=
      text.data() + text.size())
    return std::nullopt;
  return LittleEndian(std::bit_cast<std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>(value),
                      sizeof(T));
}

// The bytes a Jet file stores for the dump's value, or nothing for types and
// values this test cannot encode (long binaries, Jet 3 text).
std::optional<std::vector<uint8_t>> StoredBytes(ColumnType type, const std::string& text,
                                                JetVersion version) {
  switch (type) {
    case ColumnType::kByte:
      return LittleEndian(*ParseInteger(text), 1);
    case ColumnType::kInt:
      return LittleEndian(*ParseInteger(text), 2);
    case ColumnType::kLong:
    case ColumnType::kComplex:
      return LittleEndian(*ParseInteger(text), 4);
    case ColumnType::kBigInt:
      return LittleEndian(*ParseInteger(text), 8);
    case ColumnType::kCurrency:
      return LittleEndian(*ParseInteger(WithoutPoint(text)), 8);
    case ColumnType::kSingle:
      return FloatBytes<float>(text);
    case ColumnType::kDouble:
      return FloatBytes<double>(text);
    case ColumnType::kDateTime:
      return Bytes8(AccessDays(text));
    case ColumnType::kExtDateTime:
      return ExtendedDateBytes(text);
    case ColumnType::kGuid:
      return GuidBytes(text);
    case ColumnType::kNumeric:
      return NumericBytes(text);
    case ColumnType::kBinary:
      if (text.find("sha256") != std::string::npos) return std::nullopt;
      return HexBytes(text.substr(text.find(':', 4) + 1));
    case ColumnType::kText:
    case ColumnType::kMemo:
      if (version == JetVersion::kJet3) return std::nullopt;
      return Utf16Le(text);
    default:
      return std::nullopt;
  }
}

// ---- the dumps ----

nlohmann::json LoadTruth(const std::string& relativePath) {
  std::ifstream file(test::FixturesDir() / relativePath);
  return file ? nlohmann::json::parse(file) : nlohmann::json();
}

struct Tally {
  int compared = 0;
  std::vector<std::string> differences;
};

void CompareTable(const nlohmann::json& table, JetVersion version, Tally& tally) {
  const nlohmann::json& columns = table["columns"];
  for (const nlohmann::json& row : table.value("rows", nlohmann::json::array())) {
    for (size_t c = 0; c < columns.size() && c < row.size(); ++c) {
      const auto code = test::TypeCodeForTruthType(columns[c]["type"].get<std::string>());
      if (!code || row[c].is_null() || !row[c].is_string()) continue;
      const std::string truth = row[c].get<std::string>();
      const ValueContext ctx{version, static_cast<uint8_t>(columns[c].value("scale", 0))};
      std::optional<std::u16string> ours;
      if (*code == TypeCode(ColumnType::kBoolean)) {
        ours = FormatValue(ctx, *code, {}, truth == "true");
      } else {
        const auto stored = StoredBytes(static_cast<ColumnType>(*code), truth, version);
        if (!stored) continue;
        ours = FormatValue(ctx, *code, *stored, true);
      }
      ++tally.compared;
      if (!ValueMatchesTruth(*code, ours, truth, {version, ctx.scale})) {
        tally.differences.push_back(table["name"].get<std::string>() + "." +
                                    columns[c]["name"].get<std::string>() + ": ours " +
                                    test::NormaliseOurValue(*code, ours) + ", dump " + truth);
      }
    }
  }
}

class TruthFile : public testing::TestWithParam<const char*> {};

TEST_P(TruthFile, EveryEncodableValueMatchesTheDump) {
  const nlohmann::json truth = LoadTruth(GetParam());
  ASSERT_TRUE(truth.is_object()) << "missing " << GetParam();
  const JetVersion version =
      truth["jetFormat"] == "VERSION_3" ? JetVersion::kJet3 : JetVersion::kJet4;
  Tally tally;
  for (const nlohmann::json& table : truth["tables"]) CompareTable(table, version, tally);
  EXPECT_GT(tally.compared, 0);
  EXPECT_TRUE(tally.differences.empty())
      << tally.differences.size() << " differences, first: " << tally.differences.front();
}

INSTANTIATE_TEST_SUITE_P(
    Dumps, TruthFile,
    testing::Values("synthetic/synthetic-V2000.mdb.json", "synthetic/synthetic-V2019.accdb.json",
                    "real/truth/jet4_types.mdb.json", "real/truth/jet3_types.mdb.json",
                    "real/truth/jet3_northwind97.mdb.json",
                    "real/truth/jet4_northwind2000.mdb.json", "real/truth/ace16_bigint.accdb.json",
                    "real/truth/jet4_decimal.mdb.json", "real/truth/jet3_gbk_text.mdb.json",
                    "real/truth/ace17_ext_date.accdb.json"));

TEST(TruthValues, NormalisesOurTextsToTheDumpForm) {
  const struct {
    ColumnType type;
    std::u16string ours;
    const char* dump;
    TruthColumnContext ctx;
  } cases[] = {
      {ColumnType::kBoolean, u"True", "true", {}},
      {ColumnType::kDouble, u"444.55500", "444.555", {}},
      {ColumnType::kDouble, u"1E+20", "100000000000000000000", {}},
      {ColumnType::kDouble, u"-0.00000", "-0", {}},
      {ColumnType::kSingle, u"3.4028235E+38", "340282350000000000000000000000000000000", {}},
      {ColumnType::kSingle, u"1.5E-44", "0.000000000000000000000000000000000000000000015", {}},
      {ColumnType::kDouble, u"0.10000", "0.1", {}},
      {ColumnType::kDouble, u"123456789.125", "123456789.125", {}},
      {ColumnType::kSingle, u"NaN", "NaN", {}},
      {ColumnType::kSingle, u"-Infinity", "-Infinity", {}},
      {ColumnType::kDateTime, u"12:00:00 AM", "1899-12-30T00:00:00", {}},
      {ColumnType::kDateTime, u"12/12/1981 ", "1981-12-12T00:00:00", {}},
      {ColumnType::kDateTime, u"12/29/1899 06:00:00 PM", "1899-12-29T18:00:00", {}},
      {ColumnType::kDateTime, u"01/01/0100 12:30:00 AM", "0100-01-01T00:30:00", {}},
      {ColumnType::kDateTime, u"03/23/2020 07:00:37.599 AM", "2020-03-23T07:00:37.599", {}},
      {ColumnType::kDateTime, u"12/29/1899 12:00:00.500 PM", "1899-12-29T12:00:00.500", {}},
      {ColumnType::kExtDateTime, u"2021-06-14 22:45:12.3456789", "2021-06-14T22:45:12.3456789", {}},
      {ColumnType::kNumeric, u"0", "0.0000", {JetVersion::kJet4, 4}},
      {ColumnType::kNumeric, u"-0.05", "-0.05", {JetVersion::kJet4, 2}},
      {ColumnType::kBinary, u"\u00FF\u0001", "bin:2:ff01", {}},
      {ColumnType::kBinary, u"\u4E2D", "bin:3:e4b8ad", {}},
      {ColumnType::kBinary, u"\u4E2D", "bin:2:2d4e", {JetVersion::kJet3, 0}},
      {ColumnType::kBinary, u"", "bin:0:", {}},
      {ColumnType::kGuid,
       u"{0102030A-0506-0708-090A-0B0C0D0E0F10}",
       "{0102030A-0506-0708-090A-0B0C0D0E0F10}",
       {}},
      {ColumnType::kMemo, u"caf\u00E9", "caf\u00E9", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(test::NormaliseOurValue(TypeCode(c.type), c.ours, c.ctx), c.dump) << ToUtf8(c.ours);
  }
}

// The dumps' shortest digits of a subnormal can be longer than ours; both read
// back to the same single.
TEST(TruthValues, FloatsCompareByValue) {
  const uint8_t single = TypeCode(ColumnType::kSingle);
  EXPECT_TRUE(
      ValueMatchesTruth(single, u"1E-45", "0.0000000000000000000000000000000000000000000014"));
  EXPECT_FALSE(
      ValueMatchesTruth(single, u"3E-45", "0.0000000000000000000000000000000000000000000014"));
}

TEST(TruthValues, DumpDatesKeepTheirMilliseconds) {
  const uint8_t date = TypeCode(ColumnType::kDateTime);
  EXPECT_EQ(test::NormaliseTruthValue(date, "2024-06-30T23:59:59.5"), "2024-06-30T23:59:59.500");
  EXPECT_EQ(test::NormaliseTruthValue(date, "2020-03-23T07:00:37.599"), "2020-03-23T07:00:37.599");
  EXPECT_EQ(test::NormaliseTruthValue(date, "1899-12-29T18:00:00.0004"), "1899-12-29T18:00:00");
  EXPECT_EQ(test::NormaliseTruthValue(date, "2024-12-31T23:59:59.9995"), "2025-01-01T00:00:00");
  EXPECT_EQ(test::NormaliseTruthValue(date, "0100-01-01T00:00:00"), "0100-01-01T00:00:00");
}

TEST(TruthValues, NullMatchesOnlyNull) {
  const uint8_t text = TypeCode(ColumnType::kText);
  EXPECT_TRUE(ValueMatchesTruth(text, std::nullopt, std::nullopt));
  EXPECT_FALSE(ValueMatchesTruth(text, u"", std::nullopt));
  EXPECT_FALSE(ValueMatchesTruth(text, u"x", std::nullopt));
  EXPECT_FALSE(ValueMatchesTruth(text, std::nullopt, std::string()));
  EXPECT_TRUE(ValueMatchesTruth(text, u"", std::string()));
}

TEST(TruthValues, OleValuesAreTheBytesOfTheirFile) {
  test::ScratchDir scratch;
  const auto path = scratch.path() / "1";
  std::ofstream(path, std::ios::binary) << std::string(100, 'a');
  const std::string pathUtf8 = path.string();
  const std::u16string ours = Utf8ToText(std::vector<uint8_t>(pathUtf8.begin(), pathUtf8.end()));
  EXPECT_EQ(test::NormaliseOurValue(TypeCode(ColumnType::kOle), ours),
            "bin:100:sha256:" + test::Sha256Hex(std::vector<uint8_t>(100, 'a')));
}

TEST(TruthValues, Sha256OfKnownMessages) {
  auto hash = [](const std::string& text) {
    return test::Sha256Hex(std::vector<uint8_t>(text.begin(), text.end()));
  };
  EXPECT_EQ(hash(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(hash("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(hash(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(hash(std::string(64, 'x')).size(), 64u);
}

TEST(TruthValues, TypeNamesOfTheDumps) {
  EXPECT_EQ(test::TypeCodeForTruthType("SHORT_DATE_TIME"), 8);
  EXPECT_EQ(test::TypeCodeForTruthType("MONEY"), 5);
  EXPECT_EQ(test::TypeCodeForTruthType("EXT_DATE_TIME"), 20);
  EXPECT_EQ(test::TypeCodeForTruthType("UNKNOWN_11"), 17);
  EXPECT_EQ(test::TypeCodeForTruthType("UNKNOWN_0D"), 13);
  EXPECT_EQ(test::TypeCodeForTruthType("UNKNOWN_"), std::nullopt);
  EXPECT_EQ(test::TypeCodeForTruthType("SOMETHING"), std::nullopt);
}

// Bytes as they stand in the fixture files, with the dumps' values.
TEST(TruthValues, BytesFromRealFiles) {
  // jet3_gbk_text.mdb, table1.field1: GBK bytes in a file whose header says 1252.
  const std::vector<uint8_t> gbk{0x47, 0x42, 0x4B, 0xB1, 0xE0, 0xC2, 0xEB};
  EXPECT_TRUE(ValueMatchesTruth(TypeCode(ColumnType::kText),
                                FormatValue({JetVersion::kJet3, 0, 1252}, 10, gbk, true),
                                "GBK\u00B1\u00E0\u00C2\u00EB"));
  // jet3_index_codes.mdb, Table1: 0x81 is no character of Windows-1252.
  const std::vector<uint8_t> undefined{0x41, 0x41, 0x81, 0x41, 0x41};
  EXPECT_TRUE(ValueMatchesTruth(TypeCode(ColumnType::kText),
                                FormatValue({JetVersion::kJet3, 0, 1252}, 10, undefined, true),
                                "AA\uFFFDAA", {JetVersion::kJet3}));
  // ace17_ext_date.accdb, Table1.DateExt of row 6.
  const std::string ext = "0000000000000737954:0000000819123456789:7";
  std::vector<uint8_t> extBytes(ext.begin(), ext.end());
  extBytes.push_back(0);
  EXPECT_TRUE(
      ValueMatchesTruth(20, FormatValue({}, 20, extBytes, true), "2021-06-14T22:45:12.3456789"));
}

}  // namespace
}  // namespace tarvex::format
