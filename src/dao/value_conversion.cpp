#include "dao/value_conversion.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "dao/dao_exception.h"
#include "dao/date_text.h"
#include "dao/field_type.h"
#include "dao/text_words.h"
#include "format/data_reader.h"
#include "format/unicode.h"
#include "format/value_binary.h"
#include "format/value_decimal.h"
#include "format/value_numbers.h"
#include "format/value_text.h"

namespace tarvex::dao {
namespace {

constexpr int64_t kCurrencyScale = 10000;
// Wide enough for any currency text before its range is checked.
__extension__ typedef __int128 Int128;

[[noreturn]] void Refuse(const ColumnDefinition& column, std::u16string_view text,
                         const char* why) {
  throw DaoException("Cannot store '" + format::ToUtf8(text.substr(0, 64)) + "' in field '" +
                     format::ToUtf8(column.name) + "': " + why + ".");
}

// A number's text as ASCII in plain form, as the US locale reads it: blanks
// trimmed, "(x)" as "-x", a leading "$" and thousands commas dropped. Nothing
// when a character is not ASCII. The text is built in a buffer kept for the
// thread, so that reading a number costs no allocation; it is valid until the
// next call.
std::optional<std::string_view> NumberText(std::u16string_view text) {
  thread_local std::string out;
  text = TrimBlanks(text);
  out.resize(text.size() + 1);
  char* const start = out.data();
  char* to = start;
  bool parenthesised = text.size() > 2 && text.front() == u'(' && text.back() == u')';
  if (parenthesised) {
    text = text.substr(1, text.size() - 2);
    *to++ = '-';
  }
  for (const char16_t c : text) {
    if (c > 0x7F) return std::nullopt;
    const bool signOnly = to == start + 1 && (*start == '-' || *start == '+');
    if (c == u',' || (c == u'$' && (to == start || signOnly))) continue;
    *to++ = static_cast<char>(c);
  }
  return std::string_view(start, static_cast<size_t>(to - start));
}

std::optional<bool> ParseBooleanWord(std::u16string_view text) {
  // Most texts are numbers: one look at the first letter rules them out.
  if (text.empty()) return std::nullopt;
  const char16_t first = text.front() >= u'A' && text.front() <= u'Z'
                             ? static_cast<char16_t>(text.front() - u'A' + u'a')
                             : text.front();
  if (first != u't' && first != u'y' && first != u'o' && first != u'f' && first != u'n')
    return std::nullopt;
  for (const char* word : {"true", "yes", "on"})
    if (EqualsNoCase(text, word)) return true;
  for (const char* word : {"false", "no", "off"})
    if (EqualsNoCase(text, word)) return false;
  return std::nullopt;
}

template <typename Float>
std::optional<Float> ParseFloat(std::u16string_view text, bool& outOfRange) {
  auto ascii = NumberText(text);
  if (!ascii || ascii->empty()) return std::nullopt;
  const char* first = ascii->data();
  const char* last = first + ascii->size();
  if (*first == '+') ++first;
  Float value{};
  auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (end != last) return std::nullopt;
  if (error == std::errc::result_out_of_range) {
    outOfRange = true;
    return std::nullopt;
  }
  if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// A number from text or a Boolean word (True is -1, as in Access).
std::optional<double> ParseNumber(const ColumnDefinition& column, std::u16string_view text) {
  if (auto word = ParseBooleanWord(TrimBlanks(text))) return *word ? -1.0 : 0.0;
  bool outOfRange = false;
  auto value = ParseFloat<double>(text, outOfRange);
  if (outOfRange) Refuse(column, text, "the value is out of range");
  return value;
}

// A plain whole number ("-123"), the usual text of an integer, read without going through the
// parsing of a float, to the same value; nothing for any other text.
std::optional<double> PlainWholeNumber(std::u16string_view text) {
  const bool negative = !text.empty() && text.front() == u'-';
  const std::u16string_view digits = text.substr(negative ? 1 : 0);
  if (digits.empty() || digits.size() > 18) return std::nullopt;  // 18 digits fit 63 bits
  int64_t value = 0;
  for (const char16_t c : digits) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return static_cast<double>(negative ? -value : value);
}

template <typename Int>
void IntegerBytes(const ColumnDefinition& column, std::u16string_view text,
                  std::vector<uint8_t>& out) {
  auto value = PlainWholeNumber(text);
  if (!value) value = ParseNumber(column, text);
  if (!value) Refuse(column, text, "it is not a number");
  double rounded = std::nearbyint(*value);  // halves to even, as Access rounds
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max()))
    Refuse(column, text, "the value is out of range");
  auto integer = static_cast<Int>(rounded);
  out.resize(sizeof(Int));
  using Unsigned = std::make_unsigned_t<Int>;
  auto bits = static_cast<Unsigned>(integer);
  for (size_t i = 0; i < sizeof(Int); ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

void U64Bytes(uint64_t bits, std::vector<uint8_t>& out) {
  out.resize(8);
  format::PutU64(out, 0, bits);
}

// Exact decimal to units of 1/10000, halves rounded to even; nothing when the
// text is not a plain decimal (exponent forms are handled by the caller).
std::optional<Int128> ParseCurrencyUnits(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  Int128 units = 0;
  int fractionDigits = -1;
  int roundDigit = -1;
  bool sticky = false;
  bool anyDigit = false;
  for (char c : s) {
    if (c == '.' && fractionDigits < 0) {
      fractionDigits = 0;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    anyDigit = true;
    if (fractionDigits >= 4) {
      if (roundDigit < 0)
        roundDigit = c - '0';
      else
        sticky = sticky || c != '0';
      continue;
    }
    if (units > static_cast<Int128>(1) << 100) return std::nullopt;
    units = units * 10 + (c - '0');
    if (fractionDigits >= 0) ++fractionDigits;
  }
  if (!anyDigit) return std::nullopt;
  for (int i = std::max(fractionDigits, 0); i < 4; ++i) units *= 10;
  if (roundDigit > 5 || (roundDigit == 5 && (sticky || (units & 1)))) ++units;
  return negative ? -units : units;
}

void CurrencyBytes(const ColumnDefinition& column, std::u16string_view text,
                   std::vector<uint8_t>& out) {
  auto ascii = NumberText(text);
  std::optional<Int128> units = ascii ? ParseCurrencyUnits(*ascii) : std::nullopt;
  if (!units) {
    auto value = ParseNumber(column, text);
    if (!value) Refuse(column, text, "it is not a number");
    long double scaled = std::nearbyint(static_cast<long double>(*value) * kCurrencyScale);
    if (std::fabs(scaled) > 9.3e18L) Refuse(column, text, "the value is out of range");
    units = static_cast<Int128>(static_cast<int64_t>(scaled));
  }
  if (*units < std::numeric_limits<int64_t>::min() || *units > std::numeric_limits<int64_t>::max())
    Refuse(column, text, "the value is out of range");
  U64Bytes(static_cast<uint64_t>(static_cast<int64_t>(*units)), out);
}

format::DecimalMagnitude PowerOfTen(uint8_t exponent) {
  format::DecimalMagnitude power = 1;
  for (uint8_t i = 0; i < exponent; ++i) power *= 10;
  return power;
}

// A plain decimal text (blanks around it, an optional sign, digits with at
// most one point), rounded to the column's scale with halves to even as Access
// rounds; refused when it has more digits than the column's precision.
void DecimalBytes(const ColumnDefinition& column, std::u16string_view raw,
                  std::vector<uint8_t>& out) {
  const uint8_t scale = format::DecimalScale(column.extra);
  // Every magnitude at or above the limit has more digits than the precision;
  // refusing as soon as one is reached also keeps the arithmetic from overflowing.
  const format::DecimalMagnitude limit = PowerOfTen(format::DecimalPrecision(column.extra));
  const auto checkDigits = [&](format::DecimalMagnitude units) {
    if (units >= limit) Refuse(column, raw, "the value has more digits than the field's precision");
  };
  std::u16string_view text = TrimBlanks(raw);
  bool negative = false;
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  format::DecimalMagnitude units = 0;
  uint8_t fractionDigits = 0;
  bool point = false;
  bool anyDigit = false;
  int roundDigit = -1;  // the first digit beyond the scale
  bool sticky = false;  // whether any later one is not zero
  for (char16_t c : text) {
    if (c == u'.' && !point) {
      point = true;
      continue;
    }
    if (c < u'0' || c > u'9') Refuse(column, raw, "it is not a decimal number");
    const int digit = c - u'0';
    anyDigit = true;
    if (point && fractionDigits == scale) {
      if (roundDigit < 0)
        roundDigit = digit;
      else
        sticky = sticky || digit != 0;
      continue;
    }
    units = units * 10 + static_cast<unsigned>(digit);
    if (point) ++fractionDigits;
    checkDigits(units);
  }
  if (!anyDigit) Refuse(column, raw, "it is not a decimal number");
  for (; fractionDigits < scale; ++fractionDigits) {
    units *= 10;
    checkDigits(units);
  }
  if (roundDigit > 5 || (roundDigit == 5 && (sticky || (units & 1) != 0))) ++units;
  checkDigits(units);
  const auto bytes = format::EncodeDecimal({negative && units != 0, units});
  out.assign(bytes.begin(), bytes.end());
}

void SingleBytes(const ColumnDefinition& column, std::u16string_view text,
                 std::vector<uint8_t>& out) {
  bool outOfRange = false;
  // A repaired file keeps the values the damaged one held, not-a-number and infinities too.
  std::optional<float> value;
  if (auto special = format::NonFiniteValue(text)) value = static_cast<float>(*special);
  if (!value) value = ParseFloat<float>(text, outOfRange);
  if (!value && !outOfRange) {
    if (auto word = ParseBooleanWord(TrimBlanks(text))) value = *word ? -1.0f : 0.0f;
  }
  if (outOfRange) {
    // Underflow to zero is what Access does with tiny values; overflow is refused.
    auto wide = ParseFloat<double>(text, outOfRange);
    if (wide && std::fabs(*wide) < 1.0) value = 0.0f;
  }
  if (!value) Refuse(column, text, outOfRange ? "the value is out of range" : "it is not a number");
  uint32_t bits = 0;
  std::memcpy(&bits, &*value, sizeof(bits));
  out.resize(4);
  format::PutU32(out, 0, bits);
}

void DoubleBytes(const ColumnDefinition& column, std::u16string_view text,
                 std::vector<uint8_t>& out) {
  auto value = format::NonFiniteValue(text);
  if (!value) value = ParseNumber(column, text);
  if (!value) Refuse(column, text, "it is not a number");
  uint64_t bits = 0;
  std::memcpy(&bits, &*value, sizeof(bits));
  U64Bytes(bits, out);
}

void DateBytes(const ColumnDefinition& column, std::u16string_view text,
               std::vector<uint8_t>& out) {
  std::optional<double> days;
  try {
    days = ParseDateText(text);
  } catch (const DaoException&) {
    Refuse(column, text, "the date is out of range");
  }
  if (!days) Refuse(column, text, "it is not a date");
  uint64_t bits = 0;
  std::memcpy(&bits, &*days, sizeof(bits));
  U64Bytes(bits, out);
}

std::optional<uint8_t> HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return static_cast<uint8_t>(c - u'0');
  if (c >= u'a' && c <= u'f') return static_cast<uint8_t>(c - u'a' + 10);
  if (c >= u'A' && c <= u'F') return static_cast<uint8_t>(c - u'A' + 10);
  return std::nullopt;
}

void GuidBytes(const ColumnDefinition& column, std::u16string_view raw, std::vector<uint8_t>& out) {
  std::u16string_view text = TrimBlanks(raw);
  if (text.size() == 38 && text.front() == u'{' && text.back() == u'}') text = text.substr(1, 36);
  if (text.size() != 36) Refuse(column, raw, "it is not a GUID");
  std::array<uint8_t, 16> textOrder{};
  size_t filled = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash) {
      if (text[i] != u'-') Refuse(column, raw, "it is not a GUID");
      continue;
    }
    auto high = HexDigit(text[i]);
    auto low = i + 1 < text.size() ? HexDigit(text[i + 1]) : std::nullopt;
    if (!high || !low) Refuse(column, raw, "it is not a GUID");
    textOrder[filled++] = static_cast<uint8_t>(*high << 4 | *low);
    ++i;
  }
  const auto& t = textOrder;
  out.assign({t[3], t[2], t[1], t[0], t[5], t[4], t[7], t[6], t[8], t[9], t[10], t[11], t[12],
              t[13], t[14], t[15]});
}

void CheckBinaryLength(const ColumnDefinition& column, std::u16string_view text, size_t length) {
  if (column.type == static_cast<uint8_t>(FieldType::kBinary) && length > column.length)
    Refuse(column, text, "the value is longer than the field");
}

void StoredTextInto(const ColumnDefinition& column, std::u16string_view text,
                    const TextFormat& format, std::vector<uint8_t>& bytes) {
  try {
    EncodeStoredTextInto(text, (column.extraFlags & format::kColumnCompressedText) != 0, format,
                         bytes);
  } catch (const DaoException& error) {
    std::string why = error.what();  // a sentence of its own, here a clause
    if (!why.empty() && why.back() == '.') why.pop_back();
    if (!why.empty()) why.front() = static_cast<char>(std::tolower(why.front()));
    Refuse(column, text, why.c_str());
  }
}

}  // namespace

