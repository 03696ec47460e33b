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

bool StartsWithInList(const std::u16string& rest) {
  return rest.size() > 4 && rest[0] == u' ' && (rest[1] == u'I' || rest[1] == u'i') &&
         (rest[2] == u'n' || rest[2] == u'N') && rest[3] == u' ';
}

}  // namespace

void CQBCrosstab::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  ReadRows(rows);
  std::u16string text =
      parts_.SelectKeyword() + u" " + columnList_ + kNewLine + parts_.FromClause();
  if (!transformList_.empty()) text = transformList_ + kNewLine + text;
  text += parts_.TrailingClauses();
  if (!pivotKeys_.empty()) text += kNewLine + PivotClause();
  sqlOut = text;
}

bool CQBCrosstab::TakeOwnRow(const CQueryAttributes& row) {
  switch (row.Kind()) {
    case RowKind::kColumn:
      AddColumn(row);
      return true;
    case RowKind::kGroupBy:
      AddGroupingKey(row);
      return true;
    default:
      return false;
  }
}

void CQBCrosstab::AddColumn(const CQueryAttributes& row) {
  std::u16string item = row.expression;
  if (!row.name1.empty()) item += u" AS " + Bracket(row.name1);
  if (row.flag == kRowHeadingRole) {
    AppendListItem(columnList_, item);
  } else if (row.flag == kValueRole) {
    AppendKey(transformList_, u"TRANSFORM", item);
  } else if (row.flag == kColumnHeadingRole) {
    columnHeadings_.push_back(row.expression);
  }
}

void CQBCrosstab::AddGroupingKey(const CQueryAttributes& row) {
  if (row.flag == kRowHeadingRole) {
    parts_.AddGroupBy(row.expression, kKeySeparator);
  } else if (row.flag == kColumnHeadingRole) {
    pivotKeys_.push_back(row.expression);
  }
}

// A crosstab with fixed column headings keeps them only on its column-heading
// output row ("key In (…)"), not on the grouping row that names the key; the
// heading row's fuller text is used for the key it extends.
std::u16string CQBCrosstab::PivotClause() const {
  std::u16string clause;
  for (const std::u16string& key : pivotKeys_) {
    std::u16string term = key;
    for (const std::u16string& heading : columnHeadings_) {
      if (heading.size() > key.size() && heading.compare(0, key.size(), key) == 0 &&
          StartsWithInList(heading.substr(key.size()))) {
        term = heading;
        break;
      }
    }
    AppendKey(clause, u"PIVOT", term);
  }
  return clause;
}

}  // namespace tarvex::query
