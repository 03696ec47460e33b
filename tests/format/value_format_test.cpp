#include "format/value_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "format/value_text.h"
#include "format/value_types.h"

namespace tarvex::format {
namespace {

constexpr JetVersion kJet3 = JetVersion::kJet3;
constexpr JetVersion kJet4 = JetVersion::kJet4;

// "FF FE 41" -> bytes.
std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::istringstream in(text);
  unsigned value = 0;
  while (in >> std::hex >> value) bytes.push_back(static_cast<uint8_t>(value));
  return bytes;
}

std::vector<uint8_t> LittleEndian(uint64_t value, size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return bytes;
}

std::vector<uint8_t> FloatBytes(float value) {
  return LittleEndian(std::bit_cast<uint32_t>(value), 4);
}
std::vector<uint8_t> DoubleBytes(double value) {
  return LittleEndian(std::bit_cast<uint64_t>(value), 8);
}

// Sign byte, then the magnitude as four 32-bit words, most significant first.
std::vector<uint8_t> NumericBytes(bool negative, uint64_t high, uint64_t low) {
  std::vector<uint8_t> bytes{static_cast<uint8_t>(negative ? 0x80 : 0x00)};
  for (uint64_t half : {high, low}) {
    for (uint32_t word : {static_cast<uint32_t>(half >> 32), static_cast<uint32_t>(half)}) {
      const std::vector<uint8_t> le = LittleEndian(word, 4);
      bytes.insert(bytes.end(), le.begin(), le.end());
    }
  }
  return bytes;
}

std::vector<uint8_t> Ascii(const std::string& text) { return {text.begin(), text.end()}; }

struct Case {
  const char* name;
  JetVersion version;
  ColumnType type;
  std::vector<uint8_t> raw;
  std::u16string expected;
  uint8_t scale = 0;
  uint16_t codePage = 0;
};

void ExpectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const ValueContext ctx{c.version, c.scale, c.codePage};
    EXPECT_EQ(FormatValue(ctx, TypeCode(c.type), c.raw, true), c.expected)
        << c.name << (c.version == kJet3 ? " (Jet 3)" : " (Jet 4)");
  }
}

TEST(FormatValue, BooleanIsTheNullMaskBitAlsoWithoutBytes) {
  for (JetVersion version : {kJet3, kJet4}) {
    const ValueContext ctx{version};
    EXPECT_EQ(FormatValue(ctx, TypeCode(ColumnType::kBoolean), {}, true), u"True");
    EXPECT_EQ(FormatValue(ctx, TypeCode(ColumnType::kBoolean), {}, false), u"False");
  }
}

TEST(FormatValue, NullGivesNoTextAndZeroLengthOrShortValuesTheEmptyText) {
  const std::vector<uint8_t> two = Hex("01 02");
  for (JetVersion version : {kJet3, kJet4}) {
    const ValueContext ctx{version};
    EXPECT_FALSE(FormatValue(ctx, TypeCode(ColumnType::kLong), LittleEndian(7, 4), false));
    EXPECT_FALSE(FormatValue(ctx, TypeCode(ColumnType::kText), Hex("41 00"), false));
    for (ColumnType type : {ColumnType::kText, ColumnType::kMemo, ColumnType::kBinary}) {
      EXPECT_EQ(FormatValue(ctx, TypeCode(type), {}, true), u"") << int(TypeCode(type));
    }
    for (ColumnType type : {ColumnType::kLong, ColumnType::kCurrency, ColumnType::kSingle,
                            ColumnType::kDouble, ColumnType::kDateTime, ColumnType::kGuid,
                            ColumnType::kBigInt, ColumnType::kExtDateTime}) {
      EXPECT_EQ(FormatValue(ctx, TypeCode(type), two, true), u"") << int(TypeCode(type));
    }
  }
  EXPECT_EQ(FormatValue({}, TypeCode(ColumnType::kNumeric), Hex("00 01"), true), u"");
}

