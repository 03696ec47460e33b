#pragma once
// Index keys: each key column as a flag byte and its value bytes, ordered so
// that comparing whole keys as unsigned bytes gives the engine's order.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvex::dao {

// Appends one key column of type `typeCode` to `key`. `value` is the column's
// stored bytes (nullopt for null; for Booleans an empty span means True and
// nullopt False). Throws DaoException for a type that cannot be indexed.
// False when the key is not the one Access would make: a text with a
// character beyond U+00FF, keyed in the engine's own form.
bool AppendKeyColumn(std::vector<uint8_t>& key, uint8_t typeCode,
                     std::optional<std::span<const uint8_t>> value, bool ascending);

// The General (Legacy) sort key of a text, without the flag byte. Characters
// U+0000..U+00FF get the engine's codes; others get three bytes (0xFC + the
// top two bits, then two 7-bit groups each plus 2), which order by code unit
// after every Latin-1 character.
std::vector<uint8_t> TextKey(std::u16string_view text, bool ascending);

// True when columns of `typeCode` can be index keys here.
bool IsIndexableType(uint8_t typeCode);

}  // namespace tarvex::dao
