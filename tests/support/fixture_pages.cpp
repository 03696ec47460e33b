#include "support/fixture_pages.h"

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

}  // namespace tarvex::test
