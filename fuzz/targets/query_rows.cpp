// Saved-query rows to SQL: the rows of MSysQueries grouped into queries, named
// from the catalogue, each rebuilt by the builder of its kind.
#include "format/unicode.h"
#include "query/recovered_queries.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

// Queries stay small; a damaged table can still hold many rows.
constexpr size_t kMostRows = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto records = fuzz::Split(text, fuzz::kRecordSeparator);
  model::CTList<model::CQuerySysObject> catalogue;
  const auto entries = fuzz::Split(records.front(), fuzz::kFieldSeparator);
  for (size_t i = 0; i + 2 < entries.size(); i += 3) {
    auto* entry = new model::CQuerySysObject;
    entry->id = format::FromUtf8(entries[i]);
    entry->flags = format::FromUtf8(entries[i + 1]);
    entry->name = format::FromUtf8(entries[i + 2]);
    catalogue.Append(entry);
  }
  query::QueryRowList rows;
  for (size_t r = 1; r < records.size() && r <= kMostRows; ++r) {
    std::vector<std::u16string> values;
    for (const auto& field : fuzz::Split(records[r], fuzz::kFieldSeparator))
      values.push_back(format::FromUtf8(field));
    rows.Append(query::CQueryAttributes::FromRowValues(values).release());
  }
  const auto queries = query::RecoverQueries(rows, catalogue);
  FUZZ_CHECK(rows.head() == nullptr);
  (void)queries;
  return 0;
}
