#pragma once
// The header page of a database this engine makes, and the check of an
// existing one before it is extended.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/database_format.h"

namespace tarvex::dao {

// The code page a DAO locale string names (";LANGID=0x0409;CP=1252;COUNTRY=0");
// 1252 when it names none. Throws on a malformed CP value.
uint16_t CodePageOfLocale(const std::string& locale);

// A complete header page for a new, empty, unencrypted database of `format`.
std::vector<uint8_t> BuildHeaderPage(format::DatabaseFormat format, uint16_t codePage);

// Checks that `page` (at least the first page's Jet 3 size) is the header of a
// file this engine can extend and returns its format; throws DaoException
// naming what is wrong (encrypted, not a database).
format::DatabaseFormat CheckHeaderPage(std::span<const uint8_t> page);

}  // namespace tarvex::dao
