#include "support/truth_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "format/unicode.h"
#include "format/value_binary.h"
#include "format/value_text.h"
#include "format/value_types.h"

namespace tarvex::test {
namespace {

using format::ColumnType;
using format::TypeCode;

// ---- floats ----

// Shortest digits and exponent ("1.2345e+20") written out in plain notation.
std::string PlainFromScientific(const std::string& scientific) {
  const size_t e = scientific.find('e');
  const bool negative = scientific[0] == '-';
  std::string digits = scientific.substr(negative ? 1 : 0, e - (negative ? 1 : 0));
  digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
  const int exponent = std::stoi(scientific.substr(e + 1));
  const int pointAfter = exponent + 1;  // digits before the decimal point
  std::string plain;
  if (pointAfter <= 0) {
    plain = "0." + std::string(static_cast<size_t>(-pointAfter), '0') + digits;
  } else if (static_cast<size_t>(pointAfter) >= digits.size()) {
    plain = digits + std::string(pointAfter - digits.size(), '0');
  } else {
    plain = digits.substr(0, pointAfter) + "." + digits.substr(pointAfter);
  }
  return (negative ? "-" : "") + plain;
}

template <typename T>
std::string PlainShortest(const std::string& text) {
  T value{};
  const char* end = text.data() + text.size();
  if (std::from_chars(text.data(), end, value).ptr != end) return "unparsed " + text;
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  std::array<char, 64> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::scientific);
  return PlainFromScientific(std::string(buffer.data(), result.ptr));
}

// ---- dates ----

constexpr int64_t kMillisecondsPerDay = 86'400'000;

struct DateTime {
  int year, month, day, hour, minute, second, millisecond;
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

DateTime CivilFromMilliseconds(int64_t milliseconds) {
  int64_t days = milliseconds / kMillisecondsPerDay;
  int64_t rest = milliseconds % kMillisecondsPerDay;
  if (rest < 0) {
    rest += kMillisecondsPerDay;
    --days;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
  const int64_t seconds = rest / 1000;
  return {year,
          month,
          day,
          static_cast<int>(seconds / 3600),
          static_cast<int>(seconds / 60 % 60),
          static_cast<int>(seconds % 60),
          static_cast<int>(rest % 1000)};
}

std::string IsoText(const DateTime& t) {
  std::array<char, 48> text;
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  std::string iso = text.data();
  if (t.millisecond != 0) {
    std::snprintf(text.data(), text.size(), ".%03d", t.millisecond);
    iso += text.data();
  }
  return iso;
}

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string OurDateToIso(const std::string& text) {
  if (text == "12:00:00 AM") return "1899-12-30T00:00:00";
  DateTime t{};
  char blank = 0;
  if (std::sscanf(text.c_str(), "%2d/%2d/%5d%c", &t.month, &t.day, &t.year, &blank) == 4 &&
      text.size() == 11 && blank == ' ') {
    return IsoText(t);
  }
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%2d/%2d/%5d %2d:%2d:%2d%n", &t.month, &t.day, &t.year, &t.hour,
                  &t.minute, &t.second, &consumed) != 6) {
    return "unparsed date " + text;
  }
  std::string_view rest = std::string_view(text).substr(static_cast<size_t>(consumed));
  if (rest.size() > 4 && rest[0] == '.' && AllDigits(rest.substr(1, 3))) {
    t.millisecond = std::stoi(std::string(rest.substr(1, 3)));
    rest.remove_prefix(4);
  }
  if (rest != " AM" && rest != " PM") return "unparsed date " + text;
  t.hour %= 12;
  if (rest == " PM") t.hour += 12;
  return IsoText(t);
}

std::string TruthDateToMilliseconds(const std::string& text) {
  DateTime t{};
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%5d-%2d-%2dT%2d:%2d:%2d%n", &t.year, &t.month, &t.day, &t.hour,
                  &t.minute, &t.second, &consumed) != 6) {
    return "unparsed date " + text;
  }
  std::string fraction;
  if (static_cast<size_t>(consumed) < text.size()) {
    fraction = text.substr(static_cast<size_t>(consumed));
    if (fraction.size() < 2 || fraction[0] != '.' || !AllDigits(fraction.substr(1))) {
      return "unparsed date " + text;
    }
    fraction.erase(0, 1);
  }
  fraction.resize(std::max<size_t>(fraction.size(), 4), '0');
  const int64_t milliseconds = std::stoi(fraction.substr(0, 3)) + (fraction[3] >= '5' ? 1 : 0);
  return IsoText(CivilFromMilliseconds(DaysFromCivil(t.year, t.month, t.day) * kMillisecondsPerDay +
                                       (t.hour * 3600 + t.minute * 60 + t.second) * 1000LL +
                                       milliseconds));
}

