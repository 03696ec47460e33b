#pragma once
// The text forms of the column types that need more than a number format.
// Every operation takes the column's raw bytes and never reads outside them;
// a value too short for its type gives the empty text, like an absent value.
#include <cstdint>
#include <optional>
#include <string>

#include "format/data_reader.h"

namespace tarvex::format {

class CDataConversion {
 public:
  // Date/time (code 8): "MM/DD/YYYY hh:mm:ss AM" with a 12-hour clock, to the
  // nearest millisecond: a time with a fraction of a second has it as ".fff"
  // after the seconds ("03/23/2020 07:00:37.599 AM"); a time that rounds to
  // midnight is the next day. Midnight of a date leaves the date and one blank
  // ("01/15/2020 "); the value 0 is "12:00:00 AM". Values that are not finite
  // or lie outside 1 January 100 to 31 December 9999 give the empty text.
  static std::u16string DateText(Bytes raw);
  static std::u16string DateText(double days);
  // The same into `text`, whose storage is reused from value to value.
  static void DateTextInto(Bytes raw, std::u16string& text);

  // Extended date/time (code 20): "YYYY-MM-DD hh:mm:ss" on a 24-hour clock, then
  // "." and the fraction of the second in up to seven digits when it is not 0.
  // Bytes that do not follow the stored "days:ticks:7" layout give the empty text.
  static std::u16string ExtendedDateText(Bytes raw);

  // Decimal (code 16): the sign, the whole 128-bit magnitude, and a decimal
  // point before the last `scale` digits, with leading zeros as needed
  // (5 with scale 2 is "0.05"). Zero is "0".
  static std::u16string NumericText(Bytes raw, uint8_t scale);

  // Replication ID (code 15): "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
  static std::u16string GuidText(Bytes raw);

  // Currency (code 5): the signed count of 1/10000 with exactly four decimals.
  static std::u16string CurrencyText(Bytes raw);
  static void CurrencyTextInto(Bytes raw, std::u16string& text);

  // Jet 3 text (code 10) and memo (code 12): the bytes in the database's code
  // page, zero bytes dropped.
  static std::u16string Jet3Text(Bytes raw, uint16_t codePage);
  static std::u16string Jet3MemoText(Bytes raw, uint16_t codePage);

  // The first 8 bytes as a little-endian IEEE 754 double, or nothing when they are missing.
  static std::optional<double> DoubleFromBytes(Bytes raw);
};

}  // namespace tarvex::format
