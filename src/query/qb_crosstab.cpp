#include "query/qb_crosstab.h"

#include "query/query_text.h"

namespace tarvex::query {
namespace {

// The role flags of crosstab column and grouping rows.
constexpr char16_t kValueRole[] = u"0";
constexpr char16_t kColumnHeadingRole[] = u"1";
constexpr char16_t kRowHeadingRole[] = u"2";
constexpr char16_t kKeySeparator[] = u",\n";

void AppendKey(std::u16string& list, const char16_t* keyword, const std::u16string& item) {
  list += list.empty() ? std::u16string(keyword) + u" " : kKeySeparator;
  list += item;
}

}  // namespace

void CQBCrosstab::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  parts_.SetRows(rows);
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) ProcessRow(*row);
  std::u16string text = parts_.SelectKeyword() + u" " + columnList_ + kNewLine + parts_.FromClause();
  if (!transformList_.empty()) text = transformList_ + kNewLine + text;
  text += parts_.TrailingClauses();
  if (!pivotList_.empty()) text += kNewLine + pivotList_;
  sqlOut = text;
}

void CQBCrosstab::ProcessRow(const CQueryAttributes& row) {
  switch (ParseNumber(row.attribute)) {
    case 3: parts_.SetDistinctMode(row); break;
    case 5: parts_.AddInputTable(row); break;
    case 6: AddColumn(row); break;
    case 7: parts_.AddJoin(row); break;
    case 8: parts_.SetWhere(row); break;
    case 9: AddGroupingKey(row); break;
    case 10: parts_.SetHaving(row); break;
    case 11: parts_.AddOrderBy(row); break;
    default: break;
  }
}

void CQBCrosstab::AddColumn(const CQueryAttributes& row) {
  std::u16string item = row.expression;
  if (!row.name1.empty()) item += u" AS " + Bracket(row.name1);
  if (row.flag == kRowHeadingRole) {
    AppendListItem(columnList_, item);
  } else if (row.flag == kValueRole) {
    AppendKey(transformList_, u"TRANSFORM", item);
  }
}

void CQBCrosstab::AddGroupingKey(const CQueryAttributes& row) {
  if (row.flag == kRowHeadingRole) {
    parts_.AddGroupBy(row.expression, kKeySeparator);
  } else if (row.flag == kColumnHeadingRole) {
    AppendKey(pivotList_, u"PIVOT", row.expression);
  }
}

}  // namespace tarvex::query
