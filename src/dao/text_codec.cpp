#include "dao/text_codec.h"

#include "dao/jet4_constants.h"

namespace tarvex::dao {
namespace {

constexpr uint8_t kCompressedMark0 = 0xFF;
constexpr uint8_t kCompressedMark1 = 0xFE;

// Writes `text` one byte per character after the compression marks; false
// (with `out` unspecified) when a character does not fit a byte or is zero,
// which compressed text cannot hold. One pass without early exit, so that the
// compiler can make it a vector loop: most short texts compress.
bool EncodeCompressed(std::u16string_view text, std::vector<uint8_t>& out) {
  if (text.size() < jet4::kCompressedTextMinCharacters ||
      text.size() > jet4::kCompressedTextMaxCharacters)
    return false;
  out.resize(text.size() + 2);
  out[0] = kCompressedMark0;
  out[1] = kCompressedMark1;
  uint8_t* to = out.data() + 2;
  bool outside = false;
  for (char16_t c : text) {
    outside |= static_cast<uint16_t>(c - 1) > 0xFE;  // 0 or above 0xFF
    *to++ = static_cast<uint8_t>(c);
  }
  return !outside;
}

}  // namespace

std::vector<uint8_t> EncodeText(std::u16string_view text, bool allowCompression) {
  std::vector<uint8_t> out;
  if (allowCompression && EncodeCompressed(text, out)) return out;
  // Plain text starting with U+FEFF would begin FF FE and read as compressed;
  // the compressed form's switch byte then keeps it plain UTF-16 after all.
  bool escape = !text.empty() && text[0] == 0xFEFF;
  out.clear();
  if (escape) out = {kCompressedMark0, kCompressedMark1, 0x00};
  size_t base = out.size();
  out.resize(base + text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    out[base + 2 * i] = static_cast<uint8_t>(text[i]);
    out[base + 2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
  return out;
}

std::u16string DecodeText(std::span<const uint8_t> bytes) {
  std::u16string text;
  if (bytes.size() >= 2 && bytes[0] == kCompressedMark0 && bytes[1] == kCompressedMark1) {
    bool compressed = true;
    size_t i = 2;
    while (i < bytes.size()) {
      if (bytes[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        text += static_cast<char16_t>(bytes[i++]);
      } else if (i + 1 < bytes.size()) {
        text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        i += 2;
      } else {
        break;
      }
    }
    return text;
  }
  text.resize(bytes.size() / 2);
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return text;
}

}  // namespace tarvex::dao
