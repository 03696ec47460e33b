#include "format/value_text.h"

#include <array>
#include <bit>
#include <cstring>

#include "format/unicode.h"

namespace tarvex::format {
namespace {

constexpr std::array<uint8_t, 2> kCompressedMark{0xFF, 0xFE};

// One step of UTF-8 decoding at pos: a code point and the bytes it took, or,
// for an ill-formed sequence, the length of its longest valid prefix (at
// least 1) so that decoding resumes right after it.
struct Utf8Step {
  char32_t codePoint;
  size_t length;
  bool valid;
};

struct LeadByte {
  size_t continuations;
  char32_t bits;
  uint8_t firstLow;  // allowed range of the first continuation byte
  uint8_t firstHigh;
};

std::optional<LeadByte> ReadLeadByte(uint8_t b) {
  if (b >= 0xC2 && b <= 0xDF) return LeadByte{1, b & 0x1Fu, 0x80, 0xBF};
  if (b == 0xE0) return LeadByte{2, b & 0x0Fu, 0xA0, 0xBF};  // no overlong forms
  if (b == 0xED) return LeadByte{2, b & 0x0Fu, 0x80, 0x9F};  // no surrogates
  if (b >= 0xE1 && b <= 0xEF) return LeadByte{2, b & 0x0Fu, 0x80, 0xBF};
  if (b == 0xF0) return LeadByte{3, b & 0x07u, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return LeadByte{3, b & 0x07u, 0x80, 0xBF};
  if (b == 0xF4) return LeadByte{3, b & 0x07u, 0x80, 0x8F};  // nothing above U+10FFFF
  return std::nullopt;
}

Utf8Step NextUtf8(Bytes raw, size_t pos) {
  const uint8_t first = raw[pos];
  if (first < 0x80) return {first, 1, true};
  const std::optional<LeadByte> lead = ReadLeadByte(first);
  if (!lead) return {kReplacementCharacter, 1, false};
  char32_t codePoint = lead->bits;
  uint8_t low = lead->firstLow;
  uint8_t high = lead->firstHigh;
  for (size_t i = 1; i <= lead->continuations; ++i) {
    const std::optional<uint8_t> next = CDataReader::U8(raw, pos + i);
    if (!next || *next < low || *next > high) return {kReplacementCharacter, i, false};
    codePoint = codePoint << 6 | (*next & 0x3Fu);
    low = 0x80;
    high = 0xBF;
  }
  return {codePoint, lead->continuations + 1, true};
}

// Four bytes spread to the low bytes of four 16-bit lanes.
uint64_t SpreadBytes(uint64_t four) {
  four = (four | four << 16) & 0x0000FFFF0000FFFFull;
  return (four | four << 8) & 0x00FF00FF00FF00FFull;
}

// Copies one-byte characters to UTF-16 units, eight at a time in two words where the machine
// stores them as the units are laid out; returns the end of what it wrote.
template <typename Byte>
char16_t* Widen(const Byte* from, size_t count, char16_t* to) {
  if constexpr (std::endian::native == std::endian::little) {
    for (; count >= 8; count -= 8, from += 8, to += 8) {
      uint64_t eight;
      std::memcpy(&eight, from, 8);
      const uint64_t low = SpreadBytes(eight & 0xFFFFFFFFu);
      const uint64_t high = SpreadBytes(eight >> 32);
      std::memcpy(to, &low, 8);
      std::memcpy(to + 4, &high, 8);
    }
  }
  for (; count > 0; --count) *to++ = static_cast<uint8_t>(*from++);
  return to;
}

char16_t UnitAt(Bytes raw, size_t pos) {
  return static_cast<char16_t>(raw[pos] | raw[pos + 1] << 8);
}

// Writes `text` one byte per character after the compression mark; false
// (with `out` unspecified) when a character does not fit a byte or is zero,
// which compressed text cannot hold. One pass without early exit, so that the
// compiler can make it a vector loop: most short texts compress.
bool EncodeCompressed(std::u16string_view text, std::vector<uint8_t>& out) {
  if (text.size() < kCompressedTextMinCharacters || text.size() > kCompressedTextMaxCharacters)
    return false;
  out.resize(text.size() + 2);
  out[0] = kCompressedMark[0];
  out[1] = kCompressedMark[1];
  uint8_t* to = out.data() + 2;
  bool outside = false;
  for (char16_t c : text) {
    outside |= static_cast<uint16_t>(c - 1) > 0xFE;  // 0 or above 0xFF
    *to++ = static_cast<uint8_t>(c);
  }
  return !outside;
}

}  // namespace

std::u16string Utf16LeToText(Bytes raw) {
  std::u16string text;
  Utf16LeToTextInto(raw, text);
  return text;
}

void Utf16LeToTextInto(Bytes raw, std::u16string& text) {
  const size_t units = raw.size() / 2;
  text.resize(units);
  if constexpr (std::endian::native == std::endian::little) {
    if (units > 0) std::memcpy(text.data(), raw.data(), 2 * units);
  } else {
    for (size_t i = 0; i < units; ++i) text[i] = UnitAt(raw, 2 * i);
  }
}

std::vector<uint8_t> TextToUtf16LeBytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2 + 1);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  return bytes;
}

