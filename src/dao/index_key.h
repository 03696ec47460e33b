#pragma once
// Index keys: each key column as a flag byte and its value bytes, ordered so
// that comparing whole keys as unsigned bytes gives the engine's order.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dao/stored_text.h"
#include "format/index_key.h"

namespace tarvex::dao {

// What keying text takes: how the database stores it, and codes for
// characters beyond Latin-1 learned from an Access file's own indexes.
struct KeyText {
  TextFormat format;
  const format::TextKeyCodes* codes = nullptr;
};

// Appends one key column of type `typeCode` to `key`. `value` is the column's
// stored bytes (nullopt for null; for Booleans an empty span means True and
// nullopt False). Throws DaoException for a type that cannot be indexed.
// False when the key is not the one Access would make: a text with a
// character beyond U+00FF that `text.codes` has no code for, keyed in the
// engine's own form; or a text of a Jet 3 database in a code page whose
// "General 97" keys are not known here.
bool AppendKeyColumn(std::vector<uint8_t>& key, uint8_t typeCode,
                     std::optional<std::span<const uint8_t>> value, bool ascending,
                     const KeyText& text = {});

// True when columns of `typeCode` can be index keys here.
bool IsIndexableType(uint8_t typeCode);

}  // namespace tarvex::dao
