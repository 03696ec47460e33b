#pragma once
// Comparing our value texts with the ground-truth dumps beside the fixtures
// (real/truth/FILE.json, synthetic/FILE.json). The two text forms differ; this
// is the one documented normalisation between them, type by type:
// - boolean: "True"/"False" -> "true"/"false";
// - single and double: both sides read as the column's type and written as the
//   shortest text that reads back, in plain notation ("NaN", "Infinity"); the
//   dumps' own digits are not always the shortest (the smallest subnormal
//   single is "1.4E-45" there), so they are re-rendered too;
// - date/time: our "MM/DD/YYYY hh:mm:ss AM" or "MM/DD/YYYY hh:mm:ss.fff AM"
//   (or "MM/DD/YYYY " for midnight, or "12:00:00 AM" for the value 0) and the
//   dump's "yyyy-MM-ddTHH:mm:ss[.fraction]" -> "yyyy-MM-ddTHH:mm:ss", plus
//   ".fff" (three digits) when the milliseconds are not 0; a dump fraction
//   finer than milliseconds is rounded to the nearest one (half up);
// - extended date/time: the blank between date and time becomes "T";
// - decimal: our zero "0" gets the column's scale of zero decimals;
// - binary: the bytes our text stands for (format::BinaryValueBytes) as
//   "bin:LEN:HEX", or "bin:LEN:sha256:HEX" above 64 bytes;
// - OLE object: our text is the path of the OLE object file; its bytes,
//   rendered like binary;
// - GUID: upper case on both sides;
// - everything else (integers, currency, text, memo): our text in UTF-8.
// A null in the dump matches only our null, and the dump's empty text only
// our empty text. Complex columns (code 18) hold a key here and an object in
// the dump; compare them through their flat tables.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "format/jet_layout.h"

namespace tarvex::test {

struct TruthColumnContext {
  format::JetVersion version = format::JetVersion::kJet4;
  uint8_t scale = 0;  // decimal columns
};

// What both sides' nulls normalise to (nullopt: a null value).
inline constexpr std::string_view kNormalisedNull = "(null)";

std::string NormaliseOurValue(uint8_t type, const std::optional<std::u16string>& ourText,
                              const TruthColumnContext& ctx = {});
std::string NormaliseTruthValue(uint8_t type, const std::optional<std::string>& truthText);

// Whether our value holds the dump's value (nullopt: a null on either side).
bool ValueMatchesTruth(uint8_t type, const std::optional<std::u16string>& ourText,
                       const std::optional<std::string>& truthText,
                       const TruthColumnContext& ctx = {});

// The column type code of a dump's type name ("SHORT_DATE_TIME" -> 8), or
// nothing for names without one.
std::optional<uint8_t> TypeCodeForTruthType(std::string_view name);

// Bytes as the dumps render binary and OLE values.
std::string RenderTruthBinary(std::span<const uint8_t> bytes);

// SHA-256 of the bytes as 64 lower-case hex digits.
std::string Sha256Hex(std::span<const uint8_t> bytes);

}  // namespace tarvex::test
