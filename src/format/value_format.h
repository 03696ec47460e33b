#pragma once
// The one text kept for each column value: record extraction calls FormatValue
// once per column per row with the column's raw bytes, and the text goes into
// the table's data file, the preview and, through the writer, the repaired
// database. Texts keep the value: the writer stores what the text says.
#include <cstdint>
#include <optional>
#include <string>

#include "format/code_page.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::format {

struct ValueContext {
  JetVersion version = JetVersion::kJet4;
  uint8_t scale = 0;                     // decimal columns: byte 1 of the column's extra word
  uint16_t codePage = kDefaultCodePage;  // Jet 3 text: the database header's code page (0: 1252)
  bool calculated = false;  // a calculated column's result: a decimal carries its own scale
};

// The value text of one column of one row, or nothing for a null value.
// raw: the value's bytes as extraction cut them (for memo and OLE columns the
// bytes that the long-value reader gives); empty for a zero-length value.
// nullMaskBit: the column's bit in the row's null mask. For boolean columns it
// is the value ("True"/"False", never null); for every other type a clear bit
// means null. A present value has a text even when it is empty: a zero-length
// text, memo or binary value gives the empty text, and so does a fixed-size
// value with too few bytes.
std::optional<std::u16string> FormatValue(const ValueContext& ctx, uint8_t type, Bytes raw,
                                          bool nullMaskBit);
// The same into `text`, whose storage is reused from value to value (rows are
// many, and most values are short); false for a null value, `text` then empty.
bool FormatValueInto(const ValueContext& ctx, uint8_t type, Bytes raw, bool nullMaskBit,
                     std::u16string& text);

}  // namespace tarvex::format
