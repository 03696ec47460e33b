// The saved-query step: regroups the recovered rows of MSysQueries into
// queries, rebuilds each query's SQL text and stores it as a query definition.
#include <array>
#include <cstdio>
#include <random>

#include "format/unicode.h"
#include "query/qb_stored_text.h"
#include "query/query_engine.h"
#include "writer/access_save_repaired_file.h"
#include "writer/object_names.h"
#include "writer/stored_query_rows.h"

namespace tarvex::writer {
namespace {

// A name for a query the catalogue does not name, made from a new GUID: its
// first 32-bit part, its two 16-bit parts and the sum of its last eight bytes,
// in upper-case hexadecimal at least two wide.
std::u16string GeneratedQueryName() {
  std::random_device entropy;
  std::array<uint8_t, 16> guid;
  for (auto& byte : guid) byte = static_cast<uint8_t>(entropy());
  auto part = [&](size_t from, size_t length) {
    uint32_t value = 0;
    for (size_t i = 0; i < length; ++i) value = value << 8 | guid[from + i];
    return value;
  };
  unsigned tailSum = 0;
  for (size_t i = 8; i < 16; ++i) tailSum += guid[i];
  char text[48];
  std::snprintf(text, sizeof text, "Query_%2X%2X_%2X%2X", part(0, 4), part(4, 2), part(6, 2),
                tailSum);
  return format::FromUtf8(text);
}

}  // namespace

bool CAccessSaveRepairedFile::SaveQueries() {
  model::CAccessTable* table = model ? model->tableList.FindNamed(u"MSysQueries") : nullptr;
  if (!table || table->tableDefInfo.rowCount == 0) return true;
  auto& progress = job_.progress();
  progress.Restart(table->tableDefInfo.rowCount);
  if (!Saving()) return true;
  Log(u"Saving queries");
  const int columnCount = table->tableDefInfo.columnCount;
  if (!OpenTableDataFile(table->tableDefOffset)) return false;
  query::QueryRowList rows;
  std::vector<std::u16string> values;
  while (columnCount > 0 && !dataFile_.AtEnd()) {
    progress.Step();
    ReadRowTexts(columnCount, values);
    rows.Append(query::CQueryAttributes::FromRowValues(values).release());
    if (!Saving()) {
      dataFile_.Close();
      return false;
    }
  }
  dataFile_.Close();
  if (!Saving()) return false;

  const query::CQueryEngine engine;
  query::QueryList queries;
  engine.GroupRows(queries, rows);
  engine.AttachCatalogue(queries, model->queryObjectList);
  progress.Restart(static_cast<uint64_t>(queries.count()));
  if (!OpenDatabase()) return false;
  for (query::CQuery* query = queries.head(); query && Saving(); query = query->next) {
    progress.Step();
    CreateQuery(*query, table->losses);
  }
  const bool saving = Saving();
  const bool closed = CloseDatabase();
  if (!saving) return false;
  progress.SetPosition(progress.Maximum());
  FinishStep();
  return closed;
}

void CAccessSaveRepairedFile::CreateQuery(query::CQuery& query, const model::TableLosses& losses) {
  const std::u16string sql = query.BuildSQL();
  std::u16string name = query.GetName();
  // The hidden record sources of forms and reports go with the forms, which are not saved.
  if (name.starts_with(u"~sq")) return;
  if (sql.empty()) {
    if (!name.empty())
      report_.queriesSkipped.push_back({name, "Its recovered rows make no query text."});
    return;
  }
  // Queries share their names with tables: a damaged or taken name is changed, not lost.
  const std::u16string generated = GeneratedQueryName();
  name = UniqueObjectName(name.empty() ? generated : name, generated, usedTableNames_);
  const bool passThrough = static_cast<query::QueryKind>(query::QueryKindOf(query.GetTypeText())) ==
                           query::QueryKind::kPassThrough;
  // Rows that came through the scan whole are kept where they say what the SQL
  // says, so that the query is the source's row for row; others are rebuilt
  // from the SQL alone, and the report says why.
  StoredQueryRows stored =
      StoredRowsOf(query.GetRows(), losses,
                   SourceIsJet4() ? format::JetVersion::kJet4 : format::JetVersion::kJet3);
  std::string notKept = stored.damage;
  try {
    const std::string mismatch = database_->CreateQueryDef(
        name, sql, passThrough ? query::PassThroughConnect(query.GetRows()) : u"",
        std::move(stored.rows));
    if (notKept.empty()) notKept = mismatch;
    database_->AppendQueryDef();
    database_->CloseQueryDef();
  } catch (const dao::DaoException& error) {
    try {
      database_->CloseQueryDef();
    } catch (const dao::DaoException&) {
    }
    report_.queriesSkipped.push_back({name, error.what()});
    return;
  }
  report_.queriesWritten.push_back(name);
  if (!notKept.empty()) report_.queriesRebuilt.push_back({name, notKept});
}

}  // namespace tarvex::writer
