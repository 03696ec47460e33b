#pragma once
// The columns of one recovered table, as parsed from its definition.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "format/value_decimal.h"

namespace tarvex::model {

// Longest column name the model keeps, in UTF-16 units.
inline constexpr size_t kMaxColumnNameLength = 254;

struct CAccessColInfo {
  uint8_t type = 0;            // column type code
  uint16_t columnNumber = 0;   // bit in the row's null mask; what index entries refer to
  uint16_t variableIndex = 0;  // slot in the row's variable-column offset table
  uint32_t extra = 0;          // type-specific word; a decimal column's precision and scale
  uint8_t flags = 0;           // bit 0 set: fixed-length column
  uint8_t extraFlags = 0;      // Jet 4 and later: 0xC0 marks a calculated column
  uint16_t fixedOffset = 0;    // offset of the value inside the row's fixed part
  uint16_t length = 0;         // bytes; characters for text columns
  std::u16string name;         // at most kMaxColumnNameLength units

  bool IsVariable() const { return (flags & 0x01) == 0; }
  uint8_t Precision() const { return format::DecimalPrecision(extra); }
  uint8_t Scale() const { return format::DecimalScale(extra); }
  // A calculated column stores its result behind a 20-byte prefix (its length at byte 16).
  bool IsCalculated() const { return (extraFlags & 0xC0) == 0xC0; }
};

// One row of MSysComplexColumns: which flat table holds a complex column's values.
struct CMSysComplexColumnsData {
  std::u16string columnName;
  std::u16string complexType;  // 27 and 37: multi-valued list; 39: attachment
  std::u16string flatTableId;  // definition page number of the hidden flat table
  std::u16string ownerTableId;
  std::u16string complexId;
};

struct CAccessColumn {
  CAccessColInfo colInfo;
  std::unique_ptr<CMSysComplexColumnsData> complexInfo;  // only for complex columns
};

class CAccessColumnList {
 public:
  // Copies the column, its name cut to kMaxColumnNameLength.
  void Append(const CAccessColInfo& info);
  int count() const { return static_cast<int>(columns_.size()); }
  int variableCount() const { return variableCount_; }

  // Null beyond the end.
  CAccessColumn* At(int position);
  const CAccessColumn* At(int position) const;
  // Empty text when no column has that number.
  std::u16string NameOfNumber(uint16_t columnNumber) const;
  // Positions beyond the end do nothing.
  void Rename(int position, const std::u16string& name);
  // The first column of that exact name gets a copy of the record; others are untouched.
  void AttachComplexInfo(const CMSysComplexColumnsData& record);
  // Orders the columns by column number (stable).
  void SortByColumnNumber();

  bool HasComplexInfo(int position) const;
  int ComplexType(int position) const;  // 0 without complex information

  auto begin() const { return columns_.begin(); }
  auto end() const { return columns_.end(); }

 private:
  std::vector<CAccessColumn> columns_;
  int variableCount_ = 0;
};

}  // namespace tarvex::model