TEST(FormatValue, IntegersInBothFormats) {
  for (JetVersion v : {kJet3, kJet4}) {
    ExpectCases({
        {"byte", v, ColumnType::kByte, Hex("FF"), u"255"},
        {"int -1", v, ColumnType::kInt, Hex("FF FF"), u"-1"},
        {"int max", v, ColumnType::kInt, Hex("FF 7F"), u"32767"},
        {"long min", v, ColumnType::kLong, Hex("00 00 00 80"), u"-2147483648"},
        {"big int -1", v, ColumnType::kBigInt, Hex("FF FF FF FF FF FF FF FF"), u"-1"},
        {"big int min", v, ColumnType::kBigInt, LittleEndian(0x8000000000000000, 8),
         u"-9223372036854775808"},
    });
  }
}

TEST(FormatValue, CurrencyHasFourDecimals) {
  for (JetVersion v : {kJet3, kJet4}) {
    ExpectCases({
        {"zero", v, ColumnType::kCurrency, LittleEndian(0, 8), u"0.0000"},
        {"minus one unit", v, ColumnType::kCurrency, Hex("FF FF FF FF FF FF FF FF"), u"-0.0001"},
        {"12345", v, ColumnType::kCurrency, LittleEndian(12345, 8), u"1.2345"},
        {"-10000", v, ColumnType::kCurrency, LittleEndian(static_cast<uint64_t>(-10000), 8),
         u"-1.0000"},
        {"3.5", v, ColumnType::kCurrency, LittleEndian(35000, 8), u"3.5000"},
        {"minimum", v, ColumnType::kCurrency, LittleEndian(0x8000000000000000, 8),
         u"-922337203685477.5808"},
        {"maximum", v, ColumnType::kCurrency, LittleEndian(0x7FFFFFFFFFFFFFFF, 8),
         u"922337203685477.5807"},
    });
  }
}

TEST(FormatValue, SinglesKeepTheirValue) {
  ExpectCases({
      {"five decimals read back", kJet4, ColumnType::kSingle, FloatBytes(1.5f), u"1.50000"},
      {"0.1 reads back", kJet4, ColumnType::kSingle, FloatBytes(0.1f), u"0.10000"},
      {"more digits than five decimals", kJet4, ColumnType::kSingle, FloatBytes(1.2345678f),
       u"1.2345678"},
      {"tiny", kJet4, ColumnType::kSingle, FloatBytes(1e-10f), u"1E-10"},
      {"negative zero", kJet4, ColumnType::kSingle, FloatBytes(-0.0f), u"-0.00000"},
      {"whole number", kJet3, ColumnType::kSingle, FloatBytes(1234567.0f), u"1234567"},
      {"seven-character rounding reads back", kJet3, ColumnType::kSingle, FloatBytes(99999992.0f),
       u"99999990"},
      {"seven-character rounding would change it", kJet3, ColumnType::kSingle,
       FloatBytes(123456792.0f), u"123456792"},
      {"fraction", kJet3, ColumnType::kSingle, FloatBytes(0.5f), u"0.5"},
      {"small negative", kJet3, ColumnType::kSingle, FloatBytes(-0.4f), u"-0.4"},
      {"largest", kJet3, ColumnType::kSingle, FloatBytes(3.4028235e38f), u"3.4028235E+38"},
      {"not a number", kJet3, ColumnType::kSingle, FloatBytes(std::bit_cast<float>(0x7FC00000u)),
       u"NaN"},
      {"minus infinity", kJet4, ColumnType::kSingle,
       FloatBytes(-std::numeric_limits<float>::infinity()), u"-Infinity"},
  });
}

TEST(FormatValue, DoublesKeepTheirValue) {
  ExpectCases({
      {"five decimals read back", kJet4, ColumnType::kDouble, DoubleBytes(444.555), u"444.55500"},
      {"seventeen digits", kJet4, ColumnType::kDouble, DoubleBytes(1.2345678901234567),
       u"1.2345678901234567"},
      {"tiny", kJet4, ColumnType::kDouble, DoubleBytes(1e-10), u"1E-10"},
      {"%G reads back", kJet3, ColumnType::kDouble, DoubleBytes(1e20), u"1E+20"},
      {"%G short", kJet3, ColumnType::kDouble, DoubleBytes(0.1), u"0.1"},
      {"%G loses digits", kJet3, ColumnType::kDouble, DoubleBytes(123456789.0), u"123456789"},
      {"negative zero", kJet3, ColumnType::kDouble, DoubleBytes(-0.0), u"-0"},
      {"infinity", kJet3, ColumnType::kDouble, DoubleBytes(std::numeric_limits<double>::infinity()),
       u"Infinity"},
  });
}

