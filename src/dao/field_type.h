#pragma once
// The column types the engine stores, with their type codes (the DAO field
// type numbers are the same codes) and how each sits in a row.
#include <cstdint>
#include <optional>
#include <string>

namespace tarvex::dao {

enum class FieldType : uint8_t {
  kBoolean = 1,
  kByte = 2,
  kInteger = 3,
  kLong = 4,
  kCurrency = 5,
  kSingle = 6,
  kDouble = 7,
  kDate = 8,
  kBinary = 9,
  kText = 10,
  kLongBinary = 11,
  kMemo = 12,
  kGuid = 15,
  kDecimal = 16,
};

struct FieldTypeTraits {
  FieldType type;
  bool fixed;          // stored in the row's fixed area (Boolean: in the null mask)
  uint16_t fixedSize;  // bytes in the fixed area
  bool longValue;      // memo or long binary: a 12-byte header, data possibly on LVAL pages
  bool text;           // carries a sort order and may be compressed
};

// The traits of a type code this engine can create, or nothing.
std::optional<FieldTypeTraits> TraitsOf(int typeCode);

// The traits of a type code found in an existing file's definition.
std::optional<FieldTypeTraits> StoredTraitsOf(uint8_t typeCode);

// The definition's extra word of a decimal field of `precision` digits,
// `scale` of them after the point; throws DaoException for a precision outside
// 1 to 28 or a scale outside 0 to the precision.
uint32_t DecimalColumnExtra(const std::u16string& fieldName, int precision, int scale);

}  // namespace tarvex::dao
