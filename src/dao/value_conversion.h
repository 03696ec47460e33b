#pragma once
// Text and bytes to the stored form of a column's type, the way Access
// converts a value assigned to a field under the US locale: numbers in the
// usual decimal and exponent forms (also "$1,234.50" and "(5)"),
// "True"/"False"/"Yes"/"No"/"On"/"Off", dates in the forms ParseDateText
// reads, GUIDs with or without braces. A value that does not convert, lies out of range or is too
// long for the field throws DaoException.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dao/row_codec.h"
#include "dao/stored_text.h"
#include "dao/table_definition.h"

namespace tarvex::dao {

// The stored bytes for a fixed-size or short variable column; for Booleans
// an empty vector (True) or nullopt (False). Memo and long binary columns get
// their raw data here (text encoded, bytes as given), which the caller then
// stores as a long value. Text goes into the database's `format`; in Jet 3 a
// character outside its code page throws, naming it.
StoredValue ConvertText(const ColumnDefinition& column, std::u16string_view text,
                        const TextFormat& format = {});
// As ConvertText, into `bytes`, whose storage is reused; false where the
// stored value is null (a False Boolean). When it throws, `bytes` holds
// nothing of use.
bool ConvertTextInto(const ColumnDefinition& column, std::u16string_view text,
                     const TextFormat& format, std::vector<uint8_t>& bytes);
StoredValue ConvertBytes(const ColumnDefinition& column, std::span<const uint8_t> bytes);

}  // namespace tarvex::dao
