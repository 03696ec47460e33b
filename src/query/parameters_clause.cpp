#include "query/parameters_clause.h"

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

}  // namespace

std::u16string ParametersClause(const QueryRowList& rows) {
  std::u16string list;
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) {
    if (row->Kind() != RowKind::kParameter || row->name1.empty()) continue;
    // Access keeps a name as it was typed, brackets included when they were.
    std::u16string item = row->name1.starts_with(u'[') ? row->name1 : Bracket(row->name1);
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
