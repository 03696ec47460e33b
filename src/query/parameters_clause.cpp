#include "query/parameters_clause.h"

#include <string_view>

#include "query/query_text.h"

namespace tarvex::query {
namespace {

// The SQL type names of the data type codes a parameter row's flag holds.
const char16_t* TypeName(int32_t code) {
  switch (code) {
    case 1:
      return u"Bit";
    case 2:
      return u"Byte";
    case 3:
      return u"Short";
    case 4:
      return u"Long";
    case 5:
      return u"Currency";
    case 6:
      return u"IEEESingle";
    case 7:
      return u"IEEEDouble";
    case 8:
      return u"DateTime";
    case 9:
      return u"Binary";
    case 10:
      return u"Text";
    case 11:
      return u"LongBinary";
    case 12:
      return u"Memo";
    case 15:
      return u"Guid";
    case 16:
      return u"BigInt";
    case 20:
      return u"Decimal";
    default:
      return u"Value";
  }
}

constexpr int32_t kTextType = 10;

// Whether a name written bare reads back as itself: it leaves no pair of
// parentheses open, has no blank at either end, and nothing that ends a list
// item or opens a bracket, string or date.
bool ReadsBackBare(const std::u16string& name) {
  if (name.front() == u' ' || name.back() == u' ') return false;
  int depth = 0;
  for (char16_t c : name) {
    if (std::u16string_view(u",;\"'#[]").find(c) != std::u16string_view::npos) return false;
    if (c == u'(') ++depth;
    if (c == u')' && --depth < 0) return false;
  }
  return depth == 0;
}

// Access keeps a name as it was typed, brackets included when they were, and
// reads it back as written: it is written as kept where that reads back.
std::u16string ParameterName(const std::u16string& name) {
  return name.starts_with(u'[') || ReadsBackBare(name) ? name : Bracket(name);
}

}  // namespace

std::u16string ParametersClause(const QueryRowList& rows) {
  std::u16string list;
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) {
    if (row->Kind() != RowKind::kParameter || row->name1.empty()) continue;
    std::u16string item = ParameterName(row->name1);
    const int32_t type = ParseNumber(row->flag);
    item += u" ";
    item += TypeName(type);
    const int32_t size = ParseNumber(row->spare7);
    if (type == kTextType && size > 0) item += u" ( " + row->spare7 + u" )";
    AppendListItem(list, item);
  }
  return list.empty() ? list : u"PARAMETERS " + list + u";" + kNewLine;
}

}  // namespace tarvex::query
