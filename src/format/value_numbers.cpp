#include "format/value_numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
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

template <typename T>
std::string Shortest(T value) {
  std::array<char, 64> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  std::string text(buffer.data(), result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

std::string Printed(const char* format, double value) {
  const int length = std::snprintf(nullptr, 0, format, value);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, value);
  text.pop_back();
  return text;
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
  if (version == JetVersion::kJet4) return ExactText(Printed("%.5f", value), value);
  return ExactText(RoundToSevenCharacters(Printed("%.0f", value)), value);
}

std::u16string DoubleText(JetVersion version, double value) {
  return ExactText(Printed(version == JetVersion::kJet4 ? "%.5f" : "%G", value), value);
}

}  // namespace tarvex::format
