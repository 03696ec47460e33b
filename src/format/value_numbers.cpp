#include "format/value_numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>

#include "format/value_text.h"

namespace tarvex::format {
namespace {

template <typename T>
bool ReadsBackAs(std::string_view text, T value) {
  T parsed{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  return error == std::errc() && end == text.data() + text.size() &&
         std::memcmp(&parsed, &value, sizeof value) == 0;
}

// "%.5f" of the largest double takes 316 characters.
using NumberBuffer = std::array<char, 400>;

std::string_view WithUpperCaseExponent(char* first, char* last) {
  std::replace(first, last, 'e', 'E');
  return {first, static_cast<size_t>(last - first)};
}

template <typename T>
std::string_view Shortest(T value, NumberBuffer& buffer) {
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return WithUpperCaseExponent(buffer.data(), result.ptr);
}

// printf's "%.<precision>f" (fixed) or "%G" (general) in the "C" locale,
// whatever locale the process runs in.
std::string_view Printed(double value, std::chars_format format, int precision,
                         NumberBuffer& buffer) {
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
  return WithUpperCaseExponent(buffer.data(), result.ptr);
}

// "NaN", "Infinity" or "-Infinity", or nothing for a finite value.
std::optional<std::string_view> SpecialText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  return std::nullopt;
}

template <typename T>
void ExactTextInto(std::string_view customary, T value, std::u16string& text) {
  if (const auto special = SpecialText(value)) return AsciiToTextInto(*special, text);
  if (ReadsBackAs(customary, value)) return AsciiToTextInto(customary, text);
  NumberBuffer buffer;
  AsciiToTextInto(Shortest(value, buffer), text);
}

// The digits of the shortest text that reads back, as its count of significant
// digits and the place of its last one (-3 for "1.125", -8 for "1.5E-07").
struct ShortestDigits {
  int significant = 0;
  int lastPlace = 0;
};

ShortestDigits DigitsOf(std::string_view shortest) {
  ShortestDigits digits;
  const size_t exponentAt = shortest.find('E');
  int exponent = 0;
  if (exponentAt != std::string_view::npos) {
    const char* first = shortest.data() + exponentAt + 1;
    if (*first == '+') ++first;
    std::from_chars(first, shortest.data() + shortest.size(), exponent);
    shortest = shortest.substr(0, exponentAt);
  }
  const size_t point = shortest.find('.');
  const int decimals =
      point == std::string_view::npos ? 0 : static_cast<int>(shortest.size() - point - 1);
  int trailingZeros = 0;  // of a whole number, which needs no point
  bool leading = true;
  for (const char c : shortest) {
    if (c < '0' || c > '9' || (leading && c == '0')) continue;
    leading = false;
    ++digits.significant;
    trailingZeros = c == '0' && point == std::string_view::npos ? trailingZeros + 1 : 0;
  }
  digits.significant -= trailingZeros;
  digits.lastPlace = exponent - decimals + trailingZeros;
  return digits;
}

// Below this size half a value's last bit is worth less than half the fifth
// decimal, so at most one text of five decimals reads back as the value.
template <typename T>
constexpr T kNearEnough = std::is_same_v<T, float> ? T{128} : T{1e10};

// The value's "%.5f" when the value is the one of its type nearest that text,
// found by scaling: most stored numbers have few decimals, and this takes no
// shortest text. The quotient of a whole number by 10^5 is never so near the
// middle between two values of T that rounding it twice (to double, then to
// float) ends elsewhere than rounding it once.
template <typename T>
bool ScaledFiveDecimalsInto(T value, std::u16string& text) {
  constexpr double kScale = 1e5;
  if (!(std::fabs(value) < kNearEnough<T>)) return false;  // NaN too
  const double scaled = std::nearbyint(static_cast<double>(value) * kScale);
  if (static_cast<T>(scaled / kScale) != value) return false;
  const auto hundredThousandths = static_cast<uint64_t>(std::fabs(scaled));
  std::array<char, 24> buffer;
  char* out = buffer.data();
  if (std::signbit(value)) *out++ = '-';  // "-0.00000" too, as the shortest text "-0" gives
  out = std::to_chars(out, buffer.data() + buffer.size(), hundredThousandths / 100000).ptr;
  *out++ = '.';
  uint64_t decimals = hundredThousandths % 100000;
  for (int place = 4; place >= 0; --place, decimals /= 10)
    out[place] = static_cast<char>('0' + decimals % 10);
  AsciiToTextInto(std::string_view(buffer.data(), static_cast<size_t>(out + 5 - buffer.data())),
                  text);
  return true;
}

// Jet 4's customary "%.5f" where it reads back, else the shortest text. A value
// whose shortest text has more than five decimals reads back from no text of five
// (the shortest text has the fewest digits of all that do). One whose shortest
// text has at most five, and which lies nearer that text than half the fifth
// decimal, has that text padded with zeros as its "%.5f": so most values are
// written without making and reading back a text of five decimals.
template <typename T>
void FiveDecimalsOrShortestInto(T value, std::u16string& text) {
  if (ScaledFiveDecimalsInto(value, text)) return;
  if (const auto special = SpecialText(value)) return AsciiToTextInto(*special, text);
  NumberBuffer buffer;
  const std::string_view shortest = Shortest(value, buffer);
  if (DigitsOf(shortest).lastPlace < -5) return AsciiToTextInto(shortest, text);
  if (std::fabs(value) < kNearEnough<T> && shortest.find('E') == std::string_view::npos) {
    const size_t point = shortest.find('.');
    const size_t decimals = point == std::string_view::npos ? 0 : shortest.size() - point - 1;
    AsciiToTextInto(shortest, text);
    if (point == std::string_view::npos) text += u'.';
    text.append(5 - decimals, u'0');
    return;
  }
  NumberBuffer fixedBuffer;
  const std::string_view fixed = Printed(value, std::chars_format::fixed, 5, fixedBuffer);
  AsciiToTextInto(ReadsBackAs(fixed, value) ? fixed : shortest, text);
}

// Jet 3's customary "%G" where it reads back, else the shortest text; a value whose
// shortest text has more than six significant digits reads back from no "%G" text.
void SixDigitsOrShortestInto(double value, std::u16string& text) {
  if (const auto special = SpecialText(value)) return AsciiToTextInto(*special, text);
  NumberBuffer buffer;
  const std::string_view shortest = Shortest(value, buffer);
  if (DigitsOf(shortest).significant > 6) return AsciiToTextInto(shortest, text);
  NumberBuffer generalBuffer;
  const std::string_view general = Printed(value, std::chars_format::general, 6, generalBuffer);
  AsciiToTextInto(ReadsBackAs(general, value) ? general : shortest, text);
}

void CarryInto(std::string& digits, size_t position) {
  size_t i = position + 1;
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i > 0 && digits[i - 1] >= '0' && digits[i - 1] <= '8') {
    ++digits[i - 1];
  } else {
    digits.insert(i, 1, '1');  // before the first digit, after any minus sign
  }
}

}  // namespace

