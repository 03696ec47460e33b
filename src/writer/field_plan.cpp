#include "writer/field_plan.h"

#include <algorithm>

#include "format/value_decimal.h"
#include "format/value_types.h"

namespace tarvex::writer {
namespace {

using format::ColumnType;
using format::TypeCode;

constexpr int kTextFieldType = 10;
constexpr int kMemoFieldType = 12;
constexpr long kMaxTextSize = 255;
constexpr uint8_t kAutoNumberFlags = 7;
constexpr uint8_t kAutoGuidFlags = 0x43;
constexpr long kGuidSize = 16;

// Columns with a text form but no field type of their own in a Jet 4 file:
// complex columns (their key), big integers and extended dates keep their
// values as text rather than losing them.
bool StoredAsText(uint8_t type) {
  return type == TypeCode(ColumnType::kComplex) || type == TypeCode(ColumnType::kBigInt) ||
         type == TypeCode(ColumnType::kExtDateTime);
}

dao::FieldInfo Field(const std::u16string& name, int type, long size, long attributes) {
  dao::FieldInfo info;
  info.name = name;
  info.type = type;
  info.size = size;
  info.attributes = attributes;
  info.allowZeroLength = HoldsZeroLengthText(type);
  return info;
}

// The column's precision and scale; a damaged pair becomes the widest field
// that keeps the column's scale, which its value texts were made with.
void KeepDecimalDigits(const model::CAccessColInfo& column, dao::FieldInfo& info) {
  info.scale = std::min(column.Scale(), format::kMaxDecimalPrecision);
  info.precision = column.Precision();
  if (info.precision < std::max(info.scale, 1) || info.precision > format::kMaxDecimalPrecision)
    info.precision = format::kMaxDecimalPrecision;
}

}  // namespace

bool HoldsZeroLengthText(int fieldType) {
  return fieldType == kTextFieldType || fieldType == kMemoFieldType;
}

bool HoldsBytes(int columnType) {
  return columnType == TypeCode(ColumnType::kOle) || columnType == TypeCode(ColumnType::kBinary);
}

std::optional<dao::FieldInfo> PlanField(const model::CAccessColInfo& column,
                                        FieldMarkers& markers) {
  uint8_t type = column.type;
  long size = column.length;
  if (type == 0 && size == 0) {
    type = TypeCode(ColumnType::kText);
    size = kMaxTextSize;
  }
  if (type == TypeCode(ColumnType::kText) && size > kMaxTextSize) size = kMaxTextSize;
  if (StoredAsText(type)) return Field(column.name, kTextFieldType, kMaxTextSize, 34);
  if (type >= kFieldTypes.size()) return std::nullopt;

  long attributes = kFieldAttributes[type];
  if (type == TypeCode(ColumnType::kLong) && column.flags == kAutoNumberFlags &&
      !markers.autoNumberGiven) {
    attributes += dao::kDbAutoIncrField;
    markers.autoNumberGiven = true;
  }
  if (type == TypeCode(ColumnType::kGuid) && column.flags == kAutoGuidFlags &&
      !markers.guidDefaultGiven) {
    markers.guidDefaultGiven = true;
    dao::FieldInfo info = Field(column.name, kFieldTypes[type], kGuidSize, dao::kDbSystemField);
    info.defaultValue = u"GenGUID()";
    return info;
  }
  dao::FieldInfo info = Field(column.name, kFieldTypes[type], size, attributes);
  if (type == TypeCode(ColumnType::kNumeric)) KeepDecimalDigits(column, info);
  return info;
}

dao::IndexInfo PlanIndex(const model::CAccessTableIndex& index,
                         const std::function<std::u16string(int columnNumber)>& fieldName) {
  dao::IndexInfo info;
  info.name = index.name;
  for (int slot = 0; slot < index.columnCount && slot < model::kMaxIndexColumns; ++slot) {
    const auto& column = index.columns[static_cast<size_t>(slot)];
    info.fields.push_back({fieldName(column.columnNumber), !column.ascending});
  }
  info.primary = index.primaryKey;
  info.unique = index.unique;
  info.ignoreNulls = index.ignoreNulls;
  info.required = index.required;
  info.foreign = index.foreign;
  info.clustered = true;
  info.distinctCount = 1;
  return info;
}

}  // namespace tarvex::writer
