#pragma once
// One fixture's pages and the table definitions found on them, for tests that
// walk the rows of every table.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "model/access_table.h"

namespace tarvex::test {

struct FixtureTables {
  std::vector<uint8_t> file;
  const format::JetLayout* layout = nullptr;
  std::map<uint32_t, std::unique_ptr<model::CAccessTable>> tables;  // by first definition page

  uint32_t pageCount() const { return static_cast<uint32_t>(file.size() / layout->pageSize); }
  format::Bytes Page(uint32_t number) const {
    return format::Bytes(file).subspan(layout->PageOffset(number), layout->pageSize);
  }
};

FixtureTables ReadFixtureTables(const std::filesystem::path& path);

}  // namespace tarvex::test
