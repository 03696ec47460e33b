#include "dao/field_type.h"

#include <array>

#include "dao/dao_exception.h"
#include "format/unicode.h"
#include "format/value_decimal.h"

namespace tarvex::dao {
namespace {

constexpr std::array<FieldTypeTraits, 14> kTypes{{
    {FieldType::kBoolean, true, 0, false, false},
    {FieldType::kByte, true, 1, false, false},
    {FieldType::kInteger, true, 2, false, false},
    {FieldType::kLong, true, 4, false, false},
    {FieldType::kCurrency, true, 8, false, false},
    {FieldType::kSingle, true, 4, false, false},
    {FieldType::kDouble, true, 8, false, false},
    {FieldType::kDate, true, 8, false, false},
    {FieldType::kBinary, false, 0, false, false},
    {FieldType::kText, false, 0, false, true},
    {FieldType::kLongBinary, false, 0, true, false},
    {FieldType::kMemo, false, 0, true, true},
    {FieldType::kGuid, true, 16, false, false},
    {FieldType::kDecimal, true, 17, false, false},
}};

}  // namespace

std::optional<FieldTypeTraits> StoredTraitsOf(uint8_t typeCode) {
  for (const auto& traits : kTypes)
    if (static_cast<uint8_t>(traits.type) == typeCode) return traits;
  return std::nullopt;
}

std::optional<FieldTypeTraits> TraitsOf(int typeCode) {
  if (typeCode < 0 || typeCode > 255) return std::nullopt;
  return StoredTraitsOf(static_cast<uint8_t>(typeCode));
}

uint32_t DecimalColumnExtra(const std::u16string& fieldName, int precision, int scale) {
  if (precision < 1 || precision > format::kMaxDecimalPrecision || scale < 0 || scale > precision)
    throw DaoException("Field '" + format::ToUtf8(fieldName) + "' has an invalid precision " +
                       std::to_string(precision) + " or scale " + std::to_string(scale) + ".");
  return format::DecimalExtra(static_cast<uint8_t>(precision), static_cast<uint8_t>(scale));
}

}  // namespace tarvex::dao
