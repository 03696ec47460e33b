#pragma once
// A fixture's bytes seen as pages of its layout, and walks over every fixture
// that has a ground-truth dump; a walk's failures name the file and the page.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "support/test_paths.h"

namespace tarvex::test {

struct FixturePages {
  std::vector<uint8_t> file;
  const format::JetLayout* layout = nullptr;  // by the header's version byte

  uint32_t pageCount() const { return static_cast<uint32_t>(file.size() / layout->pageSize); }
  format::Bytes Page(uint32_t number) const {
    return format::Bytes(file).subspan(layout->PageOffset(number), layout->pageSize);
  }
  // The definition pages that no definition page continues on: where each chain starts.
  std::set<uint32_t> DefinitionChainStarts() const;
};

FixturePages ReadFixturePages(const std::filesystem::path& path);

// visit(read(file)) for every fixture; `read` is ReadFixturePages or ReadFixtureTables.
template <typename Read, typename Visit>
void ForEachFixture(Read read, Visit visit) {
  for (const auto& fixture : FixturesWithTruth()) {
    SCOPED_TRACE(fixture.file.filename().string());
    visit(read(fixture.file));
  }
}

// visit(fixture, number, page) for every page of every fixture but its header.
template <typename Read, typename Visit>
void ForEachFixturePage(Read read, Visit visit) {
  ForEachFixture(read, [&](const auto& fixture) {
    for (uint32_t number = 1; number < fixture.pageCount(); ++number) {
      SCOPED_TRACE("page " + std::to_string(number));
      visit(fixture, number, fixture.Page(number));
    }
  });
}

}  // namespace tarvex::test
