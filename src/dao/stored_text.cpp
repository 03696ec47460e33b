#include "dao/stored_text.h"

#include <cstdio>

#include "dao/dao_exception.h"
#include "format/code_page.h"
#include "format/unicode.h"
#include "format/value_text.h"

namespace tarvex::dao {
namespace {

bool IsJet3(const TextFormat& format) { return format.version == format::JetVersion::kJet3; }

[[noreturn]] void RefuseText(std::u16string_view text, uint16_t codePage) {
  // Name the first character without a code, so that the reason can be acted on.
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t length = i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF ? 2 : 1;
    if (!format::EncodeCodePage(text.substr(i, length), codePage)) {
      char code[16];
      std::snprintf(code, sizeof(code), "U+%04X", static_cast<unsigned>(text[i]));
      throw DaoException("The character " + std::string(code) + " has no code in code page " +
                         std::to_string(codePage) + " of this Access 97 database.");
    }
    i += length - 1;
  }
  throw DaoException("The text has no codes in code page " + std::to_string(codePage) + ".");
}

}  // namespace

std::vector<uint8_t> EncodeStoredText(std::u16string_view text, bool allowCompression,
                                      const TextFormat& format) {
  std::vector<uint8_t> bytes;
  EncodeStoredTextInto(text, allowCompression, format, bytes);
  return bytes;
}

void EncodeStoredTextInto(std::u16string_view text, bool allowCompression, const TextFormat& format,
                          std::vector<uint8_t>& bytes) {
  if (!IsJet3(format)) return format::EncodeJet4TextInto(text, allowCompression, bytes);
  auto encoded = format::EncodeCodePage(text, format.codePage);
  if (!encoded) RefuseText(text, format.codePage);
  bytes = std::move(*encoded);
}

std::u16string DecodeStoredText(std::span<const uint8_t> bytes, const TextFormat& format) {
  if (!IsJet3(format)) return format::DecodeJet4Text(bytes);
  return format::DecodeCodePage(bytes, format.codePage);
}

std::u16string NameForDefinition(const std::u16string& name, const TextFormat& format) {
  if (!IsJet3(format)) return name;
  const auto bytes = EncodeStoredText(name, false, format);
  return std::u16string(bytes.begin(), bytes.end());
}

std::u16string NameFromDefinition(const std::u16string& stored, const TextFormat& format) {
  if (!IsJet3(format)) return stored;
  std::vector<uint8_t> bytes;
  bytes.reserve(stored.size());
  for (char16_t unit : stored) bytes.push_back(static_cast<uint8_t>(unit));
  return DecodeStoredText(bytes, format);
}

}  // namespace tarvex::dao
