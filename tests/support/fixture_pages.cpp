#include "support/fixture_pages.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "format/database_header.h"

namespace tarvex::test {

FixturePages ReadFixturePages(const std::filesystem::path& path) {
  FixturePages fixture;
  std::ifstream in(path, std::ios::binary);
  fixture.file.assign(std::istreambuf_iterator<char>(in), {});
  const bool jet3 = fixture.file.size() > format::kVersionOffset &&
                    fixture.file[format::kVersionOffset] == format::kJet3VersionByte;
  fixture.layout = jet3 ? &format::kJet3Layout : &format::kJet4Layout;
  return fixture;
}

std::set<uint32_t> FixturePages::DefinitionChainStarts() const {
  std::set<uint32_t> definitions, continuations;
  for (uint32_t number = 0; number < pageCount(); ++number) {
    const format::Bytes page = Page(number);
    if (!std::equal(page.begin(),
                    page.begin() + static_cast<std::ptrdiff_t>(layout->tableDefSignatureLength),
                    layout->tableDefSignature.begin()))
      continue;
    definitions.insert(number);
    continuations.insert(*format::CDataReader::U32(page, layout->tableDefNextPageOffset));
  }
  std::erase_if(definitions, [&](uint32_t number) { return continuations.contains(number); });
  return definitions;
}

}  // namespace tarvex::test
