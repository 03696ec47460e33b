#include "query/qb_update.h"

#include "query/query_text.h"

namespace tarvex::query {
namespace {

bool FoundAfterStart(size_t position) { return position != std::u16string::npos && position > 0; }

// "Order Info.Qty" names the field Qty of the table Order Info: the table part
// needs brackets. Targets that already hold brackets, or no blank, stay as they are.
std::u16string BracketTargetTable(const std::u16string& target) {
  const size_t dot = target.find(u'.');
  if (!FoundAfterStart(dot) || !FoundAfterStart(target.find(u' ')) ||
      target.find(u'[') != std::u16string::npos) {
    return target;
  }
  std::u16string table = target.substr(0, dot);
  if (FoundAfterStart(table.find(u' '))) table = Bracket(table);
  return table + target.substr(dot);
}

}  // namespace

void CQBUpdate::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  parts_.SetRows(rows);
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) TakeRow(*row);
  sqlOut =
      u"UPDATE " + parts_.TableList() + kNewLine + u"SET" + setList_ + parts_.TrailingClauses();
}

void CQBUpdate::TakeRow(const CQueryAttributes& row) {
  switch (row.Kind()) {
    case RowKind::kInputTable:
      parts_.AddInputTable(row);
      break;
    case RowKind::kColumn:
      AddAssignment(row);
      break;
    case RowKind::kJoin:
      parts_.AddJoin(row);
      break;
    default:
      parts_.TakeFilterRow(row);
      break;
  }
}

// Each assignment is led by a blank, so that "SET" + list reads "SET t.a = 1, t.b = 2".
void CQBUpdate::AddAssignment(const CQueryAttributes& row) {
  if (!setList_.empty()) setList_ += u",";
  setList_ += u" " + BracketTargetTable(row.name2) + u" = " + row.expression;
}

}  // namespace tarvex::query