std::u16string Utf8ToText(Bytes raw) {
  std::u16string text;
  for (size_t pos = 0; pos < raw.size() && raw[pos] != 0;) {
    const Utf8Step step = NextUtf8(raw, pos);
    AppendUtf16(text, step.codePoint);
    pos += step.length;
  }
  return text;
}

std::optional<std::u16string> Utf8ToTextExactly(Bytes raw) {
  std::u16string text;
  for (size_t pos = 0; pos < raw.size();) {
    const Utf8Step step = NextUtf8(raw, pos);
    if (!step.valid || step.codePoint == 0) return std::nullopt;
    AppendUtf16(text, step.codePoint);
    pos += step.length;
  }
  return text;
}

std::u16string DecodeJet4Text(Bytes raw) {
  std::u16string text;
  DecodeJet4TextInto(raw, text);
  return text;
}

void DecodeJet4TextInto(Bytes raw, std::u16string& text) {
  const bool compressed =
      raw.size() >= 2 && raw[0] == kCompressedMark[0] && raw[1] == kCompressedMark[1];
  if (!compressed) return Utf16LeToTextInto(raw, text);
  // No more characters than bytes: sized once, filled, then cut to what was decoded.
  text.resize(raw.size());
  char16_t* out = text.data();
  bool oneBytePerCharacter = true;
  for (size_t pos = 2; pos < raw.size();) {
    if (oneBytePerCharacter) {
      // A run of one-byte characters lasts up to the next zero byte, which switches to two.
      const auto run = raw.subspan(pos);
      const auto* zero = static_cast<const uint8_t*>(std::memchr(run.data(), 0, run.size()));
      const size_t length = zero ? static_cast<size_t>(zero - run.data()) : run.size();
      out = Widen(run.data(), length, out);
      pos += length;
      if (zero) {
        oneBytePerCharacter = false;
        ++pos;
      }
    } else if (raw[pos] == 0) {
      oneBytePerCharacter = true;
      ++pos;
    } else {
      if (pos + 1 >= raw.size()) break;  // an odd last byte holds no character
      *out++ = UnitAt(raw, pos);
      pos += 2;
    }
  }
  text.resize(static_cast<size_t>(out - text.data()));
}

std::vector<uint8_t> EncodeJet4Text(std::u16string_view text, bool allowCompression) {
  std::vector<uint8_t> out;
  EncodeJet4TextInto(text, allowCompression, out);
  return out;
}

void EncodeJet4TextInto(std::u16string_view text, bool allowCompression,
                        std::vector<uint8_t>& out) {
  if (allowCompression && EncodeCompressed(text, out)) return;
  // Plain text starting with U+FEFF would begin FF FE and read as compressed;
  // the compressed form's switch byte then keeps it plain UTF-16 after all.
  const bool escape = !text.empty() && text[0] == 0xFEFF;
  out.clear();
  if (escape) out = {kCompressedMark[0], kCompressedMark[1], 0x00};
  const size_t base = out.size();
  out.resize(base + text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    out[base + 2 * i] = static_cast<uint8_t>(text[i]);
    out[base + 2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
}

std::u16string AsciiToText(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

void AsciiToTextInto(std::string_view ascii, std::u16string& text) {
  text.resize(ascii.size());
  Widen(ascii.data(), ascii.size(), text.data());
}

}  // namespace tarvex::format
