#pragma once
// How each recovered column and index becomes a field and an index of the
// repaired table. Fields are created in column order; the row step then sends
// each column's values to the field made for it.
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "dao/database.h"
#include "model/column_list.h"
#include "model/index_list.h"

namespace tarvex::writer {

// The field type and attributes of each column type code 0 to 16. Binary
// columns become long binary fields; decimals keep their precision and scale.
inline constexpr std::array<int, 17> kFieldTypes{0,  1,  2,  3,  4,  5,  6,  7, 8,
                                                 11, 10, 11, 12, 11, 11, 15, 16};
inline constexpr std::array<long, 17> kFieldAttributes{33, 33, 33, 33, 33, 33, 33, 33, 33,
                                                       34, 34, 34, 34, 34, 34, 33, 33};

// What the earlier columns of a table have taken: one auto-number field and
// one GUID field filled by GenGUID() per table.
struct FieldMarkers {
  bool autoNumberGiven = false;
  bool guidDefaultGiven = false;
};

// The field for a column, named as the column; nothing for a type code that
// no field type takes.
std::optional<dao::FieldInfo> PlanField(const model::CAccessColInfo& column, FieldMarkers& markers);

// True for the field types that hold a zero-length string.
bool HoldsZeroLengthText(int fieldType);

// True for the column types whose value texts stand for bytes (Binary, OLE).
bool HoldsBytes(int columnType);

// The index for a recovered one; each slot's field is `fieldName` of the
// slot's column number (empty when no column has it).
dao::IndexInfo PlanIndex(const model::CAccessTableIndex& index,
                         const std::function<std::u16string(int columnNumber)>& fieldName);

}  // namespace tarvex::writer
