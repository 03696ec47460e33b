// Text to stored bytes, field type by field type: the forms the value texts
// take, Access's other usual forms, and the values it refuses.
#include "dao/value_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "dao/dao_exception.h"
#include "dao/field_type.h"
#include "format/data_reader.h"
#include "format/value_conversion.h"
#include "format/value_decimal.h"

namespace tarvex::dao {
namespace {

ColumnDefinition Column(FieldType type, uint16_t length = 0) {
  ColumnDefinition c;
  c.name.assign(1, u'F');
  c.type = static_cast<uint8_t>(type);
  c.length = length;
  c.extraFlags = format::kColumnCompressedText;
  return c;
}

double StoredDouble(const StoredValue& value) {
  double d = 0;
  uint64_t bits = *format::CDataReader::U64(*value, 0);
  std::memcpy(&d, &bits, sizeof(d));
  return d;
}

struct DateCase {
  std::u16string text;
  double days;
};

TEST(ConvertText, DatesInEveryForm) {
  const std::vector<DateCase> cases = {
      {u"12:00:00 AM", 0.0},
      {u"12/30/1899 12:00:00 PM", 0.5},
      {u"12/29/1899 06:00:00 AM", -1.25},  // the time of day counts away from zero
      {u"01/01/1900 ", 2.0},
      {u"01/15/2020", 43845.0},
      {u"06:00:00 PM", 0.75},
      {u"18:00", 0.75},
      {u"2020-01-15 12:00:00", 43845.5},
      {u"2020-01-15T06:00:00", 43845.25},
      {u"1/2/99", 36162.0},  // two-digit years below 30 are 20xx, others 19xx
      {u"12/31/9999 11:59:59 PM", 2958465.0 + 86399.0 / 86400.0},
      {u"01/01/0100", -657434.0},
      {u"15-Jan-2020", 43845.0},
      {u"15 january 2020 06:00:00 PM", 43845.75},
      {u"Jan 15, 2020", 43845.0},
      {u"Wednesday, January 15, 2020", 43845.0},
      {u"03/23/2020 07:00:37.599 AM", 43913.0 + 25237.599 / 86400.0},  // fractions of a second
      {u"12/29/1899 06:00:00.25 AM", -1.25 - 0.25 / 86400.0},
      {u"18:00:00.5", 0.75 + 0.5 / 86400.0},
      {u"2020-03-23T07:00:37.1234567", 43913.0 + 25237.1234567 / 86400.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    EXPECT_DOUBLE_EQ(StoredDouble(ConvertText(Column(FieldType::kDate), c.text)), c.days);
  }
}

// The moment a date value names, in days: before 1899 the time of day is
// stored counting away from zero but still runs forward from the day's start.
double Moment(double days) {
  const double day = std::trunc(days);
  return day + std::fabs(days - day);
}

// The date texts of the scan read back to their value to the millisecond, also
// where rounding to the millisecond carries into the second, minute or day.
TEST(ConvertText, DateTextsReadBackToTheMillisecond) {
  constexpr double kMillisecond = 1.0 / 86'400'000;
  const std::vector<DateCase> cases = {
      {u"03/23/2020 07:00:37.599 AM", 43913.0 + 25'237'599 * kMillisecond},
      {u"06/30/2024 11:59:59.500 PM", 45473.0 + 86'399'500 * kMillisecond},
      {u"12/29/1899 12:00:00.250 AM", -1.0 - 250 * kMillisecond},
      {u"12/30/1899 12:00:00.001 PM", 0.5 + 0.6 * kMillisecond},
      {u"12/30/1899 12:00:00 PM", 0.5 + 0.4 * kMillisecond},
      {u"01/15/2020 10:01:00 AM", 43845.0 + 36'059'999.6 * kMillisecond},
      {u"01/16/2020 ", 43845.0 + 86'399'999.6 * kMillisecond},
      {u"12:00:00 AM", -1.0 - 86'399'999.6 * kMillisecond},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    const std::u16string text = format::CDataConversion::DateText(c.days);
    EXPECT_EQ(text, c.text);
    const double back = StoredDouble(ConvertText(Column(FieldType::kDate), text));
    EXPECT_NEAR(Moment(back), Moment(c.days), 0.501 * kMillisecond);
    EXPECT_EQ(format::CDataConversion::DateText(back), text);
  }
}

TEST(ConvertText, CurrencyIsExactAndRoundsHalvesToEven) {
  const std::vector<std::pair<std::u16string, int64_t>> cases = {
      {u"1.2345", 12345},
      {u"-0.0001", -1},
      {u"2.00005", 20000},
      {u"2.00015", 20002},
      {u"2.000051", 20001},
      {u"$1,234.56", 12345600},
      {u"($5)", -50000},
      {u"1E2", 1000000},
      {u"  7 ", 70000},
      {u"True", -10000},
      {u"922337203685477.5807", INT64_MAX},
      {u"-922337203685477.5808", INT64_MIN},
  };
  for (const auto& [text, units] : cases) {
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    auto stored = ConvertText(Column(FieldType::kCurrency), text);
    EXPECT_EQ(static_cast<int64_t>(*format::CDataReader::U64(*stored, 0)), units);
  }
}

struct Refusal {
  FieldType type;
  uint16_t length;
  std::u16string text;
};

TEST(ConvertText, RefusesWhatAccessRefuses) {
  const std::vector<Refusal> cases = {
      {FieldType::kByte, 0, u"256"},
      {FieldType::kByte, 0, u"-1"},
      {FieldType::kInteger, 0, u"32768"},
      {FieldType::kLong, 0, u"2147483648"},
      {FieldType::kLong, 0, u"12abc"},
      {FieldType::kLong, 0, u""},
      {FieldType::kCurrency, 0, u"922337203685477.5808"},
      {FieldType::kSingle, 0, u"1E39"},
      {FieldType::kDouble, 0, u"1E309"},
      {FieldType::kDouble, 0, u"nan"},
      {FieldType::kBoolean, 0, u"maybe"},
      {FieldType::kDate, 0, u"02/30/2020"},
      {FieldType::kDate, 0, u"13/01/2020"},
      {FieldType::kDate, 0, u"25:00:00"},
      {FieldType::kDate, 0, u"01/01/10000"},
      {FieldType::kDate, 0, u"yesterday"},
      {FieldType::kDate, 0, u"15-Jam-2020"},
      {FieldType::kDate, 0, u"Smarch 3, 2020"},
      {FieldType::kGuid, 0, u"{0102}"},
      {FieldType::kGuid, 0, u"{01020304-0506-0708-090A-0B0C0D0E0F1G}"},
      {FieldType::kText, 10, u"sixchr"},
      {FieldType::kBinary, 2, u"abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    EXPECT_THROW(ConvertText(Column(c.type, c.length), c.text), DaoException);
  }
}

TEST(ConvertText, IntegersRoundHalvesToEvenAndAcceptWords) {
  const std::vector<std::pair<std::u16string, int16_t>> cases = {
      {u"2.5", 2},   {u"3.5", 4}, {u"-2.5", -2}, {u"1e2", 100},
      {u"True", -1}, {u"no", 0},  {u" +12 ", 12}};
  for (const auto& [text, value] : cases) {
    auto stored = ConvertText(Column(FieldType::kInteger), text);
    EXPECT_EQ(static_cast<int16_t>(*format::CDataReader::U16(*stored, 0)), value);
  }
}

struct DecimalCase {
  uint8_t precision;
  uint8_t scale;
  std::u16string text;
  std::optional<std::u16string> readBack;  // nothing: refused
};

// Text to the stored bytes and back to the text the scan reads, at the edges
// of precision and scale; rounding to the scale goes to the even neighbour.
TEST(ConvertText, DecimalsReadBackExactly) {
  const std::u16string nines(28, u'9');
  const std::vector<DecimalCase> cases = {
      {28, 0, nines, nines},
      {28, 0, u"-" + nines, u"-" + nines},
      {28, 28, u"0." + nines, u"0." + nines},
      {28, 28, u"-.5", u"-0.5" + std::u16string(27, u'0')},
      {28, 14, u"12345678901234.56789012345678", u"12345678901234.56789012345678"},
      {18, 0, u"0", u"0"},
      {18, 0, u"-0", u"0"},
      {10, 3, u" +42 ", u"42.000"},
      {5, 2, u"1.005", u"1.00"},
      {5, 2, u"1.015", u"1.02"},
      {5, 2, u"1.0051", u"1.01"},
      {5, 2, u"-2.675", u"-2.68"},
      {5, 2, u"-0.004", u"0"},
      {5, 2, u"999.994", u"999.99"},
      {5, 2, u"999.995", std::nullopt},  // rounds to six digits
      {5, 2, u"1234.5", std::nullopt},
      {28, 0, u"1" + std::u16string(28, u'0'), std::nullopt},
      {28, 28, u"1", std::nullopt},
      {18, 0, u"1E5", std::nullopt},
      {18, 0, u"1.2.3", std::nullopt},
      {18, 0, u"-", std::nullopt},
      {18, 0, u"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.precision) + "," + std::to_string(c.scale) + " " +
                 std::string(c.text.begin(), c.text.end()));
    ColumnDefinition column = Column(FieldType::kDecimal, 17);
    column.extra = format::DecimalExtra(c.precision, c.scale);
    if (!c.readBack) {
      EXPECT_THROW(ConvertText(column, c.text), DaoException);
      continue;
    }
    const auto stored = ConvertText(column, c.text);
    EXPECT_EQ(format::CDataConversion::NumericText(*stored, c.scale), *c.readBack);
  }
  // The most significant of the four little-endian words comes first.
  ColumnDefinition column = Column(FieldType::kDecimal, 17);
  column.extra = format::DecimalExtra(28, 0);
  EXPECT_EQ(*ConvertText(column, u"-4294967298"),
            (std::vector<uint8_t>{0x80, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0}));
}

TEST(ConvertText, TextAndBinaryBytes) {
  auto compressed = ConvertText(Column(FieldType::kText, 20), u"abc");
  EXPECT_EQ(*compressed, (std::vector<uint8_t>{0xFF, 0xFE, 'a', 'b', 'c'}));
  auto wide = ConvertText(Column(FieldType::kText, 20), u"a\u0416");
  EXPECT_EQ(*wide, (std::vector<uint8_t>{'a', 0, 0x16, 0x04}));
  auto bom = ConvertText(Column(FieldType::kMemo), u"\uFEFFx");
  EXPECT_EQ(*bom, (std::vector<uint8_t>{0xFF, 0xFE, 0x00, 0xFF, 0xFE, 'x', 0}));
  auto bytes = ConvertText(Column(FieldType::kLongBinary), u"\x01\xFF");
  EXPECT_EQ(*bytes, (std::vector<uint8_t>{0x01, 0xFF}));
  auto guid = ConvertText(Column(FieldType::kGuid), u"{01020304-0506-0708-090A-0B0C0D0E0F10}");
  EXPECT_EQ(*guid, (std::vector<uint8_t>{4, 3, 2, 1, 6, 5, 8, 7, 9, 10, 11, 12, 13, 14, 15, 16}));
  EXPECT_TRUE(ConvertText(Column(FieldType::kBoolean), u"On").has_value());
  EXPECT_FALSE(ConvertText(Column(FieldType::kBoolean), u"False").has_value());
}

}  // namespace
}  // namespace tarvex::dao
