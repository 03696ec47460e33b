#include "format/value_binary.h"

#include <algorithm>
#include <optional>

#include "format/unicode.h"
#include "format/value_text.h"

namespace tarvex::format {
namespace {

bool IsOneBytePerCharacter(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit <= 0xFF; });
}

std::optional<std::u16string> InOwnEncoding(JetVersion version, Bytes raw) {
  if (version == JetVersion::kJet4) return Utf8ToTextExactly(raw);
  if (raw.size() % 2 != 0) return std::nullopt;
  return Utf16LeToText(raw);
}

}  // namespace

std::u16string BinaryValueText(JetVersion version, Bytes raw) {
  std::optional<std::u16string> own = InOwnEncoding(version, raw);
  if (own && !IsOneBytePerCharacter(*own)) return std::move(*own);
  return std::u16string(raw.begin(), raw.end());
}

std::vector<uint8_t> BinaryValueBytes(JetVersion version, std::u16string_view text) {
  if (IsOneBytePerCharacter(text)) return std::vector<uint8_t>(text.begin(), text.end());
  if (version == JetVersion::kJet4) {
    const std::string utf8 = ToUtf8(text);
    return std::vector<uint8_t>(utf8.begin(), utf8.end());
  }
  std::vector<uint8_t> bytes = TextToUtf16LeBytes(text);
  bytes.pop_back();  // the record terminator is not part of the value
  return bytes;
}

}  // namespace tarvex::format
