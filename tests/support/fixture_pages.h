#pragma once
// A fixture's bytes seen as pages of its layout, for tests that walk every page.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::test {

struct FixturePages {
  std::vector<uint8_t> file;
  const format::JetLayout* layout = nullptr;  // by the header's version byte

  uint32_t pageCount() const { return static_cast<uint32_t>(file.size() / layout->pageSize); }
  format::Bytes Page(uint32_t number) const {
    return format::Bytes(file).subspan(layout->PageOffset(number), layout->pageSize);
  }
};

FixturePages ReadFixturePages(const std::filesystem::path& path);

}  // namespace tarvex::test
