#include "dao/query_sql_parameters.h"

#include <algorithm>
#include <string_view>

#include "dao/dao_exception.h"
#include "format/unicode.h"

namespace tarvex::dao {
namespace {

using Type = format::QueryParameterType;

struct TypeName {
  std::string_view name;
  Type type;
};

// The names Access writes and the synonyms its SQL takes for them.
constexpr TypeName kTypeNames[] = {
    {"VALUE", Type::kValue},
    {"BIT", Type::kBit},
    {"BOOLEAN", Type::kBit},
    {"YESNO", Type::kBit},
    {"LOGICAL", Type::kBit},
    {"LOGICAL1", Type::kBit},
    {"BYTE", Type::kByte},
    {"INTEGER1", Type::kByte},
    {"TINYINT", Type::kByte},
    {"SHORT", Type::kShort},
    {"SMALLINT", Type::kShort},
    {"INTEGER2", Type::kShort},
    {"LONG", Type::kLong},
    {"INT", Type::kLong},
    {"INTEGER", Type::kLong},
    {"INTEGER4", Type::kLong},
    {"CURRENCY", Type::kCurrency},
    {"MONEY", Type::kCurrency},
    {"IEEESINGLE", Type::kSingle},
    {"SINGLE", Type::kSingle},
    {"REAL", Type::kSingle},
    {"FLOAT4", Type::kSingle},
    {"IEEEDOUBLE", Type::kDouble},
    {"DOUBLE", Type::kDouble},
    {"FLOAT", Type::kDouble},
    {"FLOAT8", Type::kDouble},
    {"NUMBER", Type::kDouble},
    {"DATETIME", Type::kDateTime},
    {"DATE", Type::kDateTime},
    {"TIME", Type::kDateTime},
    {"TIMESTAMP", Type::kDateTime},
    {"BINARY", Type::kBinary},
    {"VARBINARY", Type::kBinary},
    {"TEXT", Type::kText},
    {"CHAR", Type::kText},
    {"VARCHAR", Type::kText},
    {"CHARACTER", Type::kText},
    {"STRING", Type::kText},
    {"ALPHANUMERIC", Type::kText},
    {"NCHAR", Type::kText},
    {"NVARCHAR", Type::kText},
    {"LONGBINARY", Type::kLongBinary},
    {"OLEOBJECT", Type::kLongBinary},
    {"GENERAL", Type::kLongBinary},
    {"IMAGE", Type::kLongBinary},
    {"MEMO", Type::kMemo},
    {"LONGTEXT", Type::kMemo},
    {"LONGCHAR", Type::kMemo},
    {"NOTE", Type::kMemo},
    {"NTEXT", Type::kMemo},
    {"GUID", Type::kGuid},
    {"UNIQUEIDENTIFIER", Type::kGuid},
    {"BIGINT", Type::kBigInt},
    {"DECIMAL", Type::kDecimal},
    {"NUMERIC", Type::kDecimal},
    {"DEC", Type::kDecimal},
};

// Text and binary parameters are the ones with a size, up to Access's 255.
constexpr int32_t kMaxParameterSize = 255;

Type TypeOf(const SqlText& text, size_t token) {
  for (const TypeName& entry : kTypeNames)
    if (text.IsWord(token, entry.name)) return entry.type;
  throw DaoException("The parameter type '" + format::ToUtf8(text.Text({token, token + 1})) +
                     "' is unknown.");
}

int32_t SizeOf(const SqlText& text, SqlRange inside) {
  const std::u16string digits = inside.size() == 1 ? text.Name(inside.first) : u"";
  if (digits.empty() || digits.size() > 3 ||
      !std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
    throw DaoException("A parameter size is not a whole number.");
  int32_t size = 0;
  for (char16_t c : digits) size = size * 10 + (c - u'0');
  if (size > kMaxParameterSize)
    throw DaoException("A parameter size is larger than " + std::to_string(kMaxParameterSize) +
                       ".");
  return size;
}

}  // namespace

void AddParameterRows(const SqlText& text, SqlRange declarations,
                      std::vector<SavedQueryRow>& rows) {
  if (declarations.empty()) throw DaoException("PARAMETERS declares no parameter.");
  for (SqlRange item : text.SplitAtCommas(declarations)) {
    if (item.empty()) throw DaoException("The PARAMETERS list has an empty item.");
    std::optional<int32_t> size;
    size_t typeToken = item.last - 1;
    if (text.at(typeToken).kind == SqlTokenKind::kClose) {
      size_t open = item.first;
      while (open < typeToken &&
             !(text.at(open).kind == SqlTokenKind::kOpen && text.Closing(open) == typeToken))
        ++open;
      size = SizeOf(text, {open + 1, typeToken});
      typeToken = open - 1;
    }
    if (typeToken <= item.first || typeToken >= item.last)
      throw DaoException("The parameter '" + format::ToUtf8(text.Text(item)) +
                         "' is not a name and a type.");
    const Type type = TypeOf(text, typeToken);
    if (size && type != Type::kText && type != Type::kBinary)
      throw DaoException("Only text and binary parameters have a size.");
    rows.push_back({format::QueryRowKind::kParameter,
                    text.Text({item.first, typeToken}),
                    {},
                    {},
                    static_cast<int32_t>(type),
                    size});
  }
}

}  // namespace tarvex::dao
