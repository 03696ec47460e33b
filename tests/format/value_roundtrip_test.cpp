// Properties over many random values: every text reads back to the value.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "format/code_page.h"
#include "format/unicode.h"
#include "format/value_binary.h"
#include "format/value_conversion.h"
#include "format/value_numbers.h"
#include "format/value_text.h"

namespace tarvex::format {
namespace {

constexpr int kRounds = 20000;

template <typename T>
bool ReadsBack(const std::u16string& text, T value) {
  const std::string ascii = ToUtf8(text);
  T parsed{};
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), parsed);
  return error == std::errc() && end == ascii.data() + ascii.size() &&
         std::memcmp(&parsed, &value, sizeof value) == 0;
}

TEST(ValueRoundTrip, SinglesReadBackToTheSameBits) {
  std::mt19937 random(1);
  for (int i = 0; i < kRounds; ++i) {
    const float value = std::bit_cast<float>(static_cast<uint32_t>(random()));
    if (std::isnan(value)) continue;
    for (JetVersion version : {JetVersion::kJet3, JetVersion::kJet4}) {
      const std::u16string text = SingleText(version, value);
      ASSERT_TRUE(ReadsBack(text, value)) << ToUtf8(text);
    }
  }
}

TEST(ValueRoundTrip, SinglesOfEverydaySizeReadBack) {
  std::mt19937 random(2);
  std::uniform_real_distribution<float> everyday(-1e8f, 1e8f);
  for (int i = 0; i < kRounds; ++i) {
    const float value = everyday(random);
    for (JetVersion version : {JetVersion::kJet3, JetVersion::kJet4}) {
      ASSERT_TRUE(ReadsBack(SingleText(version, value), value)) << value;
    }
  }
}

TEST(ValueRoundTrip, DoublesReadBackToTheSameBits) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> everyday(-1e6, 1e6);
  for (int i = 0; i < kRounds; ++i) {
    const double wild = std::bit_cast<double>(static_cast<uint64_t>(random()));
    for (double value : {wild, everyday(random)}) {
      if (std::isnan(value)) continue;
      for (JetVersion version : {JetVersion::kJet3, JetVersion::kJet4}) {
        const std::u16string text = DoubleText(version, value);
        ASSERT_TRUE(ReadsBack(text, value)) << ToUtf8(text);
      }
    }
  }
}

// The date text Access values of whole milliseconds should give, from the
// standard library's calendar.
std::string ExpectedDateText(int64_t day, int64_t millisecond) {
  using namespace std::chrono;
  const year_month_day date{sys_days{1899y / December / 30} + days{day}};
  const int64_t second = millisecond / 1000;
  const int64_t hour = second / 3600;
  std::array<char, 64> text;
  std::snprintf(text.data(), text.size(), "%02u/%02u/%04d %02lld:%02lld:%02lld",
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(date.year()),
                static_cast<long long>(hour % 12 == 0 ? 12 : hour % 12),
                static_cast<long long>(second / 60 % 60), static_cast<long long>(second % 60));
  std::string expected = text.data();
  if (millisecond % 1000 != 0) {
    std::snprintf(text.data(), text.size(), ".%03lld", static_cast<long long>(millisecond % 1000));
    expected += text.data();
  }
  expected += hour < 12 ? " AM" : " PM";
  if (millisecond == 0) expected.erase(expected.size() - 11);
  if (day == 0 && millisecond == 0) expected = "12:00:00 AM";
  return expected;
}

TEST(ValueRoundTrip, DatesNameTheirDayAndMillisecond) {
  std::mt19937_64 random(4);
  std::uniform_int_distribution<int64_t> anyDay(-657434, 2958465);
  std::uniform_int_distribution<int64_t> anySecond(0, 86399);
  std::uniform_int_distribution<int64_t> anyMillisecond(0, 999);
  for (int i = 0; i < kRounds; ++i) {
    const int64_t day = anyDay(random);
    const int64_t second = i % 7 == 0 ? 0 : anySecond(random);
    const int64_t millisecond = 1000 * second + (i % 3 == 0 ? 0 : anyMillisecond(random));
    // Access adds the time of day to days on or after 1899-12-30 and
    // subtracts it from earlier ones.
    const double fraction = static_cast<double>(millisecond) / 86'400'000;
    const double value = day < 0 ? static_cast<double>(day) - fraction : day + fraction;
    ASSERT_EQ(ToUtf8(CDataConversion::DateText(value)), ExpectedDateText(day, millisecond))
        << "day " << day << " millisecond " << millisecond;
  }
}

