#pragma once
// Per-character codes of the Access 97 "General" sort order of Jet 3 text
// keys, by byte of code page 1252.
#include <cstdint>

#include "format/general_legacy_codes.h"

namespace tarvex::format {

// Kinds: 'S' simple; 'G' a letter that has accented forms, or a letter that
// sorts as two of them (ß as "ss", æ as "ae"), each inline byte counting as a
// place before the next accent; 'I' an accented letter, its accent code (a
// nibble) in `extra`. The byte 0x00 sorts with the control characters.
const SortCode& General97Code(uint8_t character);

}  // namespace tarvex::format
