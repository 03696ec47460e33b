#pragma once
// Helpers for the query tests: rows written as designated initializers and
// UTF-8/UTF-16 conversion for readable expectations and failure messages.
#include <memory>
#include <string>
#include <vector>

#include "query/query_attributes.h"
#include "query/query_builder.h"

namespace tarvex::query::test {

struct RowSpec {
  std::u16string attribute{};
  std::u16string name1{};
  std::u16string name2{};
  std::u16string expression{};
  std::u16string flag{};
  std::u16string objectId = u"1";
};

std::unique_ptr<CQueryAttributes> MakeRow(const RowSpec& wanted);
void AppendRows(QueryRowList& list, const std::vector<RowSpec>& specs);

// Runs a fresh builder of type B over the rows; `sqlOut` starts as `initial`.
template <typename B>
std::u16string BuildWith(const std::vector<RowSpec>& specs, std::u16string initial = u"") {
  QueryRowList rows;
  AppendRows(rows, specs);
  B builder;
  builder.Build(rows, initial);
  return initial;
}

// One row of a table-driven builder test.
struct BuilderCase {
  const char* name;
  std::vector<RowSpec> rows;
  std::u16string expected;
};

std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);

}  // namespace tarvex::query::test
