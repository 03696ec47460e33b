#include "dao/text_codec.h"

#include <algorithm>

#include "dao/jet4_constants.h"

namespace tarvex::dao {
namespace {

constexpr uint8_t kCompressedMark0 = 0xFF;
constexpr uint8_t kCompressedMark1 = 0xFE;

bool Compressible(std::u16string_view text) {
  if (text.size() < jet4::kCompressedTextMinCharacters ||
      text.size() > jet4::kCompressedTextMaxCharacters)
    return false;
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x01 && c <= 0xFF; });
}

}  // namespace

std::vector<uint8_t> EncodeText(std::u16string_view text, bool allowCompression) {
  std::vector<uint8_t> out;
  if (allowCompression && Compressible(text)) {
    out.reserve(text.size() + 2);
    out.push_back(kCompressedMark0);
    out.push_back(kCompressedMark1);
    for (char16_t c : text) out.push_back(static_cast<uint8_t>(c));
    return out;
  }
  // Plain text starting with U+FEFF would begin FF FE and read as compressed;
  // the compressed form's switch byte then keeps it plain UTF-16 after all.
  bool escape = !text.empty() && text[0] == 0xFEFF;
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
