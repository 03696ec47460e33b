#pragma once
// The column type codes of a table definition's column entry, with the number
// of bytes a value of each type takes in a row's fixed part. Every piece of
// code that looks at a type code takes its meaning from here.
#include <array>
#include <cstdint>
#include <string_view>

namespace tarvex::format {

enum class ColumnType : uint8_t {
  kBoolean = 1,  // no bytes: the value is the column's bit in the row's null mask
  kByte = 2,
  kInt = 3,       // signed 16-bit
  kLong = 4,      // signed 32-bit
  kCurrency = 5,  // signed 64-bit count of 1/10000
  kSingle = 6,
  kDouble = 7,
  kDateTime = 8,  // double: days since 30 December 1899
  kBinary = 9,
  kText = 10,
  kOle = 11,
  kMemo = 12,
  kUnknown13 = 13,
  kGuid = 15,
  kNumeric = 16,  // sign byte, then a 128-bit magnitude
  kUnknown17 = 17,
  kComplex = 18,      // 32-bit key of the column's rows in its flat table
  kBigInt = 19,       // signed 64-bit (ACE)
  kExtDateTime = 20,  // 42 ASCII bytes "days:ticks:7" (ACE)
};

struct ColumnTypeInfo {
  ColumnType type;
  std::string_view name;
  uint8_t fixedSize;  // bytes in the row's fixed part; 0 for variable and for boolean
};

inline constexpr std::array<ColumnTypeInfo, 19> kColumnTypes{{
    {ColumnType::kBoolean, "Boolean", 0},
    {ColumnType::kByte, "Byte", 1},
    {ColumnType::kInt, "Integer", 2},
    {ColumnType::kLong, "Long", 4},
    {ColumnType::kCurrency, "Currency", 8},
    {ColumnType::kSingle, "Single", 4},
    {ColumnType::kDouble, "Double", 8},
    {ColumnType::kDateTime, "Date/Time", 8},
    {ColumnType::kBinary, "Binary", 0},
    {ColumnType::kText, "Text", 0},
    {ColumnType::kOle, "OLE Object", 0},
    {ColumnType::kMemo, "Memo", 0},
    {ColumnType::kUnknown13, "Unknown", 0},
    {ColumnType::kGuid, "Replication ID", 16},
    {ColumnType::kNumeric, "Decimal", 17},
    {ColumnType::kUnknown17, "Unknown", 0},
    {ColumnType::kComplex, "Complex", 4},
    {ColumnType::kBigInt, "Big Integer", 8},
    {ColumnType::kExtDateTime, "Extended Date/Time", 42},
}};

constexpr uint8_t TypeCode(ColumnType type) { return static_cast<uint8_t>(type); }

}  // namespace tarvex::format
