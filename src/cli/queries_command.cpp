#include <iostream>

#include "cli/commands.h"
#include "cli/repair_runner.h"
#include "format/unicode.h"
#include "query/query_rows.h"
#include "query/recovered_queries.h"

namespace tarvex::cli {

int RunQueries(const QueriesOptions& options, bool terminal) {
  session::RepairSession session(engine::ScanSettings::WithoutPause());
  if (!RunRepair(session, {options.dataFile, options.templateFile}, {terminal, false}))
    return kExitFailure;
  const model::CAccessData& model = *session.model();
  query::QueryRowList rows;
  query::ReadQueryRows(model, rows);
  const auto queries = query::RecoverQueries(rows, model.queryObjectList);
  for (const auto& recovered : queries) {
    const std::string name = recovered.name.empty() ? "(unnamed)" : format::ToUtf8(recovered.name);
    std::cout << "-- " << name << " (" << format::ToUtf8(recovered.kind) << ")\n";
    if (recovered.sql.empty()) {
      std::cout << "-- no SQL text is rebuilt for this kind of query\n\n";
    } else {
      std::cout << format::ToUtf8(recovered.sql) << "\n\n";
    }
  }
  if (queries.empty()) std::cerr << "tarvex: no saved queries were recovered\n";
  return kExitOk;
}

}  // namespace tarvex::cli
