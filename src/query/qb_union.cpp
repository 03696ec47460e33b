#include "query/qb_union.h"

#include "query/query_text.h"

namespace tarvex::query {
namespace {

using format::kUnionAll;
constexpr int32_t kUnion = format::kUnionDistinct;

bool EndsInWhiteSpace(const std::u16string& text) {
  return !text.empty() && (text.back() == u' ' || (text.back() >= u'\t' && text.back() <= u'\r'));
}

}  // namespace

void CQBUnion::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) {
    const RowKind kind = row->Kind();
    if (kind == RowKind::kOptions) unionMode_ = ParseNumber(row->flag);
    if (kind == RowKind::kInputTable && row->name2 == u"X7YZ_____1") firstPart_ = row->expression;
    if (kind == RowKind::kInputTable && row->name2 == u"X7YZ_____2") secondPart_ = row->expression;
    // The sort order of a union is stored in rows of its own, not in the parts.
    if (kind == RowKind::kOrderBy) parts_.AddOrderBy(*row);
  }
  if (unionMode_ != kUnion && unionMode_ != kUnionAll) return;
  // Access stores the first part with its closing line break; a part without one
  // must not run into the keyword.
  const std::u16string gap = firstPart_.empty() || EndsInWhiteSpace(firstPart_) ? u"" : kNewLine;
  sqlOut = firstPart_ + gap + (unionMode_ == kUnion ? u"UNION" : u"UNION ALL") + kNewLine +
           secondPart_ + parts_.TrailingClauses();
}

}  // namespace tarvex::query
