#pragma once
// Page 0 of a Jet file: engine name, format version, code page, sort order
// and (Jet 4) creation date, most of it masked with a fixed RC4 key stream.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/jet_layout.h"

namespace tarvex::dao {

// The code page a DAO locale string names (";LANGID=0x0409;CP=1252;COUNTRY=0");
// 1252 when it names none. Throws on a malformed CP value.
uint16_t CodePageOfLocale(const std::string& locale);

// A complete header page for a new, empty, unencrypted database of `layout`.
std::vector<uint8_t> BuildHeaderPage(const format::JetLayout& layout, uint16_t codePage);

// Checks that `page` (at least the first page's Jet 3 size) is the header of a
// Jet 3 or Jet 4 file this engine can extend and returns its layout; throws
// DaoException naming what is wrong (ACE, encrypted, not a database).
const format::JetLayout& CheckHeaderPage(std::span<const uint8_t> page);

}  // namespace tarvex::dao
