#pragma once
// Page 0 of a Jet 4 file: engine name, format version, code page, sort order
// and creation date, most of it masked with a fixed RC4 key stream.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarvex::dao {

// The code page a DAO locale string names (";LANGID=0x0409;CP=1252;COUNTRY=0");
// 1252 when it names none. Throws on a malformed CP value.
uint16_t CodePageOfLocale(const std::string& locale);

// A complete header page for a new, empty, unencrypted database.
std::vector<uint8_t> BuildHeaderPage(uint16_t codePage);

// Checks that `page` is the header of a Jet 4 file this engine can extend;
// throws DaoException naming what is wrong (Jet 3, ACE, encrypted, not a database).
void CheckHeaderPage(std::span<const uint8_t> page);

}  // namespace tarvex::dao
