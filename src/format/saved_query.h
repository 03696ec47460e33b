#pragma once
// How a saved query is stored: one MSysQueries row per clause element, all
// carrying the query's catalogue id, and a catalogue entry of type 5 whose
// flags hold the query's kind. The query builders read these rows and the
// engine writes them, so both take the codes from here.
#include <cstdint>

namespace tarvex::format {

// The Attribute column: what a row describes.
enum class QueryRowKind : int32_t {
  kStart = 0,             // first row of every query; flag 0
  kType = 1,              // flag: QueryTypeCode; name1 the target table of a make-table or
                          // append, or the connect string of a pass-through; expression
                          // the text of a data-definition or pass-through query
  kParameter = 2,         // name1 the name, flag the data type, LvExtra a text size
  kOptions = 3,           // flag: the QueryOption bits, or the union mode
  kExternalDatabase = 4,  // name1 the database of IN '...'
  kInputTable = 5,        // name1 table, name2 alias; expression a derived table's SELECT
                          // or, in a union, one part's SQL with name2 its marker
  kColumn = 6,            // expression; name1 alias; name2 the target column (append,
                          // update); flag the crosstab role
  kJoin = 7,              // name1, name2 the joined tables; expression the condition;
                          // flag the QueryJoin
  kWhere = 8,
  kGroupBy = 9,  // flag the crosstab role
  kHaving = 10,
  kOrderBy = 11,  // name1 "D" descending
  kEnd = 255,     // last row of every query
};

// The flag of the kType row.
enum class QueryTypeCode : int32_t {
  kSelect = 1,
  kMakeTable = 2,
  kAppend = 3,
  kUpdate = 4,
  kDelete = 5,
  kCrosstab = 6,
  kDataDefinition = 7,
  kPassThrough = 8,
  kUnion = 9,
};

// Query kinds as the catalogue writes them into the Flags of a query entry.
enum class QueryKind : int32_t {
  kSelect = 0,
  kCrosstab = 16,
  kDelete = 32,
  kUpdate = 48,
  kAppend = 64,
  kMakeTable = 80,
  kDataDefinition = 96,
  kPassThrough = 112,
  kUnion = 128,
};

// Bits of the kOptions row's flag in queries that select.
inline constexpr int32_t kQueryAllFields = 0x1;  // SELECT *: no column rows
inline constexpr int32_t kQueryDistinct = 0x2;
inline constexpr int32_t kQueryOwnerAccess = 0x4;  // WITH OWNERACCESS OPTION
inline constexpr int32_t kQueryDistinctRow = 0x8;
inline constexpr int32_t kQueryTop = 0x10;  // the row count (or percentage) in name1
inline constexpr int32_t kQueryTopPercent = 0x20;

// The kOptions row's flag in a union query.
inline constexpr int32_t kUnionAll = 1;
inline constexpr int32_t kUnionDistinct = 3;
// The name2 of the two input-table rows of a union, whose expressions hold
// the SQL before and after its last UNION.
inline constexpr char16_t kUnionFirstPart[] = u"X7YZ_____1";
inline constexpr char16_t kUnionSecondPart[] = u"X7YZ_____2";

// The flag of a kParameter row: the data type, numbered as DAO numbers them.
enum class QueryParameterType : int32_t {
  kValue = 0,
  kBit = 1,
  kByte = 2,
  kShort = 3,
  kLong = 4,
  kCurrency = 5,
  kSingle = 6,
  kDouble = 7,
  kDateTime = 8,
  kBinary = 9,
  kText = 10,
  kLongBinary = 11,
  kMemo = 12,
  kGuid = 15,
  kBigInt = 16,
  kDecimal = 20,
};

// The flag of an append's kColumn row that is an item of a VALUES list:
// 0x8000 in the 16-bit Flag column.
inline constexpr int32_t kAppendValuesItem = -0x8000;

// The flag of a kJoin row.
enum class QueryJoin : int32_t { kInner = 1, kLeft = 2, kRight = 3 };

// The flag of a crosstab's kColumn and kGroupBy rows.
inline constexpr int32_t kCrosstabValue = 0;
inline constexpr int32_t kCrosstabColumnHeading = 1;
inline constexpr int32_t kCrosstabRowHeading = 2;

}  // namespace tarvex::format
