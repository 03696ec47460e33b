#include "format/value_numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "format/value_text.h"

namespace tarvex::format {
namespace {

template <typename T>
bool ReadsBackAs(const std::string& text, T value) {
  T parsed{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  return error == std::errc() && end == text.data() + text.size() &&
         std::memcmp(&parsed, &value, sizeof value) == 0;
}

std::string WithUpperCaseExponent(std::string text) {
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

template <typename T>
std::string Shortest(T value) {
  std::array<char, 64> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return WithUpperCaseExponent(std::string(buffer.data(), result.ptr));
}

// printf's "%.<precision>f" (fixed) or "%G" (general) in the "C" locale,
// whatever locale the process runs in.
std::string Printed(double value, std::chars_format format, int precision) {
  std::array<char, 400> buffer;  // "%.5f" of the largest double takes 316
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
  return WithUpperCaseExponent(std::string(buffer.data(), result.ptr));
}

// "NaN", "Infinity" or "-Infinity", or nothing for a finite value.
std::optional<std::string> SpecialText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  return std::nullopt;
}

template <typename T>
std::u16string ExactText(std::string customary, T value) {
  if (const auto special = SpecialText(value)) return AsciiToText(*special);
  if (ReadsBackAs(customary, value)) return AsciiToText(customary);
  return AsciiToText(Shortest(value));
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

std::string ShortestText(float value) { return Shortest(value); }
std::string ShortestText(double value) { return Shortest(value); }

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
  if (version == JetVersion::kJet4)
    return ExactText(Printed(value, std::chars_format::fixed, 5), value);
  return ExactText(RoundToSevenCharacters(Printed(value, std::chars_format::fixed, 0)), value);
}

std::u16string DoubleText(JetVersion version, double value) {
  return ExactText(version == JetVersion::kJet4 ? Printed(value, std::chars_format::fixed, 5)
                                                : Printed(value, std::chars_format::general, 6),
                   value);
}

std::optional<double> NonFiniteValue(std::u16string_view text) {
  if (text == u"NaN") return std::numeric_limits<double>::quiet_NaN();
  if (text == u"Infinity") return std::numeric_limits<double>::infinity();
  if (text == u"-Infinity") return -std::numeric_limits<double>::infinity();
  return std::nullopt;
}

}  // namespace tarvex::format
