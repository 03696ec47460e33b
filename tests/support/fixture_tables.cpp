#include "support/fixture_tables.h"

#include <algorithm>
#include <set>
#include <string>

#include "engine/db_file_reader.h"
#include "engine/table_definition.h"

namespace tarvex::test {

FixtureTables ReadFixtureTables(const std::filesystem::path& path) {
  FixtureTables fixture;
  static_cast<FixturePages&>(fixture) = ReadFixturePages(path);
  const format::JetLayout& layout = *fixture.layout;
  auto isDefinition = [&](format::Bytes bytes) {
    return std::equal(bytes.begin(),
                      bytes.begin() + static_cast<std::ptrdiff_t>(layout.tableDefSignatureLength),
                      layout.tableDefSignature.begin());
  };
  std::set<uint32_t> continuations;
  for (uint32_t number = 0; number < fixture.pageCount(); ++number)
    if (isDefinition(fixture.Page(number)))
      continuations.insert(
          *format::CDataReader::U32(fixture.Page(number), layout.tableDefNextPageOffset));
  engine::CDBFileReader reader;
  model::CErrorHandler error;
  if (!reader.Open(path, error)) return fixture;
  for (uint32_t number = 0; number < fixture.pageCount(); ++number) {
    if (!isDefinition(fixture.Page(number)) || continuations.count(number)) continue;
    auto& table = fixture.tables[number] =
        std::make_unique<model::CAccessTable>(layout.PageOffset(number));
    engine::ParseDefinition(
        engine::ReadDefinitionChain(reader, fixture.file.size(), layout, layout.PageOffset(number)),
        layout, [](format::Bytes) { return std::u16string(); }, *table);
  }
  return fixture;
}

}  // namespace tarvex::test
