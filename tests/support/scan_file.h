#pragma once
// Runs a whole repair of one file on the calling thread, as the worker would.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/access_repair.h"

namespace tarvex::test {

std::unique_ptr<engine::CAccessRepair> ScanFile(const std::filesystem::path& data,
                                                const std::filesystem::path& definitions = {});

// Every value of a table's data file, row by row: its text, or nothing for a null.
using ValueRow = std::vector<std::optional<std::u16string>>;
std::vector<ValueRow> ReadRows(const model::CAccessTable& table);

}  // namespace tarvex::test