std::string ShortestText(float value) {
  NumberBuffer buffer;
  return std::string(Shortest(value, buffer));
}

std::string ShortestText(double value) {
  NumberBuffer buffer;
  return std::string(Shortest(value, buffer));
}

std::string RoundToSevenCharacters(std::string digits) {
  constexpr size_t kKept = 7;
  for (size_t i = digits.size(); i > kKept; --i) {
    const size_t position = i - 1;
    const bool roundsUp = digits[position] > '5';
    digits[position] = '0';
    if (roundsUp) CarryInto(digits, position - 1);
  }
  return digits;
}

std::u16string SingleText(JetVersion version, float value) {
  std::u16string text;
  SingleTextInto(version, value, text);
  return text;
}

std::u16string DoubleText(JetVersion version, double value) {
  std::u16string text;
  DoubleTextInto(version, value, text);
  return text;
}

void SingleTextInto(JetVersion version, float value, std::u16string& text) {
  if (version == JetVersion::kJet4) return FiveDecimalsOrShortestInto(value, text);
  NumberBuffer buffer;
  const std::string rounded =
      RoundToSevenCharacters(std::string(Printed(value, std::chars_format::fixed, 0, buffer)));
  ExactTextInto(rounded, value, text);
}

void DoubleTextInto(JetVersion version, double value, std::u16string& text) {
  if (version == JetVersion::kJet4) return FiveDecimalsOrShortestInto(value, text);
  SixDigitsOrShortestInto(value, text);
}

std::optional<double> NonFiniteValue(std::u16string_view text) {
  if (text.empty() || (text.front() != u'N' && text.front() != u'I' && text.front() != u'-'))
    return std::nullopt;
  if (text == u"NaN") return std::numeric_limits<double>::quiet_NaN();
  if (text == u"Infinity") return std::numeric_limits<double>::infinity();
  if (text == u"-Infinity") return -std::numeric_limits<double>::infinity();
  return std::nullopt;
}

}  // namespace tarvex::format
