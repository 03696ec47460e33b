#pragma once
// Index keys: each key column as a flag byte and its value bytes, ordered so
// that comparing whole keys as unsigned bytes gives the engine's order.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/index_key.h"

namespace tarvex::dao {

// Appends one key column of type `typeCode` to `key`. `value` is the column's
// stored bytes (nullopt for null; for Booleans an empty span means True and
// nullopt False). Throws DaoException for a type that cannot be indexed.
// False when the key is not the one Access would make: a text with a
// character beyond U+00FF that `codes` has no code for, keyed in the engine's
// own form.
bool AppendKeyColumn(std::vector<uint8_t>& key, uint8_t typeCode,
                     std::optional<std::span<const uint8_t>> value, bool ascending,
                     const format::TextKeyCodes* codes = nullptr);

// True when columns of `typeCode` can be index keys here.
bool IsIndexableType(uint8_t typeCode);

}  // namespace tarvex::dao
