#pragma once
// Values as the independent readers render them, brought to one form per
// ground-truth type name so that a reader's view of a repaired file can be
// compared with the ground-truth dump of its source:
// - floating-point numbers read back as their type and written as the
//   shortest text that does, -0 as 0 (mdb-reader gives JavaScript's text of
//   -0, which is "0"); decimals exactly as written, digits of the scale included;
// - currency without trailing zeros;
// - dates "yyyy-MM-ddTHH:mm:ss" plus a fraction without trailing zeros (the
//   reader's "Z" dropped, and its reading of dates before 1899-12-30 with a
//   time of day undone); extended dates likewise, with "T" for the blank;
// - binary and OLE as "bin:LEN:HEX" (or the SHA-256 form), the reader's hex read back;
// - GUIDs in upper case without braces; texts as they are.
// Types without a comparable form (complex, unknown) give nothing.
#include <optional>
#include <string>

namespace tarvex::test {

// True when values of the truth type `type` have a comparable form.
bool ComparableTruthType(const std::string& type);

// The comparable form of a ground-truth value, or of a value mdb-reader read
// (`fromReader`) from a column that held a value of truth type `type`.
std::optional<std::string> ComparableValue(const std::string& type,
                                           const std::optional<std::string>& text, bool fromReader);

}  // namespace tarvex::test
