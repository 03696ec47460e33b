#pragma once
// The texts with which recovered tables are listed and summed up, shared by
// the command line and the window.
#include <optional>
#include <string>
#include <vector>

#include "model/access_data.h"

namespace tarvex::model {

// Text of the tree's root item.
inline constexpr char16_t kRecoveredTablesRoot[] = u"Recovered Tables";

// System tables ("MSys...") and the hidden flat tables of complex columns
// ("f_..." longer than 32 characters) are not shown.
bool IsVisibleTable(const std::u16string& name);

struct TableSummary {
  std::vector<const CAccessTable*> visibleTables;  // in model order
  // "Total N records in M Tables." followed by one "\r\n  NAME : N records" line per table,
  // with what was lost in parentheses (LossNote).
  std::u16string summary;
};

TableSummary SummariseTables(const CAccessData& model);

// "Table Name : NAME\r\nTotal Column(s) : N\r\nTotal Row(s) : N".
std::u16string TableDetailText(const CAccessTable& table);

// What the summary area shows when a tree item is selected: the stored summary
// for the root, the table's detail for a table name, nothing for an unknown name.
std::optional<std::u16string> SelectionText(const CAccessData& model,
                                            const std::u16string& itemText,
                                            const std::u16string& storedSummary);

}  // namespace tarvex::model
