#pragma once
// Text key columns of Jet 3 (Access 97) indexes, in the "General" sort order
// of Access 97. Each character gives one or two inline bytes from a table of
// the 256 bytes of code page 1252; accents follow as a stream of nibbles,
// which a 0x00 byte stands in for when the text has none. Unlike Jet 4, the
// inline bytes are never below 0x10 and no end-of-text byte follows them.
#include <cstdint>
#include <optional>
#include <vector>

#include "format/data_reader.h"

namespace tarvex::format {

// The only code page whose General 97 codes are known here.
inline constexpr uint16_t kGeneral97CodePage = 1252;

// The key of a Jet 3 text value without the flag byte, from the bytes the row
// stores in code page `codePage`, for a column in sort order `sortOrder`
// (both from the column's descriptor; a code page of 0 is the database's,
// given by its header). Nothing when that sort order or code page is not
// General 97 in code page 1252: its keys cannot be made exactly here.
std::optional<std::vector<uint8_t>> Jet3TextKey(Bytes stored, uint16_t sortOrder, uint16_t codePage,
                                                bool ascending);

// The length of a General 97 text key at the start of `key` (without the
// flag byte); nothing when its end is not in `key`.
std::optional<size_t> Jet3TextKeyLength(Bytes key, bool ascending);

}  // namespace tarvex::format