TEST(FormatValue, DatesToTheMillisecond) {
  for (JetVersion v : {kJet3, kJet4}) {
    ExpectCases({
        {"value 0", v, ColumnType::kDateTime, DoubleBytes(0.0), u"12:00:00 AM"},
        {"noon of day 0", v, ColumnType::kDateTime, DoubleBytes(0.5), u"12/30/1899 12:00:00 PM"},
        {"midnight", v, ColumnType::kDateTime, DoubleBytes(43845.0), u"01/15/2020 "},
        {"before 1899", v, ColumnType::kDateTime, DoubleBytes(-1.25), u"12/29/1899 06:00:00 AM"},
        {"evening before 1899", v, ColumnType::kDateTime, DoubleBytes(-1.75),
         u"12/29/1899 06:00:00 PM"},
        {"leap day", v, ColumnType::kDateTime, DoubleBytes(36585 + 0.75),
         u"02/29/2000 06:00:00 PM"},
        {"1900 is no leap year", v, ColumnType::kDateTime, DoubleBytes(61.0), u"03/01/1900 "},
        {"hour after noon", v, ColumnType::kDateTime, DoubleBytes(29932 + 13.5 / 24),
         u"12/12/1981 01:30:00 PM"},
        {"fraction of a second", v, ColumnType::kDateTime, DoubleBytes(1.0 - 1e-7),
         u"12/30/1899 11:59:59.991 PM"},
        {"rounds up to the next day", v, ColumnType::kDateTime, DoubleBytes(1.0 - 1e-9),
         u"12/31/1899 "},
        {"rounds up to day 0", v, ColumnType::kDateTime, DoubleBytes(-1.999999999), u"12:00:00 AM"},
        {"first day", v, ColumnType::kDateTime, DoubleBytes(-657434.0), u"01/01/0100 "},
        {"last millisecond", v, ColumnType::kDateTime, DoubleBytes(2958465.999999999),
         u"12/31/9999 11:59:59.999 PM"},
        {"after the last day", v, ColumnType::kDateTime, DoubleBytes(2958466.0), u""},
        {"before the first day", v, ColumnType::kDateTime, DoubleBytes(-657435.0), u""},
        {"not a number", v, ColumnType::kDateTime, DoubleBytes(std::nan("")), u""},
        {"huge", v, ColumnType::kDateTime, DoubleBytes(1e300), u""},
    });
  }
}

TEST(FormatValue, ExtendedDates) {
  ExpectCases({
      {"fraction", kJet4, ColumnType::kExtDateTime,
       Ascii(std::string("0000000000000737954:0000000819123456789:7") + '\0'),
       u"2021-06-14 22:45:12.3456789"},
      {"trailing zeros", kJet4, ColumnType::kExtDateTime,
       Ascii("0000000000000639905:0000000000000123450:7"), u"1753-01-01 00:00:00.012345"},
      {"first", kJet4, ColumnType::kExtDateTime, Ascii("0000000000000000000:0000000000000000000:7"),
       u"0001-01-01 00:00:00"},
      {"last", kJet4, ColumnType::kExtDateTime, Ascii("0000000000003652058:0000000863999999999:7"),
       u"9999-12-31 23:59:59.9999999"},
      {"day out of range", kJet4, ColumnType::kExtDateTime,
       Ascii("0000000000003652059:0000000000000000000:7"), u""},
      {"time out of range", kJet4, ColumnType::kExtDateTime,
       Ascii("0000000000000000000:0000000864000000000:7"), u""},
      {"not digits", kJet4, ColumnType::kExtDateTime,
       Ascii("00000000000000-0001:0000000000000000000:7"), u""},
      {"no precision digit", kJet4, ColumnType::kExtDateTime,
       Ascii("0000000000000000000:0000000000000000000:"), u""},
      {"no separator", kJet4, ColumnType::kExtDateTime,
       Ascii("0000000000000000000-0000000000000000000:7"), u""},
  });
}

