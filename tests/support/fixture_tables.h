#pragma once
// One fixture's pages and the table definitions found on them, for tests that
// walk the rows of every table.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "model/access_table.h"
#include "support/fixture_pages.h"

namespace tarvex::test {

struct FixtureTables : FixturePages {
  std::map<uint32_t, std::unique_ptr<model::CAccessTable>> tables;  // by first definition page
};

FixtureTables ReadFixtureTables(const std::filesystem::path& path);

}  // namespace tarvex::test
