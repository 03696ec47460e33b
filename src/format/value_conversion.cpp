#include "format/value_conversion.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <vector>

#include "format/code_page.h"
#include "format/value_decimal.h"
#include "format/value_text.h"

namespace tarvex::format {
namespace {

constexpr size_t kGuidSize = 16;

// Decimal digits of an unsigned integer given as 32-bit words, most
// significant first; "0" for zero.
template <size_t N>
std::string DecimalDigits(std::array<uint32_t, N> words) {
  std::string digits;
  while (std::any_of(words.begin(), words.end(), [](uint32_t w) { return w != 0; })) {
    uint64_t remainder = 0;
    for (uint32_t& word : words) {
      const uint64_t current = remainder << 32 | word;
      word = static_cast<uint32_t>(current / 10);
      remainder = current % 10;
    }
    digits.push_back(static_cast<char>('0' + remainder));
  }
  if (digits.empty()) digits.push_back('0');
  std::reverse(digits.begin(), digits.end());
  return digits;
}

// digits with a decimal point before the last `scale` of them, zero-padded on the left.
std::string WithDecimalPoint(std::string digits, size_t scale) {
  if (scale == 0) return digits;
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  digits.insert(digits.size() - scale, 1, '.');
  return digits;
}

std::u16string CodePageTextWithoutZeros(Bytes raw, uint16_t codePage) {
  std::vector<uint8_t> kept;
  kept.reserve(raw.size());
  std::copy_if(raw.begin(), raw.end(), std::back_inserter(kept), [](uint8_t b) { return b != 0; });
  return DecodeCodePage(kept, codePage);
}

}  // namespace

std::u16string CDataConversion::NumericText(Bytes raw, uint8_t scale) {
  const std::optional<DecimalValue> value = ReadDecimal(raw);
  if (!value) return {};
  std::array<uint32_t, 4> words{};
  for (size_t i = 0; i < words.size(); ++i)
    words[i] = static_cast<uint32_t>(value->magnitude >> (32 * (words.size() - 1 - i)));
  const std::string digits = DecimalDigits(words);
  if (digits == "0") return u"0";
  std::string text(value->negative ? 1 : 0, '-');
  return AsciiToText(text.append(WithDecimalPoint(digits, scale)));
}

std::u16string CDataConversion::GuidText(Bytes raw) {
  if (raw.size() < kGuidSize) return {};
  constexpr std::array<size_t, kGuidSize> kOrder{3, 2, 1,  0,  5,  4,  7,  6,
                                                 8, 9, 10, 11, 12, 13, 14, 15};
  std::string text = "{";
  for (size_t i = 0; i < kOrder.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    std::array<char, 3> hex;
    std::snprintf(hex.data(), hex.size(), "%02X", raw[kOrder[i]]);
    text.append(hex.data(), 2);
  }
  return AsciiToText(text + "}");
}

std::u16string CDataConversion::CurrencyText(Bytes raw) {
  std::u16string text;
  CurrencyTextInto(raw, text);
  return text;
}

void CDataConversion::CurrencyTextInto(Bytes raw, std::u16string& text) {
  const std::optional<uint64_t> bits = CDataReader::U64(raw, 0);
  if (!bits) return text.clear();
  const bool negative = static_cast<int64_t>(*bits) < 0;
  const uint64_t magnitude = negative ? ~*bits + 1 : *bits;
  constexpr size_t kCurrencyScale = 4;
  // The digits, zero-padded to one before the point, with the point before the last four.
  std::array<char, 32> digits;
  char* end = std::to_chars(digits.data(), digits.data() + digits.size(), magnitude).ptr;
  const size_t count = static_cast<size_t>(end - digits.data());
  const size_t padding = count <= kCurrencyScale ? kCurrencyScale + 1 - count : 0;
  const size_t whole = count + padding - kCurrencyScale;
  text.resize((negative ? 1 : 0) + count + padding + 1);
  char16_t* out = text.data();
  if (negative) *out++ = u'-';
  for (size_t i = 0; i < padding + count; ++i) {
    if (i == whole) *out++ = u'.';
    *out++ = static_cast<char16_t>(i < padding ? '0' : digits[i - padding]);
  }
}

std::u16string CDataConversion::Jet3Text(Bytes raw, uint16_t codePage) {
  return CodePageTextWithoutZeros(raw, codePage);
}

std::u16string CDataConversion::Jet3MemoText(Bytes raw, uint16_t codePage) {
  return CodePageTextWithoutZeros(raw, codePage);
}

std::optional<double> CDataConversion::DoubleFromBytes(Bytes raw) {
  const std::optional<uint64_t> bits = CDataReader::U64(raw, 0);
  if (!bits) return std::nullopt;
  return std::bit_cast<double>(*bits);
}

}  // namespace tarvex::format