TEST(FormatValue, NumericUsesTheWholeMagnitudeAndTheSign) {
  ExpectCases({
      {"zero", kJet4, ColumnType::kNumeric, NumericBytes(false, 0, 0), u"0", 2},
      {"negative zero", kJet4, ColumnType::kNumeric, NumericBytes(true, 0, 0), u"0", 2},
      {"scale 2", kJet4, ColumnType::kNumeric, NumericBytes(false, 0, 12345), u"123.45", 2},
      {"leading zeros", kJet4, ColumnType::kNumeric, NumericBytes(false, 0, 5), u"0.05", 2},
      {"as many digits as the scale", kJet4, ColumnType::kNumeric, NumericBytes(true, 0, 25),
       u"-0.25", 2},
      {"negative", kJet4, ColumnType::kNumeric, NumericBytes(true, 0, 1), u"-1", 0},
      {"low half at 2^63", kJet4, ColumnType::kNumeric, NumericBytes(false, 0, 1ull << 63),
       u"9223372036854775808", 0},
      {"2^64", kJet4, ColumnType::kNumeric, NumericBytes(false, 1, 0), u"18446744073709551616", 0},
      {"28 nines, scale 4", kJet4, ColumnType::kNumeric,
       NumericBytes(true, 0x204FCE5E, 0x3E2502610FFFFFFF), u"-999999999999999999999999.9999", 4},
      {"largest magnitude", kJet4, ColumnType::kNumeric,
       NumericBytes(false, ~uint64_t{0}, ~uint64_t{0}), u"340282366920938463463374607431768211455",
       0},
      {"Jet 3 has no decimals", kJet3, ColumnType::kNumeric, NumericBytes(false, 0, 1),
       u"Default 16", 0},
  });
}

TEST(FormatValue, BinaryTextsGiveTheirBytesBack) {
  ExpectCases({
      {"ascii", kJet4, ColumnType::kBinary, Hex("41 42 43"), u"ABC"},
      {"UTF-8 above Latin-1", kJet4, ColumnType::kBinary, Hex("E4 B8 AD 41"),
       u"\u4E2D"
       u"A"},
      {"UTF-8 within Latin-1 is one byte each", kJet4, ColumnType::kBinary, Hex("C3 A9"),
       u"\u00C3\u00A9"},
      {"zero bytes are kept", kJet4, ColumnType::kBinary, Hex("E4 B8 AD 00"),
       std::u16string(u"\u00E4\u00B8\u00AD") + u'\0'},
      {"not UTF-8", kJet4, ColumnType::kBinary, Hex("FF 80"), u"\u00FF\u0080"},
      {"empty", kJet4, ColumnType::kBinary, {}, u""},
      {"byte pairs above Latin-1", kJet3, ColumnType::kBinary, Hex("2D 4E 41 00"),
       u"\u4E2D"
       u"A"},
      {"byte pairs within Latin-1 are one byte each", kJet3, ColumnType::kBinary, Hex("41 00"),
       std::u16string(u"A") + u'\0'},
      {"odd count", kJet3, ColumnType::kBinary, Hex("2D 4E 41"),
       u"\u002D\u004E"
       u"A"},
  });
}

TEST(FormatValue, Jet4TextAndMemo) {
  for (ColumnType type : {ColumnType::kText, ColumnType::kMemo}) {
    ExpectCases({
        {"compressed with a switch", kJet4, type, Hex("FF FE 41 42 00 43 00"), u"ABC"},
        {"compressed high Latin-1", kJet4, type, Hex("FF FE E9 FF"), u"\u00E9\u00FF"},
        {"switch back", kJet4, type, Hex("FF FE 41 00 2D 4E 00 42"),
         u"A\u4E2D"
         u"B"},
        {"odd last byte in two-byte mode", kJet4, type, Hex("FF FE 41 00 42"), u"A"},
        {"marker only", kJet4, type, Hex("FF FE"), u""},
        {"UTF-16LE", kJet4, type, Hex("41 00 2D 4E"), u"A\u4E2D"},
        {"UTF-16LE odd last byte", kJet4, type, Hex("41 00 42"), u"A"},
        {"empty", kJet4, type, {}, u""},
    });
  }
}

