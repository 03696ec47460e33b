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

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
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

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    auto lead = static_cast<uint8_t>(text[i]);
    size_t extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    bool valid = (lead < 0x80) || extra > 0;
    for (size_t k = 1; k <= extra && valid; ++k) {
      if (i + k >= text.size() || (static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) {
        valid = false;
        extra = k - 1;
      } else {
        code = code << 6 | (static_cast<uint8_t>(text[i + k]) & 0x3F);
      }
    }
    i += extra + 1;
    if (!valid || code > 0x10FFFF) code = 0xFFFD;
    if (code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

}  // namespace tarvex::dao
