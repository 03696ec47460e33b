#include "model/column_list.h"

#include <algorithm>

#include "model/text_number.h"

namespace tarvex::model {

void CAccessColumnList::Append(const CAccessColInfo& info) {
  CAccessColumn column;
  column.colInfo = info;
  if (column.colInfo.name.size() > kMaxColumnNameLength)
    column.colInfo.name.resize(kMaxColumnNameLength);
  if (info.IsVariable()) ++variableCount_;
  columns_.push_back(std::move(column));
}

CAccessColumn* CAccessColumnList::At(int position) {
  if (position < 0 || position >= count()) return nullptr;
  return &columns_[static_cast<size_t>(position)];
}

const CAccessColumn* CAccessColumnList::At(int position) const {
  if (position < 0 || position >= count()) return nullptr;
  return &columns_[static_cast<size_t>(position)];
}

std::u16string CAccessColumnList::NameOfNumber(uint16_t columnNumber) const {
  for (const auto& column : columns_) {
    if (column.colInfo.columnNumber == columnNumber) return column.colInfo.name;
  }
  return {};
}

void CAccessColumnList::Rename(int position, const std::u16string& name) {
  if (CAccessColumn* column = At(position)) {
    column->colInfo.name = name.substr(0, kMaxColumnNameLength);
  }
}

void CAccessColumnList::AttachComplexInfo(const CMSysComplexColumnsData& record) {
  for (auto& column : columns_) {
    if (column.colInfo.name == record.columnName) {
      column.complexInfo = std::make_unique<CMSysComplexColumnsData>(record);
      return;
    }
  }
}

void CAccessColumnList::SortByColumnNumber() {
  std::stable_sort(columns_.begin(), columns_.end(), [](const auto& a, const auto& b) {
    return a.colInfo.columnNumber < b.colInfo.columnNumber;
  });
}

bool CAccessColumnList::HasComplexInfo(int position) const {
  const CAccessColumn* column = At(position);
  return column && column->complexInfo;
}

int CAccessColumnList::ComplexType(int position) const {
  if (!HasComplexInfo(position)) return 0;
  return ParseDecimal(At(position)->complexInfo->complexType);
}

}  // namespace tarvex::model
