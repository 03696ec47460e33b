// Saved queries: their rows in MSysQueries and an entry in the catalogue,
// under the Tables container as Access files them, with its permissions.
#include <optional>
#include <string>

#include "dao/dao_exception.h"
#include "dao/database_file.h"
#include "dao/system_tables.h"
#include "dao/table_def.h"
#include "dao/value_conversion.h"
#include "format/catalogue_objects.h"
#include "format/data_page.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "format/long_value.h"
#include "format/unicode.h"

namespace tarvex::dao {
namespace {

using format::ToUtf8;

// The columns of MSysQueries by meaning.
struct QueryColumns {
  size_t objectId, attribute, order, name1, name2, expression, flag;
  std::optional<size_t> lvExtra;  // Access 97 has no such column
};

QueryColumns FindQueryColumns(const TableDefinition& d) {
  auto at = [&](const char16_t* name) { return SystemColumn(d, SystemTable::kQueries, name); };
  QueryColumns columns{at(u"ObjectId"), at(u"Attribute"),  at(u"Order"), at(u"Name1"),
                       at(u"Name2"),    at(u"Expression"), at(u"Flag"),  std::nullopt};
  for (size_t i = 0; i < d.columns.size(); ++i)
    if (d.columns[i].name == u"LvExtra") columns.lvExtra = i;
  return columns;
}

std::u16string Number(int64_t value) { return format::FromUtf8(std::to_string(value)); }

// The Order column: the row's number within its attribute, four bytes big-endian.
std::vector<uint8_t> OrderBytes(int32_t order) {
  const auto value = static_cast<uint32_t>(order);
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

// Whether a row with this much long-value text fits a page with the text in
// it; otherwise the text goes to pages of its own.
bool FitsInRow(const std::vector<StoredValue>& values, size_t expression,
               const format::JetLayout& layout) {
  size_t length = format::kMaxRowsPerPage;  // generous room for offsets and the null mask
  for (size_t i = 0; i < values.size(); ++i) {
    if (!values[i]) continue;
    const size_t size = values[i]->size();
    length += i == expression
                  ? format::kLongValueHeaderSize + (size <= format::kLongValueInlineMax ? size : 0)
                  : size;
  }
  return length <= layout.rowMaxLength;
}

}  // namespace

void DatabaseFile::AddQuery(const std::u16string& name, const SavedQuery& query) {
  if (readOnly()) throw DaoException("The database is opened read-only.");
  CheckObjectName(name, "Query");
  EncodeStoredText(name, false, textFormat());  // refused now, before any row is written
  if (NameInUse(name)) throw DaoException("The name '" + ToUtf8(name) + "' is already in use.");
  const auto page = FindTable(SystemTableName(SystemTable::kQueries));
  if (!page) throw DaoException("The database has no MSysQueries table.");
  TableStore& table = Table(*page);
  const auto& d = table.definition();
  const auto columns = FindQueryColumns(d);
  const int32_t id = NextSyntheticId();

  std::vector<std::vector<StoredValue>> rows;
  for (const SavedQueryRow& row : query.rows) {
    auto& values = rows.emplace_back(d.columns.size());
    auto put = [&](size_t column, std::u16string_view text) {
      if (!text.empty()) values[column] = ConvertText(d.columns[column], text, textFormat());
    };
    put(columns.objectId, Number(id));
    put(columns.attribute, Number(static_cast<int32_t>(row.attribute)));
    values[columns.order] = ConvertBytes(d.columns[columns.order], OrderBytes(row.order));
    put(columns.name1, row.name1);
    put(columns.name2, row.name2);
    put(columns.expression, row.expression);
    if (row.flag) put(columns.flag, Number(*row.flag));
    if (row.lvExtra && columns.lvExtra) put(*columns.lvExtra, Number(*row.lvExtra));
  }

  // Every check has passed: nothing below refuses the query.
  for (auto& values : rows) {
    if (auto& text = values[columns.expression])
      text = table.StoreLongValue(columns.expression, *text,
                                  FitsInRow(values, columns.expression, file_->layout()));
    table.AppendRow(values);
  }
  AddCatalogueRow({id, format::kTablesContainerId, name, format::kQueryObjectType,
                   static_cast<int32_t>(query.kind)},
                  ownerSid_, {});
  // Access grants a new query what it grants a new table.
  for (const auto& sid : tableGrantSids_) AddAceRow(id, sid, format::kNewTableAccess, false);
}

}  // namespace tarvex::dao
