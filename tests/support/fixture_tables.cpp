#include "support/fixture_tables.h"

#include <string>

#include "engine/db_file_reader.h"
#include "engine/table_definition.h"

namespace tarvex::test {

FixtureTables ReadFixtureTables(const std::filesystem::path& path) {
  FixtureTables fixture;
  static_cast<FixturePages&>(fixture) = ReadFixturePages(path);
  const format::JetLayout& layout = *fixture.layout;
  engine::CDBFileReader reader;
  model::CErrorHandler error;
  if (!reader.Open(path, error)) return fixture;
  for (uint32_t number : fixture.DefinitionChainStarts()) {
    auto& table = fixture.tables[number] =
        std::make_unique<model::CAccessTable>(layout.PageOffset(number));
    engine::ParseDefinition(
        engine::ReadDefinitionChain(reader, fixture.file.size(), layout, layout.PageOffset(number)),
        layout, [](format::Bytes) { return std::u16string(); }, *table);
  }
  return fixture;
}

}  // namespace tarvex::test
