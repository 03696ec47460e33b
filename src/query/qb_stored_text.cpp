#include "query/qb_stored_text.h"

namespace tarvex::query {
namespace {

const CQueryAttributes* TypeRow(const QueryRowList& rows) {
  for (const CQueryAttributes* row = rows.head(); row; row = row->next)
    if (row->Kind() == RowKind::kType) return row;
  return nullptr;
}

}  // namespace

void CQBStoredText::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  const CQueryAttributes* row = TypeRow(rows);
  if (!row) return;
  std::u16string text = row->expression;
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  if (!text.empty()) sqlOut = std::move(text);
}

std::u16string PassThroughConnect(const QueryRowList& rows) {
  const CQueryAttributes* row = TypeRow(rows);
  return row ? row->name1 : std::u16string();
}

}  // namespace tarvex::query
