#include "query/query_rows.h"

#include "model/table_data_file.h"

namespace tarvex::query {

void ReadQueryRows(const model::CAccessData& model, QueryRowList& rows) {
  const model::CAccessTable* queries = model.tableList.FindNamed(u"MSysQueries");
  if (!queries || queries->columnList.count() == 0) return;
  model::CDataFileReader reader(queries->DataFilePath());
  if (!reader.Open()) return;
  const size_t columns = static_cast<size_t>(queries->columnList.count());
  std::vector<std::u16string> values;
  std::u16string value;
  while (reader.ReadTextRecord(value)) {
    values.push_back(value);
    if (values.size() == columns) {
      rows.Append(CQueryAttributes::FromRowValues(values).release());
      values.clear();
    }
  }
}

}  // namespace tarvex::query