TEST(FormatValue, Jet3TextAndMemoUseTheCodePage) {
  for (ColumnType type : {ColumnType::kText, ColumnType::kMemo}) {
    ExpectCases({
        {"Windows-1252", kJet3, type, Hex("63 61 66 E9 80"), u"caf\u00E9\u20AC", 0, 1252},
        {"code page 0 is 1252", kJet3, type, Hex("E9"), u"\u00E9", 0, 0},
        {"unknown code page is 1252", kJet3, type, Hex("E9"), u"\u00E9", 0, 4321},
        {"Cyrillic", kJet3, type, Hex("CF F0 E8"), u"\u041F\u0440\u0438", 0, 1251},
        {"GBK", kJet3, type, Hex("B1 E0 C2 EB"), u"\u7F16\u7801", 0, 936},
        {"Shift JIS", kJet3, type, Hex("93 FA 96 7B"), u"\u65E5\u672C", 0, 932},
        {"GBK lead byte at the end", kJet3, type, Hex("41 B1"), u"A\uFFFD", 0, 936},
        {"byte undefined in 1252, read as Windows does", kJet3, type, Hex("41 81 42"), u"A\u0081B",
         0, 1252},
        {"zero bytes dropped", kJet3, type, Hex("41 00 42"), u"AB", 0, 1252},
        {"FF FE is text", kJet3, type, Hex("FF FE"), u"\u00FF\u00FE", 0, 1252},
    });
  }
}

TEST(FormatValue, OtherTypes) {
  const std::vector<uint8_t> guid = Hex("04 03 02 01 06 05 08 07 09 0A 0B 0C 0D 0E 0F 10");
  for (JetVersion v : {kJet3, kJet4}) {
    ExpectCases({
        {"OLE path", v, ColumnType::kOle, Hex("2F 00 74 00 00"), u"/t"},
        {"code 13", v, ColumnType::kUnknown13, {}, u"Unknown"},
        {"GUID", v, ColumnType::kGuid, guid, u"{01020304-0506-0708-090A-0B0C0D0E0F10}"},
        {"GUID all ones", v, ColumnType::kGuid,
         Hex("FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"),
         u"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
    });
  }
  ExpectCases({
      {"complex key", kJet4, ColumnType::kComplex, Hex("2A 00 00 00"), u"42"},
      {"complex in Jet 3", kJet3, ColumnType::kComplex, Hex("2A 00 00 00"), u"Default 18"},
      {"code 17", kJet4, ColumnType::kUnknown17, Hex("01"), u"Default 17"},
      {"code 17 in Jet 3", kJet3, ColumnType::kUnknown17, Hex("01"), u""},
  });
  EXPECT_EQ(FormatValue({}, 99, Hex("01"), true), u"Default 99");
  EXPECT_EQ(FormatValue({kJet3}, 0, {}, true), u"Default 0");
}

// The type table's fixed sizes are the sizes the conversions need.
TEST(FormatValue, FixedSizesOfTheTypeTable) {
  for (const ColumnTypeInfo& info : kColumnTypes) {
    // Extended dates are ASCII text whose 42nd byte is a terminator; tested above.
    if (info.fixedSize == 0 || info.type == ColumnType::kExtDateTime) continue;
    const std::vector<uint8_t> zeros(info.fixedSize, 0);
    const Bytes oneShort(zeros.data(), zeros.size() - 1);
    EXPECT_EQ(FormatValue({}, TypeCode(info.type), oneShort, true), u"") << info.name;
    EXPECT_NE(FormatValue({}, TypeCode(info.type), zeros, true), u"") << info.name;
  }
}

}  // namespace
}  // namespace tarvex::format