std::vector<uint8_t> RandomBytes(std::mt19937& random, bool likeUtf8) {
  std::vector<uint8_t> bytes;
  const size_t count = random() % 40;
  while (bytes.size() < count) {
    if (!likeUtf8) {
      bytes.push_back(static_cast<uint8_t>(random()));
      continue;
    }
    char32_t codePoint = random() % 3 == 0 ? random() % 0x80 : random() % 0x30000;
    if (codePoint == 0 || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) codePoint = 'x';
    const std::u16string unit =
        codePoint < 0x10000
            ? std::u16string(1, static_cast<char16_t>(codePoint))
            : std::u16string{static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)),
                             static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF))};
    const std::string utf8 = ToUtf8(unit);
    bytes.insert(bytes.end(), utf8.begin(), utf8.end());
  }
  return bytes;
}

TEST(ValueRoundTrip, BinaryTextsGiveTheSameBytes) {
  std::mt19937 random(5);
  for (int i = 0; i < kRounds; ++i) {
    const std::vector<uint8_t> bytes = RandomBytes(random, i % 2 == 0);
    for (JetVersion version : {JetVersion::kJet3, JetVersion::kJet4}) {
      ASSERT_EQ(BinaryValueBytes(version, BinaryValueText(version, bytes)), bytes);
    }
  }
}

TEST(ValueRoundTrip, Utf8OfTextsWithoutLoneSurrogatesReadsBack) {
  std::mt19937 random(6);
  for (int i = 0; i < kRounds; ++i) {
    const std::vector<uint8_t> bytes = RandomBytes(random, true);
    const std::u16string text = Utf8ToText(bytes);
    const std::string utf8 = ToUtf8(text);
    ASSERT_EQ(std::vector<uint8_t>(utf8.begin(), utf8.end()), bytes);
  }
}

TEST(ValueRoundTrip, DecodersTakeAnyBytes) {
  std::mt19937 random(7);
  for (int i = 0; i < kRounds; ++i) {
    const std::vector<uint8_t> bytes = RandomBytes(random, false);
    EXPECT_LE(Utf8ToText(bytes).size(), bytes.size());
    EXPECT_LE(DecodeJet4Text(bytes).size(), bytes.size());
    for (uint16_t codePage : {1252, 936, 932, 949, 950, 65001}) {
      EXPECT_LE(DecodeCodePage(bytes, codePage).size(), bytes.size());
    }
  }
}

// Single-byte code pages read through a table of their bytes and write them back; an
// unmapped byte is its C1 control (0x80..0x9F, as Windows reads it) or U+FFFD.
TEST(CodePage, SingleByteCodePagesMapEveryByte) {
  struct Case {
    uint16_t codePage;
    std::vector<uint8_t> bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {0, {0x41, 0x80, 0x81, 0xE9}, u"A\u20AC\u0081\u00E9"},
      {1252, {0x9F, 0xFF}, u"\u0178\u00FF"},
      {1250, {0x8A, 0xE8}, u"\u0160\u010D"},
      {1251, {0xC0, 0xFF, 0x98}, u"\u0410\u044F\u0098"},
      {1253, {0xC1, 0xF9}, u"\u0391\u03C9"},
      {1254, {0xD0, 0xFD}, u"\u011E\u0131"},
      {1256, {0xC7, 0x81}, u"\u0627\u067E"},
      {1257, {0xC0, 0xFE}, u"\u0104\u017E"},
      {874, {0xA1, 0xDB}, u"\u0E01\uFFFD"},
  };
  // A damaged header's code page that no converter knows reads as 1252.
  EXPECT_EQ(ReadableCodePage(0), kDefaultCodePage);
  EXPECT_EQ(ReadableCodePage(47821), kDefaultCodePage);
  EXPECT_EQ(ReadableCodePage(936), 936);
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeCodePage(c.bytes, c.codePage), c.text) << c.codePage;
    if (c.text.find(u'\uFFFD') == std::u16string::npos) {
      EXPECT_EQ(EncodeCodePage(c.text, c.codePage), c.bytes) << c.codePage;
    }
  }
}

}  // namespace
}  // namespace tarvex::format