// ---- binary ----

std::string OleFileValue(const std::u16string& path) {
  std::ifstream file(format::ToUtf8(path), std::ios::binary);
  if (!file) return "unreadable OLE file " + format::ToUtf8(path);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  return RenderTruthBinary(bytes);
}

std::string WithScale(std::string text, uint8_t scale) {
  if (text == "0" && scale > 0) text += "." + std::string(scale, '0');
  return text;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
  return text;
}

// ---- SHA-256 (FIPS 180-4) ----

constexpr std::array<uint32_t, 64> kRoundConstants{
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t Rotr(uint32_t x, int n) { return x >> n | x << (32 - n); }

void CompressBlock(std::array<uint32_t, 8>& state, const uint8_t* block) {
  std::array<uint32_t, 64> w{};
  for (size_t i = 0; i < 16; ++i) {
    w[i] = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 |
           uint32_t{block[4 * i + 2]} << 8 | block[4 * i + 3];
  }
  for (size_t i = 16; i < 64; ++i) {
    const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ w[i - 15] >> 3;
    const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ w[i - 2] >> 10;
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::array<uint32_t, 8> v = state;  // a..h
  for (size_t i = 0; i < 64; ++i) {
    const uint32_t s1 = Rotr(v[4], 6) ^ Rotr(v[4], 11) ^ Rotr(v[4], 25);
    const uint32_t choose = (v[4] & v[5]) ^ (~v[4] & v[6]);
    const uint32_t t1 = v[7] + s1 + choose + kRoundConstants[i] + w[i];
    const uint32_t s0 = Rotr(v[0], 2) ^ Rotr(v[0], 13) ^ Rotr(v[0], 22);
    const uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
    std::copy_backward(v.begin(), v.end() - 1, v.end());
    v[4] += t1;
    v[0] = t1 + s0 + majority;
  }
  for (size_t i = 0; i < 8; ++i) state[i] += v[i];
}

}  // namespace

std::string Sha256Hex(std::span<const uint8_t> bytes) {
  std::array<uint32_t, 8> state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  const size_t whole = bytes.size() / 64 * 64;
  for (size_t offset = 0; offset < whole; offset += 64) CompressBlock(state, bytes.data() + offset);
  std::vector<uint8_t> tail(bytes.begin() + whole, bytes.end());
  tail.push_back(0x80);
  while (tail.size() % 64 != 56) tail.push_back(0);
  const uint64_t bitCount = static_cast<uint64_t>(bytes.size()) * 8;
  for (int shift = 56; shift >= 0; shift -= 8)
    tail.push_back(static_cast<uint8_t>(bitCount >> shift));
  for (size_t offset = 0; offset < tail.size(); offset += 64)
    CompressBlock(state, tail.data() + offset);
  std::string hex;
  for (uint32_t word : state) {
    std::array<char, 9> digits;
    std::snprintf(digits.data(), digits.size(), "%08x", word);
    hex += digits.data();
  }
  return hex;
}

std::string RenderTruthBinary(std::span<const uint8_t> bytes) {
  constexpr size_t kLongestInline = 64;
  std::string text = "bin:" + std::to_string(bytes.size()) + ":";
  if (bytes.size() > kLongestInline) return text + "sha256:" + Sha256Hex(bytes);
  for (uint8_t b : bytes) {
    std::array<char, 3> digits;
    std::snprintf(digits.data(), digits.size(), "%02x", b);
    text += digits.data();
  }
  return text;
}

std::string NormaliseOurValue(uint8_t type, const std::optional<std::u16string>& ourText,
                              const TruthColumnContext& ctx) {
  if (!ourText) return std::string(kNormalisedNull);
  const std::string text = format::ToUtf8(*ourText);
  switch (static_cast<ColumnType>(type)) {
    case ColumnType::kBoolean:
      return text == "True" ? "true" : text == "False" ? "false" : text;
    case ColumnType::kSingle:
      return PlainShortest<float>(text);
    case ColumnType::kDouble:
      return PlainShortest<double>(text);
    case ColumnType::kDateTime:
      return OurDateToIso(text);
    case ColumnType::kExtDateTime: {
      std::string iso = text;
      if (iso.size() > 10 && iso[10] == ' ') iso[10] = 'T';
      return iso;
    }
    case ColumnType::kNumeric:
      return WithScale(text, ctx.scale);
    case ColumnType::kBinary:
      return RenderTruthBinary(format::BinaryValueBytes(ctx.version, *ourText));
    case ColumnType::kOle:
      return OleFileValue(*ourText);
    case ColumnType::kGuid:
      return Upper(text);
    case ColumnType::kText:
    case ColumnType::kMemo: {
      if (ctx.version != format::JetVersion::kJet3) return text;
      // The dumps read a byte the code page leaves undefined as U+FFFD; we
      // keep it as Windows does, as the C1 control of the same number.
      std::u16string dumped = *ourText;
      for (char16_t& c : dumped)
        if (c >= 0x80 && c <= 0x9F) c = u'\uFFFD';
      return format::ToUtf8(dumped);
    }
    default:
      return text;
  }
}

std::string NormaliseTruthValue(uint8_t type, const std::optional<std::string>& truthText) {
  if (!truthText) return std::string(kNormalisedNull);
  switch (static_cast<ColumnType>(type)) {
    case ColumnType::kSingle:
      return PlainShortest<float>(*truthText);
    case ColumnType::kDouble:
      return PlainShortest<double>(*truthText);
    case ColumnType::kDateTime:
      return TruthDateToMilliseconds(*truthText);
    case ColumnType::kGuid:
      return Upper(*truthText);
    default:
      return *truthText;
  }
}

bool ValueMatchesTruth(uint8_t type, const std::optional<std::u16string>& ourText,
                       const std::optional<std::string>& truthText, const TruthColumnContext& ctx) {
  if (!ourText || !truthText) return !ourText && !truthText;
  return NormaliseOurValue(type, ourText, ctx) == NormaliseTruthValue(type, truthText);
}

std::optional<uint8_t> TypeCodeForTruthType(std::string_view name) {
  struct Name {
    std::string_view truth;
    ColumnType type;
  };
  constexpr std::array<Name, 17> kNames{{
      {"BOOLEAN", ColumnType::kBoolean},
      {"BYTE", ColumnType::kByte},
      {"INT", ColumnType::kInt},
      {"LONG", ColumnType::kLong},
      {"MONEY", ColumnType::kCurrency},
      {"FLOAT", ColumnType::kSingle},
      {"DOUBLE", ColumnType::kDouble},
      {"SHORT_DATE_TIME", ColumnType::kDateTime},
      {"BINARY", ColumnType::kBinary},
      {"TEXT", ColumnType::kText},
      {"OLE", ColumnType::kOle},
      {"MEMO", ColumnType::kMemo},
      {"GUID", ColumnType::kGuid},
      {"NUMERIC", ColumnType::kNumeric},
      {"COMPLEX_TYPE", ColumnType::kComplex},
      {"BIG_INT", ColumnType::kBigInt},
      {"EXT_DATE_TIME", ColumnType::kExtDateTime},
  }};
  for (const Name& entry : kNames) {
    if (entry.truth == name) return TypeCode(entry.type);
  }
  constexpr std::string_view kUnknownPrefix = "UNKNOWN_";  // "UNKNOWN_11": the code in hex
  if (name.substr(0, kUnknownPrefix.size()) != kUnknownPrefix) return std::nullopt;
  unsigned code = 0;
  const std::string_view hex = name.substr(kUnknownPrefix.size());
  const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
  if (error != std::errc() || end != hex.data() + hex.size() || code > 0xFF) return std::nullopt;
  return static_cast<uint8_t>(code);
}

}  // namespace tarvex::test
