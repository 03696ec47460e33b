#pragma once
// Text as a database stores it: Jet 4 in UTF-16LE (compressed where allowed),
// Jet 3 in the database's code page, one or two bytes per character. Names in
// Jet 3 table definitions and property blobs are code-page bytes as well.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/jet_layout.h"

namespace tarvex::dao {

struct TextFormat {
  format::JetVersion version = format::JetVersion::kJet4;
  uint16_t codePage = 1252;
};

// The stored bytes of `text`. Throws DaoException naming the first character
// the code page has no code for: such text is refused, never replaced.
std::vector<uint8_t> EncodeStoredText(std::u16string_view text, bool allowCompression,
                                      const TextFormat& format);
// As EncodeStoredText, into `bytes`, whose storage is reused.
void EncodeStoredTextInto(std::u16string_view text, bool allowCompression, const TextFormat& format,
                          std::vector<uint8_t>& bytes);
std::u16string DecodeStoredText(std::span<const uint8_t> bytes, const TextFormat& format);

// A name as the table-definition codec keeps it: unchanged in Jet 4; in Jet 3
// one code unit per code-page byte. Throws as EncodeStoredText does.
std::u16string NameForDefinition(const std::u16string& name, const TextFormat& format);
// The inverse, for a name read from a definition.
std::u16string NameFromDefinition(const std::u16string& stored, const TextFormat& format);

}  // namespace tarvex::dao