bool ConvertTextInto(const ColumnDefinition& column, std::u16string_view text,
                     const TextFormat& format, std::vector<uint8_t>& bytes) {
  const bool jet3 = format.version == format::JetVersion::kJet3;
  switch (static_cast<FieldType>(column.type)) {
    case FieldType::kBoolean: {
      auto word = ParseBooleanWord(TrimBlanks(text));
      if (!word) {
        auto number = ParseNumber(column, text);
        if (!number) Refuse(column, text, "it is not a Yes/No value");
        word = *number != 0;
      }
      bytes.clear();
      return *word;
    }
    case FieldType::kByte:
      IntegerBytes<uint8_t>(column, text, bytes);
      return true;
    case FieldType::kInteger:
      IntegerBytes<int16_t>(column, text, bytes);
      return true;
    case FieldType::kLong:
      IntegerBytes<int32_t>(column, text, bytes);
      return true;
    case FieldType::kCurrency:
      CurrencyBytes(column, text, bytes);
      return true;
    case FieldType::kSingle:
      SingleBytes(column, text, bytes);
      return true;
    case FieldType::kDouble:
      DoubleBytes(column, text, bytes);
      return true;
    case FieldType::kDate:
      DateBytes(column, text, bytes);
      return true;
    case FieldType::kGuid:
      GuidBytes(column, text, bytes);
      return true;
    case FieldType::kDecimal:
      if (jet3) Refuse(column, text, "Access 97 databases have no decimal fields");
      DecimalBytes(column, text, bytes);
      return true;
    case FieldType::kText: {
      // Jet 4 stores two bytes per character; Jet 3 is measured in code-page bytes.
      if (!jet3 && text.size() > column.length / 2u)
        Refuse(column, text, "the text is longer than the field");
      StoredTextInto(column, text, format, bytes);
      if (jet3 && bytes.size() > column.length)
        Refuse(column, text, "the text is longer than the field");
      return true;
    }
    case FieldType::kMemo:
      StoredTextInto(column, text, format, bytes);
      return true;
    case FieldType::kBinary:
    case FieldType::kLongBinary:
      bytes = format::BinaryValueBytes(format.version, text);
      CheckBinaryLength(column, text, bytes.size());
      return true;
    default:
      Refuse(column, text, "the field type is not supported");
  }
}

StoredValue ConvertText(const ColumnDefinition& column, std::u16string_view text,
                        const TextFormat& format) {
  std::vector<uint8_t> bytes;
  if (!ConvertTextInto(column, text, format, bytes)) return StoredValue();
  return bytes;
}

StoredValue ConvertBytes(const ColumnDefinition& column, std::span<const uint8_t> bytes) {
  auto type = static_cast<FieldType>(column.type);
  if (type != FieldType::kBinary && type != FieldType::kLongBinary)
    throw DaoException("Field '" + format::ToUtf8(column.name) + "' does not take binary data.");
  if (type == FieldType::kBinary && bytes.size() > column.length)
    throw DaoException("The value is longer than field '" + format::ToUtf8(column.name) + "'.");
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace tarvex::dao
